#include "platform/volume_kind.h"

namespace tarnwick {

namespace {

std::optional<VolumeKind> g_kind_for_tests;

}  // namespace

VolumeKind VolumeKindFromDriveType(unsigned drive_type) {
  return drive_type <= static_cast<unsigned>(VolumeKind::kRamDisk)
             ? static_cast<VolumeKind>(drive_type)
             : VolumeKind::kUnknown;
}

bool MayMapVolume(VolumeKind kind) {
  return kind == VolumeKind::kFixed || kind == VolumeKind::kRamDisk;
}

VolumeKind VolumeKindOfFile(std::FILE* file) {
  return g_kind_for_tests ? *g_kind_for_tests : SystemVolumeKindOf(file);
}

void SetVolumeKindForTests(std::optional<VolumeKind> kind) { g_kind_for_tests = kind; }

}  // namespace tarnwick
