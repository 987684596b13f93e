#include <sys/mman.h>

#include <limits>

#include "platform/file_mapping.h"
#include "platform/volume_kind.h"

namespace tarnwick {

std::unique_ptr<FileMapping> FileMapping::Create(std::FILE* file, std::uint64_t size) {
  if (size == 0 || size > std::numeric_limits<std::size_t>::max()) return nullptr;
  // As on Windows: a volume that can go away is read through the window.
  if (!MayMapVolume(VolumeKindOfFile(file))) return nullptr;
  // The stream's descriptor outlives the mapping: the stream unmaps before it closes.
  return std::unique_ptr<FileMapping>(new FileMapping(fileno(file), size));
}

FileMapping::~FileMapping() = default;

MappedView FileMapping::Map(std::uint64_t start, std::size_t length) const {
  void* data = mmap(nullptr, length, PROT_READ, MAP_SHARED, static_cast<int>(handle_),
                    static_cast<off_t>(start));
  if (data == MAP_FAILED) return {};
  // The reader goes through a view mostly front to back.
  madvise(data, length, MADV_SEQUENTIAL);
  return {static_cast<const std::uint8_t*>(data), start, length};
}

void FileMapping::Unmap(const MappedView& view) {
  if (view.data) munmap(const_cast<std::uint8_t*>(view.data), view.length);
}

}  // namespace tarnwick
