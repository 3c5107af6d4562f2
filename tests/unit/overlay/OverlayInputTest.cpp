// The overlay for real under Wine: loaded through the form runtime (without
// its modal loop, so the tests can call the handlers directly) or opened
// modally and driven by posted messages. The frozen screen is replaced by a
// pattern in which every pixel's colour tells its position, so a copied
// region can be checked pixel by pixel.
#include "overlay/OverlayInput.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>
#include <vector>

#include "OverlayTestSupport.h"
#include "overlay/CaptureOptions.h"
#include "overlay/OverlayLifecycle.h"
#include "overlay/SelectionModel.h"
#include "platform/Form.h"
#include "platform/Raii.h"

namespace {

int ScreenWidth() { return GetSystemMetrics(SM_CXSCREEN); }
int ScreenHeight() { return GetSystemMetrics(SM_CYSCREEN); }

// Red and green are the low bytes of x and y, blue holds their high nibbles.
COLORREF PatternAt(int x, int y) {
  return RGB(x & 0xFF, y & 0xFF, ((x >> 8) << 4 | (y >> 8)) & 0xFF);
}

void PaintPatternInto(HDC dc, int width, int height) {
  PaintPixelsInto(dc, width, height, [](int x, int y) {
    const COLORREF c = PatternAt(x, y);
    return static_cast<DWORD>(GetRValue(c) << 16 | GetGValue(c) << 8 | GetBValue(c));
  });
}

void PumpFor(int milliseconds) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  do {
    form::ProcessPendingMessages();
    Sleep(5);
  } while (std::chrono::steady_clock::now() < end);
}

bool PumpUntil(const std::function<bool()>& done, int limitMs = 5000) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    form::ProcessPendingMessages();
    Sleep(5);
  }
  return true;
}

struct ClipboardImage {
  bool present = false;
  int width = 0;
  int height = 0;
  std::vector<DWORD> pixels;  // top-down, 0x00RRGGBB
  COLORREF At(int x, int y) const {
    const DWORD v = pixels[static_cast<size_t>(y) * width + x];
    return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
  }
};

ClipboardImage ReadClipboardBitmap() {
  ClipboardImage image;
  if (!OpenClipboard(nullptr)) return image;
  const HBITMAP bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
  BITMAP info{};
  if (bitmap && GetObjectW(bitmap, sizeof info, &info)) {
    image.present = true;
    image.width = info.bmWidth;
    image.height = info.bmHeight;
    image.pixels.resize(static_cast<size_t>(info.bmWidth) * info.bmHeight);
    // Room for a colour table after the header: Wine writes colour masks
    // there even for 32-bit requests.
    struct {
      BITMAPINFOHEADER header;
      RGBQUAD colours[256];
    } request{};
    request.header.biSize = sizeof(BITMAPINFOHEADER);
    request.header.biWidth = info.bmWidth;
    request.header.biHeight = -info.bmHeight;
    request.header.biPlanes = 1;
    request.header.biBitCount = 32;
    request.header.biCompression = BI_RGB;
    raii::WindowDc screen(nullptr);
    GetDIBits(screen.Get(), bitmap, 0, info.bmHeight, image.pixels.data(),
              reinterpret_cast<BITMAPINFO*>(&request), DIB_RGB_COLORS);
  }
  CloseClipboard();
  return image;
}

// A 1 x 1 bitmap on the clipboard, so a test sees whether a confirm
// replaced it.
void PutMarkerOnClipboard() {
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  raii::WindowDc screen(nullptr);
  SetClipboardData(CF_BITMAP, CreateCompatibleBitmap(screen.Get(), 1, 1));
  CloseClipboard();
}

// Expects the clipboard to hold exactly the pattern of `region` (screen
// coordinates, both edges included).
void ExpectClipboardHolds(int left, int top, int right, int bottom) {
  const ClipboardImage image = ReadClipboardBitmap();
  ASSERT_TRUE(image.present);
  ASSERT_EQ(image.width, right - left + 1);
  ASSERT_EQ(image.height, bottom - top + 1);
  int wrong = 0;
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x)
      if (image.At(x, y) != PatternAt(left + x, top + y)) ++wrong;
  EXPECT_EQ(wrong, 0) << "pixels that differ from the frozen screen";
}

void ConfigureDefaultOptions() {
  captureOptions.drawCursor = 0;
  captureOptions.frameColour = kDefaultFrameColour;
  captureOptions.infoFrameColour = 0;
  captureOptions.infoTextColour = 0;
}

// Pointer over the overlay, away from the panel and from any selection the
// tests make.
constexpr int kRestX = 640;
constexpr int kRestY = 400;

class OverlayRun : public ::testing::Test {
 protected:
  HWND overlay = nullptr;

  void SetUp() override {
    SetCursorPos(kRestX, kRestY);
    ConfigureDefaultOptions();
    overlay = form::LoadForm(CaptureOverlayForm());
    ASSERT_NE(overlay, nullptr);
    PaintPatternInto(overlayResources.screenDc, ScreenWidth(), ScreenHeight());
    // The frozen screen changed behind the overlay's back: a paint request
    // puts it on the window.
    InvalidateRect(overlay, nullptr, FALSE);
    PumpFor(20);
  }
  void TearDown() override {
    if (IsWindow(overlay)) DestroyWindow(overlay);
    PumpFor(10);
    SetCursorPos(kRestX, kRestY);
  }

  bool OverlayGone() {
    PumpUntil([&] { return !IsWindow(overlay); }, 2000);
    return !IsWindow(overlay);
  }
  bool OverlayStays() {
    PumpFor(50);
    return IsWindow(overlay) != FALSE;
  }

  // Draws a selection with the mouse: press, a move on the way, release.
  void Draw(int x0, int y0, int x1, int y1) {
    OnOverlayLeftDown(x0, y0, 0);
    OnOverlayMouseMove((x0 + x1) / 2, (y0 + y1) / 2, 0);
    OnOverlayMouseMove(x1, y1, 0);
    OnOverlayLeftUp(x1, y1, 0);
  }
  // A press on the selection where the pointer has come to rest first.
  void PressAt(int x, int y) {
    OnOverlayMouseMove(x, y, 0);
    OnOverlayLeftDown(x, y, 0);
  }
  const SelectionRect& Sel() const { return overlayState.selection; }
  COLORREF OnOverlayWindow(int x, int y) {
    raii::WindowDc dc(overlay);
    return GetPixel(dc.Get(), x, y);
  }
};

bool SameRect(const SelectionRect& a, const SelectionRect& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
#define EXPECT_SELECTION(l, t, r, b) EXPECT_PRED2(SameRect, Sel(), (SelectionRect{l, t, r, b}))

TEST_F(OverlayRun, OpensIdleOverTheScreenWithThePanelSlidIn) {
  EXPECT_EQ(form::GetLeft(overlay), 0);
  EXPECT_EQ(form::GetTop(overlay), 0);
  EXPECT_EQ(form::GetWidth(overlay), ScreenWidth());
  EXPECT_EQ(form::GetHeight(overlay), ScreenHeight());
  EXPECT_TRUE(IsWindowVisible(overlay));
  EXPECT_EQ(form::GetTop(overlayResources.panelWindow), 10);
  EXPECT_EQ(form::GetLeft(overlayResources.panelWindow), 10);
  EXPECT_TRUE(IsWindowVisible(overlayResources.panelWindow));
  EXPECT_EQ(overlayState.selected, 0);
  EXPECT_PRED2(SameRect, Sel(), (SelectionRect{-5, -5, -5, -5}));
  EXPECT_EQ(CurrentOverlayPointer(), OverlayCursor);
  EXPECT_EQ(form::GetMousePointer(overlay), OverlayCursorHandle());
  EXPECT_NE(OverlayCursorHandle(), nullptr);
  const LONG_PTR exStyle = GetWindowLongPtrW(overlay, GWL_EXSTYLE);
  EXPECT_TRUE(exStyle & WS_EX_TOPMOST);
  EXPECT_TRUE(exStyle & WS_EX_TOOLWINDOW);
  EXPECT_FALSE(GetWindowLongPtrW(overlay, GWL_STYLE) & WS_CAPTION);
}

TEST_F(OverlayRun, ClickWithoutMovingMakesNoSelection) {
  OnOverlayLeftDown(50, 60, 0);
  OnOverlayLeftUp(50, 60, 0);
  EXPECT_EQ(overlayState.selected, 0);
  EXPECT_EQ(overlayState.pressing, 0);
}

TEST_F(OverlayRun, DragThenDoubleClickInsideCopiesTheRegionAndCloses) {
  PutMarkerOnClipboard();
  OnOverlayLeftDown(10, 20, 0);
  EXPECT_EQ(overlayState.pressing, 1);
  EXPECT_EQ(GetCapture(), overlay);
  OnOverlayMouseMove(110, 70, 0);
  EXPECT_SELECTION(10, 20, 110, 70);
  OnOverlayLeftUp(110, 70, 0);
  EXPECT_EQ(overlayState.selected, 1);
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_SELECTION(10, 20, 110, 70);

  OnOverlayDoubleClick(300, 300, 0);  // outside: nothing
  EXPECT_EQ(overlayState.confirmed, 0);
  ASSERT_TRUE(OverlayStays());

  OnOverlayDoubleClick(50, 50, 0);
  EXPECT_EQ(overlayState.confirmed, 1);
  EXPECT_EQ(overlayState.selected, 0);
  ExpectClipboardHolds(10, 20, 110, 70);
  EXPECT_TRUE(OverlayGone());
  EXPECT_EQ(overlayResources.screenDc, nullptr);
  EXPECT_EQ(overlayResources.overlayWindow, nullptr);
}

TEST_F(OverlayRun, DragUpAndLeftIsNormalisedOnRelease) {
  OnOverlayLeftDown(300, 300, 0);
  OnOverlayMouseMove(100, 200, 0);
  EXPECT_SELECTION(300, 300, 100, 200);
  OnOverlayLeftUp(100, 200, 0);
  EXPECT_SELECTION(100, 200, 300, 300);
  EXPECT_EQ(overlayState.selected, 1);
}

TEST_F(OverlayRun, PressOnTheBottomRightHandleMovesTheCornerAtOnce) {
  Draw(100, 50, 200, 150);
  PressAt(198, 148);
  EXPECT_EQ(overlayState.adjusting, 1);
  EXPECT_EQ(overlayState.dragMode, DragBottomRight);
  EXPECT_SELECTION(100, 50, 198, 148);
  OnOverlayMouseMove(250, 180, 0);
  // The latched mode holds over other zones.
  OnOverlayMouseMove(100, 50, 0);
  EXPECT_SELECTION(100, 50, 100, 50);
  OnOverlayMouseMove(260, 190, 0);
  OnOverlayLeftUp(260, 190, 0);
  EXPECT_SELECTION(100, 50, 260, 190);
  EXPECT_EQ(overlayState.adjusting, 0);
}

TEST_F(OverlayRun, DragInsideMovesTheSelectionByThePointersDisplacement) {
  Draw(100, 50, 200, 150);
  PressAt(150, 100);
  EXPECT_EQ(overlayState.dragMode, DragMove);
  OnOverlayMouseMove(160, 90, 0);
  EXPECT_SELECTION(110, 40, 210, 140);
  OnOverlayLeftUp(160, 90, 0);
  EXPECT_SELECTION(110, 40, 210, 140);
  EXPECT_EQ(overlayState.selected, 1);
}

TEST_F(OverlayRun, EdgeDraggedPastTheOppositeEdgeIsReversedUntilRelease) {
  Draw(100, 50, 200, 150);
  PressAt(100, 120);  // the left strip
  EXPECT_EQ(overlayState.dragMode, DragLeft);
  OnOverlayMouseMove(250, 120, 0);
  EXPECT_SELECTION(250, 50, 200, 150);
  OnOverlayLeftUp(250, 120, 0);
  EXPECT_SELECTION(200, 50, 250, 150);
}

TEST_F(OverlayRun, PressOutsideTheSelectionIsIgnored) {
  Draw(100, 50, 200, 150);
  PressAt(400, 300);
  EXPECT_EQ(overlayState.pressing, 0);
  EXPECT_EQ(GetCapture(), nullptr);
  OnOverlayMouseMove(420, 320, 0);
  OnOverlayLeftUp(420, 320, 0);
  EXPECT_SELECTION(100, 50, 200, 150);
  EXPECT_EQ(overlayState.selected, 1);
}

TEST_F(OverlayRun, RightClickClearsTheSelectionThenASecondOneCloses) {
  Draw(100, 50, 200, 150);
  PressAt(150, 100);
  OnOverlayLeftUp(150, 100, 0);
  ASSERT_EQ(CurrentOverlayPointer(), PointerSizeAll);
  OnOverlayRightUp(150, 100, 0);
  EXPECT_EQ(overlayState.selected, 0);
  EXPECT_SELECTION(-1, -1, -1, -1);
  EXPECT_EQ(CurrentOverlayPointer(), OverlayCursor);
  // The frame is gone from the window: the frozen screen shows there
  // (right of the info panel).
  EXPECT_EQ(OnOverlayWindow(200, 120), PatternAt(200, 120));
  ASSERT_TRUE(OverlayStays());
  OnOverlayRightUp(150, 100, 0);
  EXPECT_TRUE(OverlayGone());
  EXPECT_EQ(overlayState.confirmed, 0);
}

TEST_F(OverlayRun, CancelWhileDrawingLeavesNoSelectionAfterTheRelease) {
  OnOverlayLeftDown(10, 10, 0);
  OnOverlayMouseMove(80, 90, 0);
  OnOverlayRightUp(80, 90, 0);
  EXPECT_EQ(overlayState.cancelPending, 1);
  EXPECT_EQ(overlayState.pressing, 0);
  EXPECT_SELECTION(-1, -1, -1, -1);
  EXPECT_EQ(GetCapture(), nullptr);
  OnOverlayMouseMove(90, 95, 0);
  OnOverlayLeftUp(90, 95, 0);
  EXPECT_EQ(overlayState.selected, 0);
  EXPECT_EQ(overlayState.cancelPending, 0);
  EXPECT_TRUE(OverlayStays());
}

TEST_F(OverlayRun, EscWhileAdjustingCancelsAndTheReleaseLeavesNoSelection) {
  Draw(100, 50, 200, 150);
  PressAt(150, 100);
  OnOverlayMouseMove(170, 120, 0);
  OnOverlayKeyDown(VK_ESCAPE, 0);
  EXPECT_EQ(overlayState.cancelPending, 1);
  EXPECT_EQ(overlayState.selected, 0);
  OnOverlayLeftUp(170, 120, 0);
  EXPECT_EQ(overlayState.selected, 0);
  EXPECT_TRUE(OverlayStays());
}

TEST_F(OverlayRun, EscWithAModifierDoesNothing) {
  Draw(100, 50, 200, 150);
  OnOverlayKeyDown(VK_ESCAPE, form::kModShift);
  OnOverlayKeyDown(VK_ESCAPE, form::kModCtrl);
  EXPECT_EQ(overlayState.selected, 1);
  EXPECT_SELECTION(100, 50, 200, 150);
  OnOverlayRightUp(0, 0, 0);
  OnOverlayKeyDown(VK_ESCAPE, form::kModAlt);
  EXPECT_TRUE(OverlayStays());
}

TEST_F(OverlayRun, EscClearsASelectionAndClosesWithoutOne) {
  Draw(100, 50, 200, 150);
  OnOverlayKeyDown(VK_ESCAPE, 0);
  EXPECT_EQ(overlayState.selected, 0);
  ASSERT_TRUE(OverlayStays());
  OnOverlayKeyDown(VK_ESCAPE, 0);
  EXPECT_TRUE(OverlayGone());
  EXPECT_EQ(overlayState.confirmed, 0);
}

TEST_F(OverlayRun, DeleteClearsASelectionAndDoesNothingWithoutOne) {
  OnOverlayKeyDown(VK_DELETE, 0);
  ASSERT_TRUE(OverlayStays());
  Draw(100, 50, 200, 150);
  OnOverlayKeyDown(VK_DELETE, form::kModCtrl);
  EXPECT_EQ(overlayState.selected, 0);
  EXPECT_SELECTION(-1, -1, -1, -1);
  EXPECT_TRUE(OverlayStays());
}

TEST_F(OverlayRun, ArrowKeysNudgeBothEdgesAndThePointerFollows) {
  Draw(100, 50, 200, 150);
  SetCursorPos(202, 100);  // on the right handle
  OnOverlayMouseMove(202, 100, 0);
  ASSERT_EQ(CurrentOverlayPointer(), PointerSizeWe);
  OnOverlayKeyDown(VK_LEFT, 0);
  EXPECT_SELECTION(99, 50, 199, 150);
  OnOverlayKeyDown(VK_UP, form::kModShift);  // modifiers ignored
  EXPECT_SELECTION(99, 49, 199, 149);
  OnOverlayKeyDown(VK_RIGHT, 0);
  EXPECT_SELECTION(100, 49, 200, 149);
  OnOverlayKeyDown(VK_DOWN, 0);
  EXPECT_SELECTION(100, 50, 200, 150);
  EXPECT_EQ(CurrentOverlayPointer(), PointerSizeWe);
  for (int i = 0; i < 4; ++i) OnOverlayKeyDown(VK_LEFT, 0);
  // The right handle is now 194..198: the pointer at 202 is outside.
  EXPECT_EQ(CurrentOverlayPointer(), OverlayCursor);
}

TEST_F(OverlayRun, ArrowKeysWithoutASelectionDoNothing) {
  OnOverlayKeyDown(VK_LEFT, 0);
  EXPECT_SELECTION(-5, -5, -5, -5);
}

TEST_F(OverlayRun, EnterConfirmsWithThePointerOutside) {
  Draw(30, 40, 80, 60);
  OnOverlayKeyDown(VK_RIGHT, 0);
  OnOverlayKeyDown(VK_RIGHT, 0);
  OnOverlayKeyDown(VK_DOWN, 0);
  SetCursorPos(kRestX, kRestY);
  OnOverlayKeyDown(VK_RETURN, 0);
  EXPECT_EQ(overlayState.confirmed, 1);
  ExpectClipboardHolds(32, 41, 82, 61);
  EXPECT_TRUE(OverlayGone());
}

TEST_F(OverlayRun, EnterWithoutASelectionDoesNothing) {
  PutMarkerOnClipboard();
  OnOverlayKeyDown(VK_RETURN, 0);
  EXPECT_EQ(overlayState.confirmed, 0);
  EXPECT_TRUE(OverlayStays());
  EXPECT_EQ(ReadClipboardBitmap().width, 1);
}

TEST_F(OverlayRun, EnterWhileAdjustingConfirmsTheSelectionAsDragged) {
  Draw(100, 50, 200, 150);
  PressAt(150, 100);
  OnOverlayMouseMove(155, 110, 0);
  OnOverlayKeyDown(VK_RETURN, 0);
  EXPECT_EQ(overlayState.confirmed, 1);
  EXPECT_EQ(overlayState.cancelPending, 1);
  ExpectClipboardHolds(105, 60, 205, 160);
  EXPECT_TRUE(OverlayGone());
}

TEST_F(OverlayRun, ConfirmBeyondTheScreenIsClampedToIt) {
  const int w = ScreenWidth();
  const int h = ScreenHeight();
  Draw(0, 0, w - 1, h - 1);
  AssignRect(overlayState.selection, -10, -10, w + 5, h + 5);
  OnOverlayKeyDown(VK_RETURN, 0);
  EXPECT_EQ(overlayState.confirmed, 1);
  ExpectClipboardHolds(0, 0, w - 1, h - 1);
}

TEST_F(OverlayRun, ConfirmWithNothingOnTheScreenDoesNothing) {
  PutMarkerOnClipboard();
  const long before = LiveGdiObjects();
  Draw(10, 10, 20, 20);
  for (int i = 0; i < 21; ++i) OnOverlayKeyDown(VK_LEFT, 0);
  EXPECT_SELECTION(-11, 10, -1, 20);
  OnOverlayKeyDown(VK_RETURN, 0);
  EXPECT_EQ(overlayState.confirmed, 0);
  EXPECT_EQ(overlayState.selected, 1);
  EXPECT_SELECTION(-11, 10, -1, 20);
  EXPECT_TRUE(OverlayStays());
  EXPECT_EQ(ReadClipboardBitmap().width, 1) << "the clipboard was not touched";
  EXPECT_EQ(LiveGdiObjects(), before);
  // One pixel back on the screen is enough.
  OnOverlayKeyDown(VK_RIGHT, 0);
  OnOverlayKeyDown(VK_RETURN, 0);
  EXPECT_EQ(overlayState.confirmed, 1);
  ExpectClipboardHolds(0, 10, 0, 20);
}

// Holds the clipboard open from another thread for the given time.
class ClipboardHolder {
 public:
  explicit ClipboardHolder(int holdMs) {
    thread_ = std::thread([this, holdMs] {
      if (OpenClipboard(nullptr)) {
        opened_ = true;
        Sleep(holdMs);
        CloseClipboard();
      }
      done_ = true;
    });
    while (!opened_ && !done_) Sleep(1);
  }
  ~ClipboardHolder() { thread_.join(); }
  bool opened() const { return opened_; }

 private:
  std::thread thread_;
  std::atomic<bool> opened_{false};
  std::atomic<bool> done_{false};
};

TEST_F(OverlayRun, ClipboardHeldTooLongLeavesTheSelectionToConfirmAgain) {
  PutMarkerOnClipboard();
  Draw(10, 20, 110, 70);
  const long before = LiveGdiObjects();
  {
    ClipboardHolder holder(2000);
    ASSERT_TRUE(holder.opened());
    OnOverlayDoubleClick(50, 50, 0);
    EXPECT_EQ(overlayState.confirmed, 0);
    EXPECT_EQ(overlayState.selected, 1);
    EXPECT_SELECTION(10, 20, 110, 70);
    EXPECT_EQ(LiveGdiObjects(), before) << "the bitmap that was not handed over is deleted";
  }
  EXPECT_TRUE(OverlayStays());
  EXPECT_EQ(ReadClipboardBitmap().width, 1);
  OnOverlayDoubleClick(50, 50, 0);
  EXPECT_EQ(overlayState.confirmed, 1);
  ExpectClipboardHolds(10, 20, 110, 70);
}

TEST_F(OverlayRun, ClipboardHeldBrieflyIsWaitedFor) {
  Draw(10, 20, 110, 70);
  ClipboardHolder holder(150);
  ASSERT_TRUE(holder.opened());
  OnOverlayDoubleClick(50, 50, 0);
  EXPECT_EQ(overlayState.confirmed, 1);
  ExpectClipboardHolds(10, 20, 110, 70);
}

TEST_F(OverlayRun, CloseRequestClearsASelectionAndIsRefused) {
  Draw(100, 50, 200, 150);
  PostMessageW(overlay, WM_CLOSE, 0, 0);
  ASSERT_TRUE(OverlayStays());
  EXPECT_EQ(overlayState.selected, 0);
  EXPECT_SELECTION(-1, -1, -1, -1);
  PostMessageW(overlay, WM_CLOSE, 0, 0);
  EXPECT_TRUE(OverlayGone());
  EXPECT_EQ(overlayState.confirmed, 0);
}

TEST_F(OverlayRun, CloseRequestWhileDrawingIsAllowed) {
  OnOverlayLeftDown(10, 10, 0);
  OnOverlayMouseMove(50, 50, 0);
  EXPECT_TRUE(OnOverlayCloseRequest());
}

TEST_F(OverlayRun, CoordinateBoxOnlyWhileTheButtonIsHeldOverTheOverlay) {
  captureOptions.infoFrameColour = RGB(255, 0, 0);
  // Pointer (640, 400): the box's first line at (648, 320), its frame's
  // left side at x 645, y 317..394.
  SetCursorPos(kRestX, kRestY);
  OnOverlayLeftDown(500, 300, 0);
  OnOverlayMouseMove(kRestX, kRestY, 0);
  EXPECT_EQ(OnOverlayWindow(645, 350), RGB(255, 0, 0));
  EXPECT_EQ(OnOverlayWindow(702, 317), RGB(255, 0, 0));
  // The frame of the selection being drawn, in frameColour.
  EXPECT_EQ(OnOverlayWindow(550, 300), kDefaultFrameColour);
  OnOverlayLeftUp(kRestX, kRestY, 0);
  EXPECT_EQ(OnOverlayWindow(645, 350), PatternAt(645, 350));
  EXPECT_EQ(OnOverlayWindow(550, 300), kDefaultFrameColour);
}

TEST_F(OverlayRun, PanelDodgesThePointer) {
  const HWND panel = overlayResources.panelWindow;
  const int w = ScreenWidth();
  SetCursorPos(50, 50);  // over the panel on the left
  OnOverlayMouseMove(50, 50, 0);
  EXPECT_EQ(form::GetLeft(panel), w - 172 - 8);
  EXPECT_EQ(form::GetTop(panel), 10);
  SetCursorPos(w - 100, 50);  // over it again, now on the right
  OnOverlayMouseMove(w - 100, 50, 0);
  EXPECT_EQ(form::GetLeft(panel), 8);
  SetCursorPos(kRestX, kRestY);  // not over the panel: it stays
  OnOverlayMouseMove(kRestX, kRestY, 0);
  EXPECT_EQ(form::GetLeft(panel), 8);
}

// --- whole runs, modal, driven by a thread timer --------------------------

using Step = void (*)(HWND overlay);
Step pendingStep = nullptr;
int slideTopWhenDriven = 0;

void CALLBACK DriveOverlay(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  const HWND overlay = overlayResources.overlayWindow;
  if (!overlay || !pendingStep) return;
  slideTopWhenDriven = form::GetTop(overlayResources.panelWindow);
  pendingStep(overlay);
  pendingStep = nullptr;
}

bool RunDriven(Step step, UINT afterMs, const OverlayOptions& options = OverlayOptions()) {
  pendingStep = step;
  SetTimer(nullptr, 0, afterMs, DriveOverlay);
  return OpenCaptureOverlay(options);
}

LPARAM At(int x, int y) { return MAKELPARAM(x, y); }

void DragAndConfirm(HWND overlay) {
  PostMessageW(overlay, WM_LBUTTONDOWN, MK_LBUTTON, At(10, 20));
  PostMessageW(overlay, WM_MOUSEMOVE, MK_LBUTTON, At(110, 70));
  PostMessageW(overlay, WM_LBUTTONUP, 0, At(110, 70));
  PostMessageW(overlay, WM_KEYDOWN, VK_RETURN, 0);
}
void DragAndCancel(HWND overlay) {
  PostMessageW(overlay, WM_LBUTTONDOWN, MK_LBUTTON, At(10, 20));
  PostMessageW(overlay, WM_MOUSEMOVE, MK_LBUTTON, At(110, 70));
  PostMessageW(overlay, WM_LBUTTONUP, 0, At(110, 70));
  PostMessageW(overlay, WM_RBUTTONUP, 0, At(50, 50));
  PostMessageW(overlay, WM_RBUTTONUP, 0, At(50, 50));
}
void PressEsc(HWND overlay) { PostMessageW(overlay, WM_KEYDOWN, VK_ESCAPE, 0); }

bool AllResourcesReleased() {
  const OverlayResources& r = overlayResources;
  return !r.overlayWindow && !r.panelWindow && !r.screenDc && !r.screenBitmap && !r.panelDc && !r.panelBitmap &&
         !r.overlayOldProc && !r.panelOldProc;
}

TEST(OverlayLifecycle, ModalRunReturnsConfirmed) {
  SetCursorPos(kRestX, kRestY);
  EXPECT_TRUE(RunDriven(DragAndConfirm, 400));
  EXPECT_TRUE(AllResourcesReleased());
  const ClipboardImage image = ReadClipboardBitmap();
  EXPECT_EQ(image.width, 101);
  EXPECT_EQ(image.height, 51);
  EXPECT_FALSE(RunDriven(DragAndCancel, 400));
  EXPECT_TRUE(AllResourcesReleased());
}

TEST(OverlayLifecycle, OptionsNotGivenAndGiven) {
  SetCursorPos(kRestX, kRestY);
  RunDriven(PressEsc, 50);
  EXPECT_EQ(captureOptions.drawCursor, 0);
  EXPECT_EQ(captureOptions.frameColour, RGB(10, 100, 130));
  EXPECT_EQ(captureOptions.infoFrameColour, 0u);
  EXPECT_EQ(captureOptions.infoTextColour, 0u);

  OverlayOptions black;
  black.frameColour = 0;
  black.infoTextColour = RGB(1, 2, 3);
  RunDriven(PressEsc, 50, black);
  EXPECT_EQ(captureOptions.frameColour, 0u) << "a colour given as 0 is black";
  EXPECT_EQ(captureOptions.infoTextColour, RGB(1, 2, 3));

  OverlayOptions withCursor;
  withCursor.drawCursor = true;
  RunDriven(PressEsc, 50, withCursor);
  EXPECT_EQ(captureOptions.drawCursor, 1);
  EXPECT_EQ(captureOptions.cursorSnapshot.ptScreenPos.x, kRestX);
  EXPECT_EQ(captureOptions.iconSnapshot.hbmMask, nullptr) << "released once the hot spot was read";
  EXPECT_EQ(captureOptions.iconSnapshot.hbmColor, nullptr);
}

TEST(OverlayLifecycle, EscDuringTheSlideInStopsItCleanly) {
  SetCursorPos(kRestX, kRestY);
  EXPECT_FALSE(RunDriven(PressEsc, 30));
  EXPECT_LT(slideTopWhenDriven, 10) << "the Esc came while the panel was still sliding";
  EXPECT_TRUE(AllResourcesReleased());
}

TEST(OverlayLifecycle, NoGdiObjectOutlivesARun) {
  SetCursorPos(kRestX, kRestY);
  OverlayOptions withCursor;
  withCursor.drawCursor = true;
  // The first run makes what the process keeps for good (the overlay
  // cursor, Wine's own caches).
  RunDriven(DragAndConfirm, 400, withCursor);
  RunDriven(PressEsc, 30, withCursor);
  PutMarkerOnClipboard();
  const long before = LiveGdiObjects();
  ASSERT_GT(before, 0);
  const Step steps[] = {DragAndConfirm, DragAndCancel, PressEsc};
  int confirmed = 0;
  for (int run = 0; run < 10; ++run) {
    const bool escEarly = steps[run % 3] == PressEsc;
    confirmed += RunDriven(steps[run % 3], escEarly ? 30 : 400, withCursor) ? 1 : 0;
    EXPECT_TRUE(AllResourcesReleased());
  }
  EXPECT_EQ(confirmed, 4);
  // The last confirmed bitmap belongs to the clipboard: put the marker back
  // so that what is counted is the overlay's alone.
  PutMarkerOnClipboard();
  EXPECT_EQ(LiveGdiObjects(), before);
}

}  // namespace
