// The record of the solids the renderer holds: each solid's id and stamp, in
// one flat array kept in unsigned id order, which the removals, the sync
// record and a project change walk in that order. A body's solids arrive in
// the order of its table, by ascending id as a host writes it as a rule:
// those are appended. A solid sent again takes its own place back, removed
// or not, so that an update's changed solids move nothing. The others (a
// table in another order, new ids among the held ones) wait aside until the
// body ends and are merged in then, a later one of an id replacing an
// earlier.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "exchange/sync_record.h"

namespace tarnwick {

class HeldSolids {
 public:
  // A body begins: the solids recorded from now on are its own.
  void BeginBody();
  // Most solids that Expect makes room for at once: a model of 4 million solids. A larger
  // one grows from there as they come.
  static constexpr std::size_t kRoomAtOnce = std::size_t{1} << 22;
  // At most `solids` solids of the current body follow: when none is held yet, room is made
  // for them at once rather than by growing the record again and again as they come.
  void Expect(std::size_t solids) {
    if (held_.empty()) held_.reserve(std::min(solids, kRoomAtOnce));
  }
  // Records a solid of the current body sent as a node, with its stamp. The stamp may be
  // changed through the result until the next call.
  std::uint32_t& Record(std::uint32_t id, std::uint32_t stamp) {
    // Ids that ascend, as a host writes its table, are appended: one for every solid sent.
    if (!held_.empty() && id > held_.back().id && held_.size() < held_.capacity()) {
      held_.push_back({id, stamp});
      return held_.back().time_stamp;
    }
    return RecordElsewhere(id, stamp);
  }
  // The body ends: its solids are merged in. Untrusted, each of them gets stamp 0, so that
  // the host sends it again.
  void EndBody(bool trusted);

  // Number of solids held: of the current body's, those appended or taken back count at
  // once, those waiting aside only once the body ends (as for Find).
  std::size_t size() const { return held_.size() - gone_count_; }
  // The held solid of `id`, or null.
  const SyncSolidLine* Find(std::uint32_t id) const;
  // Every solid held, in unsigned id order.
  std::span<const SyncSolidLine> InOrder() const;

  // Removes the listed ids that are held; returns them in list order, each once.
  std::span<const std::uint32_t> RemoveListed(std::span<const std::uint32_t> ids);
  // Removes every solid.
  void Clear();

 private:
  std::uint32_t& RecordElsewhere(std::uint32_t id, std::uint32_t stamp);
  void MergeArrivals();
  // Drops the places of removed solids that were not sent again.
  void Settle() const;
  bool Gone(std::size_t i) const { return i < gone_.size() && gone_[i]; }
  // The first place in held_ whose id is not below `id`, looked for from `from` on when it
  // lies there.
  std::size_t LowerBound(std::uint32_t id, std::size_t from) const;

  // Removed solids keep their places, marked in gone_, until a body ends or the record is
  // read: whatever reads it settles it first.
  mutable std::vector<SyncSolidLine> held_;
  mutable std::vector<bool> gone_;
  mutable std::size_t gone_count_ = 0;
  std::size_t body_first_ = 0;            // the first of held_ appended by the current body
  std::size_t near_ = 0;                  // where the last solid sent again was found
  std::vector<std::size_t> taken_back_;   // places the current body's solids took back
  std::vector<SyncSolidLine> arrivals_;   // the current body's solids that found no place
  std::vector<std::uint32_t> removed_;    // the last removal's ids
};

}  // namespace tarnwick
