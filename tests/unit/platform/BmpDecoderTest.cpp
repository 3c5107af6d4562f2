// The picture box's BMP reader: the program's own layout, ordinary BMPs, and
// bytes that must decode to nothing.
#include "platform/BmpDecoder.h"

#include <gtest/gtest.h>

#include <climits>

#include "tests/unit/platform/BmpTestBytes.h"

using bmptest::MakeBmp;
using bmptest::ProgramBmp32;
using bmptest::Put32;

namespace {

form::DecodedPicture Decode(const ByteBuffer& bytes, bool expectOk = true) {
  form::DecodedPicture picture;
  EXPECT_EQ(form::DecodeBmp(bytes, &picture), expectOk);
  return picture;
}

TEST(BmpDecoder, ProgramLayoutIsReadFromOffset58BottomUp) {
  ByteBuffer bytes = ProgramBmp32(2, 2, {0x112233, 0x445566, 0x778899, 0xAABBCC});
  ASSERT_EQ(bytes.size(), 74u);
  form::DecodedPicture p = Decode(bytes);
  ASSERT_EQ(p.width, 2);
  ASSERT_EQ(p.height, 2);
  EXPECT_EQ(p.pixels, (std::vector<std::uint32_t>{0x112233, 0x445566, 0x778899, 0xAABBCC}));
}

TEST(BmpDecoder, StandardTwentyFourBitRowsArePadded) {
  // 3 x 2, bottom-up; rows of 9 bytes padded to 12.
  ByteBuffer rows = {
      0x03, 0x02, 0x01, 0x06, 0x05, 0x04, 0x09, 0x08, 0x07, 0, 0, 0,  // bottom row
      0x30, 0x20, 0x10, 0x60, 0x50, 0x40, 0x90, 0x80, 0x70, 0, 0, 0,  // top row
  };
  form::DecodedPicture p = Decode(MakeBmp(40, 3, 2, 24, 0, rows));
  EXPECT_EQ(p.pixels, (std::vector<std::uint32_t>{0x102030, 0x405060, 0x708090, 0x010203, 0x040506, 0x070809}));
}

TEST(BmpDecoder, TopDownWhenTheHeightIsNegative) {
  ByteBuffer rows = {0x01, 0x02, 0x03, 0, 0x04, 0x05, 0x06, 0};
  form::DecodedPicture p = Decode(MakeBmp(40, 1, -2, 32, 0, rows));
  ASSERT_EQ(p.height, 2);
  EXPECT_EQ(p.pixels, (std::vector<std::uint32_t>{0x030201, 0x060504}));
}

TEST(BmpDecoder, SixteenBitsAreFiveFiveFiveUnlessMasksSayOtherwise) {
  // Pure red, pure green in 5-5-5; padded to 4 bytes per row.
  ByteBuffer rows = {0x00, 0x7C, 0xE0, 0x03};
  form::DecodedPicture p = Decode(MakeBmp(40, 2, 1, 16, 0, rows));
  EXPECT_EQ(p.pixels, (std::vector<std::uint32_t>{0xFF0000, 0x00FF00}));

  // 5-6-5 through BI_BITFIELDS masks behind a 40-byte header.
  ByteBuffer rows565 = {0x00, 0xF8, 0xE0, 0x07};
  form::DecodedPicture q = Decode(MakeBmp(40, 2, 1, 16, 3, rows565, {0xF800, 0x07E0, 0x001F}));
  EXPECT_EQ(q.pixels, (std::vector<std::uint32_t>{0xFF0000, 0x00FF00}));
}

TEST(BmpDecoder, BitfieldsInsideAVersion5Header) {
  // 32 bits, masks in RGBA order inside the header: blue stored in the top byte.
  ByteBuffer rows = {0x00, 0x00, 0x00, 0x7F};
  ByteBuffer bytes = MakeBmp(124, 1, 1, 32, 3, rows);
  Put32(bytes, 54, 0x000000FF);  // red
  Put32(bytes, 58, 0x0000FF00);  // green
  Put32(bytes, 62, 0xFF000000);  // blue
  form::DecodedPicture p = Decode(bytes);
  EXPECT_EQ(p.pixels, (std::vector<std::uint32_t>{0x00007F}));
}

TEST(BmpDecoder, VersionFourHeaderTwentyFourBits) {
  ByteBuffer rows = {0x0A, 0x0B, 0x0C, 0};
  form::DecodedPicture p = Decode(MakeBmp(108, 1, 1, 24, 0, rows));
  EXPECT_EQ(p.pixels, (std::vector<std::uint32_t>{0x0C0B0A}));
}

TEST(BmpDecoder, BytesThatAreNoPictureDecodeToNothing) {
  ByteBuffer good = ProgramBmp32(2, 2, {1, 2, 3, 4});
  struct Case {
    const char* name;
    ByteBuffer bytes;
  };
  std::vector<Case> cases;
  cases.push_back({"empty", ByteBuffer()});
  // What the encoder gives when the clipboard holds no bitmap.
  ByteBuffer headerOnly(58, 0);
  headerOnly[0] = 'B';
  headerOnly[1] = 'M';
  Put32(headerOnly, 2, 58);
  Put32(headerOnly, 10, 58);
  Put32(headerOnly, 14, 44);
  cases.push_back({"header-only file of the encoder", headerOnly});
  cases.push_back({"one byte short", ByteBuffer(good.begin(), good.end() - 1)});
  cases.push_back({"cut inside the header", ByteBuffer(good.begin(), good.begin() + 30)});
  ByteBuffer badMagic = good;
  badMagic[0] = 'X';
  cases.push_back({"not BM", badMagic});
  ByteBuffer offBeyond = good;
  Put32(offBeyond, 10, 0xFFFFFFF0u);
  cases.push_back({"pixels offset beyond the end", offBeyond});
  ByteBuffer offInside = good;
  Put32(offInside, 10, 20);
  cases.push_back({"pixels offset inside the header", offInside});
  ByteBuffer hugeWidth = good;
  Put32(hugeWidth, 18, 0x7FFFFFFF);
  cases.push_back({"width far beyond the bytes", hugeWidth});
  ByteBuffer hugeHeight = good;
  Put32(hugeHeight, 22, static_cast<std::uint32_t>(INT_MIN));
  cases.push_back({"most negative height", hugeHeight});
  ByteBuffer zeroWidth = good;
  Put32(zeroWidth, 18, 0);
  cases.push_back({"zero width", zeroWidth});
  ByteBuffer eightBits = good;
  bmptest::Put16(eightBits, 28, 8);
  cases.push_back({"palette picture", eightBits});
  ByteBuffer rle = good;
  Put32(rle, 30, 1);
  cases.push_back({"compressed", rle});
  ByteBuffer oddHeader = good;
  Put32(oddHeader, 14, 0xFFFFFFFFu);
  cases.push_back({"info size beyond the bytes", oddHeader});
  cases.push_back({"bitfields with a gap in a mask",
                   MakeBmp(40, 1, 1, 32, 3, ByteBuffer(4, 0), {0xF0F000, 0x00FF00, 0x0000FF})});
  ByteBuffer garbage(300);
  for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<std::uint8_t>(i * 37 + 11);
  garbage[0] = 'B';
  garbage[1] = 'M';
  cases.push_back({"garbage after BM", garbage});

  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    form::DecodedPicture p;
    p.width = 99;
    EXPECT_FALSE(form::DecodeBmp(c.bytes, &p));
    EXPECT_EQ(p.width, 0);
    EXPECT_TRUE(p.pixels.empty());
    // Nothing the decoder refuses is drawn from its own rows either.
    form::BmpRows rows;
    rows.width = 99;
    EXPECT_FALSE(form::FindBmpRgbRows(c.bytes, &rows));
    EXPECT_EQ(rows.width, 0);
  }
}

TEST(BmpRows, PlaceOfTheRowsOfRgbPicturesOnly) {
  struct Case {
    const char* name;
    ByteBuffer bytes;
    bool found;
    int width, height;
    bool topDown;
    int bitCount;
    std::size_t offset;
  };
  const Case cases[] = {
      {"program layout", ProgramBmp32(2, 3, std::vector<std::uint32_t>(6, 0)), true, 2, 3, false, 32, 58},
      {"40-byte header, 24 bits", MakeBmp(40, 3, 2, 24, 0, ByteBuffer(24, 0)), true, 3, 2, false, 24, 54},
      {"top-down", MakeBmp(40, 1, -2, 32, 0, ByteBuffer(8, 0)), true, 1, 2, true, 32, 54},
      {"16 bits, 5-5-5", MakeBmp(40, 2, 1, 16, 0, ByteBuffer(4, 0)), true, 2, 1, false, 16, 54},
      {"bit fields are converted instead", MakeBmp(40, 2, 1, 16, 3, ByteBuffer(4, 0), {0xF800, 0x07E0, 0x001F}),
       false, 0, 0, false, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    form::BmpRows rows;
    EXPECT_EQ(form::FindBmpRgbRows(c.bytes, &rows), c.found);
    EXPECT_EQ(rows.width, c.width);
    EXPECT_EQ(rows.height, c.height);
    EXPECT_EQ(rows.topDown, c.topDown);
    EXPECT_EQ(rows.bitCount, c.bitCount);
    EXPECT_EQ(rows.offset, c.offset);
  }
}

}  // namespace
