// Conversions between the program's UTF-16 text and the narrow forms it meets:
// the 8-bit text of the host's camera files, the log and sync record bytes, and
// the UTF-8 of POSIX paths.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tarnwick {

// Each code unit up to U+00FF becomes the byte of the same value; others become '?'.
std::string NarrowLatin1(std::u16string_view text);

// Each byte becomes the code unit of the same value (ISO 8859-1).
std::u16string WidenLatin1(std::string_view text);

// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string Utf8FromUtf16(std::u16string_view text);

// UTF-8 to UTF-16; a malformed, overlong or surrogate sequence becomes U+FFFD.
std::u16string Utf16FromUtf8(std::string_view text);

// Appends one code point (below 0x110000) as UTF-8.
void AppendUtf8(std::string& out, std::uint32_t code_point);

// A 32-bit signed number in decimal, minus sign for negative values.
std::u16string DecimalU16(std::int32_t value);

}  // namespace tarnwick
