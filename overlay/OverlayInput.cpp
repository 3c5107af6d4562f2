// The overlay's input handlers. They keep no state of their own: the phase
// of the selection is read off the flags of overlayState, and whether a
// press on an existing selection is accepted off the pointer shape the last
// hit test set.
//
// A confirm copies the region from the frozen screen (screenDc), never from
// the live screen, so the copy holds neither the frame nor the panel. The
// bitmap belongs to the clipboard once SetClipboardData took it; until then
// it is ours and is deleted on every path that does not hand it over.
#include "overlay/OverlayInput.h"

#include <algorithm>

#include "overlay/CaptureOptions.h"
#include "overlay/InfoPanel.h"
#include "overlay/SelectionRender.h"
#include "platform/Form.h"
#include "platform/Raii.h"

namespace {

// Another program may hold the clipboard open for a moment (a clipboard
// viewer reading our last copy, for instance): try for about half a second.
constexpr int kClipboardAttempts = 10;
constexpr DWORD kClipboardRetryMs = 50;

bool OpenClipboardPatiently(HWND owner) {
  for (int attempt = 0; attempt < kClipboardAttempts; ++attempt) {
    if (attempt > 0) Sleep(kClipboardRetryMs);
    if (OpenClipboard(owner)) return true;
  }
  return false;
}

// Copies `region` (normalised, on screen) of the frozen screen onto the
// clipboard as CF_BITMAP; false when the clipboard did not take it.
bool CopyRegionToClipboard(const SelectionRect& region) {
  const int width = region.right - region.left + 1;
  const int height = region.bottom - region.top + 1;
  raii::Bitmap bitmap;
  {
    raii::WindowDc screen(nullptr);
    raii::MemDc memory(CreateCompatibleDC(screen.Get()));
    bitmap.Reset(CreateCompatibleBitmap(screen.Get(), width, height));
    raii::SelectGuard selectBitmap(memory.Get(), bitmap.Get());
    BitBlt(memory.Get(), 0, 0, width, height, overlayResources.screenDc, region.left, region.top, SRCCOPY);
  }
  if (!bitmap) return false;
  if (!OpenClipboardPatiently(overlayResources.overlayWindow)) return false;
  EmptyClipboard();
  const bool handedOver = SetClipboardData(CF_BITMAP, bitmap.Get()) != nullptr;
  if (handedOver) bitmap.Release();
  CloseClipboard();
  return handedOver;
}

void RedrawFrozenScreen() {
  const int width = GetSystemMetrics(SM_CXSCREEN);
  const int height = GetSystemMetrics(SM_CYSCREEN);
  if (!overlayResources.overlayWindow || !overlayResources.screenDc) return;
  raii::WindowDc overlay(overlayResources.overlayWindow);
  BitBlt(overlay.Get(), 0, 0, width, height, overlayResources.screenDc, 0, 0, SRCCOPY);
  // The window no longer shows the kept picture.
  MarkOverlayPictureStale();
}

// Applies the latched drag mode for the pointer at (x, y). Edges take the
// pointer position itself, and nothing is clamped: a selection may be
// dragged beyond the screen.
bool ApplyDragMode(int x, int y) {
  OverlayState& s = overlayState;
  SelectionRect& sel = s.selection;
  switch (s.dragMode) {
    case DragTopLeft: sel.left = x; sel.top = y; break;
    case DragTop: sel.top = y; break;
    case DragTopRight: sel.right = x; sel.top = y; break;
    case DragLeft: sel.left = x; break;
    case DragRight: sel.right = x; break;
    case DragBottomLeft: sel.left = x; sel.bottom = y; break;
    case DragBottom: sel.bottom = y; break;
    case DragBottomRight: sel.right = x; sel.bottom = y; break;
    case DragMove:
      // The selection follows the pointer's displacement since the press.
      MoveRectTo(sel, s.pressOrigin.x + x - s.pressPoint.x, s.pressOrigin.y + y - s.pressPoint.y);
      break;
    default: return false;
  }
  return true;
}

}  // namespace

bool ClampToScreen(const SelectionRect& selection, int w, int h, SelectionRect& clamped) {
  SelectionRect r = selection;
  NormalizeRect(r);
  r.left = std::max(r.left, 0);
  r.top = std::max(r.top, 0);
  r.right = std::min(r.right, w - 1);
  r.bottom = std::min(r.bottom, h - 1);
  if (r.right < r.left || r.bottom < r.top) return false;
  clamped = r;
  return true;
}

void CloseOverlay() { form::DestroyFormLater(overlayResources.overlayWindow); }

void OnOverlayLeftDown(int x, int y, int modifierState) {
  OverlayState& s = overlayState;
  if (!s.selected && !s.pressing) {
    // A new selection starts at the press; right and bottom follow in the
    // move below.
    SetCapture(overlayResources.overlayWindow);
    s.selection.left = x;
    s.selection.top = y;
  } else if (CurrentOverlayPointer() == OverlayCursor) {
    // The last hit test found no zone: a press outside the selection
    // neither starts a new one nor changes this one.
    s.pressing = 0;
    return;
  }
  s.pressing = 1;
  s.pressOrigin = {s.selection.left, s.selection.top};
  s.pressPoint = {x, y};
  OnOverlayMouseMove(x, y, modifierState);
}

void OnOverlayMouseMove(int x, int y, int) {
  OverlayState& s = overlayState;
  if (s.selected) {
    HitTestSelection(x, y);
    if (s.adjusting && s.pressing && ApplyDragMode(x, y)) RenderSelection();
  } else if (s.pressing) {
    // Drawing: the rectangle may be reversed until the release.
    s.selection.right = x;
    s.selection.bottom = y;
    RenderSelection();
  }
  PaintInfoPanel();
  POINT pointer{};
  GetCursorPos(&pointer);
  if (overlayResources.panelWindow && WindowFromPoint(pointer) == overlayResources.panelWindow) DodgePanel();
}

void OnOverlayLeftUp(int x, int y, int modifierState) {
  OverlayState& s = overlayState;
  ReleaseCapture();
  s.pressing = 0;
  s.adjusting = 0;
  // A click without moving on the idle overlay makes no selection.
  if (x != s.selection.left || y != s.selection.top) {
    s.selected = 1;
    RenderSelection();
  }
  if (s.cancelPending) {
    s.selected = 0;
    s.cancelPending = 0;
  }
  NormalizeRect(s.selection);
  OnOverlayMouseMove(x, y, modifierState);
}

void OnOverlayRightUp(int, int, int) {
  OverlayState& s = overlayState;
  ReleaseCapture();
  const bool staysOpen = s.selected || s.pressing;
  // The button is still held: its release must not bring the selection back.
  if (s.pressing) s.cancelPending = 1;
  s.pressing = 0;
  s.adjusting = 0;
  s.dragMode = DragNone;
  AssignRect(s.selection, -1, -1, -1, -1);
  RedrawFrozenScreen();
  ForceOverlayPointer(OverlayCursor);
  if (!staysOpen) CloseOverlay();
  s.selected = 0;
}

void OnOverlayDoubleClick(int x, int y, int modifierState) {
  OverlayState& s = overlayState;
  if (!s.selected || !RectContainsPoint(s.selection, x, y)) return;
  // Nothing on the screen (nudged wholly past an edge): no bitmap of zero
  // or negative size; the overlay stays with the selection as it is.
  SelectionRect region;
  if (!ClampToScreen(s.selection, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), region)) return;
  // The clipboard stayed busy: the selection stays, so the user can confirm
  // again.
  if (!CopyRegionToClipboard(region)) return;
  s.confirmed = 1;
  OnOverlayRightUp(x, y, modifierState);
  CloseOverlay();
}

void OnOverlayKeyDown(int virtualKey, int modifierState) {
  OverlayState& s = overlayState;
  SelectionRect& sel = s.selection;
  if (virtualKey == VK_ESCAPE && modifierState == 0) {
    if (s.selected || s.pressing) {
      OnOverlayRightUp(0, 0, 0);
    } else {
      CloseOverlay();
    }
  } else if (virtualKey >= VK_LEFT && virtualKey <= VK_DOWN && s.selected) {
    switch (virtualKey) {
      case VK_LEFT: --sel.left; --sel.right; break;
      case VK_UP: --sel.top; --sel.bottom; break;
      case VK_RIGHT: ++sel.left; ++sel.right; break;
      default: ++sel.top; ++sel.bottom; break;
    }
    RenderSelection();
    // The pointer shape follows the moved selection.
    POINT pointer{};
    GetCursorPos(&pointer);
    HitTestSelection(pointer.x, pointer.y);
  }

  if (virtualKey == VK_DELETE && s.selected) {
    OnOverlayKeyDown(VK_ESCAPE, 0);
  } else if (virtualKey == VK_RETURN && s.selected) {
    // The selection's own corner always lies inside it, wherever the
    // pointer is.
    OnOverlayDoubleClick(sel.left, sel.top, modifierState);
  }
}

bool OnOverlayCloseRequest() {
  if (overlayState.selected) {
    OnOverlayRightUp(0, 0, 0);
    return false;
  }
  return true;
}

void OnPanelMouseMove(int, int, int) { DodgePanel(); }
