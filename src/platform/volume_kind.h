// What kind of volume a file lies on, and whether it may be read through
// mapped views. A mapped view's page is read from the volume when it is first
// touched: when the volume goes away (a network share drops, a removable disk
// is pulled) the read becomes an exception in whatever code touches the page,
// where a read through a window only fails.
#pragma once

#include <cstdio>
#include <optional>

namespace tarnwick {

// The kinds of volume, numbered as Windows' GetDriveTypeW numbers them.
enum class VolumeKind : unsigned {
  kUnknown = 0,    // the system cannot tell
  kNoRoot = 1,     // the path names no volume
  kRemovable = 2,  // a removable disk or card
  kFixed = 3,      // a disk of the machine
  kRemote = 4,     // a network share
  kOptical = 5,    // a CD or DVD
  kRamDisk = 6,    // memory
};

// The kind a GetDriveTypeW number names; kUnknown for any other number.
VolumeKind VolumeKindFromDriveType(unsigned drive_type);

// Whether files on a volume of this kind may be mapped: only where the volume cannot go
// away while the bridge reads (a fixed disk, memory); every other kind, and a kind that
// cannot be told, is read through a window.
bool MayMapVolume(VolumeKind kind);

// The kind of the volume an open file lies on, where the file is mapped or not: the kind a
// test has set, else the system's answer.
VolumeKind VolumeKindOfFile(std::FILE* file);

// The system's answer alone: on Windows the drive type of the file's volume, on POSIX the
// file system's type; kUnknown when it cannot tell.
VolumeKind SystemVolumeKindOf(std::FILE* file);

// Tests only: every file is taken to lie on a volume of this kind (nullopt: ask the system).
void SetVolumeKindForTests(std::optional<VolumeKind> kind);

}  // namespace tarnwick
