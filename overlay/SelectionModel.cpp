// Selection geometry and hit testing on the overlay's shared state.
//
// Owns `overlayState` and the overlay's current pointer shape. The pointer
// shape is state in its own right: the left press accepts a press on an
// existing selection only when the last hit test found a zone, that is when
// the shape is not OverlayCursor. Handle centres are the only fractional
// values; they are truncated toward zero once, in LayoutHandles.
#include "overlay/SelectionModel.h"

#include <utility>

OverlayState overlayState;

namespace {

PointerShape currentPointer = OverlayCursor;
PointerSink pointerSink = nullptr;

void ApplyPointer(PointerShape shape) {
  currentPointer = shape;
  if (pointerSink) pointerSink(shape);
}

// A handle square: centre +/- 2, each bound truncated toward zero.
SelectionRect HandleAround(double cx, double cy) {
  SelectionRect r;
  r.left = static_cast<int>(cx - 2);
  r.top = static_cast<int>(cy - 2);
  r.right = static_cast<int>(cx + 2);
  r.bottom = static_cast<int>(cy + 2);
  return r;
}

// The edge strips exclude their far end: the upper bound is right - 2
// (bottom - 2), so the last points along an edge belong to the corner handle
// tested after the strip. 64-bit so a rectangle nudged far off screen cannot
// overflow.
bool InOpenRange(int value, int low, int high) {
  return static_cast<long long>(low) - 2 < value && value < static_cast<long long>(high) - 2;
}

struct Zone {
  int mode;
  PointerShape shape;
};

// The zone under (x, y), in the order in which zones win over each other.
bool FindZone(int x, int y, Zone& zone) {
  OverlayState& s = overlayState;
  SelectionRect& sel = s.selection;
  const bool onTop = y == sel.top && InOpenRange(x, sel.left, sel.right);
  const bool onLeft = x == sel.left && InOpenRange(y, sel.top, sel.bottom);
  const bool onRight = x == sel.right && InOpenRange(y, sel.top, sel.bottom);
  const bool onBottom = y == sel.bottom && InOpenRange(x, sel.left, sel.right);

  if (RectContainsPoint(s.handles[HandleBottomRight], x, y)) {
    zone = {DragBottomRight, PointerSizeNwse};
  } else if (RectContainsPoint(s.handles[HandleTopLeft], x, y)) {
    zone = {DragTopLeft, PointerSizeNwse};
  } else if (RectContainsPoint(s.handles[HandleTop], x, y) || onTop) {
    zone = {DragTop, PointerSizeNs};
  } else if (RectContainsPoint(s.handles[HandleTopRight], x, y)) {
    zone = {DragTopRight, PointerSizeNesw};
  } else if (RectContainsPoint(s.handles[HandleLeft], x, y) || onLeft) {
    zone = {DragLeft, PointerSizeWe};
  } else if (RectContainsPoint(s.handles[HandleRight], x, y) || onRight) {
    zone = {DragRight, PointerSizeWe};
  } else if (RectContainsPoint(s.handles[HandleBottomLeft], x, y)) {
    zone = {DragBottomLeft, PointerSizeNesw};
  } else if (RectContainsPoint(s.handles[HandleBottom], x, y) || onBottom) {
    zone = {DragBottom, PointerSizeNs};
  } else if (RectContainsPoint(sel, x, y)) {
    zone = {DragMove, PointerSizeAll};
  } else {
    return false;
  }
  return true;
}

}  // namespace

void NormalizeRect(SelectionRect& rect) {
  if (rect.left > rect.right) std::swap(rect.left, rect.right);
  if (rect.top > rect.bottom) std::swap(rect.top, rect.bottom);
}

bool RectContainsPoint(SelectionRect& rect, int x, int y) {
  NormalizeRect(rect);
  return rect.left <= x && x <= rect.right && rect.top <= y && y <= rect.bottom;
}

void MoveRectTo(SelectionRect& rect, int newLeft, int newTop) {
  rect.right = rect.right + newLeft - rect.left;
  rect.bottom = rect.bottom + newTop - rect.top;
  rect.left = newLeft;
  rect.top = newTop;
}

void AssignRect(SelectionRect& rect, int left, int top, int right, int bottom) {
  rect.left = left;
  rect.top = top;
  rect.right = right;
  rect.bottom = bottom;
}

void LayoutHandles(const SelectionRect& rect) {
  const double left = rect.left;
  const double top = rect.top;
  const double right = rect.right;
  const double bottom = rect.bottom;
  const double mx = (left + right) / 2;
  const double my = (top + bottom) / 2;
  SelectionRect* h = overlayState.handles;
  h[HandleTopLeft] = HandleAround(left, top);
  h[HandleTop] = HandleAround(mx, top);
  h[HandleTopRight] = HandleAround(right, top);
  h[HandleLeft] = HandleAround(left, my);
  h[HandleRight] = HandleAround(right, my);
  h[HandleBottomLeft] = HandleAround(left, bottom);
  h[HandleBottom] = HandleAround(mx, bottom);
  h[HandleBottomRight] = HandleAround(right, bottom);
}

void HitTestSelection(int x, int y) {
  OverlayState& s = overlayState;
  // The zone of a drag is latched at its first hit; nothing changes until
  // the release.
  if (s.adjusting) return;

  Zone zone{};
  if (FindZone(x, y, zone)) {
    if (s.pressing) {
      s.dragMode = zone.mode;
      s.adjusting = 1;
    } else {
      SetOverlayPointer(zone.shape);
    }
  } else if (s.pressing) {
    s.dragMode = DragNone;
  } else {
    SetOverlayPointer(OverlayCursor);
  }
}

void ResetOverlayState() {
  OverlayState& s = overlayState;
  s.selected = 0;
  s.pressing = 0;
  s.adjusting = 0;
  s.confirmed = 0;
  s.cancelPending = 0;
  AssignRect(s.selection, -5, -5, -5, -5);
}

void SetOverlayPointer(PointerShape shape) {
  if (shape != currentPointer) ApplyPointer(shape);
}

void ForceOverlayPointer(PointerShape shape) { ApplyPointer(shape); }

PointerShape CurrentOverlayPointer() { return currentPointer; }

void SetOverlayPointerSink(PointerSink sink) { pointerSink = sink; }
