#include "container_writer/container_writer.h"

#include <gtest/gtest.h>

#include <cstring>

#include "container_writer/golden_model.h"
#include "testlib/temp_exchange.h"

namespace tarnwick::container_writer {
namespace {

std::uint32_t U32At(const std::string& bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

ModelBody GoldenBody() {
  ModelBody body;
  body.materials.push_back(Widen(testing::kGoldenMaterial));
  body.lights.push_back(Widen(testing::kGoldenLight));
  Part part;
  part.name = u"A";
  part.positions = {0, 0, 0, 1, 0, 0, 0, 1, 0};
  part.indices = {0, 1, 2};
  body.solids.push_back(Solid{7, 3, u"", {part}, false});
  body.cameras = Widen(testing::kGoldenCameras);
  return body;
}

TEST(ContainerWriterTest, WritesTheHandMadeModelFile) {
  const std::string built = BuildContainer(ModelFile(u"C:\\P.pro", GoldenBody()));
  const std::string golden = testing::GoldenModelFile();
  ASSERT_EQ(built.size(), golden.size());
  for (std::size_t i = 0; i < golden.size(); ++i) {
    ASSERT_EQ(built[i], golden[i]) << "first difference at byte " << i;
  }
}

TEST(ContainerWriterTest, FileAndMemoryGiveTheSameBytes) {
  ModelBody body = GoldenBody();
  body.generated_solids = 3;
  body.generate_solid = [](std::size_t i, Solid& solid) {
    solid.id = static_cast<std::uint32_t>(100 + i);
    solid.parts.resize(2);
    solid.parts[1].positions.assign(3 * (i + 1), 0.5f);
  };
  const Container container = ModelFile(u"C:\\P.pro", body);
  testing::TempDir dir;
  const std::string path = dir.path() + "/model.cvm";
  ASSERT_TRUE(WriteContainerFile(container, path));
  EXPECT_EQ(testing::ReadNativeFile(path), BuildContainer(container));
}

TEST(ContainerWriterTest, IncrementalFileLaysOutRemovalsThenBody) {
  RemovalSection removals{{{u"Solid", {10, 99}}, {u"Material", {2}}}};
  const std::string bytes = BuildContainer(IncrementalFile(u"C:\\P.pro", removals, ModelBody{}));
  EXPECT_EQ(U32At(bytes, 1040), 1u);                // last slot index
  EXPECT_EQ(U32At(bytes, 1044 + 2056), 4u);         // slot 0 kind
  EXPECT_EQ(U32At(bytes, 1044 + 2060), 208644u);    // slot 0 offset
  EXPECT_EQ(U32At(bytes, 1044 + 2076 + 2056), 2u);  // slot 1 kind
  const std::size_t b = 208644;
  EXPECT_EQ(U32At(bytes, b), 4u);  // two pairs of words
  EXPECT_EQ(U32At(bytes, b + 4), 20u);
  EXPECT_EQ(U32At(bytes, b + 20), 5u);  // "Solid"
  EXPECT_EQ(U32At(bytes, b + 34), 2u);
  EXPECT_EQ(U32At(bytes, b + 38), 10u);
  EXPECT_EQ(U32At(bytes, b + 42), 99u);
  EXPECT_EQ(U32At(bytes, b + 12), 46u);  // "Material" follows
  EXPECT_EQ(U32At(bytes, b + 66), 1u);
  EXPECT_EQ(U32At(bytes, b + 70), 2u);
  // The body right after the removals.
  EXPECT_EQ(U32At(bytes, 1044 + 2076 + 2060), b + 74);
  EXPECT_EQ(bytes.size(), b + 74 + 20);
}

TEST(ContainerWriterTest, EmptyEntriesAndOverridesAreWrittenAsAsked) {
  ModelBody body;
  Part part;
  part.name = u"p";
  Part skipped;
  skipped.empty_entry = true;
  Solid empty;
  empty.empty_entry = true;
  body.solids = {empty, Solid{1, 0, u"", {skipped, part}, false}};
  Container container = ModelFile(u"x", body);
  container.last_slot_index = -1;
  container.slots[0].kind = 3;
  container.format_version = 6;
  const std::string bytes = BuildContainer(container);
  EXPECT_EQ(U32At(bytes, 0), 6u);
  EXPECT_EQ(U32At(bytes, 1040), 0xFFFFFFFFu);
  EXPECT_EQ(U32At(bytes, 1044 + 2056), 3u);
  const std::size_t b = 208644;
  EXPECT_EQ(U32At(bytes, b + 8), 136u);  // S2: the 20 words, table, solid, part, padding
  EXPECT_EQ(U32At(bytes, b + 20), 2u);
  EXPECT_EQ(U32At(bytes, b + 24), 0u);
  EXPECT_EQ(U32At(bytes, b + 28), 32u);
  EXPECT_EQ(U32At(bytes, b + 32 + 4 + 29), 2u);  // part count
  EXPECT_EQ(U32At(bytes, b + 32 + 4 + 29 + 4), 0u);
}

}  // namespace
}  // namespace tarnwick::container_writer
