#pragma once
// The picture box's own BMP reader. It takes the layout the program writes
// (a 44-byte info block, pixels from bfOffBits) as well as ordinary BMP files
// with 40-, 108- or 124-byte headers, 16/24/32 bits per pixel, BI_RGB or
// BI_BITFIELDS, bottom-up or top-down. The bytes are untrusted: every size is
// checked against the buffer before it is used.
#include <cstdint>
#include <vector>

#include "platform/ByteBuffer.h"

namespace form {

struct DecodedPicture {
  int width = 0;
  int height = 0;
  // Rows top-down, one 0x00RRGGBB value per pixel: the memory layout of a
  // 32-bit BI_RGB DIB.
  std::vector<std::uint32_t> pixels;
};

// True and the picture filled when the bytes hold a BMP this reader knows;
// otherwise false and the picture left empty.
bool DecodeBmp(const ByteBuffer& bytes, DecodedPicture* picture);

}  // namespace form
