#include "renderer/held_solids.h"

#include <algorithm>

namespace tarnwick {

namespace {

bool ById(const SyncSolidLine& a, const SyncSolidLine& b) { return a.id < b.id; }

}  // namespace

void HeldSolids::BeginBody() { body_first_ = held_.size(); }

std::uint32_t& HeldSolids::RecordElsewhere(std::uint32_t id, std::uint32_t stamp) {
  if (held_.empty() || id > held_.back().id) {
    held_.push_back({id, stamp});
    return held_.back().time_stamp;
  }
  arrivals_.push_back({id, stamp});
  return arrivals_.back().time_stamp;
}

void HeldSolids::EndBody(bool trusted) {
  if (!trusted) {
    for (std::size_t i = body_first_; i < held_.size(); ++i) held_[i].time_stamp = 0;
    for (SyncSolidLine& solid : arrivals_) solid.time_stamp = 0;
  }
  body_first_ = held_.size();
  if (arrivals_.empty()) return;
  // A later arrival of an id replaces an earlier one, and either replaces the id held.
  std::stable_sort(arrivals_.begin(), arrivals_.end(), ById);
  std::vector<SyncSolidLine> merged;
  merged.reserve(held_.size() + arrivals_.size());
  auto held = held_.begin();
  for (auto arrival = arrivals_.begin(); arrival != arrivals_.end(); ++arrival) {
    if (arrival + 1 != arrivals_.end() && arrival[1].id == arrival->id) continue;
    while (held != held_.end() && held->id < arrival->id) merged.push_back(*held++);
    if (held != held_.end() && held->id == arrival->id) ++held;
    merged.push_back(*arrival);
  }
  merged.insert(merged.end(), held, held_.end());
  held_.swap(merged);
  body_first_ = held_.size();
  std::vector<SyncSolidLine>().swap(arrivals_);
}

std::size_t HeldSolids::IndexOf(std::uint32_t id, std::size_t from) const {
  auto first = held_.begin();
  // Removal lists ascend as a rule: the next id lies just after the last one found.
  if (from < held_.size() && held_[from].id <= id) first += static_cast<std::ptrdiff_t>(from);
  const auto found = std::lower_bound(first, held_.end(), SyncSolidLine{id, 0}, ById);
  return found != held_.end() && found->id == id ? static_cast<std::size_t>(found - held_.begin())
                                                 : held_.size();
}

const SyncSolidLine* HeldSolids::Find(std::uint32_t id) const {
  const std::size_t i = IndexOf(id, 0);
  return i < held_.size() ? &held_[i] : nullptr;
}

std::vector<std::uint32_t> HeldSolids::RemoveListed(std::span<const std::uint32_t> ids) {
  std::vector<std::uint32_t> removed;
  std::vector<bool> gone(held_.size(), false);
  std::size_t last = 0;
  for (const std::uint32_t id : ids) {
    const std::size_t i = IndexOf(id, last);
    if (i == held_.size() || gone[i]) continue;
    gone[i] = true;
    last = i;
    removed.push_back(id);
  }
  if (removed.empty()) return removed;
  std::size_t kept = 0;
  for (std::size_t i = 0; i < held_.size(); ++i) {
    if (!gone[i]) held_[kept++] = held_[i];
  }
  held_.resize(kept);
  body_first_ = kept;
  return removed;
}

void HeldSolids::Clear() {
  std::vector<SyncSolidLine>().swap(held_);
  std::vector<SyncSolidLine>().swap(arrivals_);
  body_first_ = 0;
}

}  // namespace tarnwick
