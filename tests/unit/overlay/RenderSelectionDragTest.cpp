// RenderSelection keeps the overlay's picture in a back buffer and redraws
// only what changed; here one drag runs through the real handlers on a real
// overlay window, and after every step the window must show exactly what
// the whole picture composed afresh (ComposeOverlayFrame) shows. The frozen
// screen is a pattern in which every pixel differs from its neighbours, so a
// spot left over from an earlier drawing shows.
#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "OverlayTestSupport.h"
#include "overlay/CaptureOptions.h"
#include "overlay/OverlayInput.h"
#include "overlay/OverlayLifecycle.h"
#include "overlay/SelectionModel.h"
#include "overlay/SelectionRender.h"
#include "platform/Form.h"
#include "platform/Raii.h"

namespace {

int ScreenWidth() { return GetSystemMetrics(SM_CXSCREEN); }
int ScreenHeight() { return GetSystemMetrics(SM_CYSCREEN); }

void PaintPatternInto(HDC dc, int width, int height) {
  PaintPixelsInto(dc, width, height, [](int x, int y) {
    return static_cast<DWORD>((x & 0xFF) << 16 | (y & 0xFF) << 8 | ((x * 7 + y * 13) & 0xFF));
  });
}

// Handles what is pending, a paint of the overlay included.
void Settle(HWND overlay) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(2000);
  do {
    form::ProcessPendingMessages();
    Sleep(2);
  } while (GetUpdateRect(overlay, nullptr, FALSE) && std::chrono::steady_clock::now() < end);
  form::ProcessPendingMessages();
}

enum Action { Press, Move, Release, RightClick, NudgeRight, PaintRequest };

struct Step {
  const char* what;
  Action action;
  int x, y;  // pointer; negative counts from the right or bottom edge
};

class KeptPicture : public ::testing::Test {
 protected:
  HWND overlay = nullptr;

  void SetUp() override {
    SetCursorPos(640, 400);
    captureOptions.drawCursor = 0;
    captureOptions.frameColour = kDefaultFrameColour;
    captureOptions.infoFrameColour = RGB(0, 255, 255);
    captureOptions.infoTextColour = RGB(255, 255, 0);
    overlay = form::LoadForm(CaptureOverlayForm());
    ASSERT_NE(overlay, nullptr);
    // The frozen screen changes behind the overlay's back: a paint request
    // puts it on the window.
    PaintPatternInto(overlayResources.screenDc, ScreenWidth(), ScreenHeight());
    InvalidateRect(overlay, nullptr, FALSE);
    Settle(overlay);
  }
  void TearDown() override {
    if (IsWindow(overlay)) DestroyWindow(overlay);
    form::ProcessPendingMessages();
    SetCursorPos(640, 400);
  }

  std::vector<DWORD> WindowPixels() {
    Canvas canvas(ScreenWidth(), ScreenHeight(), RGB(0, 0, 0));
    raii::WindowDc dc(overlay);
    BitBlt(canvas.dc(), 0, 0, ScreenWidth(), ScreenHeight(), dc.Get(), 0, 0, SRCCOPY);
    return canvas.Pixels();
  }
  // The whole picture composed afresh for the state and pointer now; only
  // the frozen screen after a cancel, which shows no selection.
  std::vector<DWORD> ComposedPixels(bool frozenOnly, POINT pointer) {
    Canvas canvas(ScreenWidth(), ScreenHeight(), RGB(0, 0, 0));
    if (frozenOnly) {
      BitBlt(canvas.dc(), 0, 0, ScreenWidth(), ScreenHeight(), overlayResources.screenDc, 0, 0, SRCCOPY);
    } else {
      ComposeOverlayFrame(canvas.dc(), overlayResources.screenDc, ScreenWidth(), ScreenHeight(),
                          overlayState.selection, overlayState.pressing != 0, pointer.x, pointer.y);
    }
    return canvas.Pixels();
  }
  // Pixels that differ, leaving out the info panel (a child window over the
  // overlay, drawn by PaintInfoPanel).
  long Differing(const std::vector<DWORD>& a, const std::vector<DWORD>& b) {
    RECT panel{};
    GetWindowRect(overlayResources.panelWindow, &panel);
    long n = 0;
    const int w = ScreenWidth();
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
      const POINT p{static_cast<LONG>(i % w), static_cast<LONG>(i / w)};
      if (a[i] != b[i] && !PtInRect(&panel, p)) ++n;
    }
    return n + static_cast<long>(a.size() > b.size() ? a.size() - b.size() : b.size() - a.size());
  }
};

TEST_F(KeptPicture, EveryStepOfADragShowsWhatTheWholeCompositionShows) {
  const int sw = ScreenWidth();
  const int sh = ScreenHeight();
  const Step steps[] = {
      {"press", Press, 400, 300},
      {"drawing out", Move, 500, 380},
      {"drawing further", Move, 620, 460},
      {"reversed up and left", Move, 300, 200},
      {"box left of the pointer and below it at the top right", Move, -65, 70},
      {"box right of the pointer and above it", Move, -75, 90},
      {"paint request over a scribble", PaintRequest, -75, 90},
      {"to the bottom right corner", Move, -2, -2},
      {"back inside", Move, 700, 500},
      {"release", Release, 700, 500},
      {"over the finished selection", Move, 650, 450},
      {"over its top left handle", Move, 400, 300},
      {"press inside", Press, 550, 400},
      {"moving the selection", Move, 590, 430},
      {"moving it further", Move, 520, 380},
      {"release after moving", Release, 520, 380},
      {"nudged right", NudgeRight, 520, 380},
      {"cancel", RightClick, 520, 380},
      {"new press after the cancel", Press, 200, 600},
      {"drawing near the bottom edge", Move, 260, -3},
      {"release of the new one", Release, 260, -3},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    const int x = step.x < 0 ? sw + step.x : step.x;
    const int y = step.y < 0 ? sh + step.y : step.y;
    SetCursorPos(x, y);
    switch (step.action) {
      case Press: OnOverlayLeftDown(x, y, 0); break;
      case Move: OnOverlayMouseMove(x, y, 0); break;
      case Release: OnOverlayLeftUp(x, y, 0); break;
      case RightClick: OnOverlayRightUp(x, y, 0); break;
      case NudgeRight: OnOverlayKeyDown(VK_RIGHT, 0); break;
      case PaintRequest: {
        {
          // Something else draws on the window; the paint must undo it.
          raii::WindowDc dc(overlay);
          raii::Brush junk(CreateSolidBrush(RGB(1, 2, 3)));
          const RECT r{sw / 2 - 50, sh / 2 - 50, sw / 2 + 50, sh / 2 + 50};
          FillRect(dc.Get(), &r, junk.Get());
        }
        ASSERT_GT(Differing(WindowPixels(), ComposedPixels(false, POINT{x, y})), 0) << "the scribble shows";
        InvalidateRect(overlay, nullptr, FALSE);
        break;
      }
    }
    Settle(overlay);
    // A press draws nothing until the pointer moves.
    if (step.action == Press) continue;
    POINT pointer{};
    GetCursorPos(&pointer);
    EXPECT_EQ(Differing(WindowPixels(), ComposedPixels(step.action == RightClick, pointer)), 0);
  }
  EXPECT_EQ(overlayState.selected, 1);
}

TEST_F(KeptPicture, BackBuffersComeAndGoWithTheOverlay) {
  DestroyWindow(overlay);
  form::ProcessPendingMessages();
  const long before = LiveGdiObjects();
  ASSERT_GT(before, 0);
  overlay = form::LoadForm(CaptureOverlayForm());
  ASSERT_NE(overlay, nullptr);
  EXPECT_GT(LiveGdiObjects(), before);
  // Nothing outside an overlay run to draw on or read from.
  DestroyWindow(overlay);
  form::ProcessPendingMessages();
  EXPECT_EQ(LiveGdiObjects(), before);
  EXPECT_EQ(OverlayPictureColour(5, 5), CLR_INVALID);
  RenderSelection();
  EXPECT_EQ(LiveGdiObjects(), before);
}

}  // namespace
