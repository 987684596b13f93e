#include <windows.h>
#include <io.h>

#include <limits>

#include "platform/file_mapping.h"
#include "platform/view_faults.h"
#include "platform/volume_kind.h"

namespace tarnwick {

namespace {

// The size of the system's large pages on x86-64. A file in the system's cache
// may be held in pieces of this size; a view whose address agrees with its file
// offset modulo this size lets the system map such a piece in one entry, where
// it otherwise maps it 16 pages per fault (measured under Wine on Linux: 2 ms
// against 46 for a 1 GiB file). On Windows the placement changes nothing else.
constexpr std::uint64_t kPlacementBytes = std::uint64_t{2} << 20;

// A free address for a view of `length` bytes from file offset `start` whose address
// agrees with `start` modulo kPlacementBytes, or null. Another thread may take the range
// before the view is mapped there; the caller then maps wherever the system likes.
void* FindPlacement(std::uint64_t start, std::size_t length) {
  if (length > std::numeric_limits<std::size_t>::max() - kPlacementBytes) return nullptr;
  void* reserved = VirtualAlloc(nullptr, length + kPlacementBytes, MEM_RESERVE, PAGE_NOACCESS);
  if (reserved == nullptr) return nullptr;
  const auto base = reinterpret_cast<std::uintptr_t>(reserved);
  const std::uintptr_t phase = start % kPlacementBytes;
  const std::uintptr_t place = base + (phase + kPlacementBytes - base % kPlacementBytes) % kPlacementBytes;
  VirtualFree(reserved, 0, MEM_RELEASE);
  return reinterpret_cast<void*>(place);
}

}  // namespace

std::unique_ptr<FileMapping> FileMapping::Create(std::FILE* file, std::uint64_t size) {
  if (size == 0 || size > std::numeric_limits<std::size_t>::max()) return nullptr;
  const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  // A volume that can go away is read through the window: its views would fault.
  if (!MayMapVolume(VolumeKindOfFile(file))) return nullptr;
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
  const auto handle = reinterpret_cast<HANDLE>(handle_);
  const auto high = static_cast<DWORD>(start >> 32);
  const auto low = static_cast<DWORD>(start);
  const void* data = nullptr;
  if (void* place = FindPlacement(start, length)) {
    data = MapViewOfFileEx(handle, FILE_MAP_READ, high, low, static_cast<SIZE_T>(length), place);
  }
  if (data == nullptr) {
    data = MapViewOfFile(handle, FILE_MAP_READ, high, low, static_cast<SIZE_T>(length));
  }
  if (data == nullptr) return {};
  // A page the volume cannot give ends the reading, not the process.
  if (!WatchView(data, length, lost_)) {
    UnmapViewOfFile(data);
    return {};
  }
  return {static_cast<const std::uint8_t*>(data), start, length};
}

void FileMapping::Unmap(const MappedView& view) {
  if (view.data) UnmapWatchedView(view.data);
}

}  // namespace tarnwick
