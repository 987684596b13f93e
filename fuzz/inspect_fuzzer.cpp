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
std::string paths[2];

void RemoveFolder() {
  for (const std::string& path : paths) std::remove(path.c_str());
  rmdir(folder.c_str());
}

// A header whose slot 0 (of `slot0_kind`) and slot 1 (a model body) point just past it.
std::string Header(std::uint32_t slot0_kind) {
  cw::Container container;
  container.slots.resize(2);
  container.slots[0] = cw::Slot{u"C:\\P.pro", {}, slot0_kind, static_cast<std::int32_t>(kHeaderBytes)};
  container.slots[1] = cw::Slot{u"C:\\Q.pro", {}, 2u, static_cast<std::int32_t>(kHeaderBytes)};
  return cw::BuildContainer(container).substr(0, kHeaderBytes);
}

// The two files, with their headers written once per process, in a folder on tmpfs when
// there is one; each input only replaces what follows the header.
const std::string& PathOf(ti::ContainerRole role) {
  if (folder.empty()) {
    char in_memory[] = "/dev/shm/tarnwick-inspect-XXXXXX";
    char on_disk[] = "/tmp/tarnwick-inspect-XXXXXX";
    const char* dir = mkdtemp(in_memory);
    if (!dir) dir = mkdtemp(on_disk);
    if (!dir) std::abort();
    folder = dir;
    paths[0] = folder + "/_model.cvm";
    paths[1] = folder + "/_mod.sm";
    std::atexit(RemoveFolder);
    const std::uint32_t kinds[2] = {2, 4};
    for (int i = 0; i < 2; ++i) {
      const std::string header = Header(kinds[i]);
      std::FILE* file = std::fopen(paths[i].c_str(), "wb");
      if (!file || std::fwrite(header.data(), 1, header.size(), file) != header.size()) std::abort();
      std::fclose(file);
    }
  }
  return paths[role == ti::ContainerRole::kModel ? 0 : 1];
}

void InspectAs(ti::ContainerRole role, const std::uint8_t* data, std::size_t size) {
  const std::string& path = PathOf(role);
  std::FILE* file = std::fopen(path.c_str(), "r+b");
  if (!file || std::fseek(file, static_cast<long>(kHeaderBytes), SEEK_SET) != 0) std::abort();
  if (size > 0) std::fwrite(data, 1, size, file);
  std::fflush(file);
  if (ftruncate(fileno(file), static_cast<off_t>(kHeaderBytes + size)) != 0) std::abort();
  std::fclose(file);
  ti::FindingLog log(16);
  ti::ContainerSummary summary;
  const ti::RecordContext context{.file = "_model.cvm", .exchange_folder = tarnwick::Utf16FromUtf8(folder), .log = &log};
  ti::InspectContainer(tarnwick::Utf16FromUtf8(path), role, context, summary);
  if (log.by_code().contains("inspector_code_unknown")) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  InspectAs(ti::ContainerRole::kModel, data, size);
  InspectAs(ti::ContainerRole::kIncremental, data, size);
  return 0;
}
