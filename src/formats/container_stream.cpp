#include "formats/container_stream.h"

#include <algorithm>
#include <cstring>

#include "platform/file_io.h"
#include "platform/mapped_file.h"

namespace tarnwick {

const std::uint8_t ContainerStream::kNothing[1] = {0};
const std::atomic<bool> ContainerStream::kNeverLost{false};

std::unique_ptr<ContainerStream> ContainerStream::Open(const std::u16string& path,
                                                       const char* mode, bool map_view,
                                                       std::uint64_t view_bytes) {
  std::FILE* file = OpenFile(path, mode);
  if (!file) return nullptr;
  // Every transfer is either a window refill or a large read into the caller's
  // memory, so a stdio buffer would only add a copy.
  std::setvbuf(file, nullptr, _IONBF, 0);
  std::unique_ptr<ContainerStream> stream(new ContainerStream(file));
  std::int64_t size = -1;
  if (SeekFile(file, 0, SEEK_END)) size = TellFile(file);
  stream->size_ = size > 0 ? static_cast<std::uint64_t>(size) : 0;
  SeekFile(file, 0, SEEK_SET);
  // Views of the file become the window: no copies of aligned arrays, and
  // nothing of it is the process's own memory. The views go with the stream.
  if (map_view && mode[0] == 'r') {
    stream->mapped_ = MappedFile::Map(file, stream->size_, view_bytes);
    if (stream->mapped_) {
      stream->follow_at_ = 0;
      stream->lost_ = &stream->mapped_->lost_flag();
    }
  }
  return stream;
}

std::unique_ptr<ContainerStream> ContainerStream::OverMemory(std::span<const std::uint8_t> bytes) {
  std::unique_ptr<ContainerStream> stream(new ContainerStream(nullptr));
  // The bytes are the whole window: nothing is ever fetched.
  stream->size_ = bytes.size();
  if (!bytes.empty()) stream->window_data_ = bytes.data();
  stream->window_length_ = bytes.size();
  return stream;
}

ContainerStream::ContainerStream(std::FILE* file) : file_(file) {}

ContainerStream::~ContainerStream() {
  Unmap();
  if (file_) CloseFile(file_);
}

void ContainerStream::ForgetWindow() {
  window_data_ = kNothing;
  window_start_ = 0;
  window_length_ = 0;
}

void ContainerStream::Unmap() {
  if (!mapped_) return;
  lost_ = &kNeverLost;
  mapped_.reset();
  follow_at_ = UINT64_MAX;
  ForgetWindow();
}

bool ContainerStream::Shrunk() const {
  if (!file_) return false;
  // The stream has no buffer of its own: the end is the file's end as the system sees it now.
  if (!SeekFile(file_, 0, SEEK_END)) return false;
  const std::int64_t now = TellFile(file_);
  return now >= 0 && static_cast<std::uint64_t>(now) < size_;
}

std::uint64_t ContainerStream::MaxViewBytes() const {
  return mapped_ ? size_ : std::uint64_t{kMaxViewBytes};
}

bool ContainerStream::InWindow(std::uint64_t offset, std::size_t n) const {
  return RangeHolds(window_start_, window_length_, offset, n) && !ReadFailed();
}

const std::uint8_t* ContainerStream::BytesElsewhere(std::uint64_t at, std::size_t n) {
  if (at > size_ || n > size_ - at || n > MaxViewBytes() || ReadFailed()) return nullptr;
  if (n == 0) return kNothing;
  if (mapped_ && at >= follow_at_) {
    // Where the reader has come to, so that the worker loads the bytes ahead of it.
    mapped_->Follow(at);
    follow_at_ = at + kFollowStepBytes;
  }
  if (!InWindow(at, n) && (!RefillAt(at, n) || !InWindow(at, n))) return nullptr;
  return window_data_ + (at - window_start_);
}

ContainerStream::FetchSpan ContainerStream::NextFetch(std::uint64_t position,
                                                      std::size_t needed) const {
  const std::uint64_t capacity = std::min<std::uint64_t>(kWindowBytes, size_ + 4096);
  // Starting on a 4 KiB boundary keeps 4-byte-aligned data of the file
  // 4-byte-aligned in memory, so it can go to the renderer without a copy.
  const std::uint64_t start = position & ~std::uint64_t{4095};
  // Only a read that goes on where the window ends is taken for streaming; a
  // read elsewhere (an entry the tables point at) fetches no more than it needs,
  // so that offsets jumping between far places cost a page each, not a window.
  const std::uint64_t last_end = window_start_ + window_length_;
  const bool streaming = window_length_ != 0 && position >= last_end &&
                         position - last_end < kJumpRefillBytes;
  std::uint64_t length = capacity;
  if (!streaming) length = std::max<std::uint64_t>(kJumpRefillBytes, position - start + needed);
  return {start, std::min(std::min(length, capacity), size_ > start ? size_ - start : 0)};
}

std::size_t ContainerStream::ReadFromFile(std::uint64_t offset, void* out, std::size_t n) {
  // A stream over memory holds all of its bytes in the window already; one whose views were
  // lost reads nothing more.
  if (!file_ || ReadFailed()) return 0;
  if (!SeekFile(file_, static_cast<std::int64_t>(offset), SEEK_SET)) return 0;
  std::size_t got = 0;
  ReadFileBytes(file_, out, n, got);
  fetched_bytes_ += got;
  return got;
}

bool ContainerStream::RefillAt(std::uint64_t position, std::size_t needed) {
  if (!file_) return false;
  if (mapped_) {
    if (position >= size_ || ReadFailed()) return false;
    const MappedView view = mapped_->Cover(position, std::min<std::uint64_t>(needed, size_ - position));
    if (view.data) {
      window_data_ = view.data;
      window_start_ = view.start;
      window_length_ = view.length;
      return InWindow(position, 1);
    }
    // The system refused a view: the file is read through the window from now on.
    Unmap();
  }
  if (!window_) {
    // A small file needs no more than itself and the alignment slack.
    window_capacity_ = static_cast<std::size_t>(std::min<std::uint64_t>(kWindowBytes, size_ + 4096));
    window_ = std::make_unique_for_overwrite<std::uint8_t[]>(window_capacity_);
  }
  const FetchSpan span = NextFetch(position, needed);
  window_data_ = window_.get();
  window_start_ = span.start;
  window_length_ = ReadFromFile(span.start, window_.get(), static_cast<std::size_t>(span.length));
  return InWindow(position, 1);
}

bool ContainerStream::ReadAt(std::uint64_t offset, void* out, std::size_t n) {
  if (n == 0) return true;
  bool ok = offset < size_ && n <= size_ - offset;
  // The window stays where it is: a table read in chunks between records does not move it.
  if (ok && InWindow(offset, n)) {
    std::memcpy(out, window_data_ + (offset - window_start_), n);
  } else if (ok) {
    ok = ReadFromFile(offset, out, n) == n;
  }
  // A page lost during the copy gave zeros.
  ok = ok && !ReadFailed();
  if (!ok) std::memset(out, 0, n);
  return ok;
}

bool ContainerStream::Write(std::uint64_t at, const void* data, std::size_t n) {
  if (!file_) return false;  // bytes in memory are only read
  Unmap();
  ForgetWindow();
  window_.reset();  // sized for the file as it was
  const bool written = SeekFile(file_, static_cast<std::int64_t>(at), SEEK_SET) &&
                       WriteFileBytes(file_, data, n);
  if (written) size_ = std::max(size_, at + n);
  return written;
}

bool ContainerStream::Flush() { return file_ && FlushFile(file_); }

std::uint32_t WordTable::Fetch(std::uint32_t index) {
  if (index >= count_) return 0;
  chunk_first_ = index;
  chunk_count_ = std::min(kChunkWords, count_ - index);
  stream_.ReadAt(start_ + std::uint64_t{index} * 4, chunk_.data(), std::size_t{chunk_count_} * 4);
  return LoadU32(chunk_.data());
}

}  // namespace tarnwick
