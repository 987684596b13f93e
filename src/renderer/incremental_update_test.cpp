#include "renderer/incremental_update.h"

#include <gtest/gtest.h>

#include "container_writer/container_writer.h"
#include "formats/container_reader.h"
#include "exchange/exchange_folder.h"
#include "standin/standin.h"
#include "testlib/journal_match.h"
#include "testlib/temp_exchange.h"

namespace tarnwick {
namespace {

namespace cw = container_writer;
using Keys = std::vector<std::string>;

const std::u16string kProject = u"C:\\Projects\\House.pro";

class IncrementalUpdateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    standin::Configure({});
    document_.Session.handle = 7;
    document_.Session.project_path = kProject;
    document_.SourceProject = kProject;
    document_.ContainerPath = MakeExchangeFilePath(u"_mod.sm");
  }

  void AddSolid(std::uint32_t id) {
    document_.Solids.BeginBody();
    document_.Solids.Record(id, 1);
    document_.Solids.EndBody(true);
  }

  void AddLight(std::int32_t id, bool enabled) {
    LightRecord& light = document_.Lights[static_cast<std::uint32_t>(id)];
    light.LightSolidID = id;
    light.LightEnable = enabled;
  }

  void AddMaterial(const std::u16string& name) {
    document_.Materials[name].MaterialID_Name = name;
  }

  void WriteUpdate(const std::u16string& project, cw::RemovalSection removals) {
    ASSERT_TRUE(cw::WriteContainerFile(
        cw::IncrementalFile(project, std::move(removals), cw::ModelBody{}),
        folder_.PathOf("_mod.sm")));
  }

  Keys Apply() {
    standin::ResetJournal();
    ApplyIncrementalFile(document_, document_);
    Keys keys;
    for (const testing::Json& call : testing::JournalCalls()) {
      std::string key = call["fn"].string;
      if (call.Has("name")) key += " " + call["name"].string;
      if (call.Has("path")) key += " " + call["path"].string;
      keys.push_back(key);
    }
    return keys;
  }

  testing::TempExchangeFolder folder_;
  // The container reader's state and the renderer's, as the exchange document holds them.
  struct Document : ContainerState, RendererState {};
  Document document_;
};

TEST_F(IncrementalUpdateTest, SameProjectRemovesListedSolidsAndWithdrawsEveryLight) {
  AddSolid(5);
  AddSolid(6);
  AddLight(1, true);
  AddLight(2, false);
  AddMaterial(u"Oak");
  // 9 was never streamed; 5 is listed twice.
  WriteUpdate(kProject, {{{u"Solid", {5, 9, 5}}, {u"Material", {3}}, {u"Solids", {6}}}});
  EXPECT_EQ(Apply(), (Keys{"D5API_DeleteNode Solid_5", "D5API_FlushData",
                           "D5API_RemoveLight Light1", "D5API_SendLights",
                           "D5API_RemoveLight Light2", "D5API_SendLights"}));
  EXPECT_EQ(document_.Solids.size(), 1u);
  EXPECT_TRUE(document_.Solids.Find(6));
  EXPECT_TRUE(document_.Lights.empty());
  EXPECT_EQ(document_.Materials.size(), 1u);
  EXPECT_EQ(document_.RemovedSolidIds, (std::vector<std::uint32_t>{5, 9, 5}));
  EXPECT_EQ(document_.RemovedMaterialIds, (std::vector<std::uint32_t>{3}));
  // Open, its header loaded, for the body that follows.
  EXPECT_NE(document_.ContainerFile, nullptr);
}

// An update whose last slot is 0 carries removals only: no body sends the lights again,
// so they stay; the removals apply as with a body.
TEST_F(IncrementalUpdateTest, AnUpdateWithoutABodyKeepsTheLights) {
  AddSolid(5);
  AddSolid(6);
  AddLight(1, true);
  AddLight(2, false);
  cw::Container removals_only =
      cw::IncrementalFile(kProject, {{{u"Solid", {5}}}}, cw::ModelBody{});
  removals_only.last_slot_index = 0;
  ASSERT_TRUE(cw::WriteContainerFile(removals_only, folder_.PathOf("_mod.sm")));
  EXPECT_EQ(Apply(), (Keys{"D5API_DeleteNode Solid_5", "D5API_FlushData"}));
  EXPECT_EQ(document_.Solids.size(), 1u);
  EXPECT_EQ(document_.Lights.size(), 2u);
  // Slot 1 used, but not by a body: the same.
  removals_only.last_slot_index.reset();
  removals_only.slots[1].kind = kRemovalSectionKind;
  ASSERT_TRUE(cw::WriteContainerFile(removals_only, folder_.PathOf("_mod.sm")));
  EXPECT_EQ(Apply(), (Keys{"D5API_FlushData"}));
  EXPECT_EQ(document_.Lights.size(), 2u);
}

TEST_F(IncrementalUpdateTest, RemovalsFoundNearTheLastOneOrAnywhereInTheMirror) {
  for (std::uint32_t id = 10; id < 110; ++id) AddSolid(id);
  // Neighbours, gaps short and long, an unknown id, steps back and a repeat.
  WriteUpdate(kProject, {{{u"Solid", {12, 13, 50, 51, 200, 90, 11, 90, 109}}}});
  const Keys keys = Apply();
  ASSERT_GE(keys.size(), 8u);
  const Keys deleted(keys.begin(), keys.begin() + 7);
  EXPECT_EQ(deleted, (Keys{"D5API_DeleteNode Solid_12", "D5API_DeleteNode Solid_13",
                           "D5API_DeleteNode Solid_50", "D5API_DeleteNode Solid_51",
                           "D5API_DeleteNode Solid_90", "D5API_DeleteNode Solid_11",
                           "D5API_DeleteNode Solid_109"}));
  EXPECT_EQ(keys[7], "D5API_FlushData");
  EXPECT_EQ(document_.Solids.size(), 93u);
  for (const std::uint32_t id : {10u, 14u, 49u, 52u, 89u, 91u, 108u}) {
    EXPECT_TRUE(document_.Solids.Find(id)) << id;
  }
}

TEST_F(IncrementalUpdateTest, SectionWithoutSolidListDeletesNothing) {
  AddSolid(5);
  WriteUpdate(kProject, {{{u"Solid", {5}}, {u"Material", {2}}}});
  Apply();
  AddSolid(5);  // streamed again by that update's body
  WriteUpdate(kProject, {{{u"Material", {1}}}});
  EXPECT_EQ(Apply(), (Keys{"D5API_FlushData"}));
  EXPECT_TRUE(document_.Solids.Find(5));
  EXPECT_TRUE(document_.RemovedSolidIds.empty());
  EXPECT_EQ(document_.RemovedMaterialIds, (std::vector<std::uint32_t>{1}));
  // Nor does a section without a material list keep the last one.
  WriteUpdate(kProject, {{{u"Solid", {7}}}});
  Apply();
  EXPECT_TRUE(document_.RemovedMaterialIds.empty());
  EXPECT_EQ(document_.RemovedSolidIds, (std::vector<std::uint32_t>{7}));
}

// The deletions are flushed with or without a session.
TEST_F(IncrementalUpdateTest, RemovalsAreFlushedWithoutASessionToo) {
  AddSolid(5);
  document_.Session.handle = 0;
  WriteUpdate(kProject, {{{u"Solid", {5}}}});
  EXPECT_EQ(Apply(), (Keys{"D5API_DeleteNode Solid_5", "D5API_FlushData"}));
}

TEST_F(IncrementalUpdateTest, AnotherProjectResetsTheSceneAndMovesTheSceneFile) {
  AddSolid(10);
  AddSolid(3);
  AddMaterial(u"b");
  AddMaterial(u"B");
  AddLight(2, true);
  AddLight(1, false);
  document_.RemovedSolidIds = {42};
  // Letter case alone makes it another project.
  WriteUpdate(u"C:\\Projects\\house.v2.pro", {{{u"Solid", {3}}}});
  EXPECT_EQ(Apply(), (Keys{"D5API_DeleteNode Solid_3", "D5API_DeleteNode Solid_10",
                           "D5API_ResetMaterial B", "D5API_ResetMaterial b",
                           "D5API_RemoveLight Light2", "D5API_SendLights", "D5API_EndExport",
                           "D5API_FlushData",
                           "D5API_SaveToFiles C:\\Projects\\house.v2.d5a"}));
  EXPECT_EQ(document_.Solids.size(), 0u);
  EXPECT_TRUE(document_.Materials.empty());
  EXPECT_TRUE(document_.Lights.empty());
  EXPECT_EQ(document_.Session.project_path, u"C:\\Projects\\house.v2.pro");
  EXPECT_EQ(document_.RemovedSolidIds, (std::vector<std::uint32_t>{42}));
}

TEST_F(IncrementalUpdateTest, EmptyDocumentProjectChange) {
  document_.SourceProject.clear();
  WriteUpdate(u"C:\\P\\Other.pro", {});
  EXPECT_EQ(Apply(), (Keys{"D5API_EndExport", "D5API_FlushData",
                           "D5API_SaveToFiles C:\\P\\Other.d5a"}));
  // Without a session the reset makes no flush.
  document_.Session.handle = 0;
  document_.SourceProject.clear();
  EXPECT_EQ(Apply(), (Keys{"D5API_EndExport", "D5API_SaveToFiles C:\\P\\Other.d5a"}));
}

TEST_F(IncrementalUpdateTest, UnusableFileChangesNothing) {
  AddSolid(5);
  AddLight(1, true);
  // Missing: a blank header is written and nothing is applied.
  EXPECT_EQ(Apply(), Keys{});
  // Slot 0 of another kind, and no slot at all.
  cw::Container wrong = cw::IncrementalFile(kProject, {{{u"Solid", {5}}}}, cw::ModelBody{});
  wrong.slots[0].kind = 2;
  ASSERT_TRUE(cw::WriteContainerFile(wrong, folder_.PathOf("_mod.sm")));
  EXPECT_EQ(Apply(), Keys{});
  wrong.slots[0].kind = 4;
  wrong.last_slot_index = -1;
  ASSERT_TRUE(cw::WriteContainerFile(wrong, folder_.PathOf("_mod.sm")));
  EXPECT_EQ(Apply(), Keys{});
  EXPECT_EQ(document_.Solids.size(), 1u);
  EXPECT_EQ(document_.Lights.size(), 1u);
  EXPECT_EQ(document_.ContainerFile, nullptr);
}

}  // namespace
}  // namespace tarnwick
