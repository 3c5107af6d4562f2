#include "overlay/SelectionRender.h"

#include <gtest/gtest.h>

#include "OverlayTestSupport.h"

namespace {

TEST(CoordinateBoxPlace, BesideThePointerUnlessNearTheRightOrTopEdge) {
  struct Case {
    const char* what;
    int px, py, sw;
    int x, y;
  } const cases[] = {
      {"right of the pointer at sw - 70", 1850, 200, 1920, 1858, 120},
      {"left of the pointer past sw - 70", 1851, 200, 1920, 1787, 120},
      {"above the pointer below y 83", 500, 84, 1920, 508, 4},
      {"below the pointer at y 83", 500, 83, 1920, 508, 91},
      {"top-left corner", 0, 0, 1280, 8, 8},
      {"bottom-right corner", 1279, 799, 1280, 1215, 719},
  };
  for (const Case& c : cases) {
    const Point at = CoordinateBoxPlace(c.px, c.py, c.sw);
    EXPECT_EQ(at.x, c.x) << c.what;
    EXPECT_EQ(at.y, c.y) << c.what;
  }
}

TEST(CoordinateBoxLines, LabelsCornerSizeAndPointer) {
  const auto lines = CoordinateBoxLines(SelectionRect{10, 20, 110, 70}, 110, 70);
  EXPECT_EQ(lines[0], "顶点位置");
  EXPECT_EQ(lines[1], "(10,20)");
  EXPECT_EQ(lines[2], "矩形大小");
  EXPECT_EQ(lines[3], "(101,51)");
  EXPECT_EQ(lines[4], "光标坐标");
  EXPECT_EQ(lines[5], "(110,70)");
}

TEST(CoordinateBoxLines, ClosingParenthesisGivesWayToAFourthDigit) {
  struct Case {
    const char* what;
    SelectionRect selection;
    int px, py;
    const char* size;
    const char* pointer;
  } const cases[] = {
      {"999 wide", {0, 0, 998, 19}, 999, 5, "(999,20)", "(999,5)"},
      {"1000 wide", {0, 0, 999, 19}, 1000, 5, "(1000,20", "(1000,5"},
      {"1000 high is not tested", {0, 0, 19, 999}, 5, 1000, "(20,1000)", "(5,1000)"},
  };
  for (const Case& c : cases) {
    const auto lines = CoordinateBoxLines(c.selection, c.px, c.py);
    EXPECT_EQ(lines[3], c.size) << c.what;
    EXPECT_EQ(lines[5], c.pointer) << c.what;
  }
}

TEST(CoordinateBoxLines, ReversedSelectionIsNormalisedOnACopy) {
  const SelectionRect reversed{300, 300, 100, 200};
  const auto lines = CoordinateBoxLines(reversed, 100, 200);
  EXPECT_EQ(lines[1], "(100,200)");
  EXPECT_EQ(lines[3], "(201,101)");
  EXPECT_EQ(reversed.left, 300);
}

TEST(CoordinateBoxLines, NegativeCornerAndLargeSizesAsPlainDigits) {
  const auto lines = CoordinateBoxLines(SelectionRect{-10, -10, 1284, 804}, -3, 0);
  EXPECT_EQ(lines[1], "(-10,-10)");
  EXPECT_EQ(lines[3], "(1295,815");
  EXPECT_EQ(lines[5], "(-3,0)");
  // Width and height pass through double precision and %.13g: no exponent.
  const auto huge = CoordinateBoxLines(SelectionRect{-2000000000, 0, 2000000000, 0}, 0, 0);
  EXPECT_EQ(huge[3], "(4000000001,1");
}

constexpr COLORREF kFrame = RGB(10, 100, 130);
constexpr COLORREF kGround = RGB(200, 200, 200);

// Composes the frame of `selection` onto a grey 320 x 240 canvas.
class ComposedFrame : public ::testing::Test {
 protected:
  Canvas canvas{320, 240, kGround};
  void Compose(const SelectionRect& selection) { ComposeSelectionFrame(canvas.dc(), selection, kFrame); }
  bool IsFrame(int x, int y) { return canvas.Pixel(x, y) == kFrame; }
};

TEST_F(ComposedFrame, OutlineCoversBothEdges) {
  Compose({100, 50, 200, 150});
  for (int x = 103; x <= 197; ++x) {
    ASSERT_TRUE(IsFrame(x, 50)) << x;
    ASSERT_TRUE(IsFrame(x, 150)) << x;
    if (x >= 148 && x <= 152) continue;  // the top and bottom handles
    ASSERT_FALSE(IsFrame(x, 51)) << x;
    ASSERT_FALSE(IsFrame(x, 149)) << x;
  }
  for (int y = 53; y <= 147; ++y) {
    if (y >= 98 && y <= 102) continue;  // the side handles
    ASSERT_TRUE(IsFrame(100, y)) << y;
    ASSERT_TRUE(IsFrame(200, y)) << y;
    ASSERT_FALSE(IsFrame(99, y)) << y;
    ASSERT_FALSE(IsFrame(201, y)) << y;
    ASSERT_FALSE(IsFrame(101, y)) << y;
  }
  EXPECT_FALSE(IsFrame(150, 100));
}

TEST_F(ComposedFrame, HandlesAreFiveByFiveSquares) {
  Compose({100, 50, 200, 150});
  const int centres[][2] = {{100, 50}, {150, 50}, {200, 50}, {100, 100}, {200, 100}, {100, 150}, {150, 150}, {200, 150}};
  for (const auto& c : centres) {
    EXPECT_EQ(canvas.CountColour(c[0] - 2, c[1] - 2, c[0] + 2, c[1] + 2, kFrame), 25) << c[0] << "," << c[1];
    // Around each square only the outline goes on: two pixels of the ring.
    const int ring = canvas.CountColour(c[0] - 3, c[1] - 3, c[0] + 3, c[1] + 3, kFrame) - 25;
    EXPECT_EQ(ring, 2) << c[0] << "," << c[1];
  }
  // The top-left handle fills x 98..102, y 48..52 and nothing outside.
  EXPECT_TRUE(IsFrame(98, 48));
  EXPECT_TRUE(IsFrame(102, 52));
  EXPECT_FALSE(IsFrame(97, 48));
  EXPECT_FALSE(IsFrame(98, 47));
}

TEST_F(ComposedFrame, ReversedSelectionDrawsAsNormalisedAndStaysReversed) {
  Canvas normal(320, 240, kGround);
  ComposeSelectionFrame(normal.dc(), {100, 50, 200, 150}, kFrame);
  const SelectionRect reversed{200, 150, 100, 50};
  Compose(reversed);
  EXPECT_EQ(canvas.Pixels(), normal.Pixels());
  EXPECT_EQ(reversed.left, 200);
}

TEST_F(ComposedFrame, ResetMarkerLeavesNothingVisible) {
  Compose({-5, -5, -5, -5});
  EXPECT_EQ(canvas.CountColour(0, 0, 319, 239, kFrame), 0);
}

TEST_F(ComposedFrame, CancelMarkerShowsATwoByTwoSquareAtTheCorner) {
  Compose({-1, -1, -1, -1});
  EXPECT_EQ(canvas.CountColour(0, 0, 319, 239, kFrame), 4);
  EXPECT_TRUE(IsFrame(0, 0));
  EXPECT_TRUE(IsFrame(1, 1));
}

TEST_F(ComposedFrame, LaysOutTheHandlesOfWhatItDraws) {
  overlayState = OverlayState();
  Compose({200, 150, 100, 50});
  const SelectionRect& br = overlayState.handles[HandleBottomRight];
  EXPECT_EQ(br.left, 198);
  EXPECT_EQ(br.bottom, 152);
}

TEST(ComposedCoordinateBox, FrameAndTextsAtTheirPlace) {
  const COLORREF ground = RGB(200, 200, 200);
  const COLORREF frame = RGB(255, 0, 0);
  const COLORREF text = RGB(0, 0, 255);
  Canvas canvas(400, 300, ground);
  // Pointer (200, 150) on a 400 wide screen: first line at (208, 70).
  ComposeCoordinateBox(canvas.dc(), SelectionRect{10, 20, 110, 70}, 200, 150, 400, text, frame,
                       static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)));
  // FrameRect (x-3, y-3, x+55, y+75): outline through x 205..262, y 67..144.
  for (int x = 205; x <= 262; ++x) {
    ASSERT_EQ(canvas.Pixel(x, 67), frame) << x;
    ASSERT_EQ(canvas.Pixel(x, 144), frame) << x;
  }
  for (int y = 67; y <= 144; ++y) {
    ASSERT_EQ(canvas.Pixel(205, y), frame) << y;
    ASSERT_EQ(canvas.Pixel(262, y), frame) << y;
  }
  EXPECT_EQ(canvas.Pixel(204, 100), ground);
  EXPECT_EQ(canvas.Pixel(263, 100), ground);
  // Six lines of text in the text colour, each within its 12-pixel band
  // (smoothed: count the pixels that lean clearly towards blue).
  const auto bluish = [](COLORREF c) { return GetBValue(c) > GetRValue(c) + 60; };
  for (int line = 0; line < 6; ++line) {
    const int top = 70 + 12 * line;
    EXPECT_GT(canvas.Count(208, top, 261, top + 11, bluish), 10) << "line " << line + 1;
  }
  EXPECT_EQ(canvas.Count(208, 142, 261, 143, bluish), 0) << "nothing below the sixth line";
  // Transparent text: the grey ground stays between the glyphs, and no
  // white (the DC's default background colour) shows.
  EXPECT_GT(canvas.CountColour(206, 68, 261, 143, ground), 2000);
  EXPECT_GT(canvas.Count(206, 68, 261, 143, bluish), 150);
  EXPECT_EQ(canvas.CountColour(0, 0, 399, 299, RGB(255, 255, 255)), 0);
}

}  // namespace
