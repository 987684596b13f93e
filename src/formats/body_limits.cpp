#include "formats/body_limits.h"

#include <algorithm>

#include "formats/container_stream.h"

namespace tarnwick {

std::uint64_t BodyWorkLimit(std::uint64_t file_size) {
  return std::max(kBodyWorkMultiple * file_size, kBodyWorkFloorBytes);
}

std::uint64_t BodyTextLimit(std::uint64_t file_size) {
  return kTextWorkMultiple * std::max(file_size, kTextWorkFloorBytes);
}

BodyBudget::BodyBudget(std::uint64_t file_size, std::uint64_t body_start, ModelSink& sink)
    : file_size_(file_size),
      body_start_(body_start),
      sink_(sink),
      limit_(BodyWorkLimit(file_size)),
      text_limit_(BodyTextLimit(file_size)) {}

bool BodyBudget::Allows() {
  if (exhausted_ || !sink_.WantsMore()) return false;
  const bool texts_over = work_.text > text_limit_;
  if (work_.handed <= limit_ && !texts_over) return true;
  exhausted_ = true;
  // The budget is checked before each entry, and one entry hands on at most about the
  // file's size (a part's arrays, a text), so a body never costs much more than its limit.
  const std::string size = std::to_string(file_size_);
  const std::string what =
      texts_over ? "more than " + std::to_string(text_limit_) + " bytes of text (" +
                       std::to_string(kTextWorkMultiple) + " times the file's " + size + " bytes)"
                 : "more than " + std::to_string(limit_) + " bytes of work (" +
                       std::to_string(kBodyWorkMultiple) + " times the file's " + size +
                       " bytes, at least 4 GiB)";
  sink_.OnBodyAbandoned("the body at " + std::to_string(body_start_) + " needs " + what +
                        "; reading stopped after " + std::to_string(work_.handed) + " bytes");
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
