#include "platform/text.h"

#include <gtest/gtest.h>

namespace tarnwick {
namespace {

TEST(TextTest, Latin1BothWaysAndQuestionMarkAboveFF) {
  EXPECT_EQ(NarrowLatin1(u"ab\u00e9\u0100\u20ac"), std::string("ab\xe9??"));
  EXPECT_EQ(WidenLatin1("a\xe9\xff"), std::u16string(u"a\u00e9\u00ff"));
  EXPECT_EQ(NarrowLatin1(std::u16string(u"a\0b", 3)), std::string("a\0b", 3));
}

TEST(TextTest, Utf8RoundTripAndBadInput) {
  const std::u16string text = u"Oak \u00e9\u20ac\U0001F600";
  EXPECT_EQ(Utf16FromUtf8(Utf8FromUtf16(text)), text);
  EXPECT_EQ(Utf8FromUtf16(std::u16string(1, char16_t(0xD800))), "\xef\xbf\xbd");
  EXPECT_EQ(Utf16FromUtf8("a\xff"), std::u16string(u"a\ufffd"));
  EXPECT_EQ(Utf16FromUtf8("\xe2\x82"), std::u16string(u"\ufffd\ufffd"));
}

// Each sequence decodes to one code point in its shortest form only: an
// overlong form could pass a "/" or a NUL past a check of the bytes.
TEST(TextTest, Utf8RejectsOverlongSurrogateAndOutOfRangeSequences) {
  EXPECT_EQ(Utf16FromUtf8("\xc0\xaf"), std::u16string(u"\ufffd\ufffd"));
  EXPECT_EQ(Utf16FromUtf8("\xc1\xbf"), std::u16string(u"\ufffd\ufffd"));
  EXPECT_EQ(Utf16FromUtf8("a\xc0\x80" "b"), std::u16string(u"a\ufffd\ufffdb"));
  EXPECT_EQ(Utf16FromUtf8("\xe0\x80\xaf"), std::u16string(u"\ufffd\ufffd\ufffd"));
  EXPECT_EQ(Utf16FromUtf8("\xe0\x9f\xbf"), std::u16string(u"\ufffd\ufffd\ufffd"));
  EXPECT_EQ(Utf16FromUtf8("\xf0\x80\x80\xaf"), std::u16string(4, u'\ufffd'));
  EXPECT_EQ(Utf16FromUtf8("\xf0\x8f\xbf\xbf"), std::u16string(4, u'\ufffd'));
  EXPECT_EQ(Utf16FromUtf8("\xed\xa0\x80"), std::u16string(3, u'\ufffd'));  // U+D800
  EXPECT_EQ(Utf16FromUtf8("\xed\xbf\xbf"), std::u16string(3, u'\ufffd'));  // U+DFFF
  EXPECT_EQ(Utf16FromUtf8("\xf4\x90\x80\x80"), std::u16string(4, u'\ufffd'));  // U+110000
  EXPECT_EQ(Utf16FromUtf8("\xf7\xbf\xbf\xbf"), std::u16string(4, u'\ufffd'));
  // The smallest and largest value of each length still decode.
  EXPECT_EQ(Utf16FromUtf8("\xc2\x80\xdf\xbf"), std::u16string(u"\u0080\u07ff"));
  EXPECT_EQ(Utf16FromUtf8("\xe0\xa0\x80\xed\x9f\xbf\xee\x80\x80\xef\xbf\xbf"),
            std::u16string(u"\u0800\ud7ff\ue000\uffff"));
  EXPECT_EQ(Utf16FromUtf8("\xf0\x90\x80\x80\xf4\x8f\xbf\xbf"),
            std::u16string(u"\U00010000\U0010FFFF"));
}

TEST(TextTest, SignedDecimal) {
  EXPECT_EQ(DecimalU16(0), u"0");
  EXPECT_EQ(DecimalU16(42), u"42");
  EXPECT_EQ(DecimalU16(-5), u"-5");
  EXPECT_EQ(DecimalU16(INT32_MIN), u"-2147483648");
  EXPECT_EQ(DecimalU16(static_cast<std::int32_t>(4294967295u)), u"-1");
  // Every length, at both of its ends: the number of digits is counted before they are written.
  std::int32_t power = 1;
  for (int digits = 1; digits <= 10; ++digits) {
    for (const std::int32_t value : {power, digits < 10 ? power * 10 - 1 : INT32_MAX}) {
      for (const std::int32_t signed_value : {value, -value}) {
        char written[13] = "############";
        const char* end = WriteDecimal(written, signed_value);
        EXPECT_EQ(std::string(static_cast<const char*>(written), end), std::to_string(signed_value));
        EXPECT_EQ(*end, '#') << "nothing written after the digits";
      }
    }
    if (digits < 10) power *= 10;
  }
}

}  // namespace
}  // namespace tarnwick
