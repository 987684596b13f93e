#include "formats/container_stream.h"

#include <algorithm>
#include <cstring>

#include "platform/file_io.h"

namespace tarnwick {

std::unique_ptr<ContainerStream> ContainerStream::Open(const std::u16string& path,
                                                       const char* mode) {
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
  return stream;
}

std::unique_ptr<ContainerStream> ContainerStream::OverMemory(std::span<const std::uint8_t> bytes) {
  std::unique_ptr<ContainerStream> stream(new ContainerStream(nullptr));
  stream->memory_ = bytes;
  stream->size_ = bytes.size();
  return stream;
}

ContainerStream::ContainerStream(std::FILE* file) : file_(file) {}

ContainerStream::~ContainerStream() {
  if (file_) std::fclose(file_);
}

bool ContainerStream::InWindow(std::uint64_t offset, std::size_t n) const {
  return offset >= window_start_ && offset - window_start_ <= window_length_ &&
         n <= window_length_ - (offset - window_start_);
}

std::size_t ContainerStream::ReadFromFile(std::uint64_t offset, void* out, std::size_t n) {
  std::size_t got = 0;
  if (!file_) {
    if (offset < memory_.size()) {
      got = static_cast<std::size_t>(std::min<std::uint64_t>(n, memory_.size() - offset));
      std::memcpy(out, memory_.data() + offset, got);
    }
  } else if (SeekFile(file_, static_cast<std::int64_t>(offset), SEEK_SET)) {
    got = std::fread(out, 1, n, file_);
  }
  work_bytes_ += got;
  return got;
}

bool ContainerStream::RefillAt(std::uint64_t position, std::size_t needed) {
  if (!window_) {
    // A small file needs no more than itself and the alignment slack.
    window_capacity_ = static_cast<std::size_t>(std::min<std::uint64_t>(kWindowBytes, size_ + 4096));
    window_ = std::make_unique_for_overwrite<std::uint8_t[]>(window_capacity_);
  }
  // Starting on a 4 KiB boundary keeps 4-byte-aligned data of the file
  // 4-byte-aligned in memory, so it can go to the renderer without a copy.
  const std::uint64_t start = position & ~std::uint64_t{4095};
  // Only a read that goes on where the window ends is taken for streaming; a
  // read elsewhere (an entry the tables point at) fetches no more than it needs,
  // so that offsets jumping between far places cost a page each, not a window.
  const bool streaming = window_length_ != 0 && position >= window_start_ + window_length_ &&
                         position - (window_start_ + window_length_) < kJumpRefillBytes;
  std::uint64_t length = window_capacity_;
  if (!streaming) length = std::max<std::uint64_t>(kJumpRefillBytes, position - start + needed);
  const std::uint64_t want = std::min<std::uint64_t>(
      std::min<std::uint64_t>(length, window_capacity_), size_ > start ? size_ - start : 0);
  window_start_ = start;
  window_length_ = ReadFromFile(start, window_.get(), static_cast<std::size_t>(want));
  return InWindow(position, 1);
}

bool ContainerStream::Read(void* out, std::size_t n) {
  if (n == 0) return true;
  auto* dst = static_cast<std::uint8_t*>(out);
  std::size_t done = 0;
  if (n <= Remaining()) {
    while (done < n) {
      const std::uint64_t at = position_ + done;
      const std::size_t left = n - done;
      if (!InWindow(at, 1)) {
        if (left >= kWindowBytes / 2) {
          if (ReadFromFile(at, dst + done, left) == left) done = n;
          break;
        }
        if (!RefillAt(at, left)) break;
      }
      const std::size_t k = std::min<std::uint64_t>(left, window_start_ + window_length_ - at);
      std::memcpy(dst + done, window_.get() + (at - window_start_), k);
      done += k;
    }
  }
  work_bytes_ += n;
  if (done == n) {
    position_ += n;
    return true;
  }
  std::memset(out, 0, n);
  position_ = std::max(position_, size_);
  return false;
}

bool ContainerStream::ReadAt(std::uint64_t offset, void* out, std::size_t n) {
  if (n == 0) return true;
  work_bytes_ += n;
  bool ok = offset < size_ && n <= size_ - offset;
  if (ok && InWindow(offset, n)) {
    std::memcpy(out, window_.get() + (offset - window_start_), n);
    return true;
  }
  if (ok) ok = ReadFromFile(offset, out, n) == n;
  if (!ok) std::memset(out, 0, n);
  return ok;
}

const std::uint8_t* ContainerStream::View(std::size_t n) {
  static const std::uint8_t kNothing = 0;
  if (n == 0) return &kNothing;
  if (n > kMaxViewBytes || n > Remaining()) return nullptr;
  if (!InWindow(position_, n) && (!RefillAt(position_, n) || !InWindow(position_, n))) {
    return nullptr;
  }
  work_bytes_ += n;
  const std::uint8_t* p = window_.get() + (position_ - window_start_);
  position_ += n;
  return p;
}

std::uint8_t ContainerStream::ReadU8() {
  std::uint8_t b = 0;
  Read(&b, 1);
  return b;
}

std::uint32_t ContainerStream::ReadU32() {
  if (InWindow(position_, 4)) {
    const std::uint32_t value = LoadU32(window_.get() + (position_ - window_start_));
    position_ += 4;
    work_bytes_ += 4;
    return value;
  }
  std::uint8_t b[4];
  Read(b, 4);
  return LoadU32(b);
}

std::uint32_t ContainerStream::ReadCount(std::uint32_t element_bytes) {
  const std::uint32_t count = ReadU32();
  return std::uint64_t{count} * element_bytes <= Remaining() ? count : 0;
}

std::u16string ContainerStream::ReadUtf16(std::uint32_t units) {
  std::uint64_t bytes = std::uint64_t{units} * 2;
  if (bytes > Remaining()) {
    position_ = std::max(position_, size_);
    return {};
  }
  std::u16string text(units, u'\0');
  char16_t* out = text.data();
  while (bytes > 0) {
    const std::size_t chunk = static_cast<std::size_t>(std::min<std::uint64_t>(bytes, 1 << 20));
    const std::uint8_t* p = View(chunk);
    if (!p) {  // the file shrank under us
      position_ = std::max(position_, size_);
      return {};
    }
    for (std::size_t i = 0; i < chunk; i += 2) {
      *out++ = static_cast<char16_t>(p[i] | p[i + 1] << 8);
    }
    bytes -= chunk;
  }
  return text;
}

std::u16string ContainerStream::ReadCountedString() { return ReadUtf16(ReadCount(2)); }

void ContainerStream::SkipCountedString() { Skip(std::uint64_t{ReadCount(2)} * 2); }

bool ContainerStream::Write(const void* data, std::size_t n) {
  if (!file_) return false;  // bytes in memory are only read
  window_length_ = 0;
  window_.reset();  // sized for the file as it was
  std::size_t written = 0;
  if (SeekFile(file_, static_cast<std::int64_t>(position_), SEEK_SET)) {
    written = std::fwrite(data, 1, n, file_);
  }
  position_ += written;
  size_ = std::max(size_, position_);
  return written == n;
}

bool ContainerStream::WriteU32(std::uint32_t value) {
  std::uint8_t b[4];
  StoreU32(b, value);
  return Write(b, 4);
}

bool ContainerStream::Flush() { return file_ && std::fflush(file_) == 0; }

WordTable::WordTable(ContainerStream& stream) : stream_(stream) {
  count_ = stream.ReadCount(4);
  start_ = stream.Position();
  stream.Skip(std::uint64_t{count_} * 4);
}

std::uint32_t WordTable::operator[](std::uint32_t index) {
  if (index >= count_) return 0;
  if (index < chunk_first_ || index - chunk_first_ >= chunk_count_) {
    chunk_first_ = index;
    chunk_count_ = std::min(kChunkWords, count_ - index);
    stream_.ReadAt(start_ + std::uint64_t{index} * 4, chunk_.data(), std::size_t{chunk_count_} * 4);
  }
  return LoadU32(chunk_.data() + std::size_t{index - chunk_first_} * 4);
}

}  // namespace tarnwick
