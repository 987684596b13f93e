// The Windows build of the journal readers: the stand-in D5Api.dll writes its
// journal to the file that RENDERER_STANDIN_JOURNAL names and keeps none in
// memory, so the in-memory journal that the native test library reads is empty.
#include "standin/standin.h"

namespace standin {

const std::vector<std::string>& JournalLines() {
  static const std::vector<std::string> kNone;
  return kNone;
}

}  // namespace standin
