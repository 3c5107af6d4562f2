// The embedded data as the program sees it: loaded from this executable's
// own resources (the test links snaptext_resources), headers checked field
// by field, characteristic pixels of both pictures, and the cursor made and
// drawn through USER32 and GDI.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/DibInfo.h"
#include "platform/Raii.h"
#include "resources/ResourceData.h"
#include "resources/ResourceIds.h"

namespace {

std::uint32_t ReadLe(const ByteBuffer& bytes, size_t at, int size) {
  std::uint32_t v = 0;
  for (int i = size - 1; i >= 0; --i) v = (v << 8) | bytes[at + static_cast<size_t>(i)];
  return v;
}

struct HeaderField {
  const char* name;
  size_t offset;
  int size;
  std::uint32_t value;
};

void ExpectFields(const ByteBuffer& bytes, const std::vector<HeaderField>& fields) {
  for (const HeaderField& f : fields) {
    ASSERT_LE(f.offset + static_cast<size_t>(f.size), bytes.size()) << f.name;
    EXPECT_EQ(ReadLe(bytes, f.offset, f.size), f.value) << f.name << " at offset " << f.offset;
  }
}

struct Rgb {
  int r, g, b;
};

std::string Show(Rgb c) {
  return "RGB(" + std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b) + ")";
}

bool Near(Rgb a, Rgb b, int tolerance) {
  return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
         std::abs(a.b - b.b) <= tolerance;
}

// Hue in degrees 0..360 of an opaque colour (0 for greys).
double Hue(Rgb c) {
  const double r = c.r / 255.0, g = c.g / 255.0, b = c.b / 255.0;
  const double mx = std::fmax(r, std::fmax(g, b)), mn = std::fmin(r, std::fmin(g, b));
  const double d = mx - mn;
  if (d <= 0) return 0;
  double h;
  if (mx == r) {
    h = 60 * std::fmod((g - b) / d, 6.0);
  } else if (mx == g) {
    h = 60 * ((b - r) / d + 2);
  } else {
    h = 60 * ((r - g) / d + 4);
  }
  return h < 0 ? h + 360 : h;
}

// ---------------------------------------------------------------------------
// PanelBackground

constexpr int kPanelWidth = 174;
constexpr int kPanelHeight = 147;
constexpr size_t kPanelRowSize = 524;

class PanelBackgroundTest : public ::testing::Test {
 protected:
  void SetUp() override {
    bytes = LoadResourceBytes(IDR_PANEL_BACKGROUND);
    ASSERT_EQ(bytes.size(), 77082u);
  }
  // Top-down coordinates; the file stores the rows bottom-up.
  Rgb Pixel(int x, int y) const {
    const size_t at = 54 + static_cast<size_t>(kPanelHeight - 1 - y) * kPanelRowSize + static_cast<size_t>(x) * 3;
    return {bytes[at + 2], bytes[at + 1], bytes[at]};
  }
  ByteBuffer bytes;
};

TEST_F(PanelBackgroundTest, HeaderHasEveryFieldOfTheLayout) {
  EXPECT_EQ(bytes[0], 'B');
  EXPECT_EQ(bytes[1], 'M');
  ExpectFields(bytes, {
                          {"bfSize", 2, 4, 77082},
                          {"bfReserved1", 6, 2, 0},
                          {"bfReserved2", 8, 2, 0},
                          {"bfOffBits", 10, 4, 54},
                          {"biSize", 14, 4, 40},
                          {"biWidth", 18, 4, 174},
                          {"biHeight (positive: bottom-up)", 22, 4, 147},
                          {"biPlanes", 26, 2, 1},
                          {"biBitCount", 28, 2, 24},
                          {"biCompression", 30, 4, BI_RGB},
                          {"biSizeImage", 34, 4, 77028},
                          {"biXPelsPerMeter", 38, 4, 2880},
                          {"biYPelsPerMeter", 42, 4, 2880},
                          {"biClrUsed", 46, 4, 0},
                          {"biClrImportant", 50, 4, 0},
                      });
  EXPECT_EQ(54u + 147u * kPanelRowSize, bytes.size());
}

TEST_F(PanelBackgroundTest, EveryRowEndsInTwoZeroPadBytes) {
  for (int row = 0; row < kPanelHeight; ++row) {
    const size_t pad = 54 + static_cast<size_t>(row) * kPanelRowSize + kPanelWidth * 3;
    EXPECT_EQ(bytes[pad], 0) << "stored row " << row;
    EXPECT_EQ(bytes[pad + 1], 0) << "stored row " << row;
  }
}

TEST_F(PanelBackgroundTest, GreyFrameOnAllFourSides) {
  const Rgb frame{114, 114, 114};
  for (int x = 0; x < kPanelWidth; ++x) {
    EXPECT_TRUE(Near(Pixel(x, 0), frame, 0)) << "top, x " << x << " " << Show(Pixel(x, 0));
    EXPECT_TRUE(Near(Pixel(x, kPanelHeight - 1), frame, 0)) << "bottom, x " << x;
  }
  for (int y = 0; y < kPanelHeight; ++y) {
    EXPECT_TRUE(Near(Pixel(0, y), frame, 0)) << "left, y " << y << " " << Show(Pixel(0, y));
    EXPECT_TRUE(Near(Pixel(kPanelWidth - 1, y), frame, 0)) << "right, y " << y;
  }
  // Only one pixel wide: the next pixel in is picture, not frame.
  EXPECT_FALSE(Near(Pixel(1, 60), frame, 10));
  EXPECT_FALSE(Near(Pixel(120, 1), frame, 10));
}

TEST_F(PanelBackgroundTest, TitleStripSeparatorAndBodyShading) {
  struct Case {
    const char* what;
    int x, y;
    Rgb expected;
    int tolerance;
  };
  const Case cases[] = {
      {"title strip top, right of the title", 150, 1, {229, 237, 252}, 3},
      {"title strip top, far right", 172, 1, {229, 237, 252}, 3},
      {"title strip bottom", 150, 23, {167, 194, 246}, 3},
      {"title strip middle", 150, 12, {198, 215, 249}, 6},
      {"separator right of the icon", 40, 24, {117, 153, 222}, 0},
      {"separator middle", 100, 24, {117, 153, 222}, 0},
      {"separator end", 172, 24, {117, 153, 222}, 0},
      {"body top", 10, 25, {143, 177, 243}, 3},
      {"body top, right", 170, 25, {143, 177, 243}, 3},
      {"body under the text", 80, 60, {122, 162, 238}, 8},
      {"body bottom at the left, where the wave starts", 2, 145, {71, 120, 226}, 12},
  };
  for (const Case& c : cases) {
    EXPECT_TRUE(Near(Pixel(c.x, c.y), c.expected, c.tolerance))
        << c.what << " (" << c.x << "," << c.y << "): " << Show(Pixel(c.x, c.y)) << ", expected near "
        << Show(c.expected);
  }
  // The separator runs the width of the panel to the right of the icon.
  for (int x = 40; x < kPanelWidth - 1; ++x) {
    EXPECT_TRUE(Near(Pixel(x, 24), {117, 153, 222}, 0)) << "separator x " << x;
  }
}

// White text goes on the body from y = 30: above the wave every row is one
// even shade, darkening downwards.
TEST_F(PanelBackgroundTest, BodyUnderTheTextIsCalm) {
  for (int y = 26; y <= 108; ++y) {
    const Rgb left = Pixel(1, y);
    for (int x = 2; x < kPanelWidth - 1; ++x) {
      ASSERT_TRUE(Near(Pixel(x, y), left, 2)) << "(" << x << "," << y << ") " << Show(Pixel(x, y))
                                              << " against " << Show(left);
    }
    const Rgb above = Pixel(1, y - 1);
    EXPECT_LE(left.r + left.g + left.b, above.r + above.g + above.b) << "row " << y;
  }
}

TEST_F(PanelBackgroundTest, PaleWaveRisesToTheRightOverTheBottomRows) {
  // Lower right is lightened by the wave, lower left hardly at all.
  const Rgb right = Pixel(165, 140), left = Pixel(3, 140);
  EXPECT_GT(right.r + right.g + right.b, left.r + left.g + left.b + 40) << Show(right) << " " << Show(left);
  // The wave reaches about 30 rows above the bottom at the right edge, not higher.
  const Rgb plain = Pixel(1, 110);
  EXPECT_TRUE(Near(Pixel(172, 110), plain, 3)) << Show(Pixel(172, 110));
  EXPECT_FALSE(Near(Pixel(172, 125), Pixel(1, 125), 6)) << Show(Pixel(172, 125));
}

TEST_F(PanelBackgroundTest, BoldTitleInBlueRightOfTheIcon) {
  const Rgb ink{40, 75, 205};
  int inkPixels = 0, minX = kPanelWidth, maxX = -1;
  for (int y = 1; y <= 23; ++y) {
    for (int x = 1; x < kPanelWidth - 1; ++x) {
      if (!Near(Pixel(x, y), ink, 12)) continue;
      ++inkPixels;
      minX = std::min(minX, x);
      maxX = std::max(maxX, x);
    }
  }
  // Two bold characters: many solid ink pixels, in a run about two
  // characters wide that starts after the icon.
  EXPECT_GE(inkPixels, 80);
  EXPECT_GE(minX, 34);
  EXPECT_LE(maxX, 90);
  EXPECT_GE(maxX - minX, 26);
}

TEST_F(PanelBackgroundTest, PictureIconHasSkyCloudsHillsAndOutline) {
  int sky = 0, cloud = 0, hill = 0, outline = 0;
  for (int y = 1; y <= 26; ++y) {
    for (int x = 1; x <= 35; ++x) {
      const Rgb c = Pixel(x, y);
      if (c.b > 200 && c.b - c.r > 80 && c.g < 200) ++sky;
      if (c.r > 245 && c.g > 245 && c.b > 245) ++cloud;
      if (c.g - c.r > 40 && c.g - c.b > 30) ++hill;
      if (c.r + c.g + c.b < 260) ++outline;
    }
  }
  EXPECT_GE(sky, 20);
  EXPECT_GE(cloud, 10);
  EXPECT_GE(hill, 20);
  EXPECT_GE(outline, 30);
  // Nothing of the icon beyond its 30 x 25 box.
  EXPECT_TRUE(Near(Pixel(37, 12), Pixel(150, 12), 2)) << Show(Pixel(37, 12));
}

// GDI reads the file as it stands: the header handed to SetDIBitsToDevice
// gives back the same pixels as the parse above.
TEST_F(PanelBackgroundTest, GdiDecodesTheFile) {
  const auto* info = reinterpret_cast<const BITMAPINFO*>(bytes.data() + 14);
  BITMAPINFO target{};
  target.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  target.bmiHeader.biWidth = kPanelWidth;
  target.bmiHeader.biHeight = kPanelHeight;
  target.bmiHeader.biPlanes = 1;
  target.bmiHeader.biBitCount = 32;
  target.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  raii::Bitmap dib(::CreateDIBSection(nullptr, &target, DIB_RGB_COLORS, &bits, nullptr, 0));
  raii::MemDc dc(::CreateCompatibleDC(nullptr));
  ASSERT_TRUE(dib && dc);
  raii::SelectGuard select(dc.Get(), dib.Get());
  ASSERT_EQ(::SetDIBitsToDevice(dc.Get(), 0, 0, kPanelWidth, kPanelHeight, 0, 0, 0, kPanelHeight,
                                bytes.data() + 54, info, DIB_RGB_COLORS),
            kPanelHeight);
  const POINT points[] = {{0, 0}, {173, 146}, {150, 1}, {100, 24}, {50, 12}, {20, 10}, {165, 140}};
  for (POINT p : points) {
    const COLORREF got = ::GetPixel(dc.Get(), p.x, p.y);
    const Rgb want = Pixel(p.x, p.y);
    EXPECT_EQ(got, RGB(want.r, want.g, want.b)) << "(" << p.x << "," << p.y << ")";
  }
}

// ---------------------------------------------------------------------------
// OverlayCursor

constexpr int kCursorSize = 32;

class OverlayCursorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    bytes = LoadResourceBytes(IDR_OVERLAY_CURSOR);
    ASSERT_EQ(bytes.size(), 2238u);
  }
  static constexpr size_t kImage = 22;
  static constexpr size_t kPalette = kImage + 40;
  static constexpr size_t kXor = kPalette + 1024;
  static constexpr size_t kAnd = kXor + 1024;
  // Top-down coordinates; both halves are stored bottom-up.
  int XorIndex(int x, int y) const {
    return bytes[kXor + static_cast<size_t>((kCursorSize - 1 - y) * kCursorSize + x)];
  }
  bool AndBit(int x, int y) const {
    const std::uint8_t byte = bytes[kAnd + static_cast<size_t>((kCursorSize - 1 - y) * 4 + x / 8)];
    return (byte >> (7 - x % 8)) & 1;
  }
  Rgb Colour(int x, int y) const {
    const size_t entry = kPalette + static_cast<size_t>(XorIndex(x, y)) * 4;
    return {bytes[entry + 2], bytes[entry + 1], bytes[entry]};
  }
  bool Transparent(int x, int y) const { return AndBit(x, y) && XorIndex(x, y) == 0 && Near(Colour(x, y), {0, 0, 0}, 0); }
  bool Outline(int x, int y) const { return !AndBit(x, y) && Near(Colour(x, y), {0, 0, 0}, 0); }
  bool Fill(int x, int y) const { return !AndBit(x, y) && !Outline(x, y); }
  ByteBuffer bytes;
};

TEST_F(OverlayCursorTest, HeaderDirectoryAndBitmapHeader) {
  ExpectFields(bytes, {
                          {"reserved", 0, 2, 0},
                          {"type (cursor)", 2, 2, 2},
                          {"image count", 4, 2, 1},
                          {"width", 6, 1, 32},
                          {"height", 7, 1, 32},
                          {"colour count", 8, 1, 0},
                          {"entry reserved", 9, 1, 0},
                          {"hot spot x", 10, 2, 0},
                          {"hot spot y", 12, 2, 0},
                          {"image bytes", 14, 4, 2216},
                          {"image offset", 18, 4, 22},
                          {"biSize", 22, 4, 40},
                          {"biWidth", 26, 4, 32},
                          {"biHeight (colour and mask)", 30, 4, 64},
                          {"biPlanes", 34, 2, 1},
                          {"biBitCount", 36, 2, 8},
                          {"biCompression", 38, 4, BI_RGB},
                          {"biSizeImage", 42, 4, 1152},
                      });
  EXPECT_EQ(22u + 40u + 1024u + 1024u + 128u, bytes.size());
}

TEST_F(OverlayCursorTest, ArrowFitsFourteenByTwentyTwoAtTheTopLeft) {
  int minX = kCursorSize, minY = kCursorSize, maxX = -1, maxY = -1;
  for (int y = 0; y < kCursorSize; ++y) {
    for (int x = 0; x < kCursorSize; ++x) {
      if (AndBit(x, y)) {
        // Transparent pixels must not change the screen: XOR colour black.
        EXPECT_TRUE(Transparent(x, y)) << "(" << x << "," << y << ")";
        continue;
      }
      minX = std::min(minX, x);
      minY = std::min(minY, y);
      maxX = std::max(maxX, x);
      maxY = std::max(maxY, y);
    }
  }
  EXPECT_EQ(minX, 0);
  EXPECT_EQ(minY, 0);
  EXPECT_EQ(maxX - minX + 1, 14);
  EXPECT_EQ(maxY - minY + 1, 22);
}

TEST_F(OverlayCursorTest, OutlineFillAndTransparentPixels) {
  struct Case {
    const char* what;
    int x, y;
    char kind;  // 'T' transparent, 'B' black outline, 'F' coloured fill
  };
  const Case cases[] = {
      {"far corner", 31, 31, 'T'},    {"right of the tip", 20, 0, 'T'},
      {"below the arrow", 0, 25, 'T'}, {"beside the tip", 1, 0, 'T'},
      {"in the notch", 6, 15, 'T'},    {"right of the tail", 13, 18, 'T'},
      {"tip (hot spot)", 0, 0, 'B'},   {"left edge", 0, 10, 'B'},
      {"left edge, low", 0, 20, 'B'},  {"diagonal edge", 6, 6, 'B'},
      {"head's widest point", 13, 13, 'B'}, {"tail's end", 10, 21, 'B'},
      {"next to the tip", 1, 2, 'F'},  {"head", 4, 9, 'F'},
      {"tail", 9, 17, 'F'},
  };
  for (const Case& c : cases) {
    const bool ok = c.kind == 'T' ? Transparent(c.x, c.y) : c.kind == 'B' ? Outline(c.x, c.y) : Fill(c.x, c.y);
    EXPECT_TRUE(ok) << c.what << " (" << c.x << "," << c.y << ") should be " << c.kind;
  }
}

// Every opaque pixel with a transparent neighbour is outline: the fill never
// touches the outside.
TEST_F(OverlayCursorTest, FillIsEnclosedByTheOutline) {
  for (int y = 0; y < kCursorSize; ++y) {
    for (int x = 0; x < kCursorSize; ++x) {
      if (!Fill(x, y)) continue;
      const int around[4][2] = {{x - 1, y}, {x + 1, y}, {x, y - 1}, {x, y + 1}};
      for (const auto& n : around) {
        ASSERT_TRUE(n[0] >= 0 && n[1] >= 0) << "fill on the border at (" << x << "," << y << ")";
        EXPECT_FALSE(Transparent(n[0], n[1])) << "fill at (" << x << "," << y << ") touches the outside";
      }
    }
  }
}

TEST_F(OverlayCursorTest, FillHueRunsFromBlueVioletAtTheTipToCyanAtTheTail) {
  const Rgb tip = Colour(1, 2), tail = Colour(10, 20);
  EXPECT_GE(Hue(tip), 250) << Show(tip);
  EXPECT_LE(Hue(tip), 290) << Show(tip);
  EXPECT_GE(Hue(tail), 170) << Show(tail);
  EXPECT_LE(Hue(tail), 195) << Show(tail);

  // Each family of hues in order along the arrow: the mean distance from the
  // tip of the fill pixels in each family rises.
  struct Family {
    const char* name;
    double from, to;  // degrees, wrapping past 360 allowed
  };
  const Family families[] = {{"blue-violet", 245, 285}, {"magenta", 285, 330}, {"red", 330, 375},
                             {"orange", 15, 45},        {"yellow", 45, 75},    {"green", 90, 150},
                             {"cyan", 165, 195}};
  double lastMean = -1;
  for (const Family& f : families) {
    double sum = 0;
    int count = 0;
    for (int y = 0; y < kCursorSize; ++y) {
      for (int x = 0; x < kCursorSize; ++x) {
        if (!Fill(x, y)) continue;
        double h = Hue(Colour(x, y));
        if (f.to > 360 && h < f.to - 360) h += 360;
        if (h < f.from || h >= f.to) continue;
        sum += std::sqrt(double(x * x + y * y));
        ++count;
      }
    }
    ASSERT_GT(count, 0) << f.name << " missing from the fill";
    const double mean = sum / count;
    EXPECT_GT(mean, lastMean) << f.name << " out of order";
    lastMean = mean;
  }
}

TEST(CursorResourceBits, HotSpotWordsThenTheImageBytes) {
  const ByteBuffer file = LoadResourceBytes(IDR_OVERLAY_CURSOR);
  ASSERT_EQ(file.size(), 2238u);
  const ByteBuffer bits = CursorResourceBits(file);
  ASSERT_EQ(bits.size(), 4u + 2216u);
  EXPECT_EQ(ReadLe(bits, 0, 2), 0u);
  EXPECT_EQ(ReadLe(bits, 2, 2), 0u);
  EXPECT_TRUE(std::equal(bits.begin() + 4, bits.end(), file.begin() + 22));
}

TEST(CursorResourceBits, HotSpotIsTakenFromTheDirectoryEntry) {
  ByteBuffer file = LoadResourceBytes(IDR_OVERLAY_CURSOR);
  ASSERT_EQ(file.size(), 2238u);
  file[10] = 7;     // x
  file[12] = 0x34;  // y, both bytes
  file[13] = 0x01;
  const ByteBuffer bits = CursorResourceBits(file);
  ASSERT_FALSE(bits.empty());
  EXPECT_EQ(ReadLe(bits, 0, 2), 7u);
  EXPECT_EQ(ReadLe(bits, 2, 2), 0x134u);
}

TEST(CursorResourceBits, DamagedFilesGiveNothing) {
  const ByteBuffer good = LoadResourceBytes(IDR_OVERLAY_CURSOR);
  ASSERT_EQ(good.size(), 2238u);
  struct Case {
    const char* what;
    size_t at;  // byte to overwrite with value, or keep size below
    std::uint32_t value;
    size_t keep;
  };
  const Case cases[] = {
      {"empty", 0, 0, 0},
      {"header only", 0, 0, 6},
      {"cut inside the image", 0, 0, 2000},
      {"image size past the end", 14, 2217, 2238},
      {"offset past the end", 18, 3000, 2238},
      {"size that would wrap the sum", 14, 0xFFFFFFF0u, 2238},
      {"zero image size", 14, 0, 2238},
  };
  for (const Case& c : cases) {
    ByteBuffer file(good.begin(), good.begin() + static_cast<long>(c.keep));
    if (c.at != 0) {
      for (int i = 0; i < 4; ++i) file[c.at + static_cast<size_t>(i)] = static_cast<std::uint8_t>(c.value >> (8 * i));
    }
    EXPECT_TRUE(CursorResourceBits(file).empty()) << c.what;
  }
}

TEST(LoadResourceBytes, UnknownIdGivesEmptyBuffer) {
  EXPECT_TRUE(LoadResourceBytes(9999).empty());
  EXPECT_EQ(LoadResourceBytes(IDR_PANEL_BACKGROUND).size(), 77082u);
}

struct IconInfoBitmaps {
  ICONINFO info{};
  ~IconInfoBitmaps() {
    if (info.hbmMask) ::DeleteObject(info.hbmMask);
    if (info.hbmColor) ::DeleteObject(info.hbmColor);
  }
};

TEST(LoadOverlayCursorFromResource, GivesA32By32CursorWithItsHotSpotAtTheTip) {
  HCURSOR cursor = LoadOverlayCursorFromResource();
  ASSERT_NE(cursor, nullptr);
  raii::ScopeExit destroy([cursor] { ::DestroyCursor(cursor); });
  IconInfoBitmaps icon;
  ASSERT_TRUE(::GetIconInfo(cursor, &icon.info));
  EXPECT_FALSE(icon.info.fIcon) << "made as an icon, not a cursor";
  EXPECT_EQ(icon.info.xHotspot, 0u);
  EXPECT_EQ(icon.info.yHotspot, 0u);
  BITMAP mask{};
  ASSERT_NE(::GetObjectW(icon.info.hbmMask, sizeof(mask), &mask), 0);
  EXPECT_EQ(mask.bmWidth, 32);
  // A colour cursor keeps its colour bitmap; a mask-only one would be 64 tall.
  ASSERT_NE(icon.info.hbmColor, nullptr);
  EXPECT_EQ(mask.bmHeight, 32);
}

// Drawn over mid-grey, the cursor leaves the grey alone outside the arrow
// and paints its outline and rainbow fill.
TEST(LoadOverlayCursorFromResource, DrawsTheArrowOverTheBackground) {
  HCURSOR cursor = LoadOverlayCursorFromResource();
  ASSERT_NE(cursor, nullptr);
  raii::ScopeExit destroy([cursor] { ::DestroyCursor(cursor); });
  BITMAPINFO info = TopDown32BitInfo(kCursorSize, kCursorSize);
  void* bits = nullptr;
  raii::Bitmap dib(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  raii::MemDc dc(::CreateCompatibleDC(nullptr));
  ASSERT_TRUE(dib && dc);
  raii::SelectGuard select(dc.Get(), dib.Get());
  const COLORREF grey = RGB(128, 128, 128);
  raii::Brush brush(::CreateSolidBrush(grey));
  RECT all{0, 0, kCursorSize, kCursorSize};
  ::FillRect(dc.Get(), &all, brush.Get());
  ASSERT_TRUE(::DrawIconEx(dc.Get(), 0, 0, cursor, kCursorSize, kCursorSize, 0, nullptr, DI_NORMAL));

  EXPECT_EQ(::GetPixel(dc.Get(), 31, 31), grey);
  EXPECT_EQ(::GetPixel(dc.Get(), 20, 0), grey);
  EXPECT_EQ(::GetPixel(dc.Get(), 0, 25), grey);
  EXPECT_EQ(::GetPixel(dc.Get(), 6, 15), grey) << "the notch";
  EXPECT_EQ(::GetPixel(dc.Get(), 0, 0), RGB(0, 0, 0));
  EXPECT_EQ(::GetPixel(dc.Get(), 0, 12), RGB(0, 0, 0));
  const COLORREF tip = ::GetPixel(dc.Get(), 1, 2);
  const COLORREF tail = ::GetPixel(dc.Get(), 10, 20);
  const Rgb tipRgb{GetRValue(tip), GetGValue(tip), GetBValue(tip)};
  const Rgb tailRgb{GetRValue(tail), GetGValue(tail), GetBValue(tail)};
  EXPECT_GE(Hue(tipRgb), 250) << Show(tipRgb);
  EXPECT_LE(Hue(tipRgb), 290) << Show(tipRgb);
  EXPECT_GE(Hue(tailRgb), 170) << Show(tailRgb);
  EXPECT_LE(Hue(tailRgb), 195) << Show(tailRgb);
}

}  // namespace
