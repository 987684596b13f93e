#include "platform/volume_kind.h"

namespace tarnwick {

VolumeKind VolumeKindFromDriveType(unsigned drive_type) {
  return drive_type <= static_cast<unsigned>(VolumeKind::kRamDisk)
             ? static_cast<VolumeKind>(drive_type)
             : VolumeKind::kUnknown;
}

bool MayMapVolume(VolumeKind kind) {
  return kind == VolumeKind::kFixed || kind == VolumeKind::kRamDisk;
}

}  // namespace tarnwick
