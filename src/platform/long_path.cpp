#include "platform/long_path.h"

#include <algorithm>

namespace tarnwick {

namespace {

constexpr std::u16string_view kLocalPrefix = u"\\\\?\\";
constexpr std::u16string_view kUncPrefix = u"\\\\?\\UNC\\";
constexpr std::u16string_view kUncStart = u"\\\\";
// "\\?\" and "\\.\" paths already name the object directly: they are left alone.
constexpr std::u16string_view kDeviceStarts[] = {u"\\\\?\\", u"\\\\.\\"};

bool IsDriveLetter(char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); }

// "C:\..." is absolute; "C:name" is relative to the drive's current folder.
bool IsDriveAbsolute(std::u16string_view path) {
  return path.size() >= 3 && IsDriveLetter(path[0]) && path[1] == u':' && path[2] == u'\\';
}

// "\\server\share...": a third character that is a separator would make it something else.
bool IsUnc(std::u16string_view path) {
  return path.starts_with(kUncStart) && path.size() > 2 && path[2] != u'\\';
}

}  // namespace

std::u16string ExtendedLengthPath(std::u16string_view path) {
  if (path.size() < kLongPathLength) return std::u16string(path);
  std::u16string normal(path);
  std::replace(normal.begin(), normal.end(), u'/', u'\\');
  for (const std::u16string_view start : kDeviceStarts) {
    if (normal.starts_with(start)) return std::u16string(path);
  }
  if (IsDriveAbsolute(normal)) return std::u16string(kLocalPrefix) + normal;
  if (IsUnc(normal)) return std::u16string(kUncPrefix) + normal.substr(kUncStart.size());
  return std::u16string(path);
}

}  // namespace tarnwick
