// The picture box: a window class of its own that keeps the bytes last set
// and the display mode, and paints them double-buffered by
// ComputePictureDraw. BI_RGB rows are drawn straight from the kept bytes;
// only other layouts (bit fields) are converted, once, when they are set.
// Its record lives in the window's extra bytes from WM_NCCREATE to
// WM_NCDESTROY. The display mode is mirrored in the window
// property kDisplayModeProp (mode + 1), readable from other processes.
#include <algorithm>
#include <utility>

#include "platform/BmpDecoder.h"
#include "platform/Form.h"
#include "platform/FormInternal.h"
#include "platform/PictureGeometry.h"
#include "platform/Raii.h"

namespace form {
namespace {

constexpr wchar_t kPictureBoxClass[] = L"SnapTextPictureBox";
constexpr wchar_t kDisplayModeProp[] = L"SnapText.DisplayMode";

struct PictureRecord {
  ByteBuffer bytes;
  BmpRows rows;            // set when the bytes' own rows can be drawn
  DecodedPicture picture;  // otherwise their converted pixels, if any
  int displayMode = 0;
  PointerHandler mouseMove = nullptr;
};

ATOM gPictureBoxAtom = 0;

// Only our own picture boxes, in this process, have a record to read.
PictureRecord* FindPicture(HWND window) {
  if (!window || !gPictureBoxAtom || !IsWindow(window)) return nullptr;
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process != GetCurrentProcessId()) return nullptr;
  if (static_cast<ATOM>(GetClassLongPtrW(window, GCW_ATOM)) != gPictureBoxAtom) return nullptr;
  return reinterpret_cast<PictureRecord*>(GetWindowLongPtrW(window, 0));
}

void StoreDisplayModeProp(HWND window, int mode) {
  SetPropW(window, kDisplayModeProp, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(mode + 1)));
}

void Repaint(HWND window) {
  InvalidateRect(window, nullptr, FALSE);
  UpdateWindow(window);
}

// What StretchDIBits is handed: the header and the first row.
struct DibSource {
  int width = 0;
  int height = 0;
  BITMAPINFO info = {};
  const void* bits = nullptr;
};

DibSource SourceOf(const PictureRecord& record) {
  DibSource source;
  BITMAPINFOHEADER& header = source.info.bmiHeader;
  header.biSize = sizeof(BITMAPINFOHEADER);
  header.biPlanes = 1;
  header.biCompression = BI_RGB;
  if (record.rows.width > 0) {
    source.width = record.rows.width;
    source.height = record.rows.height;
    header.biBitCount = static_cast<WORD>(record.rows.bitCount);
    header.biHeight = record.rows.topDown ? -record.rows.height : record.rows.height;
    source.bits = record.bytes.data() + record.rows.offset;
  } else if (!record.picture.pixels.empty()) {
    source.width = record.picture.width;
    source.height = record.picture.height;
    header.biBitCount = 32;
    header.biHeight = -record.picture.height;  // converted rows are top-down
    source.bits = record.picture.pixels.data();
  }
  header.biWidth = source.width;
  return source;
}

void DrawPicture(HDC dc, int clientWidth, int clientHeight, const PictureRecord& record) {
  RECT client = {0, 0, clientWidth, clientHeight};
  FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
  const DibSource source = SourceOf(record);
  if (!source.bits) return;
  PictureDraw draw = ComputePictureDraw(record.displayMode, clientWidth, clientHeight, source.width, source.height);
  if (draw.width <= 0 || draw.height <= 0) return;
  {
    raii::WindowDc screen(nullptr);
    bool deepColour = GetDeviceCaps(screen.Get(), BITSPIXEL) > 16;
    SetStretchBltMode(dc, deepColour ? HALFTONE : COLORONCOLOR);
    // HALFTONE needs the brush origin reset after the mode is set.
    if (deepColour) SetBrushOrgEx(dc, 0, 0, nullptr);
  }
  StretchDIBits(dc, draw.left, draw.top, draw.width, draw.height, 0, 0, source.width, source.height, source.bits,
                &source.info, DIB_RGB_COLORS, SRCCOPY);
}

void PaintInto(HWND window, HDC target) {
  PictureRecord* record = FindPicture(window);
  if (!record) return;
  RECT client = {};
  GetClientRect(window, &client);
  const int width = client.right, height = client.bottom;
  if (width <= 0 || height <= 0) return;
  raii::MemDc memory(CreateCompatibleDC(target));
  raii::Bitmap canvas(CreateCompatibleBitmap(target, width, height));
  if (!memory || !canvas) {
    DrawPicture(target, width, height, *record);
    return;
  }
  {
    raii::SelectGuard select(memory.Get(), canvas.Get());
    DrawPicture(memory.Get(), width, height, *record);
    BitBlt(target, 0, 0, width, height, memory.Get(), 0, 0, SRCCOPY);
  }
}

LRESULT CALLBACK PictureBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NCCREATE:
      SetWindowLongPtrW(window, 0, reinterpret_cast<LONG_PTR>(new PictureRecord()));
      break;
    case WM_CREATE:
      StoreDisplayModeProp(window, 0);
      return 0;
    case WM_ERASEBKGND:
      return 1;  // WM_PAINT fills the whole client area itself
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(window, &ps);
      if (dc) PaintInto(window, dc);
      EndPaint(window, &ps);
      return 0;
    }
    case WM_PRINTCLIENT:
      PaintInto(window, reinterpret_cast<HDC>(wParam));
      return 0;
    case WM_MOUSEMOVE: {
      PictureRecord* record = FindPicture(window);
      if (record && record->mouseMove)
        record->mouseMove(LOWORD(lParam), HIWORD(lParam), internal::ModifierState());
      return 0;
    }
    case WM_NCDESTROY: {
      RemovePropW(window, kDisplayModeProp);
      delete reinterpret_cast<PictureRecord*>(GetWindowLongPtrW(window, 0));
      SetWindowLongPtrW(window, 0, 0);
      break;
    }
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

namespace internal {

void RegisterPictureBoxClass() {
  if (gPictureBoxAtom) return;
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = PictureBoxProc;
  wc.cbWndExtra = sizeof(LONG_PTR);
  wc.hInstance = ModuleInstance();
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
  wc.lpszClassName = kPictureBoxClass;
  gPictureBoxAtom = RegisterClassExW(&wc);
}

}  // namespace internal

HWND CreatePictureBox(HWND parent, int left, int top, int width, int height, bool border,
                      PointerHandler mouseMove) {
  internal::RegisterPictureBoxClass();
  DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | (border ? WS_BORDER : 0);
  HWND box = CreateWindowExW(0, kPictureBoxClass, L"", style, left, top, width, height, parent, nullptr,
                             internal::ModuleInstance(), nullptr);
  if (PictureRecord* record = FindPicture(box)) record->mouseMove = mouseMove;
  return box;
}

void SetPicture(HWND pictureBox, ByteBuffer imageBytes) {
  PictureRecord* record = FindPicture(pictureBox);
  if (!record) return;
  record->bytes = std::move(imageBytes);
  record->picture = DecodedPicture();
  if (!FindBmpRgbRows(record->bytes, &record->rows)) DecodeBmp(record->bytes, &record->picture);
  Repaint(pictureBox);
}

ByteBuffer GetPicture(HWND pictureBox) { return PictureBytes(pictureBox); }

const ByteBuffer& PictureBytes(HWND pictureBox) {
  static const ByteBuffer kNone;
  PictureRecord* record = FindPicture(pictureBox);
  return record ? record->bytes : kNone;
}

bool HasPicture(HWND pictureBox) {
  PictureRecord* record = FindPicture(pictureBox);
  return record && (record->rows.width > 0 || !record->picture.pixels.empty());
}

void SetDisplayMode(HWND pictureBox, int mode) {
  PictureRecord* record = FindPicture(pictureBox);
  if (!record) return;
  mode = std::clamp(mode, 0, 2);
  if (mode == record->displayMode) return;
  record->displayMode = mode;
  StoreDisplayModeProp(pictureBox, mode);
  Repaint(pictureBox);
}

int GetDisplayMode(HWND pictureBox) {
  PictureRecord* record = FindPicture(pictureBox);
  return record ? record->displayMode : 0;
}

void PaintPictureBox(HWND pictureBox, HDC dc) { PaintInto(pictureBox, dc); }

}  // namespace form
