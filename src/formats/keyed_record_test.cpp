#include "formats/keyed_record.h"

#include <gtest/gtest.h>

#include "formats/camera_record.h"
#include "formats/material_record.h"

#include <cmath>
#include <limits>
#include <vector>

namespace tarnwick {
namespace {

// A small kind of its own, so that the reading rules are checked apart from the
// host's tables: a bracketed kind with every value form and one child kind.
struct Box {
  std::int32_t count = -5;
  std::int32_t countdown = -5;
  float width = 0.5f;
  std::array<float, 3> size{9.0f, 9.0f, 9.0f};
  std::u16string label = u"default";
  std::vector<std::u16string> items;
};

void AppendItem(Box& box, std::u16string_view body) { box.items.emplace_back(body); }

constexpr KeyedKind kBoxKind{u"Box", u"Box_", true};

constexpr KeyRow<Box> kBoxKeys[] = {
    {u"Version", KeyForm::Bracketed, UnusedValue{}},
    {u"Count", KeyForm::Bracketed, &Box::count},
    {u"Countdown", KeyForm::Bracketed, &Box::countdown},
    {u"Width", KeyForm::Bare, &Box::width},
    {u"Size", KeyForm::Bracketed, &Box::size},
    {u"Label", KeyForm::Bracketed, &Box::label},
    {u"Item", KeyForm::Bracketed, ChildObject<Box>{&AppendItem}},
};

Box ReadBox(std::u16string_view text) {
  Box box;
  ReadKeyedRecord<Box>(box, kBoxKind, kBoxKeys, text);
  return box;
}

TEST(KeyedRecordTest, IntegersFollowFormattedInputAndSaturate) {
  const std::int32_t max = std::numeric_limits<std::int32_t>::max();
  const std::int32_t min = std::numeric_limits<std::int32_t>::min();
  struct Case {
    std::u16string_view text;
    bool converted;
    std::int32_t value;
  };
  const Case cases[] = {
      {u"42]", true, 42},        {u" \t\r-7]", true, -7},   {u"+3", true, 3},
      {u"3.9", true, 3},         {u"0x10", true, 0},        {u"x", false, 11},
      {u"", false, 11},          {u"-", false, 11},         {u"- 4", false, 11},
      {u"[3]", false, 11},       {u"\uFF11", false, 11},    {u"2147483647", true, max},
      {u"-2147483648", true, min}, {u"2147483648", true, max},
      {u"99999999999999999999", true, max}, {u"-99999999999999999999", true, min},
  };
  for (const Case& c : cases) {
    std::int32_t value = 11;
    EXPECT_EQ(ScanInt32(c.text, value), c.converted) << std::string(c.text.begin(), c.text.end());
    EXPECT_EQ(value, c.value);
  }
}

TEST(KeyedRecordTest, FloatsStoreEachConversionAndStopAtTheFirstFailure) {
  std::array<float, 3> v{9, 9, 9};
  ScanFloats(u"1 2]", v);
  EXPECT_EQ(v, (std::array<float, 3>{1, 2, 9}));
  v = {9, 9, 9};
  ScanFloats(u"1.5 x 3", v);
  EXPECT_EQ(v, (std::array<float, 3>{1.5f, 9, 9}));
  v = {9, 9, 9};
  ScanFloats(u"\t-0.25\r\v 2e1 +3]\r", v);
  EXPECT_EQ(v, (std::array<float, 3>{-0.25f, 20, 3}));
  // A NUL inside the line ends the number text; a code unit above U+00FF is no digit.
  v = {9, 9, 9};
  ScanFloats(std::u16string_view(u"4 5\0 6", 6), v);
  EXPECT_EQ(v, (std::array<float, 3>{4, 5, 9}));
  v = {9, 9, 9};
  ScanFloats(u"7 \u0138 8", v);
  EXPECT_EQ(v, (std::array<float, 3>{7, 9, 9}));
}

// What is not finite is unreadable: the field keeps its default and a triple's
// scan stops there, as at any malformed number.
TEST(KeyedRecordTest, NonFiniteNumbersAreUnreadable) {
  for (const std::u16string_view text :
       {u"nan", u"NAN", u"-nan", u"nan(1)", u"inf", u"-inf", u"Infinity", u"1e39", u"-4e38"}) {
    float one = 0.5f;
    ScanFloats(text, std::span<float>(&one, 1));
    EXPECT_EQ(one, 0.5f) << std::string(text.begin(), text.end());
    std::array<float, 3> v{9, 9, 9};
    ScanFloats(u"1 " + std::u16string(text) + u" 3", v);
    EXPECT_EQ(v, (std::array<float, 3>{1, 9, 9}));
  }
  // The largest float and numbers that round to 0 are finite.
  std::array<float, 3> v{9, 9, 9};
  ScanFloats(u"3.4e38 1e-50 -0", v);
  EXPECT_EQ(v, (std::array<float, 3>{3.4e38f, 0, 0}));

  const Box box = ReadBox(u"Box_Start\nBox_Width nan\nBox_Size [1 inf 3]\n");
  EXPECT_EQ(box.width, 0.5f);
  EXPECT_EQ(box.size, (std::array<float, 3>{1, 9, 9}));
  CameraRecord camera;
  ReadCameraRecord(camera, u"Camera_Start\nCamera__fov [nan]\nCamera__from [inf 2 3]\n"
                           u"Camera__to [4 5 1e40]\nCamera__fNerClipp [-inf]\n");
  EXPECT_EQ(camera._fov, CameraRecord{}._fov);
  EXPECT_EQ(camera._from, CameraRecord{}._from);
  EXPECT_EQ(camera._to, (std::array<float, 3>{4, 5, 0}));
  EXPECT_EQ(camera._fNerClipp, CameraRecord{}._fNerClipp);
}

TEST(KeyedRecordTest, KeyTestIncludesTheSeparator) {
  EXPECT_EQ(MatchKeyLine(u"Box_Count [3]", u"Box_", u"Count", KeyForm::Bracketed), u"3]");
  EXPECT_FALSE(MatchKeyLine(u"Box_Count  [3]", u"Box_", u"Count", KeyForm::Bracketed));
  EXPECT_FALSE(MatchKeyLine(u"Box_Countdown [3]", u"Box_", u"Count", KeyForm::Bracketed));
  EXPECT_FALSE(MatchKeyLine(u"Box_Count 3", u"Box_", u"Count", KeyForm::Bracketed));
  EXPECT_EQ(MatchKeyLine(u"Count [3]", u"", u"Count", KeyForm::Bare), u"[3]");
  EXPECT_FALSE(MatchKeyLine(u"Count", u"", u"Count", KeyForm::Bare));
  EXPECT_EQ(StringValue(u"a]]"), u"a]");
  EXPECT_EQ(StringValue(u"ab]\r"), u"ab]\r");
}

TEST(KeyedRecordTest, ReadsKeysOnlyBetweenMarkerLines) {
  EXPECT_EQ(ReadBox(u"").count, -5);
  const Box box = ReadBox(
      u"Box_Count [1]\n"          // before the Start line
      u"Box_Start \nBox_Width 9\n"  // not a marker line
      u"Box_Start\r\nBox_Width 8\n"
      u"Box_Start\nBox_Version [3]\nBox_Count [2]\nBox_Width 2.5\nBox_Width [7]\n"
      u"Box_Countdown [4]\nBox_Size [1 2]\nBox_Label [ a b ]\n"
      u"Box_End\nBox_Count [3]\nBox_Label [outside]\n"  // after the End line
      u"Box_Start\nBox_Count [4\r\nBox_Size [x]\nBox_Count  [5]\nBox_End");
  EXPECT_EQ(box.count, 4);
  EXPECT_EQ(box.countdown, 4);
  EXPECT_EQ(box.width, 2.5f);
  EXPECT_EQ(box.size, (std::array<float, 3>{1, 2, 9}));
  EXPECT_EQ(box.label, u" a b ");
  EXPECT_TRUE(box.items.empty());
}

TEST(KeyedRecordTest, ChildBodiesCountTheirDepth) {
  const Box box = ReadBox(
      u"Box_Start\n"
      u"Box_Item_ObjectSTART\nA\nBox_Item_ObjectSTART more\nBox_Count [1]\nBox_Item_ObjectEND\n"
      u"Box_End\nBox_Item_ObjectEND tail\n"
      u"Box_Count [2]\n"
      u"Box_Item_ObjectSTART\nBox_Item_ObjectEND\n"
      u"Box_Item_ObjectEND\n"  // a closing line alone is passed over
      u"Box_Label [x]\nBox_Item_ObjectSTART\nB\nBox_Count [3]\n");
  ASSERT_EQ(box.items.size(), 2u);
  EXPECT_EQ(box.items[0],
            u"A\nBox_Item_ObjectSTART more\nBox_Count [1]\nBox_Item_ObjectEND\nBox_End\n");
  EXPECT_EQ(box.items[1], u"");
  // The body's lines are not the parent's, and the open child at the end is dropped
  // together with the lines after its opening.
  EXPECT_EQ(box.count, 2);
  EXPECT_EQ(box.label, u"x");
}

std::u16string Repeat(std::u16string_view piece, std::size_t count) {
  std::u16string text;
  text.reserve(piece.size() * count);
  for (std::size_t i = 0; i < count; ++i) text += piece;
  return text;
}

// Large and deeply nested texts must be read in about linear time and without
// recursion per nesting level; ctest's time limit is the judge.
TEST(KeyedRecordTest, LargeInputsEndPromptly) {
  const std::u16string_view block =
      u"Box_Size [1 2 3]\nBox_Label [abc]\nBox_Item_ObjectSTART\nBox_Count [1]\n"
      u"Box_Item_ObjectEND\nignored line\n";
  const std::size_t blocks = (10u << 20) / block.size();
  Box big = ReadBox(u"Box_Start\n" + Repeat(block, blocks));
  EXPECT_EQ(big.items.size(), blocks);
  EXPECT_EQ(big.size, (std::array<float, 3>{1, 2, 3}));

  const std::u16string digits(1u << 20, u'7');
  Box long_lines = ReadBox(u"Box_Start\nBox_Count [" + digits + u"]\nBox_Size [0." + digits +
                           u" " + digits + u"\nBox_Label [" + digits + u"]\n" + digits);
  EXPECT_EQ(long_lines.count, std::numeric_limits<std::int32_t>::max());
  EXPECT_FLOAT_EQ(long_lines.size[0], 0.7777778f);
  EXPECT_EQ(long_lines.size[1], 9.0f);  // a million digits overflow: unreadable
  EXPECT_EQ(long_lines.label, digits);

  const std::size_t depth = 10000;
  Box open_only = ReadBox(u"Box_Start\n" + Repeat(u"Box_Item_ObjectSTART\n", depth));
  EXPECT_TRUE(open_only.items.empty());
  Box closed = ReadBox(u"Box_Start\n" + Repeat(u"Box_Item_ObjectSTART\n", depth) +
                       Repeat(u"Box_Item_ObjectEND\n", depth));
  EXPECT_EQ(closed.items.size(), 1u);

  CameraList views;
  ReadCamerasRecord(views, u"Cameras_Start\n" + Repeat(u"Cameras_Camera_ObjectSTART\n", depth) +
                               Repeat(u"Cameras_Camera_ObjectEND\n", depth));
  EXPECT_EQ(views.cameras.size(), 1u);
  MaterialRecord material;
  ReadMaterialRecord(material, Repeat(u"MatExt_ObjectSTART\n", depth) +
                                   Repeat(u"MatExt_ObjectEND\n", depth) +
                                   Repeat(u"MatExt_ObjectSTART\nMatExt_ObjectEND\n", depth));
  EXPECT_EQ(material.MatExt.size(), depth + 1);
}

}  // namespace
}  // namespace tarnwick
