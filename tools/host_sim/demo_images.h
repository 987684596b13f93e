// Small real pictures for the demonstration's textures, written without any
// image library: a PNG (8-bit RGB, stored deflate blocks) and a baseline JPEG
// (8x8 blocks of one colour each, so that every block is its DC value alone).
// Both show a checker of two colours, a block wide.
#pragma once

#include <cstdint>
#include <string>

namespace tarnwick::host_sim {

// An 8-bit RGB colour.
struct Rgb {
  std::uint8_t r = 0, g = 0, b = 0;
};

// Side of the pictures in pixels, and of one checker square.
inline constexpr int kDemoImageSide = 16;
inline constexpr int kDemoImageBlock = 8;

// A PNG file of a kDemoImageSide square checker of the two colours.
std::string CheckerPng(Rgb first, Rgb second);

// A baseline JPEG file of the same checker.
std::string CheckerJpeg(Rgb first, Rgb second);

}  // namespace tarnwick::host_sim
