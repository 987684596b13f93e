#include "standin/standin.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "renderer/d5api.h"
#include "testlib/json.h"

namespace standin {
namespace {

using tarnwick::testing::JournalCalls;
using tarnwick::testing::Json;

std::vector<double> Numbers(const Json& array) {
  std::vector<double> numbers;
  for (const Json& value : array.array) numbers.push_back(value.number);
  return numbers;
}

// Two vertices' worth of each array, and one float more that no vertex covers.
const float kPositions[] = {0, 1, 2, 3, 4, 5, 99};
const float kTexCoords[] = {0.5f, 0.25f, 1, 0, 99};
const float kNormals[] = {0, 0, 1, 0, -1, 0, 99};
const std::uint32_t kIndices[] = {1, 0, 1};
const MeshDescriptor kMesh{2, 3, kPositions, kTexCoords, kNormals, kIndices};

TEST(StandInArraysTest, BatchesCarryWholeArraysOnlyWhenAsked) {
  Configure({.whole_arrays = true});
  D5API_AddIndexedTriangle(1, u"Floor", &kMesh);
  const MeshDescriptor empty{0, 0, nullptr, nullptr, nullptr, nullptr};
  D5API_AddIndexedTriangle(1, u"Loose", &empty);
  const auto calls = JournalCalls();
  ASSERT_EQ(calls.size(), 2u);

  // Off: the journal keeps its layout, hashes only.
  Configure({});
  D5API_AddIndexedTriangle(1, u"Floor", &kMesh);
  const auto plain = JournalCalls();
  ASSERT_EQ(plain.size(), 1u);
  EXPECT_FALSE(plain[0].Has("position_values"));
  EXPECT_FALSE(plain[0].Has("index_values"));

  // On: the same fields first, then the arrays, cut to the vertex and index counts.
  const Json& whole = calls[0];
  EXPECT_EQ(whole["positions"].string, plain[0]["positions"].string);
  EXPECT_EQ(Numbers(whole["position_values"]), (std::vector<double>{0, 1, 2, 3, 4, 5}));
  EXPECT_EQ(Numbers(whole["attr1_values"]), (std::vector<double>{0.5, 0.25, 1, 0}));
  EXPECT_EQ(Numbers(whole["attr2_values"]), (std::vector<double>{0, 0, 1, 0, -1, 0}));
  EXPECT_EQ(Numbers(whole["index_values"]), (std::vector<double>{1, 0, 1}));

  // Null pointers stay null.
  EXPECT_EQ(calls[1]["position_values"].type, Json::Type::Null);
  EXPECT_EQ(calls[1]["attr1_values"].type, Json::Type::Null);
  EXPECT_EQ(calls[1]["index_values"].type, Json::Type::Null);
  Configure({});
}

}  // namespace
}  // namespace standin
