// The extended-length form of a Windows path: the C runtime's and Win32's file
// calls refuse paths of 260 characters or more unless they carry the "\\?\"
// prefix, and under that prefix Windows takes the path as it stands: no "." or
// ".." is resolved and no doubled separator merged. So a long path is made
// normal first (on Windows by GetFullPathNameW; the portable rule below does
// the same for the parts of a path that the exchange folder can hold). Pure
// rules, so that they are tested on every platform.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tarnwick {

// Length from which a path is given the extended-length prefix.
inline constexpr std::size_t kLongPathLength = 260;

// Makes an absolute path normal, as Windows does to a path without the prefix.
using PathNormaliser = std::u16string (*)(std::u16string_view path);

// An absolute path ("C:\..." or "\\server\share...", separators "\") made normal: empty and
// "." components dropped, ".." taking away the component before it but never the root
// ("C:\" or "\\server\share"); a final separator stays. Other paths come back as given.
std::u16string NormalisedPath(std::u16string_view path);

// Separators made "\", the path made normal, and "\\?\" (or "\\?\UNC\" for "\\server\share")
// put in front, for an absolute path of kLongPathLength characters or more; any other path
// comes back as given.
std::u16string ExtendedLengthPath(std::u16string_view path,
                                  PathNormaliser normalise = &NormalisedPath);

}  // namespace tarnwick
