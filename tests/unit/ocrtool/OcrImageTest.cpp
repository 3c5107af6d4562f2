#include "tools/recognizer/OcrImage.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "tests/unit/ocrtool/TestBmp.h"

namespace {

// 3 x 2 picture whose greys are all different, so a flipped or shifted row
// or a swapped channel shows.
Colours Sample() {
  Colours c;
  c.width = 3;
  c.height = 2;
  c.rgb = {0xFF0000, 0x00FF00, 0x0000FF,   // red green blue
           0xFFFFFF, 0x000000, 0x808080};  // white black grey
  return c;
}

// BT.601 greys of the sample as the decoder computes them.
const std::vector<std::uint8_t> kSampleGreys = {76, 149, 28, 255, 0, 128};

struct ShapeCase {
  const char* name;
  BmpShape shape;
  int tolerance;  // 16-bit pixels lose the low bits of each channel
};

class DecodeShapes : public ::testing::TestWithParam<ShapeCase> {};

TEST_P(DecodeShapes, GivesTheGreysTopRowFirst) {
  const ShapeCase& c = GetParam();
  DecodedBmp decoded = DecodeBmpToGrey(MakeBmp(Sample(), c.shape));
  ASSERT_EQ(decoded.error, "");
  ASSERT_EQ(decoded.image.width, 3);
  ASSERT_EQ(decoded.image.height, 2);
  for (size_t i = 0; i < kSampleGreys.size(); ++i)
    EXPECT_NEAR(decoded.image.pixels[i], kSampleGreys[i], c.tolerance) << "pixel " << i;
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, DecodeShapes,
    ::testing::Values(ShapeCase{"CaptureLayout32", {44, 32, false, false}, 0},
                      ShapeCase{"CaptureLayout24", {44, 24, false, false}, 0},
                      ShapeCase{"CaptureLayout16", {44, 16, false, false}, 5},
                      ShapeCase{"Standard32BottomUp", {40, 32, false, false}, 0},
                      ShapeCase{"Standard32TopDown", {40, 32, true, false}, 0},
                      ShapeCase{"Standard24TopDown", {40, 24, true, false}, 0},
                      ShapeCase{"Bitfields565After40ByteHeader", {40, 16, false, true}, 5},
                      ShapeCase{"Bitfields32After40ByteHeader", {40, 32, true, true}, 0},
                      ShapeCase{"V4Header32", {108, 32, false, false}, 0},
                      ShapeCase{"V5HeaderBitfields565", {124, 16, true, true}, 5},
                      ShapeCase{"V5Header24", {124, 24, false, false}, 0}),
    [](const ::testing::TestParamInfo<ShapeCase>& info) { return std::string(info.param.name); });

TEST(DecodeBmpToGrey, AlphaByteOfScreenPixelsIsIgnored) {
  // Screen captures at 32 bits carry 0 or junk in the fourth byte.
  Colours c;
  c.width = 1;
  c.height = 1;
  c.rgb = {0xFFFFFF};
  ByteBuffer bmp = MakeBmp(c, {44, 32, false, false});
  bmp[58 + 3] = 0x7F;
  DecodedBmp decoded = DecodeBmpToGrey(bmp);
  ASSERT_EQ(decoded.error, "");
  EXPECT_EQ(decoded.image.pixels[0], 255);
}

TEST(DecodeBmpToGrey, EightBitPaletteIsLookedUp) {
  // 2 x 1, 8 bits, two palette entries: index 1 is pure green.
  ByteBuffer b(14 + 40 + 8 + 4, 0);
  b[0] = 'B';
  b[1] = 'M';
  PutU32(b, 10, 14 + 40 + 8);
  PutU32(b, 14, 40);
  PutU32(b, 18, 2);
  PutU32(b, 22, 1);
  PutU16(b, 26, 1);
  PutU16(b, 28, 8);
  PutU32(b, 46, 2);
  PutU32(b, 54, 0x00FFFFFF);  // entry 0 white (B, G, R, 0)
  PutU32(b, 58, 0x0000FF00);  // entry 1 green
  b[62] = 1;
  b[63] = 0;
  DecodedBmp decoded = DecodeBmpToGrey(b);
  ASSERT_EQ(decoded.error, "");
  EXPECT_EQ(decoded.image.pixels, (std::vector<std::uint8_t>{149, 255}));
}

TEST(DecodeBmpToGrey, MissingPaddingOfTheLastRowIsAccepted) {
  // 1 x 2 at 24 bits: rows of 3 bytes padded to 4; some writers drop the
  // final pad bytes.
  Colours c;
  c.width = 1;
  c.height = 2;
  c.rgb = {0x000000, 0xFFFFFF};
  ByteBuffer bmp = MakeBmp(c, {40, 24, true, false});
  bmp.resize(bmp.size() - 1);
  DecodedBmp decoded = DecodeBmpToGrey(bmp);
  ASSERT_EQ(decoded.error, "");
  EXPECT_EQ(decoded.image.pixels, (std::vector<std::uint8_t>{0, 255}));
}

// One damaged file per row: each must be refused with a reason, never read
// out of bounds (the address sanitiser is not available here, so the rows
// are built so that an unchecked read would land past the buffer).
struct DamageCase {
  const char* name;
  void (*damage)(ByteBuffer&);
  const char* reasonPart;
};

ByteBuffer Good() { return MakeBmp(Sample(), {44, 32, false, false}); }

const DamageCase kDamages[] = {
    {"Empty", [](ByteBuffer& b) { b.clear(); }, "too short"},
    {"OnlyFileHeader", [](ByteBuffer& b) { b.resize(14); }, "too short"},
    {"TruncatedInfoHeader", [](ByteBuffer& b) { b.resize(40); }, "truncated"},
    {"NotBm", [](ByteBuffer& b) { b[0] = 'P'; }, "not a BMP"},
    {"TinyInfoHeader", [](ByteBuffer& b) { PutU32(b, 14, 12); }, "info header"},
    {"InfoHeaderPastEnd", [](ByteBuffer& b) { PutU32(b, 14, 0xFFFFFFF0u); }, "truncated"},
    {"HeaderOnlyFileOfAnEmptyClipboard", [](ByteBuffer& b) {
       b.assign(58, 0);
       b[0] = 'B';
       b[1] = 'M';
       PutU32(b, 2, 58);
       PutU32(b, 10, 58);
       PutU32(b, 14, 44);
     }, "no pixels"},
    {"NegativeWidth", [](ByteBuffer& b) { PutU32(b, 18, static_cast<std::uint32_t>(-3)); }, "no pixels"},
    {"AbsurdWidth", [](ByteBuffer& b) { PutU32(b, 18, 0x7FFFFFFF); }, "too large"},
    {"MostNegativeHeight", [](ByteBuffer& b) { PutU32(b, 22, 0x80000000u); }, "too large"},
    {"TooManyPixels", [](ByteBuffer& b) {
       PutU32(b, 18, 30000);
       PutU32(b, 22, 30000);
     }, "too large"},
    {"PixelsTruncated", [](ByteBuffer& b) { b.resize(b.size() - 5); }, "truncated"},
    {"HeightBeyondData", [](ByteBuffer& b) { PutU32(b, 22, 1000); }, "truncated"},
    {"OffsetPastEnd", [](ByteBuffer& b) { PutU32(b, 10, 0xFFFFFF00u); }, "truncated"},
    {"OffsetIntoHeader", [](ByteBuffer& b) { PutU32(b, 10, 20); }, "into its header"},
    {"FourBitDepth", [](ByteBuffer& b) { PutU16(b, 28, 4); }, "bit depth"},
    {"ZeroBitDepth", [](ByteBuffer& b) { PutU16(b, 28, 0); }, "bit depth"},
    {"RleCompression", [](ByteBuffer& b) { PutU32(b, 30, 1); }, "compression"},
    {"BitfieldsWithoutRoomForMasks", [](ByteBuffer& b) { PutU32(b, 30, 3); }, "masks"},
    {"EightBitPaletteTooLong", [](ByteBuffer& b) {
       PutU16(b, 28, 8);
       PutU32(b, 46, 100000);
     }, "palette"},
};

class DecodeDamaged : public ::testing::TestWithParam<DamageCase> {};

TEST_P(DecodeDamaged, IsRefusedWithAReason) {
  ByteBuffer bmp = Good();
  GetParam().damage(bmp);
  DecodedBmp decoded = DecodeBmpToGrey(bmp);
  EXPECT_NE(decoded.error.find(GetParam().reasonPart), std::string::npos) << decoded.error;
  EXPECT_TRUE(decoded.image.pixels.empty());
}

INSTANTIATE_TEST_SUITE_P(Files, DecodeDamaged, ::testing::ValuesIn(kDamages),
                         [](const ::testing::TestParamInfo<DamageCase>& info) { return std::string(info.param.name); });

GreyImage Flat(int w, int h, std::uint8_t v) {
  GreyImage g;
  g.width = w;
  g.height = h;
  g.pixels.assign(static_cast<size_t>(w) * h, v);
  return g;
}

TEST(ScaleGrey, FactorOneIsACopyAndSizesMultiply) {
  GreyImage g = Flat(5, 3, 77);
  g.pixels[4] = 0;
  EXPECT_EQ(ScaleGrey(g, 1).pixels, g.pixels);
  GreyImage s = ScaleGrey(g, 3);
  EXPECT_EQ(s.width, 15);
  EXPECT_EQ(s.height, 9);
  EXPECT_EQ(s.pixels.size(), 135u);
}

TEST(ScaleGrey, FlatAreasStayFlatAndEdgesStaySharp) {
  // A black left half and white right half: far from the edge the values are
  // exact, and the edge goes from dark to light within two source pixels.
  GreyImage g = Flat(8, 2, 255);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 4; ++x) g.pixels[y * 8 + x] = 0;
  GreyImage s = ScaleGrey(g, 2);
  for (int y = 0; y < 4; ++y) {
    const std::uint8_t* row = s.pixels.data() + y * 16;
    EXPECT_EQ(row[0], 0);
    EXPECT_EQ(row[4], 0);
    EXPECT_EQ(row[11], 255);
    EXPECT_EQ(row[15], 255);
    EXPECT_LT(row[7], 128);
    EXPECT_GT(row[8], 127);
  }
}

TEST(MakeTextDark, InvertsMostlyDarkPicturesOnly) {
  GreyImage dark = Flat(4, 1, 20);
  dark.pixels[0] = 250;  // light text on a dark background
  MakeTextDark(dark);
  EXPECT_EQ(dark.pixels, (std::vector<std::uint8_t>{5, 235, 235, 235}));
  GreyImage light = Flat(4, 1, 240);
  light.pixels[0] = 0;
  MakeTextDark(light);
  EXPECT_EQ(light.pixels, (std::vector<std::uint8_t>{0, 240, 240, 240}));
}

TEST(AddWhiteBorder, FramesThePicture) {
  GreyImage g = Flat(2, 1, 0);
  GreyImage b = AddWhiteBorder(g, 2);
  ASSERT_EQ(b.width, 6);
  ASSERT_EQ(b.height, 5);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 6; ++x) {
      bool inside = y == 2 && (x == 2 || x == 3);
      EXPECT_EQ(b.pixels[y * 6 + x], inside ? 0 : 255) << x << "," << y;
    }
}

TEST(ChooseScale, SmallRegionsGetThePreferredScaleLargeOnesLess) {
  EXPECT_EQ(ChooseScale(600, 120), kPreferredScale);
  EXPECT_EQ(ChooseScale(1, 1), kPreferredScale);
  EXPECT_EQ(ChooseScale(7680, 4320), 1);
  for (int w : {300, 1920, 2560, 3840}) {
    int s = ChooseScale(w, w * 9 / 16);
    EXPECT_GE(s, 1);
    EXPECT_TRUE(s == 1 || static_cast<long long>(w) * (w * 9 / 16) * s * s <= kMaxScaledPixels) << w;
  }
}

TEST(PrepareForRecognition, EnlargesAndFrames) {
  GreyImage p = PrepareForRecognition(Flat(10, 4, 255));
  EXPECT_EQ(p.width, 10 * kPreferredScale + 2 * kRecognitionBorder);
  EXPECT_EQ(p.height, 4 * kPreferredScale + 2 * kRecognitionBorder);
}

TEST(EncodePgm, HeaderThenRawBytes) {
  GreyImage g = Flat(2, 1, 9);
  ByteBuffer pgm = EncodePgm(g);
  std::string text(pgm.begin(), pgm.end());
  EXPECT_EQ(text, std::string("P5\n2 1\n255\n\x09\x09", 13));
}

}  // namespace
