// Draws the program's two pictures and writes them as the files that
// resources.rc embeds: OverlayCursor.cur (the overlay's rainbow arrow) and
// PanelBackground.bmp (the info panel's background).
//
// Everything but the title is plain arithmetic on doubles, quantised once at
// the end, so a run gives the same bytes every time. The title's two
// characters come from GDI with a named CJK font; the program refuses to run
// when GDI substitutes another face, rather than write a different picture.
//
// Usage: resgen [output directory]   (default: the current directory)
#include <windows.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/DibInfo.h"
#include "platform/Raii.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Colour {
  double r, g, b;
};

Colour Mix(Colour from, Colour to, double t) {
  return {from.r + (to.r - from.r) * t, from.g + (to.g - from.g) * t, from.b + (to.b - from.b) * t};
}

double Clamp01(double v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }

double SmoothStep(double edge0, double edge1, double v) {
  double t = Clamp01((v - edge0) / (edge1 - edge0));
  return t * t * (3 - 2 * t);
}

std::uint8_t Quantise(double channel) {
  double v = std::floor(channel + 0.5);
  return static_cast<std::uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
}

void PutU16(Bytes& out, unsigned v) {
  out.push_back(static_cast<std::uint8_t>(v & 0xFF));
  out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}

void PutU32(Bytes& out, std::uint32_t v) {
  PutU16(out, v & 0xFFFF);
  PutU16(out, v >> 16);
}

bool WriteFileBytes(const std::wstring& path, const Bytes& bytes) {
  raii::Handle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  DWORD written = 0;
  return ::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                     nullptr) &&
         written == bytes.size();
}

// ---------------------------------------------------------------------------
// The overlay cursor: a classic arrow, 14 x 22 inside a 32 x 32 cursor.
// 'B' is the black outline, 'W' the fill, anything else transparent. The
// tail steps one pixel right every two rows, the notch edge one pixel left
// every row, as the classic pointer does.

const char* const kArrowRows[] = {
    "B",               //  0: the tip, the hot spot
    "BB",              //
    "BWB",             //
    "BWWB",            //
    "BWWWB",           //
    "BWWWWB",          //
    "BWWWWWB",         //
    "BWWWWWWB",        //
    "BWWWWWWWB",       //
    "BWWWWWWWWB",      //
    "BWWWWWWWWWB",     // 10
    "BWWWWWWWWWWB",    //
    "BWWWWWWWWWWWB",   //
    "BWWWWWWWWBBBBB",  // 13: the head's lower edge, 14 wide
    "BWWWWWBWWB",      //     the notch begins
    "BWWWWB BWWB",     //
    "BWWWB  BWWB",     //
    "BWWB    BWWB",    //
    "BWB     BWWB",    //
    "BB       BWWB",   //
    "B        BWWB",   // 20
    "          BB",    // 21: the tail's end
};
constexpr int kCursorSize = 32;
constexpr int kArrowRowCount = sizeof(kArrowRows) / sizeof(kArrowRows[0]);

char ArrowCell(int x, int y) {
  if (y < 0 || y >= kArrowRowCount || x < 0) return ' ';
  const std::string row = kArrowRows[y];
  return x < static_cast<int>(row.size()) ? row[static_cast<size_t>(x)] : ' ';
}

// Hue in degrees (any value, taken modulo 360) at full value.
Colour HueColour(double hue, double saturation, double value) {
  double h = std::fmod(hue, 360.0);
  if (h < 0) h += 360.0;
  const double sector = h / 60.0;
  const int i = static_cast<int>(std::floor(sector)) % 6;
  const double f = sector - std::floor(sector);
  const double p = value * (1 - saturation);
  const double q = value * (1 - saturation * f);
  const double t = value * (1 - saturation * (1 - f));
  Colour c{};
  switch (i) {
    case 0: c = {value, t, p}; break;
    case 1: c = {q, value, p}; break;
    case 2: c = {p, value, t}; break;
    case 3: c = {p, q, value}; break;
    case 4: c = {t, p, value}; break;
    default: c = {value, p, q}; break;
  }
  return {c.r * 255, c.g * 255, c.b * 255};
}

// The fill colour: position along the arrow's axis (tip to the end of the
// tail) picks the hue, from blue-violet (265) through magenta, red, orange,
// yellow and green to cyan (180 + 360).
Colour ArrowFill(int x, int y) {
  // Axis from the tip towards the middle of the tail's end.
  const double ax = 10.5, ay = 20.5;
  const double length = std::sqrt(ax * ax + ay * ay);
  const double along = ((x + 0.5) * ax + (y + 0.5) * ay) / (length * length);
  const double t = Clamp01((along - 0.11) / (0.97 - 0.11));
  // The head near the tip is only a few pixels wide: give its colours a
  // little more length so blue-violet and magenta stay visible.
  return HueColour(265.0 + std::pow(t, 1.3) * (540.0 - 265.0), 0.88, 1.0);
}

Bytes MakeOverlayCursor() {
  // Palette index 0 is black: the outline, and (with the AND bit set) the
  // transparent pixels. The fill gets one entry per pixel, in row order.
  std::vector<Colour> palette{{0, 0, 0}};
  std::vector<std::uint8_t> index(kCursorSize * kCursorSize, 0);
  std::vector<bool> opaque(kCursorSize * kCursorSize, false);
  for (int y = 0; y < kCursorSize; ++y) {
    for (int x = 0; x < kCursorSize; ++x) {
      const char cell = ArrowCell(x, y);
      const size_t at = static_cast<size_t>(y * kCursorSize + x);
      if (cell == 'B') {
        opaque[at] = true;
      } else if (cell == 'W') {
        opaque[at] = true;
        index[at] = static_cast<std::uint8_t>(palette.size());
        palette.push_back(ArrowFill(x, y));
      }
    }
  }

  const std::uint32_t xorSize = kCursorSize * kCursorSize;   // 8 bits, rows of 32
  const std::uint32_t andSize = kCursorSize * kCursorSize / 8;  // 1 bit, rows of 4 bytes
  const std::uint32_t paletteSize = 256 * 4;
  const std::uint32_t headerSize = sizeof(BITMAPINFOHEADER);
  const std::uint32_t imageSize = headerSize + paletteSize + xorSize + andSize;
  const std::uint32_t imageOffset = 6 + 16;

  Bytes out;
  PutU16(out, 0);  // reserved
  PutU16(out, 2);  // type: cursor
  PutU16(out, 1);  // one image
  out.push_back(kCursorSize);
  out.push_back(kCursorSize);
  out.push_back(0);  // colour count: 256 and more are written as 0
  out.push_back(0);
  PutU16(out, 0);  // hot spot x: the tip
  PutU16(out, 0);  // hot spot y
  PutU32(out, imageSize);
  PutU32(out, imageOffset);

  PutU32(out, headerSize);
  PutU32(out, kCursorSize);
  PutU32(out, kCursorSize * 2);  // colour and mask halves
  PutU16(out, 1);
  PutU16(out, 8);
  PutU32(out, BI_RGB);
  PutU32(out, xorSize + andSize);
  PutU32(out, 0);
  PutU32(out, 0);
  PutU32(out, 0);
  PutU32(out, 0);
  for (size_t i = 0; i < 256; ++i) {
    const Colour c = i < palette.size() ? palette[i] : Colour{0, 0, 0};
    out.push_back(Quantise(c.b));
    out.push_back(Quantise(c.g));
    out.push_back(Quantise(c.r));
    out.push_back(0);
  }
  // Both halves are stored bottom-up.
  for (int y = kCursorSize - 1; y >= 0; --y) {
    for (int x = 0; x < kCursorSize; ++x) out.push_back(index[static_cast<size_t>(y * kCursorSize + x)]);
  }
  for (int y = kCursorSize - 1; y >= 0; --y) {
    for (int byte = 0; byte < kCursorSize / 8; ++byte) {
      std::uint8_t bits = 0;
      for (int bit = 0; bit < 8; ++bit) {
        const int x = byte * 8 + bit;
        if (!opaque[static_cast<size_t>(y * kCursorSize + x)]) bits |= static_cast<std::uint8_t>(0x80 >> bit);
      }
      out.push_back(bits);
    }
  }
  return out;
}

// ---------------------------------------------------------------------------
// The panel background, 174 x 147.

constexpr int kPanelWidth = 174;
constexpr int kPanelHeight = 147;
constexpr int kTitleTop = 1;
constexpr int kTitleBottom = 23;
constexpr int kSeparatorRow = 24;
constexpr int kBodyTop = 25;
constexpr int kBodyBottom = kPanelHeight - 2;

const Colour kFrame{114, 114, 114};
const Colour kTitleTopColour{229, 237, 252};
const Colour kTitleBottomColour{167, 194, 246};
const Colour kSeparator{117, 153, 222};
const Colour kBodyTopColour{143, 177, 243};
const Colour kBodyBottomColour{71, 120, 226};
const Colour kTitleText{40, 75, 205};
const Colour kWhite{255, 255, 255};

struct Canvas {
  int width, height;
  std::vector<Colour> pixels;
  Colour& At(int x, int y) { return pixels[static_cast<size_t>(y * width + x)]; }
  void Blend(int x, int y, Colour c, double alpha) {
    if (x < 0 || y < 0 || x >= width || y >= height || alpha <= 0) return;
    At(x, y) = Mix(At(x, y), c, Clamp01(alpha));
  }
};

// The upper edge of the wave: from below the bottom at the left, rising
// ever faster to about 30 rows above the bottom at the right edge, with a
// slight swell on the way.
double WaveCrest(double x, double lift) {
  const double u = x / (kPanelWidth - 1);
  return kBodyBottom + 6 - (30 + lift) * std::pow(u, 1.6) - 2.0 * std::sin(u * 3.14159265358979);
}

void PaintBackground(Canvas& canvas) {
  for (int y = 0; y < kPanelHeight; ++y) {
    Colour row;
    if (y <= kTitleBottom) {
      row = Mix(kTitleTopColour, kTitleBottomColour,
                static_cast<double>(y - kTitleTop) / (kTitleBottom - kTitleTop));
    } else if (y == kSeparatorRow) {
      row = kSeparator;
    } else {
      row = Mix(kBodyTopColour, kBodyBottomColour,
                static_cast<double>(y - kBodyTop) / (kBodyBottom - kBodyTop));
    }
    for (int x = 0; x < kPanelWidth; ++x) canvas.At(x, y) = row;
  }
}

// Two pale bands under two crest lines, sampled 4 x 4 per pixel so their
// edges are smooth; the light fades towards the left, where the wave
// starts, and stays faint so white text over it is still readable.
void PaintWave(Canvas& canvas) {
  constexpr int kSamples = 4;
  for (int y = kBodyTop + 80; y <= kBodyBottom; ++y) {
    for (int x = 1; x < kPanelWidth - 1; ++x) {
      double light = 0;
      for (int sy = 0; sy < kSamples; ++sy) {
        for (int sx = 0; sx < kSamples; ++sx) {
          const double px = x + (sx + 0.5) / kSamples;
          const double py = y + (sy + 0.5) / kSamples;
          const double fade = 0.25 + 0.75 * SmoothStep(0.0, 0.85, px / kPanelWidth);
          const double back = WaveCrest(px, 8);
          const double front = WaveCrest(px + 26, -6) + 4;
          const double dBack = py - back, dFront = py - front;
          // Each band is brightest at its rim and fades out below it.
          if (dBack > 0) light += fade * (dBack < 1.2 ? 0.26 : 0.17 * std::exp(-(dBack - 1.2) / 14));
          if (dFront > 0) light += fade * (dFront < 1.5 ? 0.42 : 0.21 * std::exp(-(dFront - 1.5) / 18));
        }
      }
      canvas.Blend(x, y, kWhite, light / (kSamples * kSamples));
    }
  }
}

// The title icon: a photo print tilted a little, with a white border, blue
// sky, two clouds and green hills, outlined in dark blue. Its shape is
// described in the photo's own coordinates (u right, v down, centre 0).
struct IconSample {
  Colour colour;
  double alpha;
};

constexpr double kPhotoHalfWidth = 12.4;
constexpr double kPhotoHalfHeight = 9.4;

double Circle(double u, double v, double cu, double cv, double r) {
  return (u - cu) * (u - cu) + (v - cv) * (v - cv) <= r * r ? 1 : 0;
}

IconSample PhotoAt(double u, double v) {
  const double edge = std::fmax(std::fabs(u) - kPhotoHalfWidth, std::fabs(v) - kPhotoHalfHeight);
  if (edge > 0) return {{0, 0, 0}, 0};
  if (edge > -1.0) return {{38, 52, 96}, 1};  // outline
  if (edge > -2.4) return {{252, 253, 255}, 1};  // the print's white border
  const double innerEdge = edge + 2.4;
  if (innerEdge > -0.6) return {{120, 140, 175}, 1};  // thin line around the picture
  // Hills: a light one behind, a darker one in front.
  const double backHill = 2.2 - 3.6 * std::cos((u - 4.0) * 0.30);
  const double frontHill = 4.4 - 2.6 * std::cos((u + 5.0) * 0.33);
  if (v > frontHill) return {Mix({86, 178, 62}, {46, 128, 44}, Clamp01((v - frontHill) / 5)), 1};
  if (v > backHill) return {Mix({150, 214, 96}, {98, 176, 70}, Clamp01((v - backHill) / 5)), 1};
  // Clouds: a few overlapping discs.
  const double cloud = std::fmax(
      std::fmax(Circle(u, v, -4.6, -2.6, 2.2), Circle(u, v, -2.4, -3.6, 2.4)),
      std::fmax(std::fmax(Circle(u, v, -0.4, -2.4, 1.9), Circle(u, v, 4.8, -4.6, 1.6)),
                Circle(u, v, 6.4, -4.2, 1.4)));
  if (cloud > 0) return {{255, 255, 255}, 1};
  return {Mix({58, 128, 232}, {150, 204, 252}, Clamp01((v + 7) / 10)), 1};
}

void PaintIcon(Canvas& canvas) {
  constexpr double kCentreX = 18.6, kCentreY = 12.4;
  constexpr double kAngle = -13.0 * 3.14159265358979 / 180.0;  // top edge rising to the right
  constexpr int kSamples = 5;
  const double c = std::cos(kAngle), s = std::sin(kAngle);
  // Kept to the strip and its separator: the body below stays clean.
  for (int y = kTitleTop; y <= kSeparatorRow; ++y) {
    for (int x = 1; x <= 36; ++x) {
      double r = 0, g = 0, b = 0, alpha = 0, shadow = 0;
      for (int sy = 0; sy < kSamples; ++sy) {
        for (int sx = 0; sx < kSamples; ++sx) {
          const double dx = x + (sx + 0.5) / kSamples - kCentreX;
          const double dy = y + (sy + 0.5) / kSamples - kCentreY;
          // Into the photo's frame: rotate back by the tilt.
          const double u = dx * c + dy * s;
          const double v = -dx * s + dy * c;
          const IconSample sample = PhotoAt(u, v);
          r += sample.colour.r * sample.alpha;
          g += sample.colour.g * sample.alpha;
          b += sample.colour.b * sample.alpha;
          alpha += sample.alpha;
          // A soft shadow one pixel down and right of the print.
          const double su = (dx - 1.1) * c + (dy - 1.1) * s;
          const double sv = -(dx - 1.1) * s + (dy - 1.1) * c;
          const double outside = std::fmax(std::fabs(su) - kPhotoHalfWidth, std::fabs(sv) - kPhotoHalfHeight);
          if (sample.alpha == 0) shadow += Clamp01(0.5 - outside * 0.5);
        }
      }
      const double n = kSamples * kSamples;
      canvas.Blend(x, y, {20, 40, 110}, 0.32 * shadow / n);
      if (alpha > 0) canvas.Blend(x, y, {r / alpha, g / alpha, b / alpha}, alpha / n);
    }
  }
}

// The title's coverage: the characters drawn white on black by GDI into a
// 32-bit DIB section; the green channel is the coverage.
struct Coverage {
  int width = 0, height = 0;
  std::vector<double> values;
  double At(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return 0;
    return values[static_cast<size_t>(y * width + x)];
  }
};

const wchar_t kTitleFace[] = L"WenQuanYi Micro Hei";
constexpr int kTitleHeight = 18;
// Drawn four times larger and averaged down: smoother strokes than the
// font's own small-size rendering, and no dependence on its hinting.
constexpr int kTitleOversample = 4;

bool RenderTitle(const wchar_t* text, int pixelHeight, int oversample, Coverage& coverage) {
  coverage.width = 64;
  coverage.height = 32;
  const int width = coverage.width * oversample, height = coverage.height * oversample;
  BITMAPINFO info = TopDown32BitInfo(width, height);
  void* bits = nullptr;
  raii::Bitmap dib(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  raii::MemDc dc(::CreateCompatibleDC(nullptr));
  raii::Font font(::CreateFontW(-pixelHeight * oversample, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE,
                                DEFAULT_CHARSET, OUT_TT_ONLY_PRECIS, CLIP_DEFAULT_PRECIS,
                                ANTIALIASED_QUALITY, DEFAULT_PITCH, kTitleFace));
  if (!dib || !dc || !font) return false;
  raii::SelectGuard selectBitmap(dc.Get(), dib.Get());
  raii::SelectGuard selectFont(dc.Get(), font.Get());
  wchar_t face[LF_FACESIZE] = {};
  ::GetTextFaceW(dc.Get(), LF_FACESIZE, face);
  if (std::wstring(face) != kTitleFace) {
    std::fwprintf(stderr, L"resgen: font \"%ls\" not found (GDI gave \"%ls\")\n", kTitleFace, face);
    return false;
  }
  RECT all{0, 0, width, height};
  ::FillRect(dc.Get(), &all, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
  ::SetBkMode(dc.Get(), TRANSPARENT);
  ::SetTextColor(dc.Get(), RGB(255, 255, 255));
  ::TextOutW(dc.Get(), 0, 0, text, static_cast<int>(std::wstring(text).size()));
  ::GdiFlush();
  const auto* pixels = static_cast<const std::uint8_t*>(bits);
  coverage.values.assign(static_cast<size_t>(coverage.width * coverage.height), 0.0);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      coverage.values[static_cast<size_t>((y / oversample) * coverage.width + x / oversample)] +=
          pixels[static_cast<size_t>(y * width + x) * 4 + 1] / 255.0 / (oversample * oversample);
    }
  }
  return true;
}

// Title text with a one-pixel pale highlight beneath it, so it reads as
// pressed into the strip. The ink's bounding box is centred on the strip's
// middle row, whatever space the font leaves above its glyphs.
void PaintTitle(Canvas& canvas, const Coverage& coverage, int left) {
  int inkTop = coverage.height, inkBottom = -1;
  for (int y = 0; y < coverage.height; ++y) {
    for (int x = 0; x < coverage.width; ++x) {
      if (coverage.At(x, y) > 0.02) {
        if (y < inkTop) inkTop = y;
        inkBottom = y;
      }
    }
  }
  if (inkBottom < 0) return;
  const int top = (kTitleTop + kTitleBottom + 1) / 2 - (inkTop + inkBottom + 1) / 2;
  for (int y = 0; y < coverage.height; ++y) {
    for (int x = 0; x < coverage.width; ++x) {
      const double below = coverage.At(x, y - 1) * (1 - coverage.At(x, y));
      canvas.Blend(left + x, top + y, kWhite, 0.45 * below);
    }
  }
  for (int y = 0; y < coverage.height; ++y) {
    for (int x = 0; x < coverage.width; ++x) canvas.Blend(left + x, top + y, kTitleText, coverage.At(x, y));
  }
}

void PaintFrame(Canvas& canvas) {
  for (int x = 0; x < kPanelWidth; ++x) {
    canvas.At(x, 0) = kFrame;
    canvas.At(x, kPanelHeight - 1) = kFrame;
  }
  for (int y = 0; y < kPanelHeight; ++y) {
    canvas.At(0, y) = kFrame;
    canvas.At(kPanelWidth - 1, y) = kFrame;
  }
}

Bytes EncodeBmp24(Canvas& canvas) {
  const std::uint32_t rowSize = (static_cast<std::uint32_t>(canvas.width) * 3 + 3) & ~3u;
  const std::uint32_t imageSize = rowSize * static_cast<std::uint32_t>(canvas.height);
  const std::uint32_t offBits = 14 + sizeof(BITMAPINFOHEADER);
  Bytes out;
  out.push_back('B');
  out.push_back('M');
  PutU32(out, offBits + imageSize);
  PutU16(out, 0);
  PutU16(out, 0);
  PutU32(out, offBits);
  PutU32(out, sizeof(BITMAPINFOHEADER));
  PutU32(out, static_cast<std::uint32_t>(canvas.width));
  PutU32(out, static_cast<std::uint32_t>(canvas.height));  // positive: bottom-up
  PutU16(out, 1);
  PutU16(out, 24);
  PutU32(out, BI_RGB);
  PutU32(out, imageSize);
  PutU32(out, 2880);  // 73 dots per inch
  PutU32(out, 2880);
  PutU32(out, 0);
  PutU32(out, 0);
  for (int y = canvas.height - 1; y >= 0; --y) {
    for (int x = 0; x < canvas.width; ++x) {
      const Colour c = canvas.At(x, y);
      out.push_back(Quantise(c.b));
      out.push_back(Quantise(c.g));
      out.push_back(Quantise(c.r));
    }
    for (std::uint32_t pad = static_cast<std::uint32_t>(canvas.width) * 3; pad < rowSize; ++pad) out.push_back(0);
  }
  return out;
}

bool MakePanelBackground(Bytes& out) {
  Canvas canvas{kPanelWidth, kPanelHeight,
                std::vector<Colour>(static_cast<size_t>(kPanelWidth * kPanelHeight))};
  PaintBackground(canvas);
  PaintWave(canvas);
  Coverage title;
  if (!RenderTitle(L"截图", kTitleHeight, kTitleOversample, title)) return false;
  PaintTitle(canvas, title, 39);
  PaintIcon(canvas);
  PaintFrame(canvas);
  out = EncodeBmp24(canvas);
  return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::wstring dir = argc > 1 ? std::wstring(argv[1]) + L"\\" : std::wstring();
  Bytes panel;
  if (!MakePanelBackground(panel)) return 1;
  const Bytes cursor = MakeOverlayCursor();
  if (!WriteFileBytes(dir + L"OverlayCursor.cur", cursor) ||
      !WriteFileBytes(dir + L"PanelBackground.bmp", panel)) {
    std::fwprintf(stderr, L"resgen: cannot write into \"%ls\"\n", dir.c_str());
    return 1;
  }
  std::wprintf(L"resgen: OverlayCursor.cur %u bytes, PanelBackground.bmp %u bytes\n",
               static_cast<unsigned>(cursor.size()), static_cast<unsigned>(panel.size()));
  return 0;
}
