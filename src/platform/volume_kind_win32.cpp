// The Windows side of volume_kind.h: the drive type of the volume that holds an
// open file, found from the file's final path.
#include <windows.h>
#include <io.h>

#include <string>
#include <vector>

#include "platform/volume_kind.h"

namespace tarnwick {

namespace {

// A path as GetFinalPathNameByHandleW gives it ("\\?\C:\..." or "\\?\UNC\server\...") in
// the form GetVolumePathNameW and GetDriveTypeW take ("C:\...", "\\server\...").
std::wstring WithoutExtendedPrefix(std::wstring path) {
  if (path.rfind(L"\\\\?\\UNC\\", 0) == 0) return L"\\\\" + path.substr(8);
  if (path.rfind(L"\\\\?\\", 0) == 0) return path.substr(4);
  return path;
}

}  // namespace

VolumeKind SystemVolumeKindOf(std::FILE* stream) {
  static_assert(DRIVE_FIXED == static_cast<unsigned>(VolumeKind::kFixed) &&
                DRIVE_REMOTE == static_cast<unsigned>(VolumeKind::kRemote) &&
                DRIVE_REMOVABLE == static_cast<unsigned>(VolumeKind::kRemovable) &&
                DRIVE_RAMDISK == static_cast<unsigned>(VolumeKind::kRamDisk));
  const auto file = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
  if (file == INVALID_HANDLE_VALUE) return VolumeKind::kUnknown;
  const DWORD needed = GetFinalPathNameByHandleW(file, nullptr, 0, VOLUME_NAME_DOS);
  if (needed == 0) return VolumeKind::kUnknown;
  std::vector<wchar_t> name(needed + 1);
  const DWORD got = GetFinalPathNameByHandleW(file, name.data(), needed + 1, VOLUME_NAME_DOS);
  if (got == 0 || got > needed) return VolumeKind::kUnknown;
  const std::wstring path = WithoutExtendedPrefix(std::wstring(name.data(), got));
  // The volume's root is never longer than the path it holds.
  std::vector<wchar_t> root(path.size() + 2);
  if (!GetVolumePathNameW(path.c_str(), root.data(), static_cast<DWORD>(root.size()))) {
    return VolumeKind::kUnknown;
  }
  return VolumeKindFromDriveType(GetDriveTypeW(root.data()));
}

}  // namespace tarnwick
