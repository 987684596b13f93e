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

// The same written at `out` (at most 11 characters), two digits at a time: names and lines
// are made of it for every solid. Returns the end of what was written.
template <class Char>
Char* WriteDecimal(Char* out, std::int32_t value) {
  static constexpr char kPairs[] =
      "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
      "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
      "8081828384858687888990919293949596979899";
  // The magnitude as an unsigned number: -2^31 has none as a signed one.
  std::uint32_t magnitude = static_cast<std::uint32_t>(value);
  if (value < 0) {
    *out++ = Char('-');
    magnitude = 0u - magnitude;
  }
  // The digits are written from the back, in place: their number is known first, so no
  // copy of a varying length is made (a call of its own, for a handful of characters).
  int count = 1;
  for (std::uint32_t below = 10; count < 10 && magnitude >= below; below *= 10) ++count;
  Char* const end = out + count;
  Char* at = end;
  while (magnitude >= 100) {
    const std::uint32_t pair = 2 * (magnitude % 100);
    magnitude /= 100;
    *--at = Char(kPairs[pair + 1]);
    *--at = Char(kPairs[pair]);
  }
  if (magnitude >= 10) {
    *--at = Char(kPairs[2 * magnitude + 1]);
    *--at = Char(kPairs[2 * magnitude]);
  } else {
    *--at = Char('0' + magnitude);
  }
  return end;
}

}  // namespace tarnwick
