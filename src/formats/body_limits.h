// What keeps the reading of one body in proportion to the file: a table
// entry that points where an earlier entry of the same table pointed is not
// read again, and the work of the whole body has a budget. The work is what
// the reader hands on (the bytes of the arrays, names and lists it passes to
// the sink, and a small fixed cost for each table entry and record it
// visits), never what it fetches, so that neither the file's layout nor the
// way it is read decides it. A file the host writes, whatever its order of
// records or its sharing of parts, never comes near the budget; a crafted one
// whose entries overlap (texts, parts or lists reached many times from
// different offsets) ends its body early instead of taking minutes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>

#include "formats/model_sink.h"

namespace tarnwick {

class ContainerStream;
class WordTable;

// The work one body may cost, per byte of the file...
inline constexpr std::uint64_t kBodyWorkMultiple = 8;
// ...or this much, whichever is more: the renderer takes 4 GiB of arrays in seconds.
inline constexpr std::uint64_t kBodyWorkFloorBytes = std::uint64_t{4} << 30;
// Work counted for each entry of an offset table looked at, read or not.
inline constexpr std::uint64_t kEntryWorkBytes = 16;
// Work counted for each record read (material, light, solid, part, removal list).
inline constexpr std::uint64_t kRecordWorkBytes = 64;
// Text is parsed a character at a time, a hundred times slower than arrays are handed
// on: the texts of one body may be at most this many times the file's size, as a file
// the host writes holds each text once...
inline constexpr std::uint64_t kTextWorkMultiple = 8;
// ...with files smaller than this budgeted as if they had this size.
inline constexpr std::uint64_t kTextWorkFloorBytes = std::uint64_t{64} << 10;

// The work a body may cost in a file of `file_size` bytes.
std::uint64_t BodyWorkLimit(std::uint64_t file_size);
// The bytes of text a body may hand on in a file of `file_size` bytes.
std::uint64_t BodyTextLimit(std::uint64_t file_size);

// What one body cost: everything handed on, and the texts among it.
struct BodyWork {
  std::uint64_t handed = 0;
  std::uint64_t text = 0;
};

// The work budget of one body: the reader charges it as it hands records on.
class BodyBudget {
 public:
  // A budget for the body at `body_start` of a file of `file_size` bytes.
  BodyBudget(std::uint64_t file_size, std::uint64_t body_start, ModelSink& sink);

  // Counts bytes handed on (arrays, names, lists, fixed costs).
  void Charge(std::uint64_t bytes) { work_.handed += bytes; }
  // Counts bytes of text handed on to be parsed; they are work handed on as well.
  void ChargeText(std::uint64_t bytes) {
    work_.handed += bytes;
    work_.text += bytes;
  }

  // True while the body is within its budget and the sink wants more; the first time the
  // budget is spent, the sink hears why (OnBodyAbandoned) and every later call is false.
  bool Allows();
  // Whether the budget has been found spent.
  bool Exhausted() const { return exhausted_; }

  // The work the body may cost.
  std::uint64_t limit() const { return limit_; }
  // The work counted so far.
  const BodyWork& work() const { return work_; }

 private:
  std::uint64_t file_size_;
  std::uint64_t body_start_;
  ModelSink& sink_;
  std::uint64_t limit_;
  std::uint64_t text_limit_;
  BodyWork work_;
  bool exhausted_ = false;
};

// The entries of one offset table already read, with where each reading ended. Only the
// first kMaxRemembered are kept, so that a table of millions of distinct entries costs a
// few MiB; past them, the budget alone bounds the work.
class TableVisits {
 public:
  // Number of entries remembered per table.
  static constexpr std::size_t kMaxRemembered = std::size_t{1} << 16;

  // True for an offset met for the first time. For one met before it is false, and the
  // stream stands where that entry's reading ended, as if it had been read again.
  bool First(std::uint32_t offset, ContainerStream& stream);
  // Records where the reading of the offset last passed to First ended.
  void Finish(const ContainerStream& stream);

 private:
  std::unordered_map<std::uint32_t, std::uint64_t> ends_;
  std::uint32_t current_ = 0;
};

// Reads each entry of an offset table, in table order, while the budget allows:
// read(offset) reads one entry. An entry met before in the table is not read again (the
// stream stands where its reading ended), and with zero_is_empty an offset of 0 is an
// empty entry. Every entry costs kEntryWorkBytes, every entry read kRecordWorkBytes more.
// True when the table was gone through to its end.
template <typename ReadEntry>
bool ReadTableEntries(ContainerStream& stream, WordTable& entries, BodyBudget& budget,
                      bool zero_is_empty, ReadEntry read);

}  // namespace tarnwick

#include "formats/container_stream.h"

namespace tarnwick {

template <typename ReadEntry>
bool ReadTableEntries(ContainerStream& stream, WordTable& entries, BodyBudget& budget,
                      bool zero_is_empty, ReadEntry read) {
  TableVisits visits;
  for (std::uint32_t i = 0; i < entries.size(); ++i) {
    if (!budget.Allows()) return false;
    budget.Charge(kEntryWorkBytes);
    const std::uint32_t offset = entries[i];
    if ((zero_is_empty && offset == 0) || !visits.First(offset, stream)) continue;
    budget.Charge(kRecordWorkBytes);
    read(offset);
    visits.Finish(stream);
  }
  return true;
}

}  // namespace tarnwick
