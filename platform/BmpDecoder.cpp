// BMP reading for the picture box. Offsets and lengths come from the file
// itself, so each one is checked in 64-bit arithmetic before any read; a
// file that is short by a single byte decodes to nothing.
#include "platform/BmpDecoder.h"

#include <cstdint>
#include <utility>

namespace form {
namespace {

constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiBitfields = 3;
constexpr std::uint64_t kFileHeaderSize = 14;

std::uint32_t ReadU32(const ByteBuffer& b, std::uint64_t at) {
  return static_cast<std::uint32_t>(b[at]) | (static_cast<std::uint32_t>(b[at + 1]) << 8) |
         (static_cast<std::uint32_t>(b[at + 2]) << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}
std::uint16_t ReadU16(const ByteBuffer& b, std::uint64_t at) {
  return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

// One colour channel of a bit-field pixel: where it sits and how wide it is.
struct Channel {
  int shift = 0;
  int bits = 0;
};

// A mask must be one run of set bits; otherwise the file is refused.
bool MakeChannel(std::uint32_t mask, Channel* channel) {
  if (mask == 0) return false;
  int shift = 0;
  while ((mask & 1u) == 0) {
    mask >>= 1;
    ++shift;
  }
  int bits = 0;
  while (mask & 1u) {
    mask >>= 1;
    ++bits;
  }
  if (mask != 0) return false;
  channel->shift = shift;
  channel->bits = bits;
  return true;
}

std::uint32_t ChannelTo8Bits(std::uint32_t pixel, const Channel& c) {
  std::uint32_t value = (pixel >> c.shift) & ((c.bits >= 32) ? 0xFFFFFFFFu : ((1u << c.bits) - 1));
  if (c.bits >= 8) return value >> (c.bits - 8);
  // Widen by repeating the top bits, so that full scale stays full scale.
  std::uint32_t result = 0;
  int filled = 0;
  while (filled < 8) {
    result = (result << c.bits) | value;
    filled += c.bits;
  }
  return result >> (filled - 8);
}

// Where a BMP's rows lie and how its pixels read; false for anything this
// reader does not take, with every offset and length checked.
struct Layout {
  int width = 0;
  int height = 0;
  bool topDown = false;
  std::uint16_t bitCount = 0;
  std::uint32_t compression = 0;
  std::uint64_t offBits = 0;
  std::uint64_t stride = 0;
  Channel red, green, blue;
};

bool ParseLayout(const ByteBuffer& bytes, Layout* layout) {
  const std::uint64_t size = bytes.size();
  if (size < kFileHeaderSize + 40) return false;
  if (bytes[0] != 'B' || bytes[1] != 'M') return false;
  const std::uint64_t offBits = ReadU32(bytes, 10);
  const std::uint64_t infoSize = ReadU32(bytes, 14);
  // 40: BITMAPINFOHEADER; 44: the program's own block (header and one
  // colour entry); 52/56: the header with its masks; 108/124: V4/V5.
  if (infoSize != 40 && infoSize != 44 && infoSize != 52 && infoSize != 56 && infoSize != 108 &&
      infoSize != 124)
    return false;
  if (kFileHeaderSize + infoSize > size) return false;

  const std::int32_t width = static_cast<std::int32_t>(ReadU32(bytes, 18));
  const std::int32_t rawHeight = static_cast<std::int32_t>(ReadU32(bytes, 22));
  const std::uint16_t planes = ReadU16(bytes, 26);
  const std::uint16_t bitCount = ReadU16(bytes, 28);
  const std::uint32_t compression = ReadU32(bytes, 30);
  if (width <= 0 || rawHeight == 0 || planes != 1) return false;
  if (bitCount != 16 && bitCount != 24 && bitCount != 32) return false;
  const bool topDown = rawHeight < 0;
  const std::int64_t height64 = topDown ? -static_cast<std::int64_t>(rawHeight) : rawHeight;
  if (height64 > 0x7FFFFFFF) return false;
  const int height = static_cast<int>(height64);

  Channel red, green, blue;
  std::uint64_t headerEnd = kFileHeaderSize + infoSize;
  if (compression == kBiRgb) {
    if (bitCount == 16) {
      MakeChannel(0x7C00, &red);
      MakeChannel(0x03E0, &green);
      MakeChannel(0x001F, &blue);
    } else {
      MakeChannel(0xFF0000, &red);
      MakeChannel(0x00FF00, &green);
      MakeChannel(0x0000FF, &blue);
    }
  } else if (compression == kBiBitfields && bitCount != 24 && infoSize != 44) {
    // The masks follow a 40-byte header; larger headers hold them inside.
    std::uint64_t masksAt = kFileHeaderSize + 40;
    if (infoSize == 40) headerEnd += 12;
    if (masksAt + 12 > size) return false;
    if (!MakeChannel(ReadU32(bytes, masksAt), &red) || !MakeChannel(ReadU32(bytes, masksAt + 4), &green) ||
        !MakeChannel(ReadU32(bytes, masksAt + 8), &blue))
      return false;
    if (red.shift + red.bits > bitCount || green.shift + green.bits > bitCount ||
        blue.shift + blue.bits > bitCount)
      return false;
  } else {
    return false;
  }

  if (offBits < headerEnd) return false;
  const std::uint64_t stride = ((static_cast<std::uint64_t>(width) * bitCount + 31) / 32) * 4;
  const std::uint64_t pixelBytes = stride * static_cast<std::uint64_t>(height);
  if (offBits > size || pixelBytes > size - offBits) return false;

  layout->width = width;
  layout->height = height;
  layout->topDown = topDown;
  layout->bitCount = bitCount;
  layout->compression = compression;
  layout->offBits = offBits;
  layout->stride = stride;
  layout->red = red;
  layout->green = green;
  layout->blue = blue;
  return true;
}

}  // namespace

bool FindBmpRgbRows(const ByteBuffer& bytes, BmpRows* rows) {
  *rows = BmpRows();
  Layout layout;
  if (!ParseLayout(bytes, &layout) || layout.compression != kBiRgb) return false;
  rows->width = layout.width;
  rows->height = layout.height;
  rows->topDown = layout.topDown;
  rows->bitCount = layout.bitCount;
  rows->offset = static_cast<std::size_t>(layout.offBits);
  return true;
}

bool DecodeBmp(const ByteBuffer& bytes, DecodedPicture* picture) {
  *picture = DecodedPicture();
  Layout l;
  if (!ParseLayout(bytes, &l)) return false;

  DecodedPicture result;
  result.width = l.width;
  result.height = l.height;
  result.pixels.resize(static_cast<size_t>(l.width) * static_cast<size_t>(l.height));
  const unsigned bytesPerPixel = l.bitCount / 8u;
  for (int row = 0; row < l.height; ++row) {
    const int sourceRow = l.topDown ? row : l.height - 1 - row;
    std::uint64_t at = l.offBits + l.stride * static_cast<std::uint64_t>(sourceRow);
    std::uint32_t* out = result.pixels.data() + static_cast<size_t>(row) * static_cast<size_t>(l.width);
    for (int x = 0; x < l.width; ++x, at += bytesPerPixel) {
      std::uint32_t value;
      if (l.bitCount == 16)
        value = ReadU16(bytes, at);
      else if (l.bitCount == 24)
        value = static_cast<std::uint32_t>(bytes[at]) | (static_cast<std::uint32_t>(bytes[at + 1]) << 8) |
                (static_cast<std::uint32_t>(bytes[at + 2]) << 16);
      else
        value = ReadU32(bytes, at);
      out[x] = (ChannelTo8Bits(value, l.red) << 16) | (ChannelTo8Bits(value, l.green) << 8) |
               ChannelTo8Bits(value, l.blue);
    }
  }
  *picture = std::move(result);
  return true;
}

}  // namespace form
