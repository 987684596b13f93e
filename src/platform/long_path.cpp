#include "platform/long_path.h"

#include <algorithm>
#include <vector>

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

// The length of the root that ".." never leaves: "C:\" or "\\server\share" (0 for others).
std::size_t RootLength(std::u16string_view path) {
  if (IsDriveAbsolute(path)) return 3;
  if (!IsUnc(path)) return 0;
  const std::size_t server_end = path.find(u'\\', kUncStart.size());
  if (server_end == std::u16string_view::npos) return path.size();
  const std::size_t share_end = path.find(u'\\', server_end + 1);
  return share_end == std::u16string_view::npos ? path.size() : share_end;
}

}  // namespace

std::u16string NormalisedPath(std::u16string_view path) {
  const std::size_t root = RootLength(path);
  if (root == 0) return std::u16string(path);
  std::vector<std::u16string_view> kept;
  for (std::size_t at = root; at < path.size();) {
    std::size_t end = path.find(u'\\', at);
    if (end == std::u16string_view::npos) end = path.size();
    const std::u16string_view part = path.substr(at, end - at);
    if (part == u"..") {
      if (!kept.empty()) kept.pop_back();
    } else if (!part.empty() && part != u".") {
      kept.push_back(part);
    }
    at = end + 1;
  }
  std::u16string normal(path.substr(0, root));
  for (const std::u16string_view part : kept) {
    if (normal.back() != u'\\') normal += u'\\';
    normal += part;
  }
  if (path.size() > root && path.back() == u'\\' && normal.back() != u'\\') normal += u'\\';
  return normal;
}

std::u16string ExtendedLengthPath(std::u16string_view path, PathNormaliser normalise) {
  if (path.size() < kLongPathLength) return std::u16string(path);
  std::u16string normal(path);
  std::replace(normal.begin(), normal.end(), u'/', u'\\');
  for (const std::u16string_view start : kDeviceStarts) {
    if (normal.starts_with(start)) return std::u16string(path);
  }
  if (IsDriveAbsolute(normal)) return std::u16string(kLocalPrefix) + normalise(normal);
  if (IsUnc(normal)) {
    return std::u16string(kUncPrefix) + normalise(normal).substr(kUncStart.size());
  }
  return std::u16string(path);
}

}  // namespace tarnwick
