// Drawing of the overlay's picture: the frozen screen from screenDc, the
// selection frame and handles, and the coordinate box.
//
// Every drawing is composed in a screen-sized memory bitmap and copied with
// one BitBlt, so the overlay never shows a half-drawn state. Every DC, bitmap
// and brush made here lives for one call.
#include "overlay/SelectionRender.h"

#include <cmath>
#include <cstdio>

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

void RenderSelection() {
  const OverlayResources& res = overlayResources;
  // Outside an overlay run there is no window to draw on (GetDC of null
  // would be the whole screen).
  if (!res.overlayWindow || !res.screenDc) return;
  const int width = GetSystemMetrics(SM_CXSCREEN);
  const int height = GetSystemMetrics(SM_CYSCREEN);
  raii::WindowDc screen(nullptr);
  raii::MemDc memory(CreateCompatibleDC(screen.Get()));
  raii::Bitmap picture(CreateCompatibleBitmap(screen.Get(), width, height));
  raii::SelectGuard selectPicture(memory.Get(), picture.Get());

  BitBlt(memory.Get(), 0, 0, width, height, res.screenDc, 0, 0, SRCCOPY);
  ComposeSelectionFrame(memory.Get(), overlayState.selection, captureOptions.frameColour);

  // Over the info panel (a child window) the box would sit under the pointer
  // on the panel, so it is left out there.
  POINT pointer{};
  GetCursorPos(&pointer);
  if (overlayState.pressing && WindowFromPoint(pointer) == res.overlayWindow) {
    DrawCoordinateBox(memory.Get());
  }

  raii::WindowDc target(res.overlayWindow);
  BitBlt(target.Get(), 0, 0, width, height, memory.Get(), 0, 0, SRCCOPY);
}
