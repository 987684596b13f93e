// The demonstration's pictures read back without an image library: the PNG's
// chunks and rows, and the JPEG's blocks decoded with the DC codes as the JPEG
// standard lists them (its table K.3), not as the writer derives them.
#include "host_sim/demo_images.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "host_sim/demo_assets.h"

namespace tarnwick::host_sim {
namespace {

constexpr Rgb kFirst{153, 64, 51};
constexpr Rgb kSecond{40, 95, 30};

std::uint32_t BigEndian32(const std::string& bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (int i = 0; i < 4; ++i) value = value << 8 | static_cast<std::uint8_t>(bytes[at + i]);
  return value;
}

TEST(DemoImagesTest, ThePngHoldsTheCheckerInOneStoredBlock) {
  const std::string png = CheckerPng(kFirst, kSecond);
  ASSERT_EQ(png.substr(0, 8), "\x89PNG\r\n\x1A\n");
  EXPECT_EQ(png.substr(12, 4), "IHDR");
  EXPECT_EQ(BigEndian32(png, 16), 16u);
  EXPECT_EQ(BigEndian32(png, 20), 16u);
  EXPECT_EQ(png.substr(24, 2), std::string("\x08\x02", 2));  // 8-bit RGB
  const std::size_t idat = png.find("IDAT");
  ASSERT_NE(idat, std::string::npos);
  // zlib header, a final stored block and its length: 16 rows of a filter byte and 48 bytes.
  const std::string rows = png.substr(idat + 4 + 2 + 5, 16 * 49);
  EXPECT_EQ(static_cast<std::uint8_t>(png[idat + 6]), 1u);
  for (int y = 0; y < 16; ++y) {
    EXPECT_EQ(rows[y * 49], '\0');
    for (int x = 0; x < 16; ++x) {
      const Rgb expected = ((x / 8) + (y / 8)) % 2 == 0 ? kFirst : kSecond;
      const auto* pixel = reinterpret_cast<const std::uint8_t*>(rows.data() + y * 49 + 1 + 3 * x);
      ASSERT_EQ(pixel[0], expected.r) << x << "," << y;
      ASSERT_EQ(pixel[2], expected.b) << x << "," << y;
    }
  }
  EXPECT_TRUE(png.ends_with(std::string("IEND\xAE\x42\x60\x82", 8)));
}

// Reads the entropy-coded bits after the scan header, dropping the stuffed zero bytes.
class Bits {
 public:
  explicit Bits(const std::string& data) : data_(data) {}
  int Next() {
    if (bit_ == 8) {
      bit_ = 0;
      if (static_cast<std::uint8_t>(data_[at_]) == 0xFF) ++at_;  // the stuffed zero
      ++at_;
    }
    return (static_cast<std::uint8_t>(data_[at_]) >> (7 - bit_++)) & 1;
  }
  int Read(int n) {
    int value = 0;
    while (n-- > 0) value = value << 1 | Next();
    return value;
  }

 private:
  const std::string& data_;
  std::size_t at_ = 0;
  int bit_ = 0;
};

// The DC difference that follows: its category by table K.3's codes, then its bits.
int DcDifference(Bits& bits) {
  static const std::vector<std::string> kCodes = {"00",     "010",     "011",      "100",
                                                  "101",    "110",     "1110",     "11110",
                                                  "111110", "1111110", "11111110", "111111110"};
  std::string code;
  for (;;) {
    code += static_cast<char>('0' + bits.Next());
    for (std::size_t category = 0; category < kCodes.size(); ++category) {
      if (code != kCodes[category]) continue;
      const int n = static_cast<int>(category);
      const int value = bits.Read(n);
      return n == 0 ? 0 : value >= (1 << (n - 1)) ? value : value - (1 << n) + 1;
    }
    if (code.size() > 9) return 1 << 20;
  }
}

TEST(DemoImagesTest, TheJpegBlocksAreTheCheckersColours) {
  const std::string jpeg = CheckerJpeg(kFirst, kSecond);
  ASSERT_EQ(jpeg.substr(0, 2), "\xFF\xD8");
  ASSERT_TRUE(jpeg.ends_with("\xFF\xD9"));
  const std::size_t frame = jpeg.find("\xFF\xC0");
  ASSERT_NE(frame, std::string::npos);
  EXPECT_EQ(jpeg.substr(frame + 4, 6), std::string("\x08\x00\x10\x00\x10\x03", 6));
  const std::size_t scan = jpeg.find("\xFF\xDA");
  ASSERT_NE(scan, std::string::npos);
  const std::string data = jpeg.substr(scan + 2 + 12, jpeg.size() - 2 - (scan + 2 + 12));
  Bits bits(data);
  int dc[3] = {};
  for (int block = 0; block < 4; ++block) {
    const Rgb c = (block % 2 + block / 2) % 2 == 0 ? kFirst : kSecond;
    const double luma = 0.299 * c.r + 0.587 * c.g + 0.114 * c.b;
    const double blue = 128 - 0.168736 * c.r - 0.331264 * c.g + 0.5 * c.b;
    const double red = 128 + 0.5 * c.r - 0.418688 * c.g - 0.081312 * c.b;
    const double expected[3] = {luma, blue, red};
    for (int component = 0; component < 3; ++component) {
      dc[component] += DcDifference(bits);
      EXPECT_NEAR(dc[component] / 8.0 + 128, expected[component], 0.6) << block << "/" << component;
      EXPECT_EQ(bits.Next(), 0) << "the end of the block";
    }
  }
}

TEST(DemoImagesTest, EveryAssetIsAPictureOrAnIesProfile) {
  for (const DemoAsset& asset : DemoAssets()) {
    if (asset.path.ends_with(".png")) {
      EXPECT_TRUE(asset.bytes.starts_with("\x89PNG")) << asset.path;
    } else if (asset.path.ends_with(".jpg")) {
      EXPECT_TRUE(asset.bytes.starts_with("\xFF\xD8\xFF\xE0")) << asset.path;
    } else {
      EXPECT_TRUE(asset.path.starts_with("IES/")) << asset.path;
      EXPECT_TRUE(asset.bytes.starts_with("IESNA:LM-63-2002\r\n")) << asset.path;
      EXPECT_NE(asset.bytes.find("\r\nTILT=NONE\r\n"), std::string::npos);
    }
  }
}

}  // namespace
}  // namespace tarnwick::host_sim
