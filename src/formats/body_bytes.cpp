#include "formats/body_bytes.h"

#include <algorithm>

namespace tarnwick {

void BodyBytes::Refuse(std::uint64_t count_at, std::uint32_t count) {
  if (!stopped_) sink_.OnCountRefused(count_at, count);
  stopped_ = true;
}

bool BodyBytes::CopyText(std::uint64_t at, std::uint32_t units, std::u16string& out) {
  out.resize(units);
  std::uint64_t done = 0;
  while (done < units) {
    const std::uint64_t chunk = std::min<std::uint64_t>(units - done, kTextChunkBytes / 2);
    const std::uint8_t* bytes = Fixed(at + 2 * done, static_cast<std::size_t>(2 * chunk));
    if (!bytes) return false;
    DecodeUtf16Le(bytes, out.data() + done, static_cast<std::size_t>(chunk));
    done += chunk;
  }
  return true;
}

void BodyBytes::Fail() {
  if (!stopped_) sink_.OnReadFailed(false);
  stopped_ = true;
}

void BodyBytes::StopAt(std::uint64_t at, std::size_t n) {
  if (stopped_) return;
  const std::uint64_t size = stream_.Size();
  // Bytes inside the file that cannot be had: the file is not what it was at open.
  if (at <= size && n <= size - at) {
    Fail();
  } else {
    stopped_ = true;
    sink_.OnReadPastEnd(at);
  }
}

const std::uint8_t* BodyBytes::CopyField(std::uint64_t at, std::size_t n) {
  // Copied without moving the window: a record's run stays the stream's bytes.
  if (n <= kFieldBytes && stream_.ReadAt(at, field_, n)) return field_;
  StopAt(at, n);
  return nullptr;
}

}  // namespace tarnwick
