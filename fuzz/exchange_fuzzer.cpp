// Fuzzes the bridge end to end: one input is a whole exchange folder, the
// model "_model.cvm", the update "_mod.sm", the camera "camera.cam" and the
// saved views "Views.cam", in this order, separated by kSeparator. The two
// containers are in the compact form of container_image.h; a part that is
// missing leaves its file missing. The bridge then does what a host session
// asks of it, with the native stand-in as the renderer: the start-up export
// and, when it succeeds, a model sync (both steps), a light sync, a camera
// sync and a views sync. The stand-in reads every name and array it is given
// (its digest form: no journal text), so the sanitizers check each byte.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "bridge/exchange_document.h"
#include "bridge/requests.h"
#include "fuzz/container_image.h"
#include "platform/message_box.h"
#include "standin/standin.h"
#include "testlib/temp_exchange.h"

namespace {

constexpr std::string_view kSeparator = "\n#~EXCHANGE~#\n";
constexpr const char* kFileNames[] = {"_model.cvm", "_mod.sm", "camera.cam", "Views.cam"};
constexpr std::size_t kContainerFiles = 2;

// One exchange folder for the whole run, on tmpfs when there is one (see main's
// TMPDIR), emptied before every input.
tarnwick::testing::TempExchangeFolder& Folder() {
  static tarnwick::testing::TempExchangeFolder folder;
  return folder;
}

void WriteExchangeFile(const std::string& name, std::span<const std::uint8_t> bytes) {
  std::FILE* file = std::fopen(Folder().PathOf(name).c_str(), "wb");
  if (!file) return;
  if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
}

// Splits the input into the folder's files and writes them.
void WriteFolder(std::string_view input) {
  for (const char* name : kFileNames) std::remove(Folder().PathOf(name).c_str());
  std::remove(Folder().PathOf("_mod.sync").c_str());
  std::remove(Folder().PathOf("D5_Log.log").c_str());
  std::size_t k = 0;
  for (std::size_t begin = 0; k < std::size(kFileNames); ++k) {
    const std::size_t end = std::min(input.find(kSeparator, begin), input.size());
    const auto* first = reinterpret_cast<const std::uint8_t*>(input.data()) + begin;
    const std::span<const std::uint8_t> part(first, end - begin);
    if (k < kContainerFiles) {
      static std::vector<std::uint8_t> image;
      tarnwick::fuzzing::ExpandContainer(part, image);
      WriteExchangeFile(kFileNames[k], image);
    } else {
      WriteExchangeFile(kFileNames[k], part);
    }
    if (end == input.size()) break;
    begin = end + kSeparator.size();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  WriteFolder({reinterpret_cast<const char*>(data), size});
  standin::Configure({.digest_only = true});
  {
    tarnwick::ExchangeDocument document;
    if (tarnwick::RunStartupExport(document)) {
      tarnwick::ServeModelSyncPrepare(document, [] {});
      tarnwick::ServeModelSyncApply(document);
      tarnwick::ServeLightSync(document);
      tarnwick::ServeCameraSync(document);
      tarnwick::ServeViewsSync(document);
    }
  }
  tarnwick::TakeRecordedMessageBoxes();
  standin::ResetJournal();
  return 0;
}
