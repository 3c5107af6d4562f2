#pragma once
// Hand-made BMP files for the picture-box tests.
#include <cstdint>
#include <vector>

#include "platform/ByteBuffer.h"

namespace bmptest {

inline void Put16(ByteBuffer& b, size_t at, unsigned v) {
  b[at] = static_cast<std::uint8_t>(v);
  b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
inline void Put32(ByteBuffer& b, size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// A BMP with the given info block size and the pixel rows as stored (each
// already padded), placed right after the info block (and masks, if any).
inline ByteBuffer MakeBmp(std::uint32_t infoSize, int width, int height, int bitCount, std::uint32_t compression,
                          const ByteBuffer& rows, const std::vector<std::uint32_t>& masks = {}) {
  size_t offBits = 14 + infoSize + (infoSize == 40 ? masks.size() * 4 : 0);
  ByteBuffer b(offBits, 0);
  b[0] = 'B';
  b[1] = 'M';
  Put32(b, 2, static_cast<std::uint32_t>(offBits + rows.size()));
  Put32(b, 10, static_cast<std::uint32_t>(offBits));
  Put32(b, 14, infoSize);
  Put32(b, 18, static_cast<std::uint32_t>(width));
  Put32(b, 22, static_cast<std::uint32_t>(height));
  Put16(b, 26, 1);
  Put16(b, 28, static_cast<unsigned>(bitCount));
  Put32(b, 30, compression);
  Put32(b, 34, static_cast<std::uint32_t>(rows.size()));
  for (size_t i = 0; i < masks.size(); ++i) Put32(b, 14 + 40 + 4 * i, masks[i]);
  b.insert(b.end(), rows.begin(), rows.end());
  return b;
}

// The program's own layout: 44-byte info block, pixels at 58, 32 bits,
// bottom-up. topDownColours are 0x00RRGGBB, top row first.
inline ByteBuffer ProgramBmp32(int width, int height, const std::vector<std::uint32_t>& topDownColours) {
  ByteBuffer rows;
  for (int y = height - 1; y >= 0; --y)
    for (int x = 0; x < width; ++x) {
      std::uint32_t c = topDownColours[static_cast<size_t>(y * width + x)];
      rows.push_back(static_cast<std::uint8_t>(c));
      rows.push_back(static_cast<std::uint8_t>(c >> 8));
      rows.push_back(static_cast<std::uint8_t>(c >> 16));
      rows.push_back(0);
    }
  return MakeBmp(44, width, height, 32, 0, rows);
}

// A one-colour picture in the program's layout.
inline ByteBuffer SolidProgramBmp(int width, int height, std::uint32_t colour) {
  return ProgramBmp32(width, height, std::vector<std::uint32_t>(static_cast<size_t>(width * height), colour));
}

}  // namespace bmptest
