#include "container_writer/byte_sink.h"

#include <algorithm>
#include <cstring>

#include "formats/container_stream.h"

namespace tarnwick::container_writer {

void Sink::Bytes(const void* data, std::size_t n) {
  if (n == 0 || !ok_) return;
  Put(data, n);
  position_ += n;
}

void Sink::Zeros(std::size_t n) {
  static const char kZeros[4096] = {};
  for (std::size_t done = 0; done < n;) {
    const std::size_t k = std::min(n - done, sizeof kZeros);
    Bytes(kZeros, k);
    done += k;
  }
}

void Sink::U8(std::uint8_t value) { Bytes(&value, 1); }

void Sink::U32(std::uint32_t value) {
  unsigned char b[4];
  Store(b, value);
  Bytes(b, 4);
}

void Sink::Words(const std::uint32_t* values, std::size_t count) {
  unsigned char chunk[16384];
  for (std::size_t done = 0; done < count;) {
    const std::size_t k = std::min(count - done, sizeof chunk / 4);
    for (std::size_t i = 0; i < k; ++i) Store(chunk + 4 * i, values[done + i]);
    Bytes(chunk, 4 * k);
    done += k;
  }
}

void Sink::Units(const std::u16string& text) {
  std::vector<std::uint8_t> bytes(2 * text.size());
  EncodeUtf16Le(text.data(), text.size(), bytes.data());
  Bytes(bytes.data(), bytes.size());
}

void Sink::Counted(const std::u16string& text) {
  U32(static_cast<std::uint32_t>(text.size()));
  Units(text);
}

void Sink::PatchWords(std::uint64_t at, const std::vector<std::uint32_t>& values) {
  std::vector<unsigned char> bytes(values.size() * 4);
  for (std::size_t i = 0; i < values.size(); ++i) Store(&bytes[4 * i], values[i]);
  if (ok_ && !bytes.empty()) Patch(at, bytes.data(), bytes.size());
}

void Sink::Store(unsigned char* p, std::uint32_t value) { StoreU32(p, value); }

void StringSink::Patch(std::uint64_t at, const void* data, std::size_t n) {
  std::memcpy(out_.data() + at, data, n);
}

void StringSink::Put(const void* data, std::size_t n) {
  out_.append(static_cast<const char*>(data), n);
}

// Offsets stay below 2 GiB, so a long is wide enough on every platform.
void FileSink::Patch(std::uint64_t at, const void* data, std::size_t n) {
  if (std::fseek(file_, static_cast<long>(at), SEEK_SET) != 0 ||
      std::fwrite(data, 1, n, file_) != n ||
      std::fseek(file_, static_cast<long>(position()), SEEK_SET) != 0) {
    Fail();
  }
}

void FileSink::Put(const void* data, std::size_t n) {
  if (std::fwrite(data, 1, n, file_) != n) Fail();
}

}  // namespace tarnwick::container_writer
