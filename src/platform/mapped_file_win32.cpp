#include <windows.h>
#include <io.h>

#include <cstddef>
#include <limits>

#include "platform/mapped_file.h"

namespace tarnwick {

std::unique_ptr<MappedFile> MappedFile::Map(std::FILE* file, std::uint64_t size) {
  if (size == 0 || size > std::numeric_limits<std::size_t>::max()) return nullptr;
  const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  const HANDLE mapping =
      CreateFileMappingW(handle, nullptr, PAGE_READONLY, static_cast<DWORD>(size >> 32),
                         static_cast<DWORD>(size), nullptr);
  if (mapping == nullptr) return nullptr;
  const void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, static_cast<SIZE_T>(size));
  // The view keeps the mapping alive; its handle is not needed any more.
  CloseHandle(mapping);
  if (view == nullptr) return nullptr;
  return std::unique_ptr<MappedFile>(new MappedFile(static_cast<const std::uint8_t*>(view), size));
}

MappedFile::~MappedFile() {
  toucher_.reset();
  UnmapViewOfFile(data_);
}

}  // namespace tarnwick
