#include "formats/container_stream.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/text.h"
#include "testlib/temp_exchange.h"

namespace tarnwick {
namespace {

// How a case reads its file.
enum class Access { kWindow, kViews, kSmallViews };

// Every case runs on the read window, on mapped views of the file, and on views
// so small that the file takes many of them.
class ContainerStreamTest : public ::testing::TestWithParam<Access> {
 protected:
  std::unique_ptr<ContainerStream> OpenWith(const std::string& bytes, const char* mode = "rb") {
    const std::string path = dir_.path() + "/c.bin";
    testing::WriteNativeFile(path, bytes);
    const std::uint64_t view_bytes =
        GetParam() == Access::kSmallViews ? 4 * 65536 : MappedFile::kViewBytes;
    return ContainerStream::Open(Utf16FromUtf8(path), mode, GetParam() != Access::kWindow,
                                 view_bytes);
  }
  testing::TempDir dir_;
};

std::string Le32(std::uint32_t v) {
  std::string s;
  for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>(v >> (8 * i)));
  return s;
}

// Numbered words over three windows' worth of file.
std::string NumberedWords(std::size_t words) {
  std::string bytes;
  bytes.reserve(4 * words);
  for (std::uint32_t i = 0; i < words; ++i) bytes += Le32(i);
  return bytes;
}

// Runs of bytes are served whole or not at all: a run reaching one byte past the end is
// refused, one ending at the end is served, and the run from a place holds what the stream
// has from there on.
TEST_P(ContainerStreamTest, RunsAreWholeInTheFileOrNone) {
  auto stream = OpenWith(Le32(0x11223344) + "\xAB" + Le32(0xFFFFFFFE) + "\x01\x02");
  ASSERT_TRUE(stream);
  EXPECT_EQ(stream->Size(), 11u);
  // A mapped file lends any run of its bytes; a window no more than itself.
  EXPECT_EQ(stream->MaxViewBytes(),
            GetParam() != Access::kWindow ? 11u : ContainerStream::kMaxViewBytes);
  ASSERT_NE(stream->Bytes(0, 4), nullptr);
  EXPECT_EQ(LoadU32(stream->Bytes(0, 4)), 0x11223344u);
  EXPECT_EQ(LoadU32(stream->Bytes(5, 4)), 0xFFFFFFFEu);
  EXPECT_NE(stream->Bytes(7, 4), nullptr);
  EXPECT_EQ(stream->Bytes(8, 4), nullptr);
  EXPECT_EQ(stream->Bytes(11, 1), nullptr);
  EXPECT_EQ(stream->Bytes(1000, 4), nullptr);
  EXPECT_EQ(stream->Bytes(0xFFFFFFFFFFFFFFF0u, 32), nullptr);  // no wrap around
  EXPECT_NE(stream->Bytes(11, 0), nullptr);
  const ContainerStream::Run run = stream->RunFrom(4, 1);
  ASSERT_NE(run.data, nullptr);
  EXPECT_EQ(run.length, 7u);
  EXPECT_EQ(run.data[0], 0xAB);
  EXPECT_EQ(stream->RunFrom(11, 1).data, nullptr);
  std::uint8_t out[3] = {7, 7, 7};
  EXPECT_FALSE(stream->ReadAt(9, out, 3));
  EXPECT_EQ(out[0] | out[1] | out[2], 0);
  EXPECT_TRUE(stream->ReadAt(9, out, 2));
  EXPECT_EQ(out[1], 2);
}

TEST_P(ContainerStreamTest, LongRunsAcrossTheWindow) {
  const std::size_t words = 3 * ContainerStream::kWindowBytes / 4 + 5;
  auto stream = OpenWith(NumberedWords(words));
  // Runs on both sides of window boundaries, and one as long as a window can hold.
  for (const std::uint64_t word : {std::uint64_t{1000}, ContainerStream::kWindowBytes / 4 - 1,
                                   2 * ContainerStream::kWindowBytes / 4 - 3, words - 2}) {
    const std::uint8_t* bytes = stream->Bytes(4 * word, 8);
    ASSERT_NE(bytes, nullptr) << word;
    EXPECT_EQ(LoadU32(bytes), word);
    EXPECT_EQ(LoadU32(bytes + 4), word + 1);
  }
  const std::size_t longest = static_cast<std::size_t>(stream->MaxViewBytes() & ~std::uint64_t{3});
  const std::uint8_t* whole = stream->Bytes(4 * 7, std::min<std::size_t>(longest, 4 * (words - 7)));
  ASSERT_NE(whole, nullptr);
  EXPECT_EQ(LoadU32(whole + 4 * 1000), 1007u);
  EXPECT_EQ(stream->Bytes(0, stream->MaxViewBytes() + ContainerStream::kWindowBytes), nullptr);
  // Copies cross windows without moving them.
  std::vector<std::uint32_t> got(2 * ContainerStream::kWindowBytes / 4);
  ASSERT_TRUE(stream->ReadAt(4 * 1001, got.data(), got.size() * 4));
  EXPECT_EQ(got.front(), 1001u);
  EXPECT_EQ(got.back(), 1000u + got.size());
}

TEST_P(ContainerStreamTest, WordTableReadsLongTablesInChunks) {
  std::string bytes = Le32(0xCAFE);
  for (std::uint32_t i = 0; i < 5000; ++i) bytes += Le32(i * 3);
  auto stream = OpenWith(bytes);
  WordTable table(*stream, 4, 5000);
  ASSERT_EQ(table.size(), 5000u);
  EXPECT_EQ(table[4999], 4999u * 3);
  EXPECT_EQ(table[0], 0u);
  EXPECT_EQ(table[2048], 2048u * 3);
  EXPECT_EQ(table[5000], 0u);
  // A first word the caller has read takes its place; the words after it are the file's.
  WordTable preloaded(*stream, 0, 0);
  preloaded.Open(4, 5000, 7);
  EXPECT_EQ(preloaded[0], 7u);
  EXPECT_EQ(preloaded[1], 3u);
  EXPECT_EQ(preloaded[1024], 1024u * 3);
  WordTable empty(*stream, 0, 0);
  empty.Open(4, 0, 7);
  EXPECT_EQ(empty[0], 0u);
}

// Runs that jump far fetch a page or so; runs that go on where the window ends fetch a
// whole window; a stream over memory serves alike and writes nothing.
TEST_P(ContainerStreamTest, FarSmallRunsFetchLittleAndMemoryServesAlike) {
  if (GetParam() != Access::kWindow) GTEST_SKIP() << "a mapped stream fetches nothing itself";
  const std::string bytes = NumberedWords(3 * ContainerStream::kWindowBytes / 4);
  const std::size_t far = 2 * ContainerStream::kWindowBytes + 8;
  auto file = OpenWith(bytes);
  auto memory = ContainerStream::OverMemory(
      std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
  for (ContainerStream* stream : {file.get(), memory.get()}) {
    for (int round = 0; round < 100; ++round) {
      const std::size_t at = round % 2 ? far : 8;
      ASSERT_EQ(LoadU32(stream->Bytes(at, 4)), at / 4);
    }
    const std::size_t window_end = far - 8 + ContainerStream::kJumpRefillBytes;
    EXPECT_EQ(LoadU32(stream->Bytes(window_end, 4)), window_end / 4);
  }
  // Each jump fetched one page; then the rest of the file fits in one window.
  EXPECT_EQ(file->FetchedBytes(), 100 * ContainerStream::kJumpRefillBytes + bytes.size() -
                                      (far - 8 + ContainerStream::kJumpRefillBytes));
  EXPECT_EQ(memory->FetchedBytes(), 0u);
  EXPECT_FALSE(memory->Write(0, "x", 1));
  EXPECT_FALSE(memory->Flush());
}

TEST_P(ContainerStreamTest, WritesExtendTheFileAndAreReadBack) {
  const std::string path = dir_.path() + "/w.bin";
  auto stream = ContainerStream::Open(Utf16FromUtf8(path), "wb+");
  ASSERT_TRUE(stream);
  EXPECT_TRUE(stream->Write(0, Le32(0x01020304).data(), 4));
  EXPECT_TRUE(stream->Write(8, Le32(9).data(), 4));
  EXPECT_EQ(stream->Size(), 12u);
  EXPECT_EQ(LoadU32(stream->Bytes(8, 4)), 9u);
  EXPECT_TRUE(stream->Flush());
  stream.reset();
  EXPECT_EQ(testing::ReadNativeFile(path), std::string("\x04\x03\x02\x01", 4) +
                                               std::string(4, '\0') + Le32(9));
  auto update = OpenWith(Le32(1) + Le32(2), "rb+");
  ASSERT_TRUE(update);
  EXPECT_EQ(LoadU32(update->Bytes(0, 4)), 1u);
  EXPECT_TRUE(update->Write(4, (Le32(7) + Le32(8)).data(), 8));
  EXPECT_EQ(update->Size(), 12u);
  EXPECT_EQ(LoadU32(update->Bytes(4, 4)), 7u);
  EXPECT_EQ(LoadU32(update->Bytes(8, 4)), 8u);
}

std::string AccessName(const ::testing::TestParamInfo<Access>& info) {
  static constexpr const char* kNames[] = {"Windowed", "Mapped", "SmallViews"};
  return kNames[static_cast<int>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(MappedAndWindowed, ContainerStreamTest,
                         ::testing::Values(Access::kWindow, Access::kViews, Access::kSmallViews),
                         AccessName);

}  // namespace
}  // namespace tarnwick
