#pragma once
// The overlay's shared state and the geometry on it: the selection
// rectangle, the resize handles laid around it, and the hit test that turns a
// pointer position into a drag zone (while the left button is held) or a
// pointer shape (otherwise). Plain data and plain functions: nothing here
// needs a window, so the tests call it directly.

// Screen pixels; both edges are inside the rectangle, so left = right is one
// column. May be reversed (left > right or top > bottom) while a drag runs.
struct SelectionRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
};

struct Point {
  int x = 0;
  int y = 0;
};

// What a left-button drag changes; for a handle it is the handle index + 1.
enum DragMode {
  DragNone = 0,
  DragTopLeft = 1,
  DragTop = 2,
  DragTopRight = 3,
  DragLeft = 4,
  DragRight = 5,
  DragBottomLeft = 6,
  DragBottom = 7,
  DragBottomRight = 8,
  DragMove = 9,
};

enum HandleIndex {
  HandleTopLeft = 0,
  HandleTop = 1,
  HandleTopRight = 2,
  HandleLeft = 3,
  HandleRight = 4,
  HandleBottomLeft = 5,
  HandleBottom = 6,
  HandleBottomRight = 7,
};
constexpr int kHandleCount = 8;

// The pointer the overlay shows. Only OverlayCursor is the program's own; the
// others are the system's sizing cursors named after their IDC_ ids.
enum PointerShape {
  OverlayCursor,
  PointerSizeAll,   // IDC_SIZEALL: inside the selection
  PointerSizeNwse,  // IDC_SIZENWSE: handles 0 and 7
  PointerSizeNs,    // IDC_SIZENS: handles 1 and 6, top and bottom strips
  PointerSizeNesw,  // IDC_SIZENESW: handles 2 and 5
  PointerSizeWe,    // IDC_SIZEWE: handles 3 and 4, left and right strips
};

struct OverlayState {
  // The selection went to the clipboard in this overlay run: the run's result.
  int confirmed = 0;
  // A finished selection exists and can be adjusted, moved, nudged or confirmed.
  int selected = 0;
  // An accepted left press is under way (the button is not yet released).
  int pressing = 0;
  // The selection, or the rectangle being drawn. (-5,-5,-5,-5) means no
  // selection yet in this run, (-1,-1,-1,-1) a cancelled one.
  SelectionRect selection;
  // Left and top of `selection` at the accepted left press.
  Point pressOrigin;
  // Pointer position of the accepted left press.
  Point pressPoint;
  // A drag that changes an existing selection is under way; `dragMode` stays
  // latched until the release.
  int adjusting = 0;
  // What the current drag changes (a DragMode value).
  int dragMode = DragNone;
  // The handle squares of the selection as last drawn, indexed by HandleIndex.
  SelectionRect handles[kHandleCount];
  // A cancel arrived while the left button was held: the next left release
  // clears the selection flags.
  int cancelPending = 0;
};

// Process-lifetime state of the overlay; zero until the first capture.
extern OverlayState overlayState;

// Swaps left/right when left > right, then top/bottom when top > bottom.
void NormalizeRect(SelectionRect& rect);
// Normalises `rect` in place, then tests with all four edges inside. The
// confirm path relies on the normalisation.
bool RectContainsPoint(SelectionRect& rect, int x, int y);
// Moves the rectangle so its left/top become the given values; size and
// orientation stay.
void MoveRectTo(SelectionRect& rect, int newLeft, int newTop);
void AssignRect(SelectionRect& rect, int left, int top, int right, int bottom);
// Writes overlayState.handles from `rect` (expected normalised).
void LayoutHandles(const SelectionRect& rect);
// Latches `dragMode` at the first hit of an accepted press, or sets the
// pointer shape while the button is not held.
void HitTestSelection(int x, int y);
// Selection flags cleared and `selection` set to (-5,-5,-5,-5).
void ResetOverlayState();

// Gives the overlay that pointer shape unless it already has it.
void SetOverlayPointer(PointerShape shape);
// Gives the overlay that shape even when it is thought to have it already
// (opening the overlay, cancelling).
void ForceOverlayPointer(PointerShape shape);
// The shape the overlay shows now.
PointerShape CurrentOverlayPointer();
// Where a changed shape goes: the lifecycle installs one that sets the
// overlay window's pointer; tests install one that records. Null: the shape
// is only remembered.
using PointerSink = void (*)(PointerShape shape);
void SetOverlayPointerSink(PointerSink sink);
