#include "formats/container_stream.h"

#include <gtest/gtest.h>

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

TEST_P(ContainerStreamTest, DecodesLittleEndianAndZerosPastTheEnd) {
  auto stream = OpenWith(Le32(0x11223344) + "\xAB" + Le32(0xFFFFFFFE) + "\x01\x02");
  ASSERT_TRUE(stream);
  EXPECT_EQ(stream->Size(), 11u);
  // A mapped file lends any run of its bytes; a window no more than itself.
  EXPECT_EQ(stream->MaxViewBytes(),
            GetParam() != Access::kWindow ? 11u : ContainerStream::kMaxViewBytes);
  EXPECT_EQ(stream->ReadU32(), 0x11223344u);
  EXPECT_EQ(stream->ReadU8(), 0xABu);
  EXPECT_EQ(stream->ReadI32(), -2);
  // Two bytes remain: a u32 cannot be read, leaves no partial value and ends the stream.
  EXPECT_EQ(stream->ReadU32(), 0u);
  EXPECT_EQ(stream->Position(), 11u);
  EXPECT_EQ(stream->ReadU8(), 0u);
  stream->Seek(1000);
  EXPECT_EQ(stream->ReadU32(), 0u);
  EXPECT_EQ(stream->Remaining(), 0u);
  std::uint8_t out[3] = {7, 7, 7};
  EXPECT_FALSE(stream->Read(out, 3));
  EXPECT_EQ(out[0] | out[1] | out[2], 0);
  stream->Seek(9);
  EXPECT_EQ(stream->ReadU8(), 1u);
}

TEST_P(ContainerStreamTest, CountsThatOverrunTheFileAreZero) {
  std::string bytes = Le32(2) + std::string("a\0b\0", 4) + Le32(4) + std::string("x\0", 2);
  bytes += Le32(0x40000000);  // a billion words announced in a tiny file
  auto stream = OpenWith(bytes);
  EXPECT_EQ(stream->ReadCountedString(), u"ab");
  EXPECT_EQ(stream->ReadCountedString(), u"");
  EXPECT_EQ(stream->Position(), 12u);  // the overrun count was read, nothing after it
  stream->Skip(2);
  EXPECT_EQ(stream->ReadCount(4), 0u);
  stream->Seek(14);
  WordTable table(*stream);
  EXPECT_EQ(table.size(), 0u);
  EXPECT_EQ(table[5], 0u);
}

TEST_P(ContainerStreamTest, LargeReadsCrossTheWindow) {
  // Three windows' worth of numbered words, with the stream's view of the middle.
  const std::size_t words = 3 * ContainerStream::kWindowBytes / 4 + 5;
  std::string bytes;
  bytes.reserve(4 * words);
  for (std::uint32_t i = 0; i < words; ++i) bytes += Le32(i);
  auto stream = OpenWith(bytes);
  stream->Seek(4 * 1000);
  EXPECT_EQ(stream->ReadU32(), 1000u);  // the window now starts near word 1000
  std::vector<std::uint32_t> got(2 * ContainerStream::kWindowBytes / 4);
  ASSERT_TRUE(stream->Read(got.data(), got.size() * 4));
  EXPECT_EQ(got.front(), 1001u);
  EXPECT_EQ(got.back(), 1000u + got.size());
  const std::uint8_t* view = stream->View(4 * 3);
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(LoadU32(view + 8), 1003u + got.size());
  EXPECT_EQ(stream->View(stream->MaxViewBytes() + 1), nullptr);
  std::uint8_t at[4];
  EXPECT_TRUE(stream->ReadAt(4 * (words - 1), at, 4));
  EXPECT_EQ(LoadU32(at), words - 1);
  EXPECT_FALSE(stream->ReadAt(4 * words - 2, at, 4));
  EXPECT_EQ(LoadU32(at), 0u);
  EXPECT_EQ(stream->ReadU32(), 1004u + got.size());  // ReadAt left the position alone
}

TEST_P(ContainerStreamTest, WordTableReadsLongTablesInChunks) {
  std::string bytes = Le32(5000);
  for (std::uint32_t i = 0; i < 5000; ++i) bytes += Le32(i * 3);
  bytes += Le32(0xCAFE);
  auto stream = OpenWith(bytes);
  WordTable table(*stream);
  EXPECT_EQ(stream->ReadU32(), 0xCAFEu);  // the stream stands past the table
  ASSERT_EQ(table.size(), 5000u);
  EXPECT_EQ(table[4999], 4999u * 3);
  EXPECT_EQ(table[0], 0u);
  EXPECT_EQ(table[2048], 2048u * 3);
  EXPECT_EQ(table[5000], 0u);
}

// Reads that jump far fetch a page or so; reads that go on where the window ends
// fetch a whole window; a stream over memory reads alike and writes nothing.
TEST_P(ContainerStreamTest, FarSmallReadsFetchLittleAndMemoryReadsAlike) {
  if (GetParam() != Access::kWindow) GTEST_SKIP() << "a mapped stream fetches nothing itself";
  std::string bytes(3 * ContainerStream::kWindowBytes, '\0');
  for (std::size_t i = 0; i < bytes.size(); i += 4) {
    bytes.replace(i, 4, Le32(static_cast<std::uint32_t>(i)));
  }
  const std::size_t far = 2 * ContainerStream::kWindowBytes + 8;
  auto file = OpenWith(bytes);
  auto memory = ContainerStream::OverMemory(
      std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
  for (ContainerStream* stream : {file.get(), memory.get()}) {
    for (int round = 0; round < 100; ++round) {
      stream->Seek(round % 2 ? far : 8);
      ASSERT_EQ(stream->ReadU32(), round % 2 ? far : 8);
    }
    const std::size_t window_end = far - 8 + ContainerStream::kJumpRefillBytes;
    stream->Seek(window_end);
    EXPECT_EQ(stream->ReadU32(), window_end);
  }
  // Each jump fetched one page; then the rest of the file fits in one window.
  EXPECT_EQ(file->FetchedBytes(), 100 * ContainerStream::kJumpRefillBytes + bytes.size() -
                                      (far - 8 + ContainerStream::kJumpRefillBytes));
  EXPECT_EQ(memory->FetchedBytes(), 0u);
  EXPECT_FALSE(memory->WriteU32(1));
  EXPECT_FALSE(memory->Flush());
  memory->Seek(0);
  EXPECT_EQ(memory->ReadU32(), 0u);
}

TEST_P(ContainerStreamTest, WritesExtendTheFile) {
  const std::string path = dir_.path() + "/w.bin";
  auto stream = ContainerStream::Open(Utf16FromUtf8(path), "wb+");
  ASSERT_TRUE(stream);
  EXPECT_TRUE(stream->WriteU32(0x01020304));
  stream->Seek(8);
  EXPECT_TRUE(stream->WriteU32(9));
  EXPECT_EQ(stream->Size(), 12u);
  stream->Seek(0);
  EXPECT_EQ(stream->ReadU32(), 0x01020304u);
  EXPECT_TRUE(stream->Flush());
  stream.reset();
  EXPECT_EQ(testing::ReadNativeFile(path), std::string("\x04\x03\x02\x01", 4) +
                                               std::string(4, '\0') + Le32(9));
}

TEST_P(ContainerStreamTest, WritesToAFileOpenForReadingAreReadBack) {
  auto stream = OpenWith(Le32(1) + Le32(2), "rb+");
  ASSERT_TRUE(stream);
  EXPECT_EQ(stream->ReadU32(), 1u);
  stream->Seek(4);
  EXPECT_TRUE(stream->WriteU32(7));
  EXPECT_TRUE(stream->WriteU32(8));
  EXPECT_EQ(stream->Size(), 12u);
  stream->Seek(4);
  EXPECT_EQ(stream->ReadU32(), 7u);
  EXPECT_EQ(stream->ReadU32(), 8u);
  EXPECT_EQ(stream->ReadU32(), 0u);
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
