#include "renderer/held_solids.h"

#include <algorithm>

namespace tarnwick {

namespace {

bool ById(const SyncSolidLine& a, const SyncSolidLine& b) { return a.id < b.id; }

}  // namespace

void HeldSolids::BeginBody() {
  body_first_ = held_.size();
  near_ = 0;
  taken_back_.clear();
}

std::uint32_t& HeldSolids::RecordElsewhere(std::uint32_t id, std::uint32_t stamp) {
  if (held_.empty() || id > held_.back().id) {
    held_.push_back({id, stamp});
    return held_.back().time_stamp;
  }
  // A solid sent again, removed by the update before or not, takes its own place back:
  // an update's changed solids ascend, and each is looked for a little after the last.
  const std::size_t at = LowerBound(id, near_);
  if (held_[at].id == id) {
    near_ = at;
    if (Gone(at)) {
      gone_[at] = false;
      --gone_count_;
    }
    if (at < body_first_) taken_back_.push_back(at);
    held_[at].time_stamp = stamp;
    return held_[at].time_stamp;
  }
  arrivals_.push_back({id, stamp});
  return arrivals_.back().time_stamp;
}

void HeldSolids::EndBody(bool trusted) {
  if (!trusted) {
    for (std::size_t i = body_first_; i < held_.size(); ++i) held_[i].time_stamp = 0;
    for (const std::size_t i : taken_back_) held_[i].time_stamp = 0;
    for (SyncSolidLine& solid : arrivals_) solid.time_stamp = 0;
  }
  taken_back_.clear();
  Settle();
  if (!arrivals_.empty()) MergeArrivals();
  body_first_ = held_.size();
}

std::span<const SyncSolidLine> HeldSolids::InOrder() const {
  Settle();
  return held_;
}

void HeldSolids::Settle() const {
  if (gone_count_ != 0) {
    std::size_t kept = 0;
    for (std::size_t i = 0; i < held_.size(); ++i) {
      if (!Gone(i)) held_[kept++] = held_[i];
    }
    held_.resize(kept);
  }
  gone_.clear();
  gone_count_ = 0;
}

void HeldSolids::MergeArrivals() {
  // A later arrival of an id replaces an earlier one, and either replaces the id held. An
  // update sends its changed solids by ascending id as a rule: they need no sorting.
  if (!std::is_sorted(arrivals_.begin(), arrivals_.end(), ById)) {
    std::stable_sort(arrivals_.begin(), arrivals_.end(), ById);
  }
  std::size_t kept = 0;
  for (std::size_t i = 0; i < arrivals_.size(); ++i) {
    if (i + 1 < arrivals_.size() && arrivals_[i + 1].id == arrivals_[i].id) continue;
    arrivals_[kept++] = arrivals_[i];
  }
  arrivals_.resize(kept);
  // Merged from the back, in place, the held solids moving a run at a time: an id held and
  // arriving again keeps one place.
  std::vector<std::size_t> bounds(arrivals_.size());
  std::size_t replaced = 0;
  std::size_t near = 0;
  for (std::size_t a = 0; a < arrivals_.size(); ++a) {
    near = bounds[a] = LowerBound(arrivals_[a].id, near);
    replaced += near < held_.size() && held_[near].id == arrivals_[a].id;
  }
  std::size_t from = held_.size();
  held_.resize(held_.size() + arrivals_.size() - replaced);
  auto to = held_.end();
  for (std::size_t a = arrivals_.size(); a-- > 0;) {
    const std::size_t bound = bounds[a];
    const bool again = bound < from && held_[bound].id == arrivals_[a].id;
    to = std::copy_backward(held_.begin() + static_cast<std::ptrdiff_t>(bound + again),
                            held_.begin() + static_cast<std::ptrdiff_t>(from), to);
    *--to = arrivals_[a];
    from = bound;
  }
  std::vector<SyncSolidLine>().swap(arrivals_);
}

std::size_t HeldSolids::LowerBound(std::uint32_t id, std::size_t from) const {
  auto first = held_.begin();
  auto last = held_.end();
  // Removal lists and updates ascend as a rule: the next id lies a little after the last
  // one found, and is looked for in a range that doubles from there.
  if (from < held_.size() && held_[from].id <= id) {
    // Distinct ids in order lie at most as many places apart as their difference, and ids
    // a host gives out one after another exactly that far: looked at there first, and
    // never searched for beyond.
    const std::size_t guess =
        from + std::min<std::size_t>(id - held_[from].id, held_.size() - 1 - from);
    if (held_[guess].id == id) return guess;
    last = held_.begin() + static_cast<std::ptrdiff_t>(guess + 1);
    first += static_cast<std::ptrdiff_t>(from);
    std::size_t step = 1;
    while (static_cast<std::size_t>(last - first) > step && first[step].id <= id) {
      first += static_cast<std::ptrdiff_t>(step);
      step *= 2;
    }
    last = first + static_cast<std::ptrdiff_t>(std::min<std::size_t>(step + 1, last - first));
  }
  return static_cast<std::size_t>(
      std::lower_bound(first, last, SyncSolidLine{id, 0}, ById) - held_.begin());
}

const SyncSolidLine* HeldSolids::Find(std::uint32_t id) const {
  const std::size_t at = LowerBound(id, 0);
  return at < held_.size() && held_[at].id == id && !Gone(at) ? &held_[at] : nullptr;
}

std::span<const std::uint32_t> HeldSolids::RemoveListed(std::span<const std::uint32_t> ids) {
  removed_.clear();
  // A removed solid keeps its place until the body that follows has had the chance to
  // send it again: nothing moves for the solids an update changes.
  if (gone_.size() < held_.size()) gone_.resize(held_.size(), false);
  std::size_t near = 0;
  for (const std::uint32_t id : ids) {
    const std::size_t at = LowerBound(id, near);
    if (at == held_.size() || held_[at].id != id || gone_[at]) continue;
    gone_[at] = true;
    ++gone_count_;
    near = at;
    removed_.push_back(id);
  }
  return removed_;
}

void HeldSolids::Clear() {
  std::vector<SyncSolidLine>().swap(held_);
  std::vector<SyncSolidLine>().swap(arrivals_);
  std::vector<bool>().swap(gone_);
  std::vector<std::uint32_t>().swap(removed_);
  taken_back_.clear();
  gone_count_ = 0;
  body_first_ = 0;
  near_ = 0;
}

}  // namespace tarnwick
