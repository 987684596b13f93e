#include "renderer/geometry_stream.h"
#include "renderer/renderer_export.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>

#include "container_writer/container_writer.h"
#include "exchange/exchange_folder.h"
#include "formats/container_reader.h"
#include "formats/container_stream.h"
#include "standin/journal_line.h"
#include "standin/standin.h"
#include "testlib/json.h"
#include "testlib/temp_exchange.h"

namespace tarnwick {
namespace {

namespace cw = container_writer;
using testing::Json;

cw::Part MakePart(std::u16string name, std::size_t floats, std::vector<std::uint32_t> indices = {}) {
  cw::Part part;
  part.name = std::move(name);
  for (std::size_t i = 0; i < floats; ++i) part.positions.push_back(static_cast<float>(i) * 0.5f);
  part.indices = std::move(indices);
  return part;
}

class GeometryStreamTest : public ::testing::Test {
 protected:
  void SetUp() override {
    standin::Configure({});
    document_.Session.handle = 1;
    document_.ContainerPath = MakeExchangeFilePath(u"_model.cvm");
  }
  // The node and triangle calls of a body holding the solids.
  std::vector<Json> Stream(std::vector<cw::Solid> solids, bool align = true) {
    cw::ModelBody body;
    body.solids = std::move(solids);
    cw::Container container = cw::ModelFile(u"P", body);
    container.align_arrays = align;
    folder_.Write("_model.cvm", cw::BuildContainer(container));
    standin::ResetJournal();
    StreamSlotToRenderer(document_, 0, document_, ExportSettings{});
    return testing::JournalCalls();
  }
  // The container reader's state and the renderer's, as the exchange document holds them.
  struct Document : ContainerState, RendererState {};
  testing::TempExchangeFolder folder_;
  Document document_;
};

TEST_F(GeometryStreamTest, PartsWithoutIndexListGetVerticesInOrder) {
  const std::vector<Json> calls = Stream({cw::Solid{
      7, 1, u"", {MakePart(u"nine", 9), MakePart(u"ten", 10), MakePart(u"none", 0)}, false}});
  ASSERT_EQ(calls.size(), 5u);
  const std::uint32_t sequence[3] = {0, 1, 2};
  const std::vector<float> ten = MakePart(u"", 10).positions;
  EXPECT_EQ(calls[1]["first_count"].number, 3);
  EXPECT_EQ(calls[1]["index_count"].number, 3);
  EXPECT_EQ(calls[1]["indices"].string, standin::Fnv1a64Hex(sequence, sizeof sequence));
  EXPECT_EQ(calls[1]["positions"].string, standin::Fnv1a64Hex(ten.data(), 36));
  EXPECT_EQ(calls[2]["part"].string, "ten");
  EXPECT_EQ(calls[2]["first_count"].number, 3);
  EXPECT_EQ(calls[2]["index_count"].number, 3);
  EXPECT_EQ(calls[3]["index_count"].number, 0);
  EXPECT_EQ(calls[3]["indices"].type, Json::Type::Null);
  EXPECT_EQ(calls[3]["positions"].type, Json::Type::Null);
  EXPECT_EQ(calls[4]["fn"].string, "D5API_EndNode");
}

TEST_F(GeometryStreamTest, IndexedPartsPassTheirArraysThrough) {
  cw::Part part = MakePart(u"idx", 9, {0, 1, 2, 2, 1, 0});
  part.attributes1 = {11, 12};
  part.attributes2 = {21};
  part.unused = {99, 98};
  for (bool align : {true, false}) {
    const std::vector<Json> calls = Stream({cw::Solid{1, 0, u"", {part}, false}}, align);
    ASSERT_EQ(calls.size(), 3u);
    const Json& mesh = calls[1];
    EXPECT_EQ(mesh["first_count"].number, 3);
    EXPECT_EQ(mesh["index_count"].number, 6);
    EXPECT_EQ(mesh["indices"].string, standin::Fnv1a64Hex(part.indices.data(), 24)) << align;
    EXPECT_EQ(mesh["positions"].string, standin::Fnv1a64Hex(part.positions.data(), 36)) << align;
    EXPECT_TRUE(mesh["attr1"].boolean);
    EXPECT_TRUE(mesh["attr2"].boolean);
  }
}

TEST_F(GeometryStreamTest, NodeNamesAreSignedAndSolidsSortUnsigned) {
  const std::vector<Json> calls = Stream({cw::Solid{4294967295u, 1, u"", {}, false},
                                          cw::Solid{2147483648u, 2, u"", {}, false},
                                          cw::Solid{7, 3, u"", {}, false}});
  ASSERT_EQ(calls.size(), 6u);
  EXPECT_EQ(calls[0]["name"].string, "Solid_-1");
  EXPECT_EQ(calls[2]["name"].string, "Solid_-2147483648");
  EXPECT_EQ(calls[4]["name"].string, "Solid_7");
  EXPECT_EQ(calls[0]["flag"].number, 1);
  ASSERT_EQ(calls[0]["matrix"].array.size(), 16u);
  EXPECT_EQ(calls[0]["matrix"].array[5].number, 1.0);
  EXPECT_EQ(calls[0]["matrix"].array[1].number, 0.0);
  std::vector<std::uint32_t> keys;
  for (const SyncSolidLine& solid : document_.Solids.InOrder()) keys.push_back(solid.id);
  EXPECT_EQ(keys, (std::vector<std::uint32_t>{7, 2147483648u, 4294967295u}));
}

// A name counted up from the one before is the name formed anew, whatever the carries and
// whatever the step, signs and sizes included.
TEST(SolidNodeNameTest, CountingUpGivesTheNameFormedAnew) {
  const std::uint32_t steps[][2] = {{0, 1},        {9, 10},         {99, 100},   {8, 17},
                                    {95, 104},     {999, 1000},     {5, 3},      {7, 7},
                                    {1, 11},       {12, 1000005},   {999990, 1000000},
                                    {35, 95},      {10, 2147483647u}, {2147483646u, 2147483647u},
                                    {2147483647u, 2147483648u},     {4294967294u, 4294967295u},
                                    {4294967295u, 0}};
  for (const auto& [from, to] : steps) {
    SolidNodeName name(from);
    name.Become(to);
    EXPECT_EQ(name.view(), SolidNodeName(to).view()) << from << " to " << to;
    EXPECT_EQ(name.c_str()[name.view().size()], u'\0');
  }
  EXPECT_EQ(SolidNodeName(4294967295u).view(), u"Solid_-1");
  EXPECT_EQ(SolidNodeName(2147483648u).view(), u"Solid_-2147483648");
  EXPECT_EQ(SolidNodeName(0).view(), u"Solid_0");
  SolidNodeName counted(0);
  for (std::uint32_t id = 1; id <= 12345; ++id) counted.Become(id);
  EXPECT_EQ(counted.view(), u"Solid_12345");
}

TEST_F(GeometryStreamTest, SameIdTwiceKeepsOneEntryWithTheLaterStamp) {
  const std::vector<Json> calls = Stream(
      {cw::Solid{5, 100, u"", {MakePart(u"a", 3)}, false}, cw::Solid{5, 200, u"", {}, false}});
  EXPECT_EQ(testing::JournalFunctions(),
            (std::vector<std::string>{"D5API_BeginNode", "D5API_AddIndexedTriangle",
                                      "D5API_EndNode", "D5API_BeginNode", "D5API_EndNode"}));
  EXPECT_EQ(calls[3]["name"].string, "Solid_5");
  ASSERT_EQ(document_.Solids.size(), 1u);
  EXPECT_EQ(document_.Solids.Find(5)->time_stamp, 200u);
}

TEST_F(GeometryStreamTest, IndexBeyondTheVerticesIsNotSent) {
  const std::vector<Json> calls = Stream({cw::Solid{
      3, 0, u"", {MakePart(u"bad", 10, {0, 1, 3}), MakePart(u"good", 9, {0, 1, 2})}, false}});
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[1]["part"].string, "good");
  EXPECT_EQ(calls[2]["fn"].string, "D5API_EndNode");
  EXPECT_NE(document_.Solids.Find(3), nullptr);
}

TEST_F(GeometryStreamTest, PartLargerThanTheWindowIsReadWhole) {
  const std::size_t floats = ContainerStream::kWindowBytes / 4 + 3000;  // more than a window
  cw::Part big = MakePart(u"big", floats);
  const std::vector<Json> calls =
      Stream({cw::Solid{1, 0, u"", {MakePart(u"small", 3), big, MakePart(u"after", 6)}, false}});
  ASSERT_EQ(calls.size(), 5u);
  EXPECT_EQ(calls[2]["first_count"].number, floats / 3);
  EXPECT_EQ(calls[2]["positions"].string, standin::Fnv1a64Hex(big.positions.data(), floats / 3 * 12));
  EXPECT_EQ(calls[3]["part"].string, "after");
  EXPECT_EQ(calls[3]["positions"].string, standin::Fnv1a64Hex(MakePart(u"", 6).positions.data(), 24));
}

// One part sent on its own, with positions of up to five vertices and no attributes.
class SendPartTrianglesTest : public ::testing::Test {
 protected:
  void SetUp() override { standin::Configure({}); }
  PartGeometry Part(std::uint32_t floats) const {
    PartGeometry part;
    part.position_count = floats;
    part.positions = positions_.data();
    return part;
  }
  std::vector<std::uint32_t> sequence_;
  std::array<float, 15> positions_{};
};

TEST_F(SendPartTrianglesTest, ReusesAndExtendsTheSequence) {
  SendPartTriangles(1, u"a", Part(12), sequence_);
  SendPartTriangles(1, u"b", Part(6), sequence_);
  EXPECT_EQ(sequence_, (std::vector<std::uint32_t>{0, 1, 2, 3}));
  const std::uint32_t two[2] = {0, 1};
  const std::vector<Json> calls = testing::JournalCalls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[1]["indices"].string, standin::Fnv1a64Hex(two, sizeof two));
  EXPECT_EQ(calls[1]["attr1"].boolean, false);
}

// The reader's finding decides: a part whose indices run past its vertices is kept back, and
// so is one with more indices than the renderer's signed count can give (the list is never
// looked at: here it is three words long).
TEST_F(SendPartTrianglesTest, APartWhoseIndicesAreOutOfRangeOrTooManyIsKeptBack) {
  PartGeometry part = Part(15);
  const std::uint32_t indices[3] = {0, 1, 2};
  part.index_count = 3;
  part.indices = indices;
  SendPartTriangles(1, u"p", part, sequence_);
  part.indices_in_range = false;
  SendPartTriangles(1, u"q", part, sequence_);
  part.indices_in_range = true;
  part.index_count = 0x80000000u;
  SendPartTriangles(1, u"r", part, sequence_);
  const std::vector<Json> calls = testing::JournalCalls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0]["part"].string, "p");
}

}  // namespace
}  // namespace tarnwick
