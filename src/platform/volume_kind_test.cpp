#include "platform/volume_kind.h"

#include <gtest/gtest.h>

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

TEST(VolumeKind, DriveTypeNumbersBeyondTheKnownOnesAreUnknown) {
  EXPECT_EQ(VolumeKindFromDriveType(3), VolumeKind::kFixed);
  EXPECT_EQ(VolumeKindFromDriveType(4), VolumeKind::kRemote);
  EXPECT_EQ(VolumeKindFromDriveType(2), VolumeKind::kRemovable);
  EXPECT_EQ(VolumeKindFromDriveType(0), VolumeKind::kUnknown);
  EXPECT_EQ(VolumeKindFromDriveType(7), VolumeKind::kUnknown);
  EXPECT_EQ(VolumeKindFromDriveType(0xFFFFFFFFu), VolumeKind::kUnknown);
  EXPECT_FALSE(MayMapVolume(VolumeKindFromDriveType(7)));
}

}  // namespace
}  // namespace tarnwick
