#include <sys/mman.h>

#include <cstddef>
#include <limits>

#include "platform/mapped_file.h"

namespace tarnwick {

std::unique_ptr<MappedFile> MappedFile::Map(std::FILE* file, std::uint64_t size) {
  if (size == 0 || size > std::numeric_limits<std::size_t>::max()) return nullptr;
  void* view = mmap(nullptr, static_cast<std::size_t>(size), PROT_READ, MAP_SHARED, fileno(file), 0);
  if (view == MAP_FAILED) return nullptr;
  // The reader goes through the file mostly front to back.
  madvise(view, static_cast<std::size_t>(size), MADV_SEQUENTIAL);
  return std::unique_ptr<MappedFile>(new MappedFile(static_cast<const std::uint8_t*>(view), size));
}

MappedFile::~MappedFile() {
  toucher_.reset();
  munmap(const_cast<std::uint8_t*>(data_), static_cast<std::size_t>(size_));
}

}  // namespace tarnwick
