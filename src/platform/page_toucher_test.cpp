#include "platform/page_toucher.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>
#include <vector>

#include "platform/mapped_file.h"

namespace tarnwick {
namespace {

// A temporary file of `size` bytes, each the low byte of its offset's page number.
std::FILE* PatternFile(std::uint64_t size) {
  std::FILE* file = std::tmpfile();
  if (!file) return nullptr;
  std::vector<std::uint8_t> page(PageToucher::kPageBytes);
  for (std::uint64_t at = 0; at < size; at += page.size()) {
    std::fill(page.begin(), page.end(), static_cast<std::uint8_t>(at / page.size()));
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(page.size(), size - at));
    if (std::fwrite(page.data(), 1, n, file) != n) break;
  }
  std::fflush(file);
  return file;
}

TEST(PageToucher, LeavesSmallOrMissingViewsToTheReader) {
  std::vector<std::uint8_t> bytes(PageToucher::kMinimumBytes - 1);
  EXPECT_FALSE(PageToucher(bytes.data(), bytes.size()).Touching());
  EXPECT_FALSE(PageToucher(nullptr, PageToucher::kMinimumBytes).Touching());
}

TEST(PageToucher, TouchesALargeViewToItsLastPageAndChangesNothing) {
  // Not a whole number of pages: the last touch must stay inside the view.
  const std::uint64_t size = PageToucher::kMinimumBytes + 8 * PageToucher::kPageBytes + 100;
  std::FILE* file = PatternFile(size);
  ASSERT_NE(file, nullptr);
  {
    std::unique_ptr<MappedFile> view = MappedFile::Map(file, size);
    ASSERT_NE(view, nullptr);
    ASSERT_TRUE(view->toucher().Touching());
    // Not a timing: the cap only keeps a broken toucher from hanging the suite.
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (view->toucher().TouchedBytes() < size && std::chrono::steady_clock::now() < give_up) {
      std::this_thread::yield();
    }
    EXPECT_EQ(view->toucher().TouchedBytes(), size);
    for (std::uint64_t at = 0; at < size; at += PageToucher::kPageBytes) {
      ASSERT_EQ(view->data()[at], static_cast<std::uint8_t>(at / PageToucher::kPageBytes)) << at;
    }
  }
  std::fclose(file);
}

TEST(PageToucher, AViewClosedWhileItsPagesAreTouchedIsUnmappedOnlyAfterTheThreadStops) {
  const std::uint64_t size = 3 * PageToucher::kMinimumBytes;
  std::FILE* file = PatternFile(size);
  ASSERT_NE(file, nullptr);
  // Each view is closed while its toucher is under way: a toucher still running
  // after the unmap would fault on the freed addresses.
  for (int round = 0; round < 20; ++round) {
    std::unique_ptr<MappedFile> view = MappedFile::Map(file, size);
    ASSERT_NE(view, nullptr);
    ASSERT_TRUE(view->toucher().Touching());
    while (view->toucher().TouchedBytes() == 0) std::this_thread::yield();
  }
  std::fclose(file);
}

}  // namespace
}  // namespace tarnwick
