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

// Windows resolves "." and ".." and merges doubled separators in a path without the prefix,
// and in none with it: a long path is made normal before the prefix goes in front.
TEST(LongPathTest, NormalisedAsWindowsDoesWithoutThePrefix) {
  const struct {
    std::u16string_view given;
    std::u16string_view normal;
  } cases[] = {
      {u"C:\\Users\\u\\x\\..\\AppData\\Roaming", u"C:\\Users\\u\\AppData\\Roaming"},
      {u"C:\\Users\\\\u\\.\\AppData\\\\\\Data\\", u"C:\\Users\\u\\AppData\\Data\\"},
      {u"C:\\a\\b\\..\\..\\..\\c", u"C:\\c"},
      {u"c:\\a\\..", u"c:\\"},
      {u"C:\\..\\", u"C:\\"},
      {u"C:\\a.b\\...\\.c", u"C:\\a.b\\...\\.c"},
      {u"\\\\server\\share\\x\\..\\..\\Data", u"\\\\server\\share\\Data"},
      {u"\\\\server\\share\\\\Data\\.", u"\\\\server\\share\\Data"},
      {u"\\\\server\\share", u"\\\\server\\share"},
      {u"Data\\..\\x", u"Data\\..\\x"},
      {u"\\Data\\..\\x", u"\\Data\\..\\x"},
  };
  for (const auto& [given, normal] : cases) {
    EXPECT_EQ(NormalisedPath(given), normal) << std::string(given.begin(), given.end());
  }
}

TEST(LongPathTest, LongPathsAreMadeNormalBeforeThePrefix) {
  const std::u16string tail = PathOfLength(u"", kLongPathLength);
  EXPECT_EQ(ExtendedLengthPath(u"C:\\Users\\u\\x\\..\\\\" + tail),
            u"\\\\?\\C:\\Users\\u\\" + tail);
  EXPECT_EQ(ExtendedLengthPath(u"C:/Users/u/./Data//" + tail), u"\\\\?\\C:\\Users\\u\\Data\\" + tail);
  EXPECT_EQ(ExtendedLengthPath(u"\\\\server\\share\\x\\..\\..\\" + tail),
            u"\\\\?\\UNC\\server\\share\\" + tail);
  // Short paths are Windows' own to make normal; prefixed ones are taken as they stand.
  EXPECT_EQ(ExtendedLengthPath(u"C:\\x\\..\\y"), u"C:\\x\\..\\y");
  const std::u16string prefixed = u"\\\\?\\C:\\x\\..\\" + tail;
  EXPECT_EQ(ExtendedLengthPath(prefixed), prefixed);
  // On Windows the system makes the path normal; whatever it gives is what gets the prefix.
  const auto other_drive = [](std::u16string_view path) {
    return u"D:\\" + std::u16string(path.substr(3));
  };
  EXPECT_EQ(ExtendedLengthPath(u"C:\\" + tail, +other_drive), u"\\\\?\\D:\\" + tail);
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
