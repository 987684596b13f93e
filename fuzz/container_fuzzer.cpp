// Fuzzes the container reader: the input is a model body, read from a file
// that holds nothing else (the body starts at offset 0), first as a
// RemovalSection and then as a ModelBody. The header and directory are left
// out so that each run stays cheap; their reading is covered by the unit
// tests. The stand-in renderer records each call, which makes it read every
// array the bridge hands over for its journal hash.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "formats/container_reader.h"
#include "formats/container_stream.h"
#include "formats/exchange_document.h"
#include "platform/text.h"
#include "standin/standin.h"

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
    standin::Configure({});
  }
  return body_path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::FILE* file = std::fopen(BodyPath().c_str(), "wb");
  if (!file) std::abort();
  if (size > 0) std::fwrite(data, 1, size, file);
  std::fclose(file);

  standin::ResetJournal();
  tarnwick::ExchangeDocument document;
  document.Session.handle = 1;
  const std::u16string path = tarnwick::Utf16FromUtf8(BodyPath());
  document.ContainerFile = tarnwick::ContainerStream::Open(path, "rb");
  tarnwick::ReadRemovalSection(document, 0);
  document.ContainerFile = tarnwick::ContainerStream::Open(path, "rb");
  document.ContainerFile->Seek(0);
  tarnwick::ReadModelBody(document, 0);
  tarnwick::CloseContainer(document);
  return 0;
}
