#include "journal_summary/journal_summary.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace tarnwick::tools {
namespace {

TEST(JournalSummaryTest, CountsWhatWasSent) {
  std::istringstream journal(
      R"({"fn": "D5API_StartD5Render", "project": "House", "client": "ZavuZAD", "version": "1.0"})"
      "\n"
      R"({"fn": "D5API_CreateSession", "arg": 0, "access": "a1b2c3d4e5f6g7h8i9j0"})"
      "\n"
      R"({"fn": "D5API_SetModelFilePath", "session": 1, "path": "C:\\P\\House.d5a"})"
      "\n\r\n"
      R"({"fn": "D5API_AddMaterial", "session": 1, "name": "Oak"})"
      "\n"
      R"({"fn": "D5API_BeginNode", "session": 1, "name": "Solid_3", "matrix": null, "flag": 1})"
      "\n"
      R"({"fn": "D5API_AddIndexedTriangle", "session": 1, "part": "a", "index_count": 6})"
      "\n"
      R"({"fn": "D5API_AddIndexedTriangle", "session": 1, "part": "b", "index_count": 4})"
      "\n"
      R"({"fn": "D5API_AddIndexedTriangle", "session": 1, "part": "c", "index_count": -3})"
      "\n"
      "not json\n"
      R"({"fn": "D5API_FlushData", "session": 1})"
      "\n"
      R"({"fn": "D5API_DestroySession", "session": 1})");
  const JournalSummary summary = SummariseJournal(journal);
  EXPECT_EQ(summary.calls, 10u);
  EXPECT_EQ(summary.unreadable_lines, 1u);
  EXPECT_EQ(summary.project, "House");
  EXPECT_EQ(summary.scene_path, "C:\\P\\House.d5a");
  EXPECT_EQ(summary.materials, 1u);
  EXPECT_EQ(summary.nodes, 1u);
  EXPECT_EQ(summary.parts, 3u);
  EXPECT_EQ(summary.triangles, 3u);
  EXPECT_EQ(summary.flushes, 1u);
  EXPECT_TRUE(summary.session_destroyed);
  const std::string text = FormatJournalSummary(summary);
  EXPECT_NE(text.find("project \"House\""), std::string::npos) << text;
  EXPECT_NE(text.find("Parts: 3, triangles: 3"), std::string::npos) << text;
  EXPECT_NE(text.find("Session end: destroyed"), std::string::npos) << text;
}

TEST(JournalSummaryTest, SummarisesTheHouseSample) {
  const char* samples = std::getenv("TARNWICK_SAMPLES");
  if (!samples) GTEST_SKIP() << "TARNWICK_SAMPLES not set";
  std::ifstream in(std::string(samples) + "/house/expected_journal.jsonl", std::ios::binary);
  ASSERT_TRUE(in);
  const JournalSummary summary = SummariseJournal(in);
  EXPECT_EQ(summary.unreadable_lines, 0u);
  EXPECT_EQ(summary.project, "House");
  EXPECT_EQ(summary.scene_path, "C:\\Projects\\House.d5a");
  EXPECT_GE(summary.materials, 3u);
  EXPECT_GE(summary.flushes, 2u);
}

}  // namespace
}  // namespace tarnwick::tools
