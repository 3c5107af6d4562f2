// The info panel: composed from panelDc in a back buffer kept for the
// overlay's life (selecting a bitmap into a memory DC costs more than the
// whole drawing) and copied into the picture box with one BitBlt; the buffer
// always holds what the panel shows. panelDc and panelBitmap belong to the
// lifecycle.
#include "overlay/InfoPanel.h"

#include <cstdio>
#include <cstring>
#include <iterator>

#include "overlay/BackBuffer.h"
#include "overlay/CaptureOptions.h"
#include "overlay/SelectionRender.h"
#include "platform/Form.h"
#include "platform/Raii.h"
#include "recognizer/TextEncoding.h"

namespace {

constexpr int kPanelTextLeft = 5;
constexpr int kColourLineTop = 30;
constexpr int kLineHeight = 12;
constexpr int kHintGap = 10;
constexpr int kDodgeMargin = 8;
// Word-break inside the rectangle; a line too long for it breaks like an
// edit control would rather than spilling past the right edge.
constexpr UINT kPanelTextFormat = DT_WORDBREAK | DT_EDITCONTROL;

constexpr size_t kBmpFileHeaderSize = 14;
constexpr size_t kBmpPixelOffset = 54;

BackBuffer panelPicture;

struct Hint {
  const char* text;
  int height;
};

// "  " + digits, last three characters.
std::string Padded(int value) {
  char digits[8];
  std::snprintf(digits, sizeof digits, "%d", value);
  const std::string padded = std::string("  ") + digits;
  return padded.substr(padded.size() - 3);
}

// What the screen shows at the pointer now. Over the panel, that is the
// panel's buffer; over the rest of the overlay, the overlay's back buffer.
// Both are read without the round trip to the display that reading the
// screen costs; anywhere else (no overlay there) the screen is read.
COLORREF ColourUnderPointer(POINT pointer) {
  const OverlayResources& res = overlayResources;
  RECT panelRect{};
  if (panelPicture.Get() && IsWindowVisible(res.panelWindow) && GetWindowRect(res.panelWindow, &panelRect) &&
      PtInRect(&panelRect, pointer)) {
    return GetPixel(panelPicture.Get(), pointer.x - panelRect.left, pointer.y - panelRect.top);
  }
  RECT overlayRect{};
  if (res.overlayWindow && GetWindowRect(res.overlayWindow, &overlayRect) && PtInRect(&overlayRect, pointer)) {
    const COLORREF colour = OverlayPictureColour(pointer.x - overlayRect.left, pointer.y - overlayRect.top);
    if (colour != CLR_INVALID) return colour;
  }
  raii::WindowDc screen(nullptr);
  return GetPixel(screen.Get(), pointer.x, pointer.y);
}

}  // namespace

std::string ColourLine(COLORREF colour) {
  return "·当前像素RGB(" + Padded(GetRValue(colour)) + "," + Padded(GetGValue(colour)) + "," +
         Padded(GetBValue(colour)) + ")";
}

std::vector<PanelText> PanelTexts(COLORREF colour, const OverlayState& state, int panelWidth) {
  static const Hint kSelectedHints[] = {
      {"·用鼠标左键调整截取范围的大小和位置", 24},
      {"·截取范围内双击鼠标左键保存图像，结束操作", 24},
      {"·点击鼠标右键重新选择", 12},
  };
  static const Hint kDrawingHints[] = {
      {"·松开鼠标左键确定截取范围", 12},
      {"·按'ESC'键退出", 12},
  };
  static const Hint kIdleHints[] = {
      {"·按下鼠标左键不放选择截取范围", 24},
      {"·按'ESC'键或鼠标右键退出", 12},
  };
  const Hint* first = kIdleHints;
  const Hint* last = std::end(kIdleHints);
  if (state.selected) {
    first = kSelectedHints;
    last = std::end(kSelectedHints);
  } else if (state.pressing) {
    first = kDrawingHints;
    last = std::end(kDrawingHints);
  }

  const int right = panelWidth - kPanelTextLeft;
  std::vector<PanelText> texts;
  texts.push_back({ColourLine(colour), RECT{kPanelTextLeft, kColourLineTop, right, kColourLineTop + kLineHeight}});
  for (const Hint* hint = first; hint != last; ++hint) {
    const int top = texts.back().rect.bottom + kHintGap;
    texts.push_back({hint->text, RECT{kPanelTextLeft, top, right, top + hint->height}});
  }
  return texts;
}

int DodgeLeft(int px, int sw, int panelWidth) {
  // px < sw / 2 computed exactly.
  if (2LL * px < sw) return sw - panelWidth - kDodgeMargin;
  return kDodgeMargin;
}

HBITMAP LoadPanelBitmap(const ByteBuffer& bmpFile) {
  if (bmpFile.size() < kBmpPixelOffset || bmpFile[0] != 'B' || bmpFile[1] != 'M') return nullptr;
  // The header sits at an odd offset in the file: copy it rather than point
  // into the bytes.
  BITMAPINFO info{};
  std::memcpy(&info.bmiHeader, bmpFile.data() + kBmpFileHeaderSize, sizeof(BITMAPINFOHEADER));
  const BITMAPINFOHEADER& header = info.bmiHeader;
  if (header.biSize != sizeof(BITMAPINFOHEADER) || header.biBitCount != 24 || header.biCompression != BI_RGB ||
      header.biWidth <= 0 || header.biHeight == 0) {
    return nullptr;
  }
  // Rows are padded to four bytes; every row must be in the file.
  const unsigned long long stride = (static_cast<unsigned long long>(header.biWidth) * 24 + 31) / 32 * 4;
  const unsigned long long rows = header.biHeight < 0 ? -static_cast<long long>(header.biHeight) : header.biHeight;
  if (stride * rows > bmpFile.size() - kBmpPixelOffset) return nullptr;

  raii::WindowDc screen(nullptr);
  return CreateDIBitmap(screen.Get(), &header, CBM_INIT, bmpFile.data() + kBmpPixelOffset, &info, DIB_RGB_COLORS);
}

void ComposeInfoPanel(HDC dc, HDC backgroundDc, int w, int h, COLORREF colour, const OverlayState& state,
                      HFONT font) {
  BitBlt(dc, 0, 0, w, h, backgroundDc, 0, 0, SRCCOPY);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(255, 255, 255));
  raii::SelectGuard selectFont(dc, font);
  for (PanelText& line : PanelTexts(colour, state, w)) {
    const std::wstring wide = WideText(line.text);
    DrawTextW(dc, wide.c_str(), -1, &line.rect, kPanelTextFormat);
  }
}

void CreatePanelBackBuffer() {
  const OverlayResources& res = overlayResources;
  if (!res.panelWindow || !res.panelDc) return;
  const int w = form::GetWidth(res.panelWindow);
  const int h = form::GetHeight(res.panelWindow);
  panelPicture.Make(res.panelDc, w, h);
  if (panelPicture.Get()) BitBlt(panelPicture.Get(), 0, 0, w, h, res.panelDc, 0, 0, SRCCOPY);
}

void ReleasePanelBackBuffer() { panelPicture.Release(); }

void PaintInfoPanel() {
  const OverlayResources& res = overlayResources;
  if (!res.panelWindow || !res.panelDc || !panelPicture.Get()) return;
  const int w = panelPicture.width;
  const int h = panelPicture.height;

  POINT pointer{};
  GetCursorPos(&pointer);
  const COLORREF colour = ColourUnderPointer(pointer);
  ComposeInfoPanel(panelPicture.Get(), res.panelDc, w, h, colour, overlayState, res.infoFont);

  raii::WindowDc target(res.panelWindow);
  BitBlt(target.Get(), 0, 0, w, h, panelPicture.Get(), 0, 0, SRCCOPY);
}

void DodgePanel() {
  const HWND panel = overlayResources.panelWindow;
  if (!panel) return;
  POINT pointer{};
  GetCursorPos(&pointer);
  form::SetLeft(panel, DodgeLeft(pointer.x, GetSystemMetrics(SM_CXSCREEN), form::GetWidth(panel)));
}
