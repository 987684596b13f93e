#include <windows.h>
#include <io.h>

#include <limits>

#include "platform/file_mapping.h"

namespace tarnwick {

std::unique_ptr<FileMapping> FileMapping::Create(std::FILE* file, std::uint64_t size) {
  if (size == 0 || size > std::numeric_limits<std::size_t>::max()) return nullptr;
  const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  const HANDLE mapping =
      CreateFileMappingW(handle, nullptr, PAGE_READONLY, static_cast<DWORD>(size >> 32),
                         static_cast<DWORD>(size), nullptr);
  if (mapping == nullptr) return nullptr;
  return std::unique_ptr<FileMapping>(
      new FileMapping(reinterpret_cast<std::intptr_t>(mapping), size));
}

// Views keep the mapping object alive on their own; closing its handle ends only this reference.
FileMapping::~FileMapping() { CloseHandle(reinterpret_cast<HANDLE>(handle_)); }

MappedView FileMapping::Map(std::uint64_t start, std::size_t length) const {
  const void* data = MapViewOfFile(reinterpret_cast<HANDLE>(handle_), FILE_MAP_READ,
                                   static_cast<DWORD>(start >> 32), static_cast<DWORD>(start),
                                   static_cast<SIZE_T>(length));
  if (data == nullptr) return {};
  return {static_cast<const std::uint8_t*>(data), start, length};
}

void FileMapping::Unmap(const MappedView& view) {
  if (view.data) UnmapViewOfFile(view.data);
}

}  // namespace tarnwick
