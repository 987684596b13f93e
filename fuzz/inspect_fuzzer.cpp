// Fuzzes the inspector's validation of a container: the input is a body that
// follows a fixed header whose directory points slot 0 and slot 1 at it (as a
// model body, and as a removal section and a model body of an incremental
// file), so that each run reads the body the way the inspector reads both
// containers. Every finding must come with a code of the catalogue.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "container_writer/container_writer.h"
#include "inspect/container_inspection.h"
#include "platform/text.h"

namespace {

namespace cw = tarnwick::container_writer;
namespace ti = tarnwick::inspect;

constexpr std::size_t kHeaderBytes = 208644;

std::string folder;
std::string model_path;

void RemoveFolder() {
  std::remove(model_path.c_str());
  rmdir(folder.c_str());
}

// The file, in a folder made once per process (on tmpfs when there is one).
const std::string& ModelPath() {
  if (model_path.empty()) {
    char in_memory[] = "/dev/shm/tarnwick-inspect-XXXXXX";
    char on_disk[] = "/tmp/tarnwick-inspect-XXXXXX";
    const char* dir = mkdtemp(in_memory);
    if (!dir) dir = mkdtemp(on_disk);
    if (!dir) std::abort();
    folder = dir;
    model_path = folder + "/_model.cvm";
    std::atexit(RemoveFolder);
  }
  return model_path;
}

// A header whose slots 0 (kind 2 and kind 4 alike are tried) and 1 point just past it.
std::string Header(std::uint32_t slot0_kind) {
  cw::Container container;
  container.slots.resize(2);
  container.slots[0] = cw::Slot{u"C:\\P.pro", {}, slot0_kind, static_cast<std::int32_t>(kHeaderBytes)};
  container.slots[1] = cw::Slot{u"C:\\Q.pro", {}, 2u, static_cast<std::int32_t>(kHeaderBytes)};
  return cw::BuildContainer(container).substr(0, kHeaderBytes);
}

void InspectAs(const std::string& header, const std::uint8_t* data, std::size_t size, ti::ContainerRole role) {
  std::FILE* file = std::fopen(ModelPath().c_str(), "wb");
  if (!file) std::abort();
  std::fwrite(header.data(), 1, header.size(), file);
  if (size > 0) std::fwrite(data, 1, size, file);
  std::fclose(file);
  ti::FindingLog log(16);
  ti::ContainerSummary summary;
  const ti::RecordContext context{.file = "_model.cvm", .exchange_folder = tarnwick::Utf16FromUtf8(folder), .log = &log};
  ti::InspectContainer(tarnwick::Utf16FromUtf8(ModelPath()), role, context, summary);
  if (log.by_code().contains("inspector_code_unknown")) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string model_header = Header(2);
  static const std::string incremental_header = Header(4);
  InspectAs(model_header, data, size, ti::ContainerRole::kModel);
  InspectAs(incremental_header, data, size, ti::ContainerRole::kIncremental);
  return 0;
}
