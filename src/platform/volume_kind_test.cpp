#include "platform/volume_kind.h"

#include <gtest/gtest.h>

#include <iterator>

namespace tarnwick {
namespace {

TEST(VolumeKind, OnlyVolumesThatCannotGoAwayAreMapped) {
  EXPECT_TRUE(MayMapVolume(VolumeKind::kFixed));
  EXPECT_TRUE(MayMapVolume(VolumeKind::kRamDisk));
  // A dropped share or a pulled disk would fault in the middle of a read.
  EXPECT_FALSE(MayMapVolume(VolumeKind::kRemote));
  EXPECT_FALSE(MayMapVolume(VolumeKind::kRemovable));
  EXPECT_FALSE(MayMapVolume(VolumeKind::kOptical));
  // What cannot be told is taken as the worst.
  EXPECT_FALSE(MayMapVolume(VolumeKind::kUnknown));
  EXPECT_FALSE(MayMapVolume(VolumeKind::kNoRoot));
}

// GetDriveTypeW's numbers: DRIVE_UNKNOWN 0, DRIVE_NO_ROOT_DIR 1, DRIVE_REMOVABLE 2,
// DRIVE_FIXED 3, DRIVE_REMOTE 4, DRIVE_CDROM 5, DRIVE_RAMDISK 6.
TEST(VolumeKind, EveryDriveTypeNumberHasItsKind) {
  const VolumeKind kinds[] = {VolumeKind::kUnknown, VolumeKind::kNoRoot, VolumeKind::kRemovable,
                              VolumeKind::kFixed,   VolumeKind::kRemote, VolumeKind::kOptical,
                              VolumeKind::kRamDisk};
  for (unsigned number = 0; number < std::size(kinds); ++number) {
    EXPECT_EQ(VolumeKindFromDriveType(number), kinds[number]) << number;
  }
  EXPECT_EQ(VolumeKindFromDriveType(7), VolumeKind::kUnknown);
  EXPECT_EQ(VolumeKindFromDriveType(0xFFFFFFFFu), VolumeKind::kUnknown);
  EXPECT_FALSE(MayMapVolume(VolumeKindFromDriveType(7)));
}

}  // namespace
}  // namespace tarnwick
