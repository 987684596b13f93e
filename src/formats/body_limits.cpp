#include "formats/body_limits.h"

#include <algorithm>

#include "formats/container_stream.h"

namespace tarnwick {

BodyBudget::BodyBudget(const ContainerStream& stream, std::uint64_t body_start, ModelSink& sink)
    : stream_(stream),
      body_start_(body_start),
      sink_(sink),
      first_work_(stream.WorkBytes()),
      limit_(kBodyWorkMultiple * std::max(stream.Size(), kBodyWorkFloorBytes)) {}

bool BodyBudget::Allows() {
  if (exhausted_ || !sink_.WantsMore()) return false;
  const std::uint64_t spent = stream_.WorkBytes() - first_work_;
  if (spent <= limit_) return true;
  exhausted_ = true;
  // The budget is checked before each record, and one record costs at most
  // about twice the file's size (fetched once, handed on once), so a body
  // never costs much more than 10 times the file.
  sink_.OnBodyAbandoned("the body at " + std::to_string(body_start_) + " needs more than " +
                        std::to_string(kBodyWorkMultiple) + " times the file's " +
                        std::to_string(stream_.Size()) + " bytes; reading stopped after " +
                        std::to_string(spent) + " bytes");
  return false;
}

bool TableVisits::First(std::uint32_t offset, ContainerStream& stream) {
  const auto found = ends_.find(offset);
  if (found != ends_.end()) {
    stream.Seek(found->second);
    return false;
  }
  current_ = offset;
  return true;
}

void TableVisits::Finish(const ContainerStream& stream) {
  if (ends_.size() < kMaxRemembered) ends_[current_] = stream.Position();
}

}  // namespace tarnwick
