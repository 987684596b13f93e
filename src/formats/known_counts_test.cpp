// A sink that knows the counts of the parts' arrays from an earlier reading of
// the same file: the reader takes them instead of loading them, and everything
// else comes out as when it loads them.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "container_writer/container_writer.h"
#include "formats/container_reader.h"
#include "formats/container_stream.h"
#include "platform/text.h"
#include "protocol/protocol.h"
#include "testlib/recording_sink.h"
#include "testlib/temp_exchange.h"

namespace tarnwick {
namespace {

namespace cw = container_writer;

constexpr std::uint32_t kBody = protocol::kContainerHeaderBytes;

// Records what the reader hands on; answers KnownCounts from `known` when given.
class CountsSink : public testing::NoticeSink {
 public:
  explicit CountsSink(const std::map<std::uint64_t, ArrayCounts>* known = nullptr)
      : known_(known) {}
  const ArrayCounts* KnownCounts(std::uint64_t position) override {
    if (known_ == nullptr) return nullptr;
    const auto found = known_->find(position);
    return found == known_->end() ? nullptr : &found->second;
  }
  bool KnowsCounts() const override { return known_ != nullptr; }
  void OnPart(const std::u16string& name, const PartGeometry& part) override {
    parts.push_back({name, part.position_count, part.attributes1_count, part.attributes2_count,
                     part.index_count, part.indices != nullptr ? part.indices[0] : 0u});
    if (part.stored_counts != nullptr) stored[part.position] = *part.stored_counts;
    whole.push_back(part.stored_counts != nullptr);
  }
  struct Part {
    std::u16string name;
    std::uint32_t positions, attributes1, attributes2, indices, first_index;
    bool operator==(const Part&) const = default;
  };
  std::vector<Part> parts;
  std::map<std::uint64_t, ArrayCounts> stored;
  std::vector<bool> whole;

 private:
  const std::map<std::uint64_t, ArrayCounts>* known_;
};

class KnownCountsTest : public ::testing::Test {
 protected:
  // Reads the body of `bytes`; the work the body cost lands in `work`.
  CountsSink Read(const std::string& bytes, const std::map<std::uint64_t, ArrayCounts>* known,
                  std::uint64_t& work) {
    folder_.Write("_model.cvm", bytes);
    CountsSink sink(known);
    auto stream = ContainerStream::Open(Utf16FromUtf8(folder_.PathOf("_model.cvm")), "rb");
    work = ReadModelBody(*stream, kBody, sink).handed;
    return sink;
  }
  testing::TempExchangeFolder folder_;
};

cw::Part Triangle(const char16_t* name) {
  return cw::Part{name, {0, 0, 0, 1, 0, 0, 0, 1, 0}, {1, 2, 3, 4, 5, 6, 7, 8, 9}, {1, 2, 3, 4, 5, 6},
                  {0, 1, 2}, {}, false};
}

std::string TwoSolids() {
  cw::ModelBody body;
  body.solids = {{1, 1, u"", {Triangle(u"a"), Triangle(u"b")}, false},
                 {2, 1, u"", {Triangle(u"c")}, false}};
  return cw::BuildContainer(cw::ModelFile(u"P", body));
}

void PatchU32(std::string& bytes, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(value >> (8 * i));
}

// The file whole, with a count that runs past the end, and cut inside the last part's
// counts: what the reader hands on, tells and counts as work is the same either way.
TEST_F(KnownCountsTest, CountsKnownAheadGiveWhatLoadedCountsGive) {
  const std::string whole = TwoSolids();
  std::string refused_bytes = whole;
  // The last part's index count (before three indices and the counts of arrays 7 and 8).
  PatchU32(refused_bytes, whole.size() - 8 - 12 - 4, 0x10000);
  const std::string& refused = refused_bytes;
  const std::string cut = whole.substr(0, whole.size() - 6);
  for (const std::string* bytes : {&whole, &refused, &cut}) {
    std::uint64_t loaded_work = 0, known_work = 0;
    const CountsSink loaded = Read(*bytes, nullptr, loaded_work);
    ASSERT_EQ(loaded.parts.size(), 3u);
    const CountsSink known = Read(*bytes, &loaded.stored, known_work);
    EXPECT_EQ(known.parts, loaded.parts);
    EXPECT_EQ(known.refused, loaded.refused);
    EXPECT_EQ(known.past_end, loaded.past_end);
    EXPECT_EQ(known_work, loaded_work);
  }
  std::uint64_t work = 0;
  EXPECT_EQ(Read(cut, nullptr, work).whole, (std::vector<bool>{true, true, false}))
      << "counts that did not all lie in the file are not handed on as stored";
}

// The reader takes the counts it is given rather than loading them, and refuses one that
// runs past the end as it refuses one it loads.
TEST_F(KnownCountsTest, TheCountsGivenAreTakenAndStillRefusedPastTheEnd) {
  const std::string bytes = TwoSolids();
  std::uint64_t work = 0;
  const CountsSink loaded = Read(bytes, nullptr, work);
  std::map<std::uint64_t, ArrayCounts> known = loaded.stored;
  ArrayCounts& first = known.begin()->second;
  ASSERT_EQ(first[5], 3u);
  first[5] = 0;  // no index list: array 6 then begins where the list began
  first[6] = 3;
  const CountsSink taken = Read(bytes, &known, work);
  EXPECT_EQ(taken.parts[0].indices, 0u);
  EXPECT_EQ(taken.parts[1], loaded.parts[1]);
  first[6] = 0x40000000;
  const CountsSink refused = Read(bytes, &known, work);
  ASSERT_EQ(refused.refused.size(), 1u);
  EXPECT_EQ(refused.refused[0].second, 0x40000000u);
  EXPECT_EQ(refused.parts[1], loaded.parts[1]);
}

}  // namespace
}  // namespace tarnwick
