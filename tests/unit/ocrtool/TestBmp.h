#pragma once
// Builders of BMP files for the recogniser's tests: the 58-byte-header layout
// the capture command writes (14 + 44, pixels from 58, bottom-up) and the
// standard ones, from a grid of 0xRRGGBB colours given top row first.
#include <cstdint>
#include <vector>

#include "platform/ByteBuffer.h"

struct Colours {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> rgb;  // top row first
  std::uint32_t At(int x, int y) const { return rgb[static_cast<size_t>(y) * width + x]; }
};

inline void PutU16(ByteBuffer& b, size_t at, std::uint32_t v) {
  b[at] = static_cast<std::uint8_t>(v);
  b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
inline void PutU32(ByteBuffer& b, size_t at, std::uint32_t v) {
  for (int k = 0; k < 4; ++k) b[at + k] = static_cast<std::uint8_t>(v >> (8 * k));
}

struct BmpShape {
  std::uint32_t infoSize = 44;  // 44: the capture command's layout
  int bits = 32;                // 16 (5-5-5 or 5-6-5 with bitfields), 24, 32
  bool topDown = false;
  bool bitfields = false;       // BI_BITFIELDS with 5-6-5 (16) or 8-8-8 (32) masks
};

inline std::uint32_t PackPixel(std::uint32_t rgb, const BmpShape& shape) {
  std::uint32_t r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
  if (shape.bits == 16)
    return shape.bitfields ? ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3) : ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3);
  return rgb;
}

inline ByteBuffer MakeBmp(const Colours& c, const BmpShape& shape) {
  const bool masksAfterHeader = shape.bitfields && shape.infoSize < 52;
  const std::uint32_t offBits = 14 + shape.infoSize + (masksAfterHeader ? 12 : 0);
  const size_t stride = (static_cast<size_t>(c.width) * shape.bits + 31) / 32 * 4;
  ByteBuffer b(offBits + stride * c.height, 0);
  b[0] = 'B';
  b[1] = 'M';
  PutU32(b, 2, static_cast<std::uint32_t>(b.size()));
  PutU32(b, 10, offBits);
  PutU32(b, 14, shape.infoSize);
  PutU32(b, 18, static_cast<std::uint32_t>(c.width));
  PutU32(b, 22, static_cast<std::uint32_t>(shape.topDown ? -c.height : c.height));
  PutU16(b, 26, 1);
  PutU16(b, 28, static_cast<std::uint32_t>(shape.bits));
  PutU32(b, 30, shape.bitfields ? 3 : 0);
  PutU32(b, 34, static_cast<std::uint32_t>(stride * c.height));
  if (shape.bitfields) {
    std::uint32_t masks[3] = {0xF800, 0x07E0, 0x001F};
    if (shape.bits == 32) masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF;
    for (int k = 0; k < 3; ++k) PutU32(b, 54 + 4 * k, masks[k]);
  }
  for (int y = 0; y < c.height; ++y) {
    size_t row = offBits + stride * static_cast<size_t>(shape.topDown ? y : c.height - 1 - y);
    for (int x = 0; x < c.width; ++x) {
      std::uint32_t v = PackPixel(c.At(x, y), shape);
      for (int k = 0; k < shape.bits / 8; ++k) b[row + static_cast<size_t>(x) * (shape.bits / 8) + k] = static_cast<std::uint8_t>(v >> (8 * k));
    }
  }
  return b;
}
