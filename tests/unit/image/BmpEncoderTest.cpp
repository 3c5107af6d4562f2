// BitmapToBmpBytes on real GDI bitmaps with known pixels. Needs a display
// under Wine (memory DCs compatible with the screen).
#include "image/BmpEncoder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/Raii.h"

namespace {

std::uint32_t Get32(const ByteBuffer& b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}
std::uint16_t Get16(const ByteBuffer& b, size_t at) { return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8); }

// The 24-byte header check every file of this layout passes.
void ExpectLayout(const ByteBuffer& file, std::int32_t width, std::int32_t height, int bitCount,
                  std::uint32_t sizeImage) {
  ASSERT_GE(file.size(), 58u);
  EXPECT_EQ(Get16(file, 0), 0x4D42);
  EXPECT_EQ(Get32(file, 2), 58 + sizeImage);
  EXPECT_EQ(Get16(file, 6), 0);
  EXPECT_EQ(Get16(file, 8), 0);
  EXPECT_EQ(Get32(file, 10), 58u);
  EXPECT_EQ(Get32(file, 14), 44u);
  EXPECT_EQ(static_cast<std::int32_t>(Get32(file, 18)), width);
  EXPECT_EQ(static_cast<std::int32_t>(Get32(file, 22)), height);
  EXPECT_EQ(Get16(file, 26), 1);
  EXPECT_EQ(Get16(file, 28), bitCount);
  EXPECT_EQ(Get32(file, 30), 0u) << "written as BI_RGB";
  EXPECT_EQ(Get32(file, 34), sizeImage);
  EXPECT_EQ(Get32(file, 54), 0u) << "colour slot";
  EXPECT_EQ(file.size(), 58 + sizeImage);
}

ByteBuffer HeaderOnly() {
  ByteBuffer b(58, 0);
  b[0] = 'B';
  b[1] = 'M';
  b[2] = 58;
  b[10] = 58;
  b[14] = 44;
  return b;
}

// A bottom-up DIB section with a colour table; pixels are set by index,
// addressed from the top row.
struct PaletteDib {
  raii::Bitmap bitmap;
  std::uint8_t* bits = nullptr;
  int width = 0;
  int height = 0;
  int bitCount = 0;
};

PaletteDib MakePaletteDib(int width, int height, int bitCount, const std::vector<RGBQUAD>& palette) {
  struct {
    BITMAPINFOHEADER header;
    RGBQUAD colours[256];
  } info = {};
  info.header.biSize = sizeof(BITMAPINFOHEADER);
  info.header.biWidth = width;
  info.header.biHeight = height;
  info.header.biPlanes = 1;
  info.header.biBitCount = static_cast<WORD>(bitCount);
  info.header.biCompression = BI_RGB;
  info.header.biClrUsed = static_cast<DWORD>(palette.size());
  for (size_t i = 0; i < palette.size(); ++i) info.colours[i] = palette[i];
  PaletteDib dib;
  void* bits = nullptr;
  dib.bitmap.Reset(CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits, nullptr, 0));
  dib.bits = static_cast<std::uint8_t*>(bits);
  dib.width = width;
  dib.height = height;
  dib.bitCount = bitCount;
  return dib;
}

void SetIndex(PaletteDib& dib, int x, int yFromTop, int index) {
  const int stride = (dib.width * dib.bitCount + 31) / 32 * 4;
  std::uint8_t* row = dib.bits + static_cast<size_t>(dib.height - 1 - yFromTop) * stride;
  const int bitPos = x * dib.bitCount;
  const int shift = 8 - dib.bitCount - bitPos % 8;
  const int mask = ((1 << dib.bitCount) - 1) << shift;
  row[bitPos / 8] = static_cast<std::uint8_t>((row[bitPos / 8] & ~mask) | (index << shift));
}

// B, G, R of pixel (x, yFromTop) in a 24-bit file of this layout.
RGBQUAD FilePixel24(const ByteBuffer& file, int width, int height, int x, int yFromTop) {
  const size_t stride = (static_cast<size_t>(width) * 24 + 31) / 32 * 4;
  const size_t at = 58 + static_cast<size_t>(height - 1 - yFromTop) * stride + 3 * static_cast<size_t>(x);
  return RGBQUAD{file[at], file[at + 1], file[at + 2], 0};
}

bool SameRgb(const RGBQUAD& a, const RGBQUAD& b) {
  return a.rgbBlue == b.rgbBlue && a.rgbGreen == b.rgbGreen && a.rgbRed == b.rgbRed;
}

TEST(BitmapToBmpBytes, TwoByTwoAt32BitsBottomRowFirst) {
  // CreateBitmap takes the top row first: top A B, bottom C D (B, G, R, 0).
  const std::uint8_t bits[] = {0x01, 0x02, 0x03, 0, 0x11, 0x12, 0x13, 0,   // A B
                               0x21, 0x22, 0x23, 0, 0x31, 0x32, 0x33, 0};  // C D
  raii::Bitmap bitmap(CreateBitmap(2, 2, 1, 32, bits));
  ASSERT_TRUE(bitmap);
  ByteBuffer file = BitmapToBmpBytes(bitmap.Get());
  ASSERT_EQ(file.size(), 74u);
  ExpectLayout(file, 2, 2, 32, 16);
  const ByteBuffer rows(file.begin() + 58, file.end());
  const ByteBuffer bottomFirst = {0x21, 0x22, 0x23, 0, 0x31, 0x32, 0x33, 0,
                                  0x01, 0x02, 0x03, 0, 0x11, 0x12, 0x13, 0};
  EXPECT_EQ(rows, bottomFirst);
}

TEST(BitmapToBmpBytes, ThreeByOneAt24BitsRowPaddedToFour) {
  // CreateBitmap rows are padded to 2 bytes: 9 bytes of pixels and 1 pad.
  const std::uint8_t bits[] = {0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70, 0x80, 0x90, 0};
  raii::Bitmap bitmap(CreateBitmap(3, 1, 1, 24, bits));
  ASSERT_TRUE(bitmap);
  ByteBuffer file = BitmapToBmpBytes(bitmap.Get());
  ASSERT_EQ(file.size(), 70u);
  ExpectLayout(file, 3, 1, 24, 12);
  const ByteBuffer pixels(file.begin() + 58, file.begin() + 67);
  EXPECT_EQ(pixels, ByteBuffer({0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70, 0x80, 0x90}));
}

TEST(BitmapToBmpBytes, SixteenBitsKeepTheirDepth) {
  struct {
    BITMAPINFOHEADER header;
  } info = {};
  info.header.biSize = sizeof(BITMAPINFOHEADER);
  info.header.biWidth = 3;
  info.header.biHeight = 2;
  info.header.biPlanes = 1;
  info.header.biBitCount = 16;
  info.header.biCompression = BI_RGB;
  void* bits = nullptr;
  raii::Bitmap bitmap(CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits, nullptr, 0));
  ASSERT_TRUE(bitmap);
  // Rows of 8 bytes (6 and 2 pad); memory holds the bottom row first.
  auto* p = static_cast<std::uint16_t*>(bits);
  const std::uint16_t values[2][3] = {{0x7C00, 0x03E0, 0x001F}, {0x7FFF, 0x0000, 0x1234}};
  for (int row = 0; row < 2; ++row)
    for (int x = 0; x < 3; ++x) p[row * 4 + x] = values[row][x];
  GdiFlush();
  ByteBuffer file = BitmapToBmpBytes(bitmap.Get());
  ExpectLayout(file, 3, 2, 16, 16);
  for (int row = 0; row < 2; ++row)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(Get16(file, 58 + row * 8 + x * 2), values[row][x]) << row << "," << x;
}

TEST(BitmapToBmpBytes, NullOrNonBitmapHandleGivesHeaderOnlyFile) {
  EXPECT_EQ(BitmapToBmpBytes(nullptr), HeaderOnly());
  raii::Brush brush(CreateSolidBrush(RGB(1, 2, 3)));
  EXPECT_EQ(BitmapToBmpBytes(reinterpret_cast<HBITMAP>(brush.Get())), HeaderOnly());
}

// Palette bitmaps come out at 24 bits in the same 44-byte layout, each pixel
// its palette colour.
TEST(BitmapToBmpBytes, PaletteBitmapsAreWrittenAt24Bits) {
  const std::vector<RGBQUAD> palette = {
      {0x00, 0x00, 0x00, 0}, {0xFF, 0xFF, 0xFF, 0}, {0x10, 0x80, 0xF0, 0}, {0x33, 0x22, 0x11, 0},
      {0x01, 0x02, 0x03, 0}, {0xA0, 0xB0, 0xC0, 0}, {0x0F, 0x1F, 0x2F, 0}, {0x99, 0x88, 0x77, 0}};
  struct Case {
    int bitCount;
    int width;
    int height;
  };
  for (const Case c : {Case{1, 5, 3}, Case{4, 7, 2}, Case{8, 3, 4}}) {
    SCOPED_TRACE(c.bitCount);
    const int colours = c.bitCount == 1 ? 2 : 8;
    std::vector<RGBQUAD> table(palette.begin(), palette.begin() + colours);
    if (c.bitCount == 8) table.resize(256, RGBQUAD{0x44, 0x55, 0x66, 0});
    PaletteDib dib = MakePaletteDib(c.width, c.height, c.bitCount, table);
    ASSERT_TRUE(dib.bitmap);
    auto indexAt = [&](int x, int y) { return (x + 3 * y) % colours; };
    for (int y = 0; y < c.height; ++y)
      for (int x = 0; x < c.width; ++x) SetIndex(dib, x, y, indexAt(x, y));
    GdiFlush();
    ByteBuffer file = BitmapToBmpBytes(dib.bitmap.Get());
    const std::uint32_t stride = (c.width * 24 + 31) / 32 * 4;
    ExpectLayout(file, c.width, c.height, 24, stride * c.height);
    if (file.size() != 58 + stride * c.height) continue;
    for (int y = 0; y < c.height; ++y)
      for (int x = 0; x < c.width; ++x)
        EXPECT_TRUE(SameRgb(FilePixel24(file, c.width, c.height, x, y), table[indexAt(x, y)])) << x << "," << y;
  }
}

size_t g_askedSize = 0;
bool RefuseAllocation(ByteBuffer&, size_t size) {
  g_askedSize = size;
  return false;
}

TEST(BitmapToBmpBytes, FailedAllocationGivesHeaderOnlyFile) {
  raii::Bitmap bitmap(CreateBitmap(5, 3, 1, 32, nullptr));
  ASSERT_TRUE(bitmap);
  g_askedSize = 0;
  EXPECT_EQ(BitmapToBmpBytes(bitmap.Get(), RefuseAllocation), HeaderOnly());
  EXPECT_EQ(g_askedSize, 58u + 5 * 4 * 3) << "the whole file is asked for at once";
}

TEST(AllocateZeroBytes, ImpossibleSizeIsRefusedNotThrown) {
  ByteBuffer block;
  EXPECT_FALSE(AllocateZeroBytes(block, static_cast<size_t>(-1) / 2));
  EXPECT_TRUE(AllocateZeroBytes(block, 16));
  EXPECT_EQ(block, ByteBuffer(16, 0));
}

}  // namespace
