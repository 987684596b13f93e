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

TEST(TextTest, SignedDecimal) {
  EXPECT_EQ(DecimalU16(0), u"0");
  EXPECT_EQ(DecimalU16(42), u"42");
  EXPECT_EQ(DecimalU16(-5), u"-5");
  EXPECT_EQ(DecimalU16(INT32_MIN), u"-2147483648");
  EXPECT_EQ(DecimalU16(static_cast<std::int32_t>(4294967295u)), u"-1");
}

}  // namespace
}  // namespace tarnwick
