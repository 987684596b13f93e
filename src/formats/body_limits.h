// What keeps the reading of one body in proportion to the file: a table
// entry that points where an earlier entry of the same table pointed is not
// read again, and the work of the whole body has a budget, a fixed multiple of
// the file's size. A file the host writes never comes near it; a crafted one
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

// The work one body may cost, in bytes fetched plus bytes handed on, per byte of the file.
inline constexpr std::uint64_t kBodyWorkMultiple = 8;
// Files smaller than this are budgeted as if they had this size.
inline constexpr std::uint64_t kBodyWorkFloorBytes = std::uint64_t{64} << 10;

// The work budget of one body, counted from construction on the stream's work counter.
class BodyBudget {
 public:
  // Starts the count at the stream's present work.
  BodyBudget(const ContainerStream& stream, std::uint64_t body_start, ModelSink& sink);

  // True while the body is within its budget and the sink wants more; the first time the
  // budget is spent, the sink hears why (OnBodyAbandoned) and every later call is false.
  bool Allows();

  // The bytes of work the body may cost.
  std::uint64_t limit() const { return limit_; }

 private:
  const ContainerStream& stream_;
  std::uint64_t body_start_;
  ModelSink& sink_;
  std::uint64_t first_work_;
  std::uint64_t limit_;
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
// empty entry.
template <typename ReadEntry>
void ReadTableEntries(ContainerStream& stream, WordTable& entries, BodyBudget& budget,
                      bool zero_is_empty, ReadEntry read);

}  // namespace tarnwick

#include "formats/container_stream.h"

namespace tarnwick {

template <typename ReadEntry>
void ReadTableEntries(ContainerStream& stream, WordTable& entries, BodyBudget& budget,
                      bool zero_is_empty, ReadEntry read) {
  TableVisits visits;
  for (std::uint32_t i = 0; i < entries.size() && budget.Allows(); ++i) {
    const std::uint32_t offset = entries[i];
    if ((zero_is_empty && offset == 0) || !visits.First(offset, stream)) continue;
    read(offset);
    visits.Finish(stream);
  }
}

}  // namespace tarnwick
