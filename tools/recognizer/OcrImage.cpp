// BMP decoding and the preparation of screen text for Tesseract.
//
// The decoder trusts nothing in the file: every offset and size is checked
// against the buffer in 64-bit arithmetic before any pixel is read, and the
// picture's size is bounded before memory is allocated for it. It turns the
// pixels into grey at once, since recognition needs nothing more.
#include "tools/recognizer/OcrImage.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiBitfields = 3;
constexpr size_t kFileHeaderSize = 14;

std::uint32_t ReadU16(const ByteBuffer& b, size_t at) {
  return static_cast<std::uint32_t>(b[at] | (b[at + 1] << 8));
}
std::uint32_t ReadU32(const ByteBuffer& b, size_t at) {
  return static_cast<std::uint32_t>(b[at]) | (static_cast<std::uint32_t>(b[at + 1]) << 8) |
         (static_cast<std::uint32_t>(b[at + 2]) << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

DecodedBmp Fail(const char* reason) {
  DecodedBmp result;
  result.error = reason;
  return result;
}

std::uint8_t Grey(std::uint32_t r, std::uint32_t g, std::uint32_t b) {
  // ITU-R BT.601 weights in 8-bit fixed point; they sum to 256.
  return static_cast<std::uint8_t>((r * 77 + g * 150 + b * 29) >> 8);
}

// One colour channel of a bit-field pixel, scaled to 0..255.
struct Channel {
  std::uint32_t mask = 0;
  int shift = 0;
  std::uint32_t max = 0;
};

Channel MakeChannel(std::uint32_t mask) {
  Channel c;
  c.mask = mask;
  if (mask == 0) return c;
  while (((mask >> c.shift) & 1u) == 0) ++c.shift;
  c.max = mask >> c.shift;
  return c;
}

std::uint32_t ChannelValue(const Channel& c, std::uint32_t pixel) {
  if (c.max == 0) return 0;
  return static_cast<std::uint32_t>((static_cast<std::uint64_t>((pixel & c.mask) >> c.shift) * 255 + c.max / 2) /
                                    c.max);
}

bool MaskIsContiguous(std::uint32_t mask) {
  if (mask == 0) return true;
  while ((mask & 1u) == 0) mask >>= 1;
  return (mask & (mask + 1)) == 0;
}

std::uint8_t ClampByte(double v) {
  if (v <= 0.0) return 0;
  if (v >= 255.0) return 255;
  return static_cast<std::uint8_t>(v + 0.5);
}

double CatmullRom(double x) {
  x = std::fabs(x);
  if (x < 1.0) return 1.5 * x * x * x - 2.5 * x * x + 1.0;
  if (x < 2.0) return -0.5 * x * x * x + 2.5 * x * x - 4.0 * x + 2.0;
  return 0.0;
}

// The four source taps and weights for each of the factor output phases.
struct Taps {
  int first[16];
  double weight[16][4];
};

Taps MakeTaps(int factor) {
  Taps t{};
  for (int phase = 0; phase < factor; ++phase) {
    double centre = (phase + 0.5) / factor - 0.5;
    int base = static_cast<int>(std::floor(centre)) - 1;
    t.first[phase] = base;
    double sum = 0.0;
    for (int k = 0; k < 4; ++k) {
      t.weight[phase][k] = CatmullRom(centre - (base + k));
      sum += t.weight[phase][k];
    }
    for (int k = 0; k < 4; ++k) t.weight[phase][k] /= sum;
  }
  return t;
}

}  // namespace

DecodedBmp DecodeBmpToGrey(const ByteBuffer& file) {
  const size_t size = file.size();
  if (size < kFileHeaderSize + 4) return Fail("the file is too short for a BMP header");
  if (file[0] != 'B' || file[1] != 'M') return Fail("the file is not a BMP image");
  const std::uint32_t offBits = ReadU32(file, 10);
  const std::uint32_t infoSize = ReadU32(file, 14);
  if (infoSize < 40) return Fail("unsupported BMP info header");
  if (static_cast<std::uint64_t>(kFileHeaderSize) + infoSize > size) return Fail("the BMP header is truncated");

  const std::int32_t width = static_cast<std::int32_t>(ReadU32(file, 18));
  const std::int32_t rawHeight = static_cast<std::int32_t>(ReadU32(file, 22));
  const std::uint32_t bitCount = ReadU16(file, 28);
  const std::uint32_t compression = ReadU32(file, 30);
  const std::uint32_t clrUsed = ReadU32(file, 46);

  if (width <= 0 || rawHeight == 0) return Fail("the BMP image has no pixels");
  // INT32_MIN has no positive counterpart: refused by the side limit first.
  if (width > kMaxBmpSide || rawHeight > kMaxBmpSide || rawHeight < -kMaxBmpSide)
    return Fail("the BMP image is too large");
  const bool topDown = rawHeight < 0;
  const int height = topDown ? -rawHeight : rawHeight;
  if (static_cast<long long>(width) * height > kMaxBmpPixels) return Fail("the BMP image is too large");

  // The colour masks follow the first 40 bytes of the info header: inside
  // it for the 52-byte and larger headers, after it (before the pixels) for
  // the 40-byte one. The palette follows the whole info header.
  const size_t masksAt = kFileHeaderSize + 40;
  Channel red, green, blue;
  std::vector<std::uint8_t> palette;  // grey value per index
  if (bitCount == 8) {
    if (compression != kBiRgb) return Fail("unsupported BMP compression");
    std::uint32_t entries = clrUsed == 0 ? 256 : clrUsed;
    if (entries > 256) return Fail("the BMP palette is damaged");
    const std::uint64_t paletteAt = kFileHeaderSize + static_cast<std::uint64_t>(infoSize);
    if (paletteAt + 4ULL * entries > size || paletteAt + 4ULL * entries > offBits)
      return Fail("the BMP palette is truncated");
    palette.assign(256, 0);
    for (std::uint32_t i = 0; i < entries; ++i) {
      size_t at = static_cast<size_t>(paletteAt) + 4 * i;
      palette[i] = Grey(file[at + 2], file[at + 1], file[at]);
    }
  } else if (bitCount == 16 || bitCount == 24 || bitCount == 32) {
    if (compression == kBiRgb) {
      if (bitCount == 16) {
        red = MakeChannel(0x7C00);
        green = MakeChannel(0x03E0);
        blue = MakeChannel(0x001F);
      } else {
        red = MakeChannel(0x00FF0000);
        green = MakeChannel(0x0000FF00);
        blue = MakeChannel(0x000000FF);
      }
    } else if (compression == kBiBitfields && bitCount != 24) {
      if (masksAt + 12 > size || (infoSize < 52 && masksAt + 12 > offBits))
        return Fail("the BMP colour masks are truncated");
      std::uint32_t masks[3] = {ReadU32(file, masksAt), ReadU32(file, masksAt + 4), ReadU32(file, masksAt + 8)};
      for (std::uint32_t m : masks) {
        if (!MaskIsContiguous(m) || (bitCount == 16 && m > 0xFFFF)) return Fail("the BMP colour masks are damaged");
      }
      red = MakeChannel(masks[0]);
      green = MakeChannel(masks[1]);
      blue = MakeChannel(masks[2]);
    } else {
      return Fail("unsupported BMP compression");
    }
  } else {
    return Fail("unsupported BMP bit depth");
  }

  const std::uint64_t stride = (static_cast<std::uint64_t>(width) * bitCount + 31) / 32 * 4;
  const std::uint64_t lastRowBytes = (static_cast<std::uint64_t>(width) * bitCount + 7) / 8;
  if (offBits < kFileHeaderSize + infoSize) return Fail("the BMP pixel offset points into its header");
  // Some writers leave out the padding of the last row; that much is allowed.
  if (static_cast<std::uint64_t>(offBits) + stride * (height - 1) + lastRowBytes > size)
    return Fail("the BMP pixel data is truncated");

  DecodedBmp result;
  GreyImage& out = result.image;
  out.width = width;
  out.height = height;
  out.pixels.resize(static_cast<size_t>(width) * height);
  const int bytesPerPixel = static_cast<int>(bitCount / 8);
  for (int y = 0; y < height; ++y) {
    const int fileRow = topDown ? y : height - 1 - y;
    const std::uint8_t* row = file.data() + offBits + stride * static_cast<std::uint64_t>(fileRow);
    std::uint8_t* dst = out.pixels.data() + static_cast<size_t>(y) * width;
    for (int x = 0; x < width; ++x) {
      const std::uint8_t* p = row + static_cast<size_t>(x) * bytesPerPixel;
      if (bitCount == 8) {
        dst[x] = palette[p[0]];
        continue;
      }
      std::uint32_t pixel = 0;
      for (int k = 0; k < bytesPerPixel; ++k) pixel |= static_cast<std::uint32_t>(p[k]) << (8 * k);
      dst[x] = Grey(ChannelValue(red, pixel), ChannelValue(green, pixel), ChannelValue(blue, pixel));
    }
  }
  return result;
}

GreyImage ScaleGrey(const GreyImage& image, int factor) {
  if (factor <= 1 || image.width <= 0 || image.height <= 0) return image;
  factor = std::min(factor, 16);
  const Taps taps = MakeTaps(factor);
  const int w = image.width, h = image.height;
  const int outW = w * factor, outH = h * factor;

  // Horizontal pass into doubles, then vertical into bytes.
  std::vector<double> wide(static_cast<size_t>(outW) * h);
  for (int y = 0; y < h; ++y) {
    const std::uint8_t* src = image.pixels.data() + static_cast<size_t>(y) * w;
    double* dst = wide.data() + static_cast<size_t>(y) * outW;
    for (int x = 0; x < w; ++x) {
      for (int phase = 0; phase < factor; ++phase) {
        double v = 0.0;
        for (int k = 0; k < 4; ++k) {
          int sx = std::clamp(x + taps.first[phase] + k, 0, w - 1);
          v += taps.weight[phase][k] * src[sx];
        }
        dst[x * factor + phase] = v;
      }
    }
  }
  GreyImage out;
  out.width = outW;
  out.height = outH;
  out.pixels.resize(static_cast<size_t>(outW) * outH);
  for (int y = 0; y < h; ++y) {
    for (int phase = 0; phase < factor; ++phase) {
      const double* rows[4];
      for (int k = 0; k < 4; ++k) {
        int sy = std::clamp(y + taps.first[phase] + k, 0, h - 1);
        rows[k] = wide.data() + static_cast<size_t>(sy) * outW;
      }
      std::uint8_t* dst = out.pixels.data() + static_cast<size_t>(y * factor + phase) * outW;
      for (int x = 0; x < outW; ++x) {
        double v = 0.0;
        for (int k = 0; k < 4; ++k) v += taps.weight[phase][k] * rows[k][x];
        dst[x] = ClampByte(v);
      }
    }
  }
  return out;
}

void MakeTextDark(GreyImage& image) {
  if (image.pixels.empty()) return;
  unsigned long long sum = 0;
  for (std::uint8_t v : image.pixels) sum += v;
  if (sum * 2 >= 255ULL * image.pixels.size()) return;
  for (std::uint8_t& v : image.pixels) v = static_cast<std::uint8_t>(255 - v);
}

GreyImage AddWhiteBorder(const GreyImage& image, int border) {
  if (border <= 0) return image;
  GreyImage out;
  out.width = image.width + 2 * border;
  out.height = image.height + 2 * border;
  out.pixels.assign(static_cast<size_t>(out.width) * out.height, 255);
  for (int y = 0; y < image.height; ++y) {
    std::copy_n(image.pixels.data() + static_cast<size_t>(y) * image.width, image.width,
                out.pixels.data() + static_cast<size_t>(y + border) * out.width + border);
  }
  return out;
}

int ChooseScale(int width, int height) {
  const long long pixels = static_cast<long long>(std::max(width, 0)) * std::max(height, 0);
  int scale = kPreferredScale;
  while (scale > 1 && pixels * scale * scale > kMaxScaledPixels) --scale;
  return scale;
}

GreyImage PrepareForRecognition(const GreyImage& image) {
  GreyImage work = image;
  MakeTextDark(work);
  return AddWhiteBorder(ScaleGrey(work, ChooseScale(work.width, work.height)), kRecognitionBorder);
}

ByteBuffer EncodePgm(const GreyImage& image) {
  char header[48];
  int n = std::snprintf(header, sizeof header, "P5\n%d %d\n255\n", image.width, image.height);
  ByteBuffer out(header, header + n);
  out.insert(out.end(), image.pixels.begin(), image.pixels.end());
  return out;
}
