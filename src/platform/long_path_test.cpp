#include "platform/long_path.h"

#include <gtest/gtest.h>

namespace tarnwick {
namespace {

// A path of exactly `length` characters: the start, then "a" to fill it up.
std::u16string PathOfLength(std::u16string start, std::size_t length) {
  start.resize(length, u'a');
  return start;
}

TEST(LongPathTest, AbsolutePathsFromTheLimitGetThePrefix) {
  const std::u16string at_limit = PathOfLength(u"C:\\Users\\", kLongPathLength);
  EXPECT_EQ(ExtendedLengthPath(at_limit), u"\\\\?\\" + at_limit);
  const std::u16string below = PathOfLength(u"C:\\Users\\", kLongPathLength - 1);
  EXPECT_EQ(ExtendedLengthPath(below), below);
  const std::u16string lower_drive = PathOfLength(u"d:\\x\\", 300);
  EXPECT_EQ(ExtendedLengthPath(lower_drive), u"\\\\?\\" + lower_drive);
}

TEST(LongPathTest, SeparatorsAreNormalisedOnlyForLongPaths) {
  const std::u16string mixed = PathOfLength(u"C:/Users/u\\Data/", 270);
  std::u16string expected = mixed;
  for (char16_t& c : expected) {
    if (c == u'/') c = u'\\';
  }
  EXPECT_EQ(ExtendedLengthPath(mixed), u"\\\\?\\" + expected);
  EXPECT_EQ(ExtendedLengthPath(u"C:/Users/u/D5_Log.log"), u"C:/Users/u/D5_Log.log");
  const std::u16string forward_unc = PathOfLength(u"//server/share/", 280);
  EXPECT_EQ(ExtendedLengthPath(forward_unc),
            u"\\\\?\\UNC\\server\\share\\" + forward_unc.substr(15));
}

TEST(LongPathTest, NetworkPathsGetTheUncPrefix) {
  const std::u16string unc = PathOfLength(u"\\\\server\\share\\Roaming\\", 400);
  EXPECT_EQ(ExtendedLengthPath(unc), u"\\\\?\\UNC\\" + unc.substr(2));
  const std::u16string short_unc = u"\\\\server\\share\\D5_Log.log";
  EXPECT_EQ(ExtendedLengthPath(short_unc), short_unc);
}

TEST(LongPathTest, RelativeAndAlreadyPrefixedPathsAreLeftAlone) {
  for (const std::u16string& path :
       {PathOfLength(u"Data\\", 300), PathOfLength(u"C:Data\\", 300), PathOfLength(u"\\Data\\", 300),
        PathOfLength(u"\\\\?\\C:\\Data\\", 300), PathOfLength(u"\\\\?\\UNC\\s\\h\\", 300),
        PathOfLength(u"\\\\.\\C:\\Data\\", 300), PathOfLength(u"\\\\\\x\\", 300),
        std::u16string()}) {
    EXPECT_EQ(ExtendedLengthPath(path), path);
  }
}

}  // namespace
}  // namespace tarnwick
