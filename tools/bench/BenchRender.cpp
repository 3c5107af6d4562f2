// See BenchRender.h. Everything here draws what RenderSelection and
// PaintInfoPanel draw, through the same compose procedures.
#include "tools/bench/BenchRender.h"

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "overlay/CaptureOptions.h"
#include "overlay/InfoPanel.h"
#include "overlay/SelectionModel.h"
#include "overlay/SelectionRender.h"
#include "platform/Form.h"
#include "platform/Raii.h"
#include "recognizer/TextEncoding.h"

namespace {

// Room around the texts' extents for glyphs that reach past their advance.
constexpr int kGlyphSlack = 3;

// A memory DC with its bitmap selected for as long as the buffer lives.
struct KeptBuffer {
  HWND window = nullptr;
  HDC source = nullptr;  // the DC it was made compatible with
  int width = 0;
  int height = 0;
  raii::Bitmap bitmap;
  raii::MemDc dc;
  HGDIOBJ oldBitmap = nullptr;

  void Release() {
    if (dc && oldBitmap) SelectObject(dc.Get(), oldBitmap);
    oldBitmap = nullptr;
    dc.Reset();
    bitmap.Reset();
    window = nullptr;
    source = nullptr;
    width = height = 0;
  }
  bool Fits(HWND w, HDC s, int cx, int cy) const {
    return dc && window == w && source == s && width == cx && height == cy;
  }
  void Make(HWND w, HDC s, int cx, int cy) {
    Release();
    dc.Reset(CreateCompatibleDC(s));
    bitmap.Reset(CreateCompatibleBitmap(s, cx, cy));
    oldBitmap = SelectObject(dc.Get(), bitmap.Get());
    window = w;
    source = s;
    width = cx;
    height = cy;
  }
};

KeptBuffer picture;
// Where the last frame, handles and coordinate box were drawn in `picture`.
std::vector<RECT> lastInk;
bool pictureValid = false;

KeptBuffer panel;

RECT Rect(int left, int top, int right, int bottom) { return RECT{left, top, right, bottom}; }

// The outline's four one-pixel lines and the eight handle squares, as Win32
// rectangles (right and bottom excluded).
void AddFrameInk(const SelectionRect& frame, std::vector<RECT>& ink) {
  ink.push_back(Rect(frame.left, frame.top, frame.right + 1, frame.top + 1));
  ink.push_back(Rect(frame.left, frame.bottom, frame.right + 1, frame.bottom + 1));
  ink.push_back(Rect(frame.left, frame.top, frame.left + 1, frame.bottom + 1));
  ink.push_back(Rect(frame.right, frame.top, frame.right + 1, frame.bottom + 1));
  for (const SelectionRect& h : overlayState.handles) ink.push_back(Rect(h.left, h.top, h.right + 1, h.bottom + 1));
}

// The coordinate box's frame and the extents of its six texts.
RECT CoordinateBoxInk(HDC dc, const SelectionRect& selection, int px, int py, int sw, HFONT font) {
  const Point at = CoordinateBoxPlace(px, py, sw);
  RECT ink = Rect(at.x - 3, at.y - 3, at.x + 55, at.y + 75);
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

bool Clip(RECT& r, int width, int height) {
  r.left = std::max<LONG>(r.left, 0);
  r.top = std::max<LONG>(r.top, 0);
  r.right = std::min<LONG>(r.right, width);
  r.bottom = std::min<LONG>(r.bottom, height);
  return r.left < r.right && r.top < r.bottom;
}

}  // namespace

void ForgetRenderedPicture() { pictureValid = false; }

void ReleaseKeptBuffers() {
  picture.Release();
  panel.Release();
  lastInk.clear();
  pictureValid = false;
}

void RenderSelectionKept() {
  const OverlayResources& res = overlayResources;
  if (!res.overlayWindow || !res.screenDc) return;
  const int width = GetSystemMetrics(SM_CXSCREEN);
  const int height = GetSystemMetrics(SM_CYSCREEN);
  if (!picture.Fits(res.overlayWindow, res.screenDc, width, height)) {
    picture.Make(res.overlayWindow, res.screenDc, width, height);
    pictureValid = false;
  }
  const HDC memory = picture.dc.Get();

  SelectionRect frame = overlayState.selection;
  NormalizeRect(frame);
  LayoutHandles(frame);
  POINT pointer{};
  GetCursorPos(&pointer);
  const bool withBox = overlayState.pressing && WindowFromPoint(pointer) == res.overlayWindow;

  std::vector<RECT> ink;
  AddFrameInk(frame, ink);
  if (withBox) {
    ink.push_back(CoordinateBoxInk(memory, overlayState.selection, pointer.x, pointer.y, width, res.infoFont));
  }

  // Take the old frame, handles and box out of the picture, then draw the
  // new ones over it: the picture is again the frozen screen with exactly
  // the current drawing on it.
  std::vector<RECT> changed;
  const bool full = !pictureValid;
  if (full) {
    BitBlt(memory, 0, 0, width, height, res.screenDc, 0, 0, SRCCOPY);
  } else {
    for (RECT r : lastInk) {
      if (!Clip(r, width, height)) continue;
      BitBlt(memory, r.left, r.top, r.right - r.left, r.bottom - r.top, res.screenDc, r.left, r.top, SRCCOPY);
      changed.push_back(r);
    }
  }
  ComposeSelectionFrame(memory, frame, captureOptions.frameColour);
  if (withBox) {
    ComposeCoordinateBox(memory, overlayState.selection, pointer.x, pointer.y, width, captureOptions.infoTextColour,
                         captureOptions.infoFrameColour, res.infoFont);
  }
  for (RECT r : ink) {
    if (Clip(r, width, height)) changed.push_back(r);
  }

  raii::WindowDc target(res.overlayWindow);
  if (full) {
    BitBlt(target.Get(), 0, 0, width, height, memory, 0, 0, SRCCOPY);
  } else if (!changed.empty()) {
    // One BitBlt, clipped to the union of what was and what is drawn.
    raii::Owned<HRGN, raii::GdiTraits<HRGN>> region(CreateRectRgnIndirect(&changed[0]));
    for (size_t i = 1; i < changed.size(); ++i) {
      raii::Owned<HRGN, raii::GdiTraits<HRGN>> piece(CreateRectRgnIndirect(&changed[i]));
      CombineRgn(region.Get(), region.Get(), piece.Get(), RGN_OR);
    }
    SelectClipRgn(target.Get(), region.Get());
    BitBlt(target.Get(), 0, 0, width, height, memory, 0, 0, SRCCOPY);
    SelectClipRgn(target.Get(), nullptr);
  }
  lastInk = std::move(ink);
  pictureValid = true;
}

void PaintInfoPanelKept() {
  const OverlayResources& res = overlayResources;
  if (!res.panelWindow || !res.panelDc) return;
  const int w = form::GetWidth(res.panelWindow);
  const int h = form::GetHeight(res.panelWindow);
  POINT pointer{};
  GetCursorPos(&pointer);
  COLORREF colour = CLR_INVALID;
  RECT overlayRect{};
  if (res.overlayWindow) GetWindowRect(res.overlayWindow, &overlayRect);
  if (res.overlayWindow && PtInRect(&overlayRect, pointer)) {
    // What the screen shows there is the overlay's surface, panel included
    // (it is a child, drawn into the same surface): read it there rather
    // than from the screen, which costs a round trip to the display.
    raii::WindowDc overlayDc(res.overlayWindow);
    colour = GetPixel(overlayDc.Get(), pointer.x - overlayRect.left, pointer.y - overlayRect.top);
  } else {
    raii::WindowDc screen(nullptr);
    colour = GetPixel(screen.Get(), pointer.x, pointer.y);
  }
  if (!panel.Fits(res.panelWindow, res.panelDc, w, h)) panel.Make(res.panelWindow, res.panelDc, w, h);
  ComposeInfoPanel(panel.dc.Get(), res.panelDc, w, h, colour, overlayState, res.infoFont);
  raii::WindowDc target(res.panelWindow);
  BitBlt(target.Get(), 0, 0, w, h, panel.dc.Get(), 0, 0, SRCCOPY);
}
