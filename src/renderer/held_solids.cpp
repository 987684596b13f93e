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
  if (!arrivals_.empty()) MergeArrivals();
  body_first_ = held_.size();
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

std::size_t HeldSolids::IndexOf(std::uint32_t id, std::size_t from) const {
  const std::size_t at = LowerBound(id, from);
  return at < held_.size() && held_[at].id == id ? at : held_.size();
}

const SyncSolidLine* HeldSolids::Find(std::uint32_t id) const {
  const std::size_t i = IndexOf(id, 0);
  return i < held_.size() ? &held_[i] : nullptr;
}

std::vector<std::uint32_t> HeldSolids::RemoveListed(std::span<const std::uint32_t> ids) {
  std::vector<std::uint32_t> removed;
  std::vector<std::size_t> places;
  std::vector<bool> gone(held_.size(), false);
  std::size_t last = 0;
  for (const std::uint32_t id : ids) {
    const std::size_t i = IndexOf(id, last);
    if (i == held_.size() || gone[i]) continue;
    gone[i] = true;
    last = i;
    removed.push_back(id);
    places.push_back(i);
  }
  if (removed.empty()) return removed;
  // The runs between the removed places close up, one move each.
  if (!std::is_sorted(places.begin(), places.end())) std::sort(places.begin(), places.end());
  places.push_back(held_.size());
  auto to = held_.begin() + static_cast<std::ptrdiff_t>(places[0]);
  for (std::size_t r = 0; r + 1 < places.size(); ++r) {
    to = std::copy(held_.begin() + static_cast<std::ptrdiff_t>(places[r] + 1),
                   held_.begin() + static_cast<std::ptrdiff_t>(places[r + 1]), to);
  }
  held_.erase(to, held_.end());
  body_first_ = held_.size();
  return removed;
}

void HeldSolids::Clear() {
  std::vector<SyncSolidLine>().swap(held_);
  std::vector<SyncSolidLine>().swap(arrivals_);
  body_first_ = 0;
}

}  // namespace tarnwick
