#include "overlay/SelectionModel.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

bool Same(const SelectionRect& a, const SelectionRect& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

std::string Show(const SelectionRect& r) {
  return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
         std::to_string(r.bottom) + ")";
}

#define EXPECT_RECT(actual, l, t, r, b) EXPECT_PRED2(Same, actual, (SelectionRect{l, t, r, b})) << Show(actual)

std::vector<PointerShape> pointerChanges;
void RecordPointer(PointerShape shape) { pointerChanges.push_back(shape); }

// A selection with its handles laid out as the renderer leaves them, the
// button not held, and a recording pointer sink.
class HitTest : public ::testing::Test {
 protected:
  void SetUp() override {
    overlayState = OverlayState();
    ForceOverlayPointer(OverlayCursor);
    pointerChanges.clear();
    SetOverlayPointerSink(RecordPointer);
  }
  void TearDown() override { SetOverlayPointerSink(nullptr); }
  void Select(int l, int t, int r, int b) {
    AssignRect(overlayState.selection, l, t, r, b);
    SelectionRect copy = overlayState.selection;
    NormalizeRect(copy);
    LayoutHandles(copy);
    overlayState.selected = 1;
  }
};

struct HitCase {
  const char* what;
  int x, y;
  PointerShape shape;
  int mode;
};

const HitCase kHitCases[] = {
    {"bottom-right corner", 200, 150, PointerSizeNwse, DragBottomRight},
    {"inside bottom-right handle", 198, 148, PointerSizeNwse, DragBottomRight},
    {"top-left handle", 101, 50, PointerSizeNwse, DragTopLeft},
    {"top strip near its start", 103, 50, PointerSizeNs, DragTop},
    {"top strip last point (right - 3)", 197, 50, PointerSizeNs, DragTop},
    {"top edge at right - 2 is the top-right handle", 198, 50, PointerSizeNesw, DragTopRight},
    {"top handle", 150, 48, PointerSizeNs, DragTop},
    {"left handle outside the edge", 99, 100, PointerSizeWe, DragLeft},
    {"left strip", 100, 120, PointerSizeWe, DragLeft},
    {"left edge at bottom - 2 is the bottom-left handle", 100, 148, PointerSizeNesw, DragBottomLeft},
    {"right strip", 200, 70, PointerSizeWe, DragRight},
    {"right handle", 202, 100, PointerSizeWe, DragRight},
    {"right edge at bottom - 2 is the bottom-right handle", 200, 148, PointerSizeNwse, DragBottomRight},
    {"bottom strip", 120, 150, PointerSizeNs, DragBottom},
    {"bottom handle", 150, 152, PointerSizeNs, DragBottom},
    {"bottom edge at right - 2 is the bottom-right handle", 198, 150, PointerSizeNwse, DragBottomRight},
    {"inside", 150, 100, PointerSizeAll, DragMove},
    {"left of the left handle", 97, 100, OverlayCursor, DragNone},
    {"right of the right handle", 203, 100, OverlayCursor, DragNone},
    {"above", 150, 47, OverlayCursor, DragNone},
    {"below", 150, 153, OverlayCursor, DragNone},
};

TEST_F(HitTest, PointerShapeForEachZoneWhileTheButtonIsUp) {
  for (const HitCase& c : kHitCases) {
    Select(100, 50, 200, 150);
    // Start from a shape no case expects, so every case must set its own.
    ForceOverlayPointer(c.shape == PointerSizeAll ? PointerSizeWe : PointerSizeAll);
    HitTestSelection(c.x, c.y);
    EXPECT_EQ(CurrentOverlayPointer(), c.shape) << c.what;
    EXPECT_EQ(overlayState.adjusting, 0) << c.what;
    EXPECT_EQ(overlayState.dragMode, DragNone) << c.what;
  }
}

TEST_F(HitTest, PressLatchesTheZoneModeAndLeavesThePointer) {
  for (const HitCase& c : kHitCases) {
    Select(100, 50, 200, 150);
    overlayState.pressing = 1;
    overlayState.adjusting = 0;
    overlayState.dragMode = 42;
    ForceOverlayPointer(PointerSizeAll);
    pointerChanges.clear();
    HitTestSelection(c.x, c.y);
    EXPECT_EQ(overlayState.dragMode, c.mode) << c.what;
    EXPECT_EQ(overlayState.adjusting, c.mode == DragNone ? 0 : 1) << c.what;
    EXPECT_TRUE(pointerChanges.empty()) << c.what;
    EXPECT_EQ(CurrentOverlayPointer(), PointerSizeAll) << c.what;
  }
}

TEST_F(HitTest, OnePixelSelectionDragsTheBottomRightCorner) {
  Select(40, 30, 40, 30);
  for (int i = 0; i < kHandleCount; ++i) EXPECT_RECT(overlayState.handles[i], 38, 28, 42, 32) << i;
  overlayState.pressing = 1;
  HitTestSelection(40, 30);
  EXPECT_EQ(overlayState.dragMode, DragBottomRight);
  EXPECT_EQ(overlayState.adjusting, 1);
}

TEST_F(HitTest, LatchedModeAndPointerHoldWhileAdjusting) {
  Select(100, 50, 200, 150);
  overlayState.pressing = 1;
  HitTestSelection(150, 100);  // inside: DragMove
  ASSERT_EQ(overlayState.dragMode, DragMove);
  pointerChanges.clear();
  const int overOtherZones[][2] = {{200, 150}, {100, 50}, {150, 50}, {10, 10}, {100, 100}};
  for (const auto& p : overOtherZones) {
    HitTestSelection(p[0], p[1]);
    EXPECT_EQ(overlayState.dragMode, DragMove);
    EXPECT_EQ(overlayState.adjusting, 1);
  }
  EXPECT_TRUE(pointerChanges.empty());
}

TEST_F(HitTest, PressOutsideLatchesNothingUntilAZoneIsEntered) {
  Select(100, 50, 200, 150);
  overlayState.pressing = 1;
  HitTestSelection(10, 10);
  EXPECT_EQ(overlayState.adjusting, 0);
  EXPECT_EQ(overlayState.dragMode, DragNone);
  HitTestSelection(100, 100);  // the left strip
  EXPECT_EQ(overlayState.adjusting, 1);
  EXPECT_EQ(overlayState.dragMode, DragLeft);
}

TEST_F(HitTest, PointerIsSetOnlyWhenTheShapeChanges) {
  Select(100, 50, 200, 150);
  HitTestSelection(150, 100);
  HitTestSelection(151, 100);
  HitTestSelection(152, 101);
  HitTestSelection(10, 10);
  HitTestSelection(11, 10);
  EXPECT_EQ(pointerChanges, (std::vector<PointerShape>{PointerSizeAll, OverlayCursor}));
}

TEST_F(HitTest, ContainmentTestNormalisesTheSelection) {
  Select(200, 150, 100, 50);
  HitTestSelection(150, 100);
  EXPECT_EQ(CurrentOverlayPointer(), PointerSizeAll);
  EXPECT_RECT(overlayState.selection, 100, 50, 200, 150);
}

struct LayoutCase {
  const char* what;
  SelectionRect rect;
  SelectionRect top, left, bottomRight;
};

TEST(LayoutHandles, CentresTruncatedTowardZero) {
  const LayoutCase cases[] = {
      {"integer centres", {100, 50, 200, 150}, {148, 48, 152, 52}, {98, 98, 102, 102}, {198, 148, 202, 152}},
      {"half-integer centres", {100, 50, 201, 151}, {148, 48, 152, 52}, {98, 98, 102, 102}, {199, 149, 203, 153}},
      // mx = -0.5: -2.5 .. 1.5 truncate to -2 .. 1.
      {"centre -0.5", {-1, -1, 0, 0}, {-2, -3, 1, 1}, {-3, -2, 1, 1}, {-2, -2, 2, 2}},
      // my = -3.5: -5.5 .. -1.5 truncate to -5 .. -1.
      {"centre -3.5", {-4, -4, -3, -3}, {-5, -6, -1, -2}, {-6, -5, -2, -1}, {-5, -5, -1, -1}},
      {"cancel marker", {-1, -1, -1, -1}, {-3, -3, 1, 1}, {-3, -3, 1, 1}, {-3, -3, 1, 1}},
  };
  for (const LayoutCase& c : cases) {
    overlayState = OverlayState();
    LayoutHandles(c.rect);
    const SelectionRect& top = overlayState.handles[HandleTop];
    const SelectionRect& left = overlayState.handles[HandleLeft];
    const SelectionRect& br = overlayState.handles[HandleBottomRight];
    EXPECT_RECT(top, c.top.left, c.top.top, c.top.right, c.top.bottom) << c.what;
    EXPECT_RECT(left, c.left.left, c.left.top, c.left.right, c.left.bottom) << c.what;
    EXPECT_RECT(br, c.bottomRight.left, c.bottomRight.top, c.bottomRight.right, c.bottomRight.bottom) << c.what;
  }
}

TEST(LayoutHandles, AllEightInIndexOrder) {
  overlayState = OverlayState();
  LayoutHandles(SelectionRect{100, 50, 200, 150});
  const int centres[kHandleCount][2] = {{100, 50},  {150, 50},  {200, 50},  {100, 100},
                                        {200, 100}, {100, 150}, {150, 150}, {200, 150}};
  for (int i = 0; i < kHandleCount; ++i) {
    EXPECT_RECT(overlayState.handles[i], centres[i][0] - 2, centres[i][1] - 2, centres[i][0] + 2,
                centres[i][1] + 2)
        << i;
  }
}

TEST(RectOperations, NormalizeSwapsOnlyWhatIsReversed) {
  SelectionRect r{200, 50, 100, 150};
  NormalizeRect(r);
  EXPECT_RECT(r, 100, 50, 200, 150);
  r = {100, 150, 200, 50};
  NormalizeRect(r);
  EXPECT_RECT(r, 100, 50, 200, 150);
  r = {7, 7, 7, 7};
  NormalizeRect(r);
  EXPECT_RECT(r, 7, 7, 7, 7);
}

TEST(RectOperations, ContainsPointNormalisesInPlaceAndIncludesAllEdges) {
  SelectionRect r{200, 150, 100, 50};
  EXPECT_TRUE(RectContainsPoint(r, 100, 50));
  EXPECT_RECT(r, 100, 50, 200, 150);
  EXPECT_TRUE(RectContainsPoint(r, 200, 150));
  EXPECT_FALSE(RectContainsPoint(r, 201, 150));
  EXPECT_FALSE(RectContainsPoint(r, 100, 49));
  EXPECT_FALSE(RectContainsPoint(r, 99, 100));
  EXPECT_FALSE(RectContainsPoint(r, 150, 151));
}

TEST(RectOperations, MoveRectToKeepsSizeAndOrientation) {
  SelectionRect r{100, 50, 200, 150};
  MoveRectTo(r, 10, 20);
  EXPECT_RECT(r, 10, 20, 110, 120);
  SelectionRect reversed{200, 50, 100, 150};
  MoveRectTo(reversed, 210, 50);
  EXPECT_RECT(reversed, 210, 50, 110, 150);
  SelectionRect offScreen{5, 5, 10, 10};
  MoveRectTo(offScreen, -20, -30);
  EXPECT_RECT(offScreen, -20, -30, -15, -25);
}

TEST(RectOperations, ResetClearsTheFlagsAndMarksNoSelection) {
  overlayState.confirmed = overlayState.selected = overlayState.pressing = 1;
  overlayState.adjusting = overlayState.cancelPending = 1;
  overlayState.dragMode = DragTop;
  overlayState.pressPoint = {3, 4};
  ResetOverlayState();
  EXPECT_EQ(overlayState.confirmed, 0);
  EXPECT_EQ(overlayState.selected, 0);
  EXPECT_EQ(overlayState.pressing, 0);
  EXPECT_EQ(overlayState.adjusting, 0);
  EXPECT_EQ(overlayState.cancelPending, 0);
  EXPECT_RECT(overlayState.selection, -5, -5, -5, -5);
  // Rewritten before they are next read, so the reset leaves them.
  EXPECT_EQ(overlayState.dragMode, DragTop);
  EXPECT_EQ(overlayState.pressPoint.x, 3);
}

}  // namespace
