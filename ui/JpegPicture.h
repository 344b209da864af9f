// The decoder of the product picture: libjpeg's decompressor called
// directly. Standard library and libjpeg only, so that it builds and is
// tested without any windowing library.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A decoded picture: 8-bit RGB, rows top to bottom, no padding.
struct TJpegPicture {
  std::int32_t Width = 0;
  std::int32_t Height = 0;
  std::vector<std::uint8_t> Rgb;  // Width * Height * 3 bytes
  std::string Error;              // why decoding failed; empty after success

  bool Empty() const { return Width == 0 || Height == 0; }
};

// Largest picture decoded, in pixels; a header asking for more is refused
// before anything is allocated.
inline constexpr std::int64_t MaxJpegPixels = 40'000'000;

// Decodes the JPEG file held in Data[0..Size). Grey and colour pictures both
// come out as RGB. Any fault gives an empty picture with Error set: not a
// JPEG, a header over MaxJpegPixels, and damaged or truncated data (libjpeg
// would pad a truncated picture with grey and only warn; a warning counts
// as a fault here). Never throws and never ends the process.
TJpegPicture DecodeJpeg(const std::uint8_t* Data, std::size_t Size);
