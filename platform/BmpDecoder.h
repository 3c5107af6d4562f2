#pragma once
// The picture box's own BMP reader. It takes the layout the program writes
// (a 44-byte info block, pixels from bfOffBits) as well as ordinary BMP files
// with 40-, 108- or 124-byte headers, 16/24/32 bits per pixel, BI_RGB or
// BI_BITFIELDS, bottom-up or top-down. The bytes are untrusted: every size is
// checked against the buffer before it is used.
#include <cstddef>
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

// Where the rows of a BI_RGB BMP lie in its bytes, so they can be drawn
// where they are (StretchDIBits) instead of being converted first.
struct BmpRows {
  int width = 0;
  int height = 0;  // a count of rows
  bool topDown = false;
  int bitCount = 0;  // 16 (5-5-5), 24 or 32
  std::size_t offset = 0;
};

// True and the rows described when DecodeBmp would take the bytes and they
// are BI_RGB; false (and an empty record) otherwise, bit fields included.
bool FindBmpRgbRows(const ByteBuffer& bytes, BmpRows* rows);

}  // namespace form
