// Fuzzes the container reader: the input is a model body, read from a file
// that holds nothing else (the body starts at offset 0), first as a
// RemovalSection and then as a ModelBody. The header and directory are left
// out so that each run stays cheap; their reading is covered by the unit
// tests. The sink reads every element of every array it is handed, so that a
// view past the bytes read shows up under the address sanitizer.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "formats/container_reader.h"
#include "formats/container_stream.h"
#include "formats/model_sink.h"
#include "platform/text.h"

namespace {

// The body file, in a folder made once per process and removed at its exit;
// on tmpfs when there is one, since rewriting a file on a disk file system may
// wait for the disk.
std::string body_folder;
std::string body_path;

void RemoveBodyFolder() {
  std::remove(body_path.c_str());
  rmdir(body_folder.c_str());
}

const std::string& BodyPath() {
  if (body_path.empty()) {
    char in_memory[] = "/dev/shm/tarnwick-fuzz-XXXXXX";
    char on_disk[] = "/tmp/tarnwick-fuzz-XXXXXX";
    const char* dir = mkdtemp(in_memory);
    if (!dir) dir = mkdtemp(on_disk);
    if (!dir) std::abort();
    body_folder = dir;
    body_path = body_folder + "/_model.cvm";
    std::atexit(RemoveBodyFolder);
  }
  return body_path;
}

// Touches every element handed over, as the renderer would.
class TouchingSink : public tarnwick::ModelSink {
 public:
  void OnPart(const std::u16string& name, const tarnwick::PartGeometry& part) override {
    sum_ += name.size();
    Touch(part.positions, part.position_count);
    Touch(part.attributes1, part.attributes1_count);
    Touch(part.attributes2, part.attributes2_count);
    Touch(part.indices, part.index_count);
  }
  std::uint32_t sum() const { return sum_; }

 private:
  void Touch(const void* data, std::uint32_t count) {
    std::uint32_t word = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
      std::memcpy(&word, static_cast<const std::uint8_t*>(data) + std::size_t{i} * 4, 4);
      sum_ += word;
    }
  }
  std::uint32_t sum_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::FILE* file = std::fopen(BodyPath().c_str(), "wb");
  if (!file) std::abort();
  if (size > 0) std::fwrite(data, 1, size, file);
  std::fclose(file);

  TouchingSink sink;
  const std::u16string path = tarnwick::Utf16FromUtf8(BodyPath());
  if (auto stream = tarnwick::ContainerStream::Open(path, "rb")) {
    tarnwick::ReadRemovalSection(*stream, 0, sink);
    tarnwick::ReadModelBody(*stream, 0, sink);
  }
  // The sum is used so that the touching cannot be optimised away.
  return static_cast<int>(sink.sum() & 0u);
}
