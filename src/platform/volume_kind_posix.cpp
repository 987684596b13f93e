// The POSIX side of volume_kind.h, for the native tools and tests: the type of
// the file system that holds an open file, told the way Windows tells drives.
#include <sys/vfs.h>

#include <cstdint>

#include "platform/volume_kind.h"

namespace tarnwick {

namespace {

// File system types (statfs's f_type) and the volume kind each stands for.
struct FileSystemKind {
  std::uint32_t type;
  VolumeKind kind;
};
constexpr FileSystemKind kFileSystemKinds[] = {
    {0x01021994u, VolumeKind::kRamDisk},   // tmpfs
    {0x858458F6u, VolumeKind::kRamDisk},   // ramfs
    {0x00006969u, VolumeKind::kRemote},    // NFS
    {0x0000517Bu, VolumeKind::kRemote},    // SMB
    {0xFF534D42u, VolumeKind::kRemote},    // CIFS
    {0xFE534D42u, VolumeKind::kRemote},    // SMB2
    {0x01021997u, VolumeKind::kRemote},    // 9P
    {0x5346414Fu, VolumeKind::kRemote},    // AFS
    {0x65735546u, VolumeKind::kUnknown},   // FUSE: anything at all
    {0x00009660u, VolumeKind::kOptical},   // ISO 9660
    {0x15013346u, VolumeKind::kOptical},   // UDF
};

}  // namespace

// Any other file system is taken for a disk of the machine.
VolumeKind SystemVolumeKindOf(std::FILE* file) {
  struct statfs system {};
  if (fstatfs(fileno(file), &system) != 0) return VolumeKind::kUnknown;
  const auto type = static_cast<std::uint32_t>(system.f_type);
  for (const FileSystemKind& known : kFileSystemKinds) {
    if (known.type == type) return known.kind;
  }
  return VolumeKind::kFixed;
}

}  // namespace tarnwick
