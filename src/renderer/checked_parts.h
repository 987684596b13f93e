// Parts read and index lists checked ahead of the export, on a thread of their
// own, so that the export finds them done. One thread records every part in
// the order the reader finds them: the counts of its arrays and the check of
// its index list. The export, reading the same file in the same order, takes
// each record for the part it has come to. A record counts only for the file
// as it was when the checks began (its stamp) and for the same part; a check
// only for the same index count and limit. For anything else the export reads
// and checks for itself.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

#include "formats/model_sink.h"
#include "platform/file_io.h"

namespace tarnwick {

// One part as the checker read it.
struct CheckedPart {
  std::uint64_t position = 0;      // the part record's position in the file
  ArrayCounts counts{};            // its eight counts as stored
  bool counts_whole = false;       // whether all eight lay in the file
  std::uint32_t index_count = 0;   // its index list's count, as the export finds it
  std::uint32_t limit = 0;         // the list's vertex limit
  std::optional<bool> below;       // the check of the list; nothing when not checked
};

class CheckedParts {
 public:
  // Records per block of memory (224 KiB), and the most blocks that are kept: 131,072 parts,
  // far more than a model of gigabytes has, in at most 7 MiB.
  static constexpr std::size_t kBlockParts = 4096;
  static constexpr std::size_t kMaxBlocks = 32;

  CheckedParts();
  ~CheckedParts();
  CheckedParts(const CheckedParts&) = delete;
  CheckedParts& operator=(const CheckedParts&) = delete;

  // Checker: the file as it is when its checks begin; called once, before any Add.
  void Begin(const FileStamp& stamp);
  // Checker: the next part in file order; false when no more are wanted (the export has
  // overtaken the checker, or the records are full).
  bool Add(const CheckedPart& part);
  // Checker: no more records will come (the checks have ended, for whatever reason).
  void End() { ended_.store(true, std::memory_order_release); }
  // Export: whether the checker has ended.
  bool Ended() const { return ended_.load(std::memory_order_acquire); }
  // Whether the export still takes records: for the checker, whether to go on; for the
  // export, whether records may still come.
  bool Wanted() const { return !overtaken_.load(std::memory_order_relaxed); }

  // Export: whether the results are for a file with this stamp.
  bool MadeOn(const FileStamp& stamp) const;
  // Export: the record of the next part, when the checker has read that very part; null
  // otherwise. Once the export finds no record ready, or one of another part, it asks the
  // checker to stop and reads every later part itself. Valid while the records live.
  const CheckedPart* Take(std::uint64_t position);

 private:
  using Block = std::array<CheckedPart, kBlockParts>;

  FileStamp stamp_;  // read only once begun_ is seen set
  std::array<std::unique_ptr<Block>, kMaxBlocks> blocks_;
  // Records the checker has published; each is written before the count that covers it.
  std::atomic<std::size_t> published_{0};
  std::atomic<bool> overtaken_{false};
  std::atomic<bool> begun_{false};
  std::atomic<bool> ended_{false};
  // The export's place: the next record it takes.
  std::size_t next_ = 0;
};

}  // namespace tarnwick
