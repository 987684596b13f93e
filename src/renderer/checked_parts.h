// Index checks made ahead of the export, on a thread of their own, so that the
// export finds them done. One thread records, in the order the reader finds the
// parts; the export, reading the same file in the same order, takes each result
// for the part it has come to. A result counts only for the file as it was when
// the checks began (its stamp) and for the same part, count and limit; for any
// other part the export checks for itself.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

#include "platform/file_io.h"

namespace tarnwick {

class CheckedParts {
 public:
  // Results per block of memory (96 KiB), and the most blocks that are kept: 262,144 parts,
  // far more than a model of gigabytes has, in at most 6 MiB.
  static constexpr std::size_t kBlockParts = 4096;
  static constexpr std::size_t kMaxBlocks = 64;

  CheckedParts();
  ~CheckedParts();
  CheckedParts(const CheckedParts&) = delete;
  CheckedParts& operator=(const CheckedParts&) = delete;

  // Checker: the file as it is when its checks begin; called once, before any Add.
  void Begin(const FileStamp& stamp);
  // Checker: one part's result, in file order, or nothing for a part it did not check (the
  // export checks that one itself); false when no more are wanted (the export has
  // overtaken the checker, or the results are full).
  bool Add(std::uint64_t position, std::uint32_t count, std::uint32_t limit,
           std::optional<bool> below);
  // Checker: whether the export still wants results.
  bool Wanted() const { return !overtaken_.load(std::memory_order_relaxed); }

  // Export: whether the results are for a file with this stamp.
  bool MadeOn(const FileStamp& stamp) const;
  // Export: the result for the next part, when the checker has checked that very part
  // (position, index count and vertex limit); nothing otherwise. Once the export finds no
  // result ready, it asks the checker to stop and checks every later part itself.
  std::optional<bool> Next(std::uint64_t position, std::uint32_t count, std::uint32_t limit);

 private:
  struct Result {
    std::uint64_t position = 0;
    std::uint32_t count = 0;
    std::uint32_t limit = 0;
    std::optional<bool> below;
  };
  using Block = std::array<Result, kBlockParts>;

  std::optional<FileStamp> stamp_;
  std::array<std::unique_ptr<Block>, kMaxBlocks> blocks_;
  // Results the checker has published; each is written before the count that covers it.
  std::atomic<std::size_t> published_{0};
  std::atomic<bool> overtaken_{false};
  std::atomic<bool> begun_{false};
  // The export's place: the next result it takes.
  std::size_t next_ = 0;
};

}  // namespace tarnwick
