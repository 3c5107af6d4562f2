#pragma once
// The recogniser's image side: BMP bytes to grey pixels, and the grey picture
// made ready for Tesseract (dark text on white, enlarged, with a margin).
// Everything here is plain computation over buffers; nothing touches the OS.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/ByteBuffer.h"

// 8-bit grey pixels, rows top-down, no padding.
struct GreyImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;
};

struct DecodedBmp {
  GreyImage image;
  std::string error;  // empty on success; a short English reason otherwise
};

// Sizes a decoded picture may have. A 8K screen is 7680 x 4320; anything far
// beyond that is a damaged or hostile header, refused before allocating.
constexpr int kMaxBmpSide = 30000;
constexpr long long kMaxBmpPixels = 1LL << 26;

// Decodes a BMP file held in memory: 40/44/52/56/108/124-byte info headers,
// 8 bits with palette, 16/24/32 bits in BI_RGB or BI_BITFIELDS, bottom-up and
// top-down rows. Pixels are found through bfOffBits, so the 44-byte layout the
// capture command writes (pixels at 58) reads like any other. Every size is
// checked against the buffer before it is used.
DecodedBmp DecodeBmpToGrey(const ByteBuffer& file);

// Integer enlargement with a Catmull-Rom cubic filter; factor 1 returns a copy.
GreyImage ScaleGrey(const GreyImage& image, int factor);

// Light text on a dark background becomes dark on light, which Tesseract
// reads best; a picture that is mostly light is left alone.
void MakeTextDark(GreyImage& image);

// A white frame of the given width around the picture.
GreyImage AddWhiteBorder(const GreyImage& image, int border);

// The enlargement used for an image of this size: kPreferredScale, lowered
// for large regions so the enlarged picture stays under kMaxScaledPixels.
// Measured on GDI text at 9-12 px (Tahoma and WenQuanYi Micro Hei, English
// and Chinese UI strings, --psm 6): 1x reads 15 of 40 lines exactly, 2x 25,
// 3x 25, 4x 20; 2x makes the fewest errors in Chinese and is the quickest.
constexpr int kPreferredScale = 2;
constexpr long long kMaxScaledPixels = 16LL * 1000 * 1000;
int ChooseScale(int width, int height);

// Grey conversion already done: dark text, enlargement, margin.
constexpr int kRecognitionBorder = 16;
GreyImage PrepareForRecognition(const GreyImage& image);

// Binary PGM (P5), the format handed to Tesseract.
ByteBuffer EncodePgm(const GreyImage& image);
