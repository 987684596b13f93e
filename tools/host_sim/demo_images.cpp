#include "host_sim/demo_images.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace tarnwick::host_sim {

namespace {

// The checker's colour at a pixel.
Rgb ColourAt(int x, int y, Rgb first, Rgb second) {
  return ((x / kDemoImageBlock) + (y / kDemoImageBlock)) % 2 == 0 ? first : second;
}

void PutBigEndian32(std::string& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>(value >> shift);
}

void PutLittleEndian16(std::string& out, std::uint32_t value) {
  out += static_cast<char>(value);
  out += static_cast<char>(value >> 8);
}

void PutBigEndian16(std::string& out, std::uint32_t value) {
  out += static_cast<char>(value >> 8);
  out += static_cast<char>(value);
}

std::uint32_t Crc32(const std::string& bytes) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (const char c : bytes) {
    crc ^= static_cast<std::uint8_t>(c);
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

std::uint32_t Adler32(const std::string& bytes) {
  std::uint32_t a = 1, b = 0;
  for (const char c : bytes) {
    a = (a + static_cast<std::uint8_t>(c)) % 65521u;
    b = (b + a) % 65521u;
  }
  return b << 16 | a;
}

// A PNG chunk: length, type, data, and the CRC of type and data.
void PutChunk(std::string& out, const char* type, const std::string& data) {
  PutBigEndian32(out, static_cast<std::uint32_t>(data.size()));
  const std::string typed = std::string(type) + data;
  out += typed;
  PutBigEndian32(out, Crc32(typed));
}

// Writes bits from the most significant on; a 0xFF byte is followed by a 0 (JPEG stuffing).
class BitWriter {
 public:
  explicit BitWriter(std::string& out) : out_(out) {}
  void Put(std::uint32_t bits, int count) {
    for (int i = count - 1; i >= 0; --i) {
      byte_ = static_cast<std::uint8_t>(byte_ << 1 | ((bits >> i) & 1u));
      if (++filled_ == 8) Flush();
    }
  }
  // Pads the last byte with ones.
  void Finish() {
    while (filled_ != 0) Put(1, 1);
  }

 private:
  void Flush() {
    out_ += static_cast<char>(byte_);
    if (byte_ == 0xFF) out_ += '\0';
    byte_ = 0;
    filled_ = 0;
  }
  std::string& out_;
  std::uint8_t byte_ = 0;
  int filled_ = 0;
};

// The standard DC table of luminance: code lengths 1 to 16 and the categories 0 to 11.
constexpr std::array<std::uint8_t, 16> kDcLengths = {0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0};
constexpr int kDcCategories = 12;
// The AC table holds one code, of length 1: the end of the block.
constexpr std::array<std::uint8_t, 16> kAcLengths = {1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};

struct Code {
  std::uint32_t bits = 0;
  int length = 0;
};

// The canonical codes of a table whose symbols are 0, 1, 2, ... in order.
std::vector<Code> CanonicalCodes(const std::array<std::uint8_t, 16>& lengths) {
  std::vector<Code> codes;
  std::uint32_t code = 0;
  for (int length = 1; length <= 16; ++length) {
    for (int i = 0; i < lengths[length - 1]; ++i) codes.push_back({code++, length});
    code <<= 1;
  }
  return codes;
}

void PutSegment(std::string& out, std::uint8_t marker, const std::string& data) {
  out += '\xFF';
  out += static_cast<char>(marker);
  PutBigEndian16(out, static_cast<std::uint32_t>(data.size() + 2));
  out += data;
}

std::string HuffmanTable(std::uint8_t class_and_id, const std::array<std::uint8_t, 16>& lengths,
                         int symbols) {
  std::string data(1, static_cast<char>(class_and_id));
  for (const std::uint8_t n : lengths) data += static_cast<char>(n);
  for (int symbol = 0; symbol < symbols; ++symbol) data += static_cast<char>(symbol);
  return data;
}

// Y, Cb and Cr of a colour (JFIF), less 128: a flat block's DC value is 8 times that.
std::array<int, 3> LevelShiftedYCbCr(Rgb c) {
  const double r = c.r, g = c.g, b = c.b;
  const double values[3] = {0.299 * r + 0.587 * g + 0.114 * b,
                            128 - 0.168736 * r - 0.331264 * g + 0.5 * b,
                            128 + 0.5 * r - 0.418688 * g - 0.081312 * b};
  std::array<int, 3> shifted{};
  for (int i = 0; i < 3; ++i) shifted[i] = std::clamp(static_cast<int>(std::lround(values[i])), 0, 255) - 128;
  return shifted;
}

// A DC difference: its category's code, then the category's bits of the value.
void PutDc(BitWriter& bits, const std::vector<Code>& dc, int difference) {
  int category = 0;
  for (int magnitude = std::abs(difference); magnitude != 0; magnitude >>= 1) ++category;
  bits.Put(dc[category].bits, dc[category].length);
  const int value = difference >= 0 ? difference : difference + (1 << category) - 1;
  bits.Put(static_cast<std::uint32_t>(value), category);
}

std::string JpegHeaders() {
  std::string out = "\xFF\xD8";
  PutSegment(out, 0xE0, std::string("JFIF\0\x01\x01\x00\x00\x01\x00\x01\x00\x00", 14));
  PutSegment(out, 0xDB, std::string(1, '\0') + std::string(64, '\x01'));  // no quantisation
  std::string frame = "\x08";
  PutBigEndian16(frame, kDemoImageSide);
  PutBigEndian16(frame, kDemoImageSide);
  frame += std::string("\x03\x01\x11\x00\x02\x11\x00\x03\x11\x00", 10);
  PutSegment(out, 0xC0, frame);
  PutSegment(out, 0xC4, HuffmanTable(0x00, kDcLengths, kDcCategories));
  PutSegment(out, 0xC4, HuffmanTable(0x10, kAcLengths, 1));
  PutSegment(out, 0xDA, std::string("\x03\x01\x00\x02\x00\x03\x00\x00\x3F\x00", 10));
  return out;
}

}  // namespace

std::string CheckerPng(Rgb first, Rgb second) {
  std::string rows;
  for (int y = 0; y < kDemoImageSide; ++y) {
    rows += '\0';  // no filter
    for (int x = 0; x < kDemoImageSide; ++x) {
      const Rgb c = ColourAt(x, y, first, second);
      rows += {static_cast<char>(c.r), static_cast<char>(c.g), static_cast<char>(c.b)};
    }
  }
  // One stored deflate block: the rows are far below its 65535 bytes.
  std::string zlib = "\x78\x01\x01";
  PutLittleEndian16(zlib, static_cast<std::uint32_t>(rows.size()));
  PutLittleEndian16(zlib, static_cast<std::uint32_t>(~rows.size() & 0xFFFFu));
  zlib += rows;
  PutBigEndian32(zlib, Adler32(rows));
  std::string header;
  PutBigEndian32(header, kDemoImageSide);
  PutBigEndian32(header, kDemoImageSide);
  header += std::string("\x08\x02\x00\x00\x00", 5);  // 8-bit RGB, no interlace
  std::string out = "\x89PNG\r\n\x1A\n";
  PutChunk(out, "IHDR", header);
  PutChunk(out, "IDAT", zlib);
  PutChunk(out, "IEND", "");
  return out;
}

std::string CheckerJpeg(Rgb first, Rgb second) {
  std::string out = JpegHeaders();
  const std::vector<Code> dc = CanonicalCodes(kDcLengths);
  const Code end_of_block = CanonicalCodes(kAcLengths)[0];
  BitWriter bits(out);
  std::array<int, 3> previous{};
  for (int y = 0; y < kDemoImageSide; y += kDemoImageBlock) {
    for (int x = 0; x < kDemoImageSide; x += kDemoImageBlock) {
      const std::array<int, 3> levels = LevelShiftedYCbCr(ColourAt(x, y, first, second));
      for (int component = 0; component < 3; ++component) {
        const int value = 8 * levels[component];
        PutDc(bits, dc, value - previous[component]);
        previous[component] = value;
        bits.Put(end_of_block.bits, end_of_block.length);
      }
    }
  }
  bits.Finish();
  return out + "\xFF\xD9";
}

}  // namespace tarnwick::host_sim
