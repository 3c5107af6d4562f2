#include "overlay/InfoPanel.h"

#include <gtest/gtest.h>

#include "OverlayTestSupport.h"
#include "platform/Raii.h"
#include "resources/ResourceData.h"
#include "resources/ResourceIds.h"

namespace {

TEST(ColourLine, ComponentsPaddedToThreeCharacters) {
  struct Case {
    const char* what;
    COLORREF colour;
    const char* line;
  } const cases[] = {
      {"white", RGB(255, 255, 255), "·当前像素RGB(255,255,255)"},
      {"black", RGB(0, 0, 0), "·当前像素RGB(  0,  0,  0)"},
      {"mixed widths, red first", RGB(5, 40, 255), "·当前像素RGB(  5, 40,255)"},
      {"GetPixel failure reads as white", CLR_INVALID, "·当前像素RGB(255,255,255)"},
  };
  for (const Case& c : cases) EXPECT_EQ(ColourLine(c.colour), c.line) << c.what;
}

bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

struct Expected {
  const char* text;
  RECT rect;
};

void ExpectTexts(const std::vector<PanelText>& texts, std::initializer_list<Expected> expected, const char* what) {
  ASSERT_EQ(texts.size(), expected.size()) << what;
  size_t i = 0;
  for (const Expected& e : expected) {
    EXPECT_EQ(texts[i].text, e.text) << what << " #" << i;
    EXPECT_PRED2(SameRect, texts[i].rect, e.rect) << what << " #" << i;
    ++i;
  }
}

TEST(PanelTexts, HintsAndRectanglesByState) {
  OverlayState idle;
  ExpectTexts(PanelTexts(RGB(1, 2, 3), idle, 172),
              {{"·当前像素RGB(  1,  2,  3)", {5, 30, 167, 42}},
               {"·按下鼠标左键不放选择截取范围", {5, 52, 167, 76}},
               {"·按'ESC'键或鼠标右键退出", {5, 86, 167, 98}}},
              "idle");

  OverlayState drawing;
  drawing.pressing = 1;
  ExpectTexts(PanelTexts(RGB(1, 2, 3), drawing, 172),
              {{"·当前像素RGB(  1,  2,  3)", {5, 30, 167, 42}},
               {"·松开鼠标左键确定截取范围", {5, 52, 167, 64}},
               {"·按'ESC'键退出", {5, 74, 167, 86}}},
              "drawing");

  // Selected wins over pressing (adjusting a selection).
  for (int pressing = 0; pressing <= 1; ++pressing) {
    OverlayState selected;
    selected.selected = 1;
    selected.pressing = pressing;
    ExpectTexts(PanelTexts(RGB(1, 2, 3), selected, 172),
                {{"·当前像素RGB(  1,  2,  3)", {5, 30, 167, 42}},
                 {"·用鼠标左键调整截取范围的大小和位置", {5, 52, 167, 76}},
                 {"·截取范围内双击鼠标左键保存图像，结束操作", {5, 86, 167, 110}},
                 {"·点击鼠标右键重新选择", {5, 120, 167, 132}}},
                "selected");
  }
}

TEST(DodgeLeft, OtherHalfOfTheScreen) {
  struct Case {
    int px, sw, left;
  } const cases[] = {
      {959, 1920, 1740}, {960, 1920, 8}, {0, 1920, 1740}, {1919, 1920, 8},
      {682, 1365, 1185}, {683, 1365, 8}, {639, 1280, 1100}, {640, 1280, 8},
  };
  for (const Case& c : cases) EXPECT_EQ(DodgeLeft(c.px, c.sw, 172), c.left) << c.px << " of " << c.sw;
}

TEST(LoadPanelBitmap, TheEmbeddedBackground) {
  const ByteBuffer bytes = LoadResourceBytes(IDR_PANEL_BACKGROUND);
  ASSERT_EQ(bytes.size(), 77082u);
  raii::Bitmap bitmap(LoadPanelBitmap(bytes));
  ASSERT_TRUE(bitmap);
  BITMAP info{};
  GetObjectW(bitmap.Get(), sizeof info, &info);
  EXPECT_EQ(info.bmWidth, 174);
  EXPECT_EQ(info.bmHeight, 147);

  Canvas canvas(174, 147, RGB(0, 0, 0));
  raii::MemDc source(CreateCompatibleDC(nullptr));
  raii::SelectGuard select(source.Get(), bitmap.Get());
  BitBlt(canvas.dc(), 0, 0, 174, 147, source.Get(), 0, 0, SRCCOPY);
  // Rows are stored bottom-up; the grey frame runs round all four sides.
  EXPECT_EQ(canvas.Pixel(0, 0), RGB(114, 114, 114));
  EXPECT_EQ(canvas.Pixel(173, 146), RGB(114, 114, 114));
  EXPECT_EQ(canvas.Pixel(100, 24), RGB(117, 153, 222));
}

TEST(LoadPanelBitmap, RefusesBytesThatAreNotSuchAFile) {
  const ByteBuffer good = LoadResourceBytes(IDR_PANEL_BACKGROUND);
  ASSERT_FALSE(good.empty());
  EXPECT_EQ(LoadPanelBitmap(ByteBuffer()), nullptr);
  EXPECT_EQ(LoadPanelBitmap(ByteBuffer(good.begin(), good.begin() + 54)), nullptr) << "no pixels";
  EXPECT_EQ(LoadPanelBitmap(ByteBuffer(good.begin(), good.end() - 1)), nullptr) << "last row cut";
  ByteBuffer notBm = good;
  notBm[0] = 'X';
  EXPECT_EQ(LoadPanelBitmap(notBm), nullptr);
  ByteBuffer eightBit = good;
  eightBit[28] = 8;
  EXPECT_EQ(LoadPanelBitmap(eightBit), nullptr);
}

TEST(ComposeInfoPanel, BackgroundWithWhiteTextsInTheirRectangles) {
  raii::Bitmap background(LoadPanelBitmap(LoadResourceBytes(IDR_PANEL_BACKGROUND)));
  ASSERT_TRUE(background);
  raii::MemDc backgroundDc(CreateCompatibleDC(nullptr));
  raii::SelectGuard select(backgroundDc.Get(), background.Get());
  const HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  // Texts are smoothed: count the pale pixels, of which the background has
  // none below its title strip.
  const auto white = [](COLORREF c) { return GetRValue(c) > 214 && GetGValue(c) > 214 && GetBValue(c) > 214; };

  OverlayState idle;
  Canvas canvas(172, 146, RGB(0, 0, 0));
  ComposeInfoPanel(canvas.dc(), backgroundDc.Get(), 172, 146, RGB(5, 40, 255), idle, font);
  // The frame shows on the left and top; right and bottom are cut off.
  EXPECT_EQ(canvas.Pixel(0, 80), RGB(114, 114, 114));
  EXPECT_EQ(canvas.Pixel(80, 0), RGB(114, 114, 114));
  EXPECT_NE(canvas.Pixel(171, 80), RGB(114, 114, 114));
  EXPECT_NE(canvas.Pixel(80, 145), RGB(114, 114, 114));
  // White text in the colour line and both idle hints; none in the gaps
  // between them or below the last one.
  EXPECT_GT(canvas.Count(5, 30, 166, 41, white), 20);
  EXPECT_GT(canvas.Count(5, 52, 166, 75, white), 20);
  EXPECT_GT(canvas.Count(5, 86, 166, 97, white), 20);
  EXPECT_EQ(canvas.Count(5, 42, 166, 51, white), 0);
  EXPECT_EQ(canvas.Count(5, 76, 166, 85, white), 0);
  EXPECT_EQ(canvas.Count(1, 98, 166, 115, white), 0);

  OverlayState selected;
  selected.selected = 1;
  Canvas withSelection(172, 146, RGB(0, 0, 0));
  ComposeInfoPanel(withSelection.dc(), backgroundDc.Get(), 172, 146, RGB(5, 40, 255), selected, font);
  EXPECT_GT(withSelection.Count(5, 120, 166, 131, white), 20) << "third hint";
}

}  // namespace
