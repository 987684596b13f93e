// What keeps the reading of one body in proportion to the file. Each kind of
// work that costs the bridge time is counted as it is done and bounded by a
// multiple of the file's size: a host writes each table, record, text and
// list once, so a file it writes, whatever its order of records or its
// sharing of parts, stays far below every bound, while a crafted one whose
// entries point at the same or overlapping bytes again and again ends its
// body early instead of taking minutes. Arrays handed on in place cost
// almost nothing; only what no renderer could hold bounds them.
//
// A table entry that points where an earlier entry of the same table pointed
// is not read again. While a table's offsets ascend nothing is remembered;
// from the first entry that goes back on, the offsets met are.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_set>

#include "formats/model_sink.h"

namespace tarnwick {

class WordTable;

// The kinds of work counted.
enum class WorkKind : std::uint8_t {
  kEntries,     // table entries looked at: read, empty, repeated, or remembered
  kRecords,     // records visited: materials, lights, solids, parts, removal lists, camera
  kText,        // keyed text handed on to be parsed: its code units and kLineWork per line
  kNames,       // code units of part names handed on
  kIndices,     // indices checked against their part's vertices
  kRemovalIds,  // ids of removal lists read
  kArrayBytes,  // bytes of arrays handed on
};
inline constexpr std::size_t kWorkKinds = 7;

// A line of text costs the parser as much as this many units: each line is tried
// against every key of its kind.
inline constexpr std::uint64_t kLineWork = 8;
// Index lists of at least this many indices are checked once per part record, however
// many solids name the part; shorter ones cost less to check than to look up.
inline constexpr std::uint32_t kRememberedCheckIndices = 64;

// The bound of one kind of work: `per_byte_num / per_byte_den` per byte of the file, and
// at least `floor`.
struct WorkBound {
  const char* what;       // "records visited"
  const char* rate;       // "1 per 12 bytes"
  std::uint64_t per_byte_num;
  std::uint64_t per_byte_den;
  std::uint64_t floor;
};

// The bound of each kind, in WorkKind order.
extern const std::array<WorkBound, kWorkKinds> kWorkBounds;

// How much of one kind a body may cost in a file of `file_size` bytes.
std::uint64_t WorkLimit(WorkKind kind, std::uint64_t file_size);

// What one body cost, by kind.
struct BodyWork {
  std::array<std::uint64_t, kWorkKinds> done{};
  std::uint64_t operator[](WorkKind kind) const { return done[static_cast<std::size_t>(kind)]; }
};

// The work budget of one body: the reader charges it as it works.
class BodyBudget {
 public:
  // A budget for the body at `body_start` of a file of `file_size` bytes.
  BodyBudget(std::uint64_t file_size, std::uint64_t body_start, ModelSink& sink);

  // Counts work of one kind.
  void Charge(WorkKind kind, std::uint64_t amount) {
    const auto k = static_cast<std::size_t>(kind);
    work_.done[k] += amount;
    if (work_.done[k] > limits_[k]) over_ = true;
  }

  // True while the body is within every bound; the first time a bound is passed, the sink
  // hears which (OnBodyAbandoned) and every later call is false.
  bool Allows() { return !over_ || Spent(); }
  // Whether a bound has been passed.
  bool Exhausted() const { return over_; }
  // The work counted so far.
  const BodyWork& work() const { return work_; }

 private:
  bool Spent();

  std::uint64_t file_size_;
  std::uint64_t body_start_;
  ModelSink& sink_;
  std::array<std::uint64_t, kWorkKinds> limits_;
  BodyWork work_;
  bool over_ = false;
  bool told_ = false;
};

// The entries of one offset table met so far. Offsets that ascend need no memory: each
// is new. From the first one that goes back on, the offsets met are remembered, at most
// kMaxRemembered of them; past that, entries are read again and the budget bounds them.
class TableVisits {
 public:
  // Offsets remembered at most per table.
  static constexpr std::size_t kMaxRemembered = std::size_t{1} << 16;

  // A table whose offsets stand every `stride` words (a removal section's every second).
  explicit TableVisits(std::uint32_t stride = 1) : stride_(stride) {}

  // True for an offset not met before in the table; `index` is its entry's place, and the
  // entries before it are looked at again (and charged) when remembering begins.
  bool First(std::uint32_t offset, WordTable& table, std::uint32_t index, BodyBudget& budget) {
    if (!remembering_ && (!any_ || offset > last_)) {
      any_ = true;
      last_ = offset;
      return true;
    }
    return Remembered(offset, table, index, budget);
  }
  // Forgets the table: the next one begins.
  void Reset() {
    any_ = false;
    if (remembering_) Forget();
  }

 private:
  bool Remembered(std::uint32_t offset, WordTable& table, std::uint32_t index, BodyBudget& budget);
  void Forget();

  std::uint32_t stride_;
  std::uint32_t last_ = 0;
  bool any_ = false;
  bool remembering_ = false;
  std::unordered_set<std::uint32_t> seen_;
};

// A table of one word, already read, that keeps its own visits: one entry repeats nothing.
// Most solids' part tables are such.
class OneEntry {
 public:
  // The table of `word` alone.
  explicit OneEntry(std::uint32_t word) : word_(word) {}
  // One word.
  std::uint32_t size() const { return 1; }
  // The word, whatever the index.
  std::uint32_t operator[](std::uint32_t) const { return word_; }
  // As visits: nothing to forget.
  void Reset() {}
  // As visits: the one entry is always met first.
  bool First(std::uint32_t, const OneEntry&, std::uint32_t, BodyBudget&) { return true; }

 private:
  std::uint32_t word_;
};

// Goes through an offset table (a WordTable, or a OneEntry with itself for visits) in order
// while the budget allows, handing each entry not met before (and, with zero_is_empty, not 0)
// to read(offset), which returns false to stop. Every entry costs one entry looked at, every
// entry read one record visited. True when the table was gone through to its end. `visits`
// is reset for the table.
template <typename Table, typename Visits, typename ReadEntry>
bool ForEachEntry(Table& table, Visits& visits, BodyBudget& budget, bool zero_is_empty,
                  ReadEntry read);

}  // namespace tarnwick

#include "formats/container_stream.h"

namespace tarnwick {

template <typename Table, typename Visits, typename ReadEntry>
bool ForEachEntry(Table& table, Visits& visits, BodyBudget& budget, bool zero_is_empty,
                  ReadEntry read) {
  visits.Reset();
  for (std::uint32_t i = 0; i < table.size(); ++i) {
    if (!budget.Allows()) return false;
    budget.Charge(WorkKind::kEntries, 1);
    const std::uint32_t offset = table[i];
    if ((zero_is_empty && offset == 0) || !visits.First(offset, table, i, budget)) continue;
    budget.Charge(WorkKind::kRecords, 1);
    if (!read(offset)) return false;
  }
  return true;
}

}  // namespace tarnwick
