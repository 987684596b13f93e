#include "platform/mapped_file.h"
#include "platform/volume_kind.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#if !defined(_WIN32)
#include <unistd.h>
#endif

namespace tarnwick {
namespace {

constexpr std::uint64_t kSmallViews = 4 * FileMapping::kGranularity;

// The byte the pattern files hold at an offset: it changes within every view and page.
std::uint8_t PatternByte(std::uint64_t at) { return static_cast<std::uint8_t>(at * 7 + at / 4093); }

// Writes `size` pattern bytes to an open file.
bool WritePattern(std::FILE* file, std::uint64_t size) {
  std::vector<std::uint8_t> chunk(1 << 16);
  for (std::uint64_t at = 0; at < size; at += chunk.size()) {
    const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(chunk.size(), size - at));
    for (std::size_t i = 0; i < n; ++i) chunk[i] = PatternByte(at + i);
    if (std::fwrite(chunk.data(), 1, n, file) != n) return false;
  }
  return std::fflush(file) == 0;
}

// A temporary file of `size` pattern bytes, removed with the test.
class PatternFile {
 public:
  explicit PatternFile(std::uint64_t size) {
    static int made = 0;
    path_ = std::filesystem::temp_directory_path() /
            ("tarnwick-pattern-" + std::to_string(std::random_device{}()) + "-" +
             std::to_string(++made) + ".bin");
    file_ = std::fopen(path_.string().c_str(), "wb+");
    if (file_ && !WritePattern(file_, size)) {
      std::fclose(file_);
      file_ = nullptr;
    }
  }
  ~PatternFile() {
    if (file_) std::fclose(file_);
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
  }
  std::FILE* get() const { return file_; }

 private:
  std::filesystem::path path_;
  std::FILE* file_ = nullptr;
};

// A pattern file and its mapping, in views of at least view_bytes; the mapping is null when
// the file could not be written or mapped.
struct MappedPattern {
  explicit MappedPattern(std::uint64_t size, std::uint64_t view_bytes = MappedFile::kViewBytes)
      : file(size), mapped(file.get() ? MappedFile::Map(file.get(), size, view_bytes) : nullptr) {}
  PatternFile file;
  std::unique_ptr<MappedFile> mapped;
};

// Whether a view holds the range and shows the file's bytes at both of its ends.
::testing::AssertionResult ShowsRange(const MappedView& view, std::uint64_t offset, std::uint64_t n) {
  if (!view.Holds(offset, n)) return ::testing::AssertionFailure() << "range not held at " << offset;
  const std::uint64_t last = offset + n - 1;
  if (view.data[offset - view.start] != PatternByte(offset) ||
      view.data[last - view.start] != PatternByte(last)) {
    return ::testing::AssertionFailure() << "wrong bytes at " << offset;
  }
  return ::testing::AssertionSuccess();
}

TEST(MappedFile, SmallFileIsOneViewWithNoWorker) {
  const std::uint64_t size = (1 << 20) + 3;
  MappedPattern pattern(size);
  ASSERT_NE(pattern.mapped, nullptr);
  MappedFile& mapped = *pattern.mapped;
  EXPECT_EQ(mapped.worker(), nullptr);
  const MappedView whole = mapped.Cover(5, size - 5);
  EXPECT_TRUE(ShowsRange(whole, 5, size - 5));
  EXPECT_EQ(mapped.Cover(7, 1).data, whole.data);  // no new view inside the one held
  EXPECT_EQ(mapped.Cover(size, 1).data, nullptr);
  EXPECT_EQ(mapped.Cover(size - 1, 2).data, nullptr);
  mapped.Follow(size - 1);
  EXPECT_EQ(mapped.worker(), nullptr);
  EXPECT_EQ(MappedFile::Map(pattern.file.get(), 0), nullptr);
}

// Only a file on a volume that cannot go away is mapped; any other is left to the reader's
// window (the caller reads through it when Map gives nothing).
TEST(MappedFile, OnlyFilesOnAFixedDiskOrARamDiskAreMapped) {
  PatternFile file(3 * FileMapping::kGranularity);
  ASSERT_NE(file.get(), nullptr);
  const struct {
    VolumeKind kind;
    bool mapped;
  } volumes[] = {{VolumeKind::kFixed, true},      {VolumeKind::kRamDisk, true},
                 {VolumeKind::kRemote, false},    {VolumeKind::kRemovable, false},
                 {VolumeKind::kUnknown, false},   {VolumeKind::kOptical, false},
                 {VolumeKind::kNoRoot, false}};
  for (const auto& volume : volumes) {
    SetVolumeKindForTests(volume.kind);
    const std::unique_ptr<MappedFile> mapped = MappedFile::Map(file.get(), 3 * FileMapping::kGranularity);
    EXPECT_EQ(mapped != nullptr, volume.mapped) << static_cast<unsigned>(volume.kind);
    if (mapped) {
      EXPECT_TRUE(ShowsRange(mapped->Cover(100, 1000), 100, 1000));
    }
  }
  SetVolumeKindForTests(std::nullopt);
  // The tests' own folder is on a disk of the machine or in memory.
  const VolumeKind own = SystemVolumeKindOf(file.get());
  EXPECT_TRUE(own == VolumeKind::kFixed || own == VolumeKind::kRamDisk) << static_cast<unsigned>(own);
}

TEST(MappedFile, TheWorkerStartsOnlyWhenTheReaderGoesOnPastTheHeader) {
  const std::uint64_t size = 3 * MappedFile::kWorkerFromBytes;
  MappedPattern pattern(size);
  ASSERT_NE(pattern.mapped, nullptr);
  MappedFile& mapped = *pattern.mapped;
  ASSERT_TRUE(ShowsRange(mapped.Cover(0, 4096), 0, 4096));
  mapped.Follow(0);
  mapped.Follow(MappedFile::kWorkerAfterBytes);
  EXPECT_EQ(mapped.worker(), nullptr) << "a thread for a look at the header";
  mapped.Follow(MappedFile::kWorkerAfterBytes + 1);
  ASSERT_NE(mapped.worker(), nullptr);
  // Not a timing: the cap only keeps a broken worker from hanging the suite.
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (mapped.worker()->Warmed() == 0 && std::chrono::steady_clock::now() < give_up) {
    std::this_thread::yield();
  }
  EXPECT_GT(mapped.worker()->Warmed(), 0u) << "no line loaded ahead of the reader";
}

TEST(MappedFile, ViewsFollowTheReaderAndHoldEveryRecordWhole) {
  // Forty small views' worth; records up to three views long, some running over
  // the ends of views, with a few jumps back and far ahead.
  const std::uint64_t size = 40 * kSmallViews + 1000;
  MappedPattern pattern(size, kSmallViews);
  ASSERT_NE(pattern.mapped, nullptr);
  MappedFile& mapped = *pattern.mapped;
  std::mt19937_64 random(7);
  std::uint64_t at = 0;
  int records = 0;
  while (at < size) {
    std::uint64_t n = 1 + random() % (kSmallViews / 4);
    if (records % 50 == 49) n = 1 + random() % (3 * kSmallViews);
    n = std::min(n, size - at);
    ASSERT_TRUE(ShowsRange(mapped.Cover(at, n), at, n));
    // The worker loads lines ahead of wherever it is told the reader is, beyond the
    // views and the file included.
    if (records % 5 == 0) mapped.Follow(records % 85 == 0 ? random() % (2 * size) : at);
    if (records % 97 == 96) {
      ASSERT_TRUE(ShowsRange(mapped.Cover(at / 3, 64), at / 3, 64));
    }
    if (records % 131 == 130) {
      const std::uint64_t far = std::min(size - 1, at + 7 * kSmallViews);
      ASSERT_TRUE(ShowsRange(mapped.Cover(far, 1), far, 1));
    }
    at += n;
    ++records;
  }
  ASSERT_NE(mapped.worker(), nullptr);
  EXPECT_GT(mapped.worker()->Touches(), 0u);
  mapped.Follow(~std::uint64_t{0});
  EXPECT_TRUE(ShowsRange(mapped.Cover(size / 2, 100), size / 2, 100));
}

#if defined(_WIN32)
// Views lie where their address agrees with their offset modulo 2 MiB, so that a system
// that holds the cached file in 2 MiB pieces maps each piece at once. The worker maps
// views at the same time as the reader, and a place one of them finds may be taken by the
// other first; the view then lies elsewhere, so most views are asked to agree, not all.
TEST(MappedFile, ViewsAgreeWithTheirOffsetModulo2MiB) {
  constexpr std::uint64_t kPiece = std::uint64_t{2} << 20;
  const std::uint64_t size = 24 * kPiece + 12345;
  MappedPattern pattern(size, kPiece);
  ASSERT_NE(pattern.mapped, nullptr);
  MappedFile& mapped = *pattern.mapped;
  int views = 0;
  int agreeing = 0;
  const std::uint8_t* last = nullptr;
  for (std::uint64_t at = 0; at < size; at += 4096) {
    const std::uint64_t n = std::min<std::uint64_t>(4096, size - at);
    const MappedView view = mapped.Cover(at, n);
    ASSERT_TRUE(ShowsRange(view, at, n));
    mapped.Follow(at);
    if (view.data != last) {
      last = view.data;
      ++views;
      agreeing += (reinterpret_cast<std::uintptr_t>(view.data) - view.start) % kPiece == 0;
    }
  }
  EXPECT_GE(views, 12);
  EXPECT_GE(2 * agreeing, views) << agreeing << " of " << views << " views agree";
}
#else
// The lines of /proc/self/maps that name a path.
int MappingsOf(const std::string& path) {
  std::ifstream maps("/proc/self/maps");
  std::string line;
  int found = 0;
  while (std::getline(maps, line)) found += line.find(path) != std::string::npos;
  return found;
}

TEST(MappedFile, ClosingUnmapsEveryViewEvenMidWay) {
  const std::string path = (std::filesystem::temp_directory_path() /
                            ("tarnwick-mapped-" + std::to_string(::getpid()) + ".bin")).string();
  std::FILE* file = std::fopen(path.c_str(), "wb+");
  ASSERT_NE(file, nullptr);
  const std::uint64_t size = 30 * kSmallViews;
  ASSERT_TRUE(WritePattern(file, size));
  {
    std::unique_ptr<MappedFile> mapped = MappedFile::Map(file, size, kSmallViews);
    ASSERT_NE(mapped, nullptr);
    // Current, prepared and retired views all exist half-way through.
    for (std::uint64_t at = 0; at < size / 2; at += 4096) {
      ASSERT_TRUE(mapped->Cover(at, 4096).data);
      mapped->Follow(at);
    }
    EXPECT_GT(MappingsOf(path), 0);
  }
  EXPECT_EQ(MappingsOf(path), 0) << "a view outlived the mapped file";
  std::fclose(file);
  std::filesystem::remove(path);
}
#endif

TEST(MappedFile, AViewIsUnmappedOnlyAfterTheWorkerStopsTouchingIt) {
  const std::uint64_t size = 3 * MappedFile::kWorkerFromBytes;
  PatternFile file(size);
  ASSERT_NE(file.get(), nullptr);
  // Each file is closed while its first view is being touched: a touch after the
  // unmap would fault on the freed addresses.
  for (int round = 0; round < 20; ++round) {
    std::unique_ptr<MappedFile> mapped = MappedFile::Map(file.get(), size);
    ASSERT_NE(mapped, nullptr);
    ASSERT_TRUE(mapped->Cover(0, 1).data);
    mapped->Follow(MappedFile::kWorkerAfterBytes + 1);
    ASSERT_NE(mapped->worker(), nullptr);
    // Not a timing: the cap only keeps a broken worker from hanging the suite.
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (mapped->worker()->Touches() == 0 && std::chrono::steady_clock::now() < give_up) {
      std::this_thread::yield();
    }
    ASSERT_GT(mapped->worker()->Touches(), 0u);
  }
}

}  // namespace
}  // namespace tarnwick
