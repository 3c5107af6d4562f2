// Drawing of the overlay's picture: the frozen screen from screenDc, the
// selection frame and handles, and the coordinate box.
//
// The picture is kept in a screen-sized back buffer from OnOverlayCreated to
// OnOverlayDestroying, and every drawing reaches the window with one BitBlt,
// so the overlay never shows a half-drawn state. Making and selecting a
// screen-sized bitmap per pointer move, and recomposing the whole screen,
// cost several times a plain copy of the frame; so a drawing restores from
// the frozen screen only what it drew last time (lastInk) and copies to the
// window only the union of old and new. Invariant: while pictureFresh, the
// buffer is the frozen screen with exactly the drawing of lastInk on it, and
// the window shows the buffer. Brushes and DCs of one drawing live for one
// call.
#include "overlay/SelectionRender.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>
#include <vector>

#include "overlay/BackBuffer.h"
#include "overlay/CaptureOptions.h"
#include "platform/Raii.h"
#include "recognizer/TextEncoding.h"

namespace {

std::string Decimal(int value) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%d", value);
  return buffer;
}

std::string Real(double value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.13g", value);
  return buffer;
}

void DrawText936(HDC dc, int x, int y, const std::string& text) {
  const std::wstring wide = WideText(text);
  TextOutW(dc, x, y, wide.c_str(), static_cast<int>(wide.size()));
}

// Room around the texts' extents for glyphs that reach past their advance.
constexpr int kGlyphSlack = 3;

BackBuffer picture;
// Win32 rectangles (right and bottom excluded) that hold everything the last
// drawing put over the frozen screen.
std::vector<RECT> lastInk;
bool pictureFresh = false;

// The outline's four one-pixel lines and the eight handle squares of the
// frame as laid out last (handles).
void AddFrameInk(const SelectionRect& frame, std::vector<RECT>& ink) {
  ink.push_back(RECT{frame.left, frame.top, frame.right + 1, frame.top + 1});
  ink.push_back(RECT{frame.left, frame.bottom, frame.right + 1, frame.bottom + 1});
  ink.push_back(RECT{frame.left, frame.top, frame.left + 1, frame.bottom + 1});
  ink.push_back(RECT{frame.right, frame.top, frame.right + 1, frame.bottom + 1});
  for (const SelectionRect& h : overlayState.handles) ink.push_back(RECT{h.left, h.top, h.right + 1, h.bottom + 1});
}

// The coordinate box's frame and the extents of its six texts.
RECT CoordinateBoxInk(HDC dc, const SelectionRect& selection, int px, int py, int sw, HFONT font) {
  const Point at = CoordinateBoxPlace(px, py, sw);
  RECT ink{at.x - 3, at.y - 3, at.x + 55, at.y + 75};
  raii::SelectGuard selectFont(dc, font);
  const std::array<std::string, 6> lines = CoordinateBoxLines(selection, px, py);
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::wstring wide = WideText(lines[i]);
    SIZE extent{};
    GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &extent);
    const int top = at.y + kCoordinateLineHeight * static_cast<int>(i);
    ink.left = std::min<LONG>(ink.left, at.x - kGlyphSlack);
    ink.top = std::min<LONG>(ink.top, top - kGlyphSlack);
    ink.right = std::max<LONG>(ink.right, at.x + extent.cx + kGlyphSlack);
    ink.bottom = std::max<LONG>(ink.bottom, top + extent.cy + kGlyphSlack);
  }
  return ink;
}

// Cuts r to the buffer; false when nothing of it is left.
bool ClipToPicture(RECT& r, int width, int height) {
  r.left = std::max<LONG>(r.left, 0);
  r.top = std::max<LONG>(r.top, 0);
  r.right = std::min<LONG>(r.right, width);
  r.bottom = std::min<LONG>(r.bottom, height);
  return r.left < r.right && r.top < r.bottom;
}

// One BitBlt of the whole buffer, clipped to the union of `areas`.
void CopyAreasToWindow(HDC target, const std::vector<RECT>& areas, int width, int height) {
  if (areas.empty()) return;
  raii::Owned<HRGN, raii::GdiTraits<HRGN>> region(CreateRectRgnIndirect(&areas[0]));
  for (size_t i = 1; i < areas.size(); ++i) {
    raii::Owned<HRGN, raii::GdiTraits<HRGN>> piece(CreateRectRgnIndirect(&areas[i]));
    CombineRgn(region.Get(), region.Get(), piece.Get(), RGN_OR);
  }
  SelectClipRgn(target, region.Get());
  BitBlt(target, 0, 0, width, height, picture.Get(), 0, 0, SRCCOPY);
  SelectClipRgn(target, nullptr);
}

}  // namespace

Point CoordinateBoxPlace(int px, int py, int sw) {
  Point place;
  // The box is 58 wide; past sw - 70 it would leave the screen.
  place.x = px > sw - 70 ? px - 64 : px + 8;
  // Six lines of 12 and 8 more put the box just above the pointer.
  place.y = py > 83 ? py - 80 : py + 8;
  return place;
}

std::array<std::string, 6> CoordinateBoxLines(const SelectionRect& selection, int px, int py) {
  SelectionRect r = selection;
  NormalizeRect(r);
  const double width = std::fabs(static_cast<double>(r.right) - r.left + 1);
  const double height = std::fabs(static_cast<double>(r.bottom) - r.top + 1);
  // The closing parenthesis gives way to a fourth digit; only the first
  // number is looked at.
  const char* sizeClose = width >= 1000 ? "" : ")";
  const char* pointerClose = px >= 1000 ? "" : ")";
  return {
      "顶点位置",
      "(" + Decimal(r.left) + "," + Decimal(r.top) + ")",
      "矩形大小",
      "(" + Real(width) + "," + Real(height) + sizeClose,
      "光标坐标",
      "(" + Decimal(px) + "," + Decimal(py) + pointerClose,
  };
}

void ComposeSelectionFrame(HDC dc, const SelectionRect& selection, COLORREF frameColour) {
  SelectionRect frame = selection;
  NormalizeRect(frame);
  LayoutHandles(frame);
  raii::Brush brush(CreateSolidBrush(frameColour));
  // Win32 rectangles exclude their right and bottom edges; ours include them.
  const RECT outline{frame.left, frame.top, frame.right + 1, frame.bottom + 1};
  FrameRect(dc, &outline, brush.Get());
  for (const SelectionRect& h : overlayState.handles) {
    const RECT square{h.left, h.top, h.right + 1, h.bottom + 1};
    FillRect(dc, &square, brush.Get());
  }
}

void ComposeCoordinateBox(HDC dc, const SelectionRect& selection, int px, int py, int sw, COLORREF textColour,
                          COLORREF frameColour, HFONT font) {
  SetBkMode(dc, TRANSPARENT);
  const Point at = CoordinateBoxPlace(px, py, sw);
  const std::array<std::string, 6> lines = CoordinateBoxLines(selection, px, py);
  SetTextColor(dc, textColour);
  {
    raii::SelectGuard selectFont(dc, font);
    for (size_t i = 0; i < lines.size(); ++i) {
      DrawText936(dc, at.x, at.y + kCoordinateLineHeight * static_cast<int>(i), lines[i]);
    }
  }
  raii::Brush brush(CreateSolidBrush(frameColour));
  const RECT frame{at.x - 3, at.y - 3, at.x + 55, at.y + 75};
  FrameRect(dc, &frame, brush.Get());
}

void DrawCoordinateBox(HDC dc) {
  POINT pointer{};
  GetCursorPos(&pointer);
  ComposeCoordinateBox(dc, overlayState.selection, pointer.x, pointer.y, GetSystemMetrics(SM_CXSCREEN),
                       captureOptions.infoTextColour, captureOptions.infoFrameColour,
                       overlayResources.infoFont);
}

void ComposeOverlayFrame(HDC target, HDC frozenDc, int width, int height, const SelectionRect& selection,
                         bool withBox, int px, int py) {
  BitBlt(target, 0, 0, width, height, frozenDc, 0, 0, SRCCOPY);
  ComposeSelectionFrame(target, selection, captureOptions.frameColour);
  if (withBox) {
    ComposeCoordinateBox(target, selection, px, py, width, captureOptions.infoTextColour,
                         captureOptions.infoFrameColour, overlayResources.infoFont);
  }
}

void CreateOverlayBackBuffer(int width, int height) {
  picture.Make(overlayResources.screenDc, width, height);
  lastInk.clear();
  pictureFresh = false;
}

void ReleaseOverlayBackBuffer() {
  picture.Release();
  lastInk.clear();
  pictureFresh = false;
}

void MarkOverlayPictureStale() { pictureFresh = false; }

COLORREF OverlayPictureColour(int x, int y) {
  if (!pictureFresh || !picture.Get() || x < 0 || y < 0 || x >= picture.width || y >= picture.height) {
    return CLR_INVALID;
  }
  return GetPixel(picture.Get(), x, y);
}

void RenderSelection() {
  const OverlayResources& res = overlayResources;
  // Outside an overlay run there is no window to draw on (GetDC of null
  // would be the whole screen).
  if (!res.overlayWindow || !res.screenDc || !picture.Get()) return;
  const HDC memory = picture.Get();
  const int width = picture.width;
  const int height = picture.height;

  SelectionRect frame = overlayState.selection;
  NormalizeRect(frame);
  LayoutHandles(frame);
  // Over the info panel (a child window) the box would sit under the pointer
  // on the panel, so it is left out there.
  POINT pointer{};
  GetCursorPos(&pointer);
  const bool withBox = overlayState.pressing && WindowFromPoint(pointer) == res.overlayWindow;

  std::vector<RECT> ink;
  AddFrameInk(frame, ink);
  if (withBox) ink.push_back(CoordinateBoxInk(memory, overlayState.selection, pointer.x, pointer.y, width, res.infoFont));

  raii::WindowDc target(res.overlayWindow);
  if (!pictureFresh) {
    ComposeOverlayFrame(memory, res.screenDc, width, height, overlayState.selection, withBox, pointer.x, pointer.y);
    BitBlt(target.Get(), 0, 0, width, height, memory, 0, 0, SRCCOPY);
  } else {
    // Take the last drawing out of the picture, then draw the new one over
    // it; what changed is the union of both.
    std::vector<RECT> changed;
    for (RECT r : lastInk) {
      if (!ClipToPicture(r, width, height)) continue;
      BitBlt(memory, r.left, r.top, r.right - r.left, r.bottom - r.top, res.screenDc, r.left, r.top, SRCCOPY);
      changed.push_back(r);
    }
    ComposeSelectionFrame(memory, overlayState.selection, captureOptions.frameColour);
    if (withBox) {
      ComposeCoordinateBox(memory, overlayState.selection, pointer.x, pointer.y, width, captureOptions.infoTextColour,
                           captureOptions.infoFrameColour, res.infoFont);
    }
    for (RECT r : ink) {
      if (ClipToPicture(r, width, height)) changed.push_back(r);
    }
    CopyAreasToWindow(target.Get(), changed, width, height);
  }
  lastInk = std::move(ink);
  pictureFresh = true;
}
