// The extended-length form of a Windows path: the C runtime's and Win32's file
// calls refuse paths of 260 characters or more unless they carry the "\\?\"
// prefix. A pure rule, so that it is tested on every platform.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tarnwick {

// Length from which a path is given the extended-length prefix.
inline constexpr std::size_t kLongPathLength = 260;

// Separators made "\" and "\\?\" (or "\\?\UNC\" for "\\server\share") put in front, for
// an absolute path of kLongPathLength characters or more; any other path comes back as given.
std::u16string ExtendedLengthPath(std::u16string_view path);

}  // namespace tarnwick
