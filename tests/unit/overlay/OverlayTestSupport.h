#pragma once
// Helpers shared by the overlay's tests: a memory canvas whose pixels can be
// read back, and a count of the process's live GDI objects.
#include <windows.h>
#include <winternl.h>

#include <vector>

#include "platform/DibInfo.h"

// Paints width x height pixels at (0, 0) of the DC; pixel(x, y) gives each
// as 0x00RRGGBB.
template <typename PixelFn>
void PaintPixelsInto(HDC dc, int width, int height, PixelFn pixel) {
  std::vector<DWORD> rows(static_cast<size_t>(width) * height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) rows[static_cast<size_t>(y) * width + x] = pixel(x, y);
  BITMAPINFO info = TopDown32BitInfo(width, height);
  SetDIBitsToDevice(dc, 0, 0, width, height, 0, 0, 0, height, rows.data(), &info, DIB_RGB_COLORS);
}

// A top-down 32-bit DIB section selected into a memory DC, filled with one
// colour.
class Canvas {
 public:
  Canvas(int width, int height, COLORREF fill) : width_(width), height_(height) {
    BITMAPINFO info = TopDown32BitInfo(width, height);
    dc_ = CreateCompatibleDC(nullptr);
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
    old_ = SelectObject(dc_, bitmap_);
    const RECT all{0, 0, width, height};
    HBRUSH brush = CreateSolidBrush(fill);
    FillRect(dc_, &all, brush);
    DeleteObject(brush);
  }
  ~Canvas() {
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  HDC dc() const { return dc_; }
  COLORREF Pixel(int x, int y) const {
    GdiFlush();
    const DWORD v = bits_[y * width_ + x];
    return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
  }
  // Pixels of that colour in the rectangle, both edges included.
  int CountColour(int left, int top, int right, int bottom, COLORREF colour) const {
    int n = 0;
    for (int y = top; y <= bottom; ++y)
      for (int x = left; x <= right; ++x)
        if (x >= 0 && y >= 0 && x < width_ && y < height_ && Pixel(x, y) == colour) ++n;
    return n;
  }
  // Pixels of the rectangle (both edges included) that satisfy the test.
  template <typename Test>
  int Count(int left, int top, int right, int bottom, Test test) const {
    int n = 0;
    for (int y = top; y <= bottom; ++y)
      for (int x = left; x <= right; ++x)
        if (x >= 0 && y >= 0 && x < width_ && y < height_ && test(Pixel(x, y))) ++n;
    return n;
  }
  std::vector<DWORD> Pixels() const {
    GdiFlush();
    return std::vector<DWORD>(bits_, bits_ + width_ * height_);
  }

 private:
  int width_;
  int height_;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
  DWORD* bits_ = nullptr;
};

// Live GDI objects of this process. GetGuiResources where the system
// answers it; Wine: it answers 0, so the entries in use in the GDI handle
// table that the PEB points at (the same 24-byte layout Windows uses, type
// byte at offset 14) are counted.
inline long LiveGdiObjects() {
  const DWORD counted = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  if (counted != 0) return static_cast<long>(counted);
#ifdef _WIN64
  const size_t tableOffset = 0xF8;
  const size_t entrySize = 24;
#else
  const size_t tableOffset = 0x94;
  const size_t entrySize = 16;
#endif
  // The PEB through NtQueryInformationProcess (NtCurrentTeb's inline
  // segment read trips -Warray-bounds at -O3).
  using QueryProcess = LONG(WINAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
  const auto query = reinterpret_cast<QueryProcess>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
  PROCESS_BASIC_INFORMATION basic{};
  if (!query || query(GetCurrentProcess(), ProcessBasicInformation, &basic, sizeof basic, nullptr) != 0) return -1;
  const auto* peb = reinterpret_cast<const unsigned char*>(basic.PebBaseAddress);
  const unsigned char* table = *reinterpret_cast<const unsigned char* const*>(peb + tableOffset);
  if (!table) return -1;
  long n = 0;
  for (size_t i = 0; i < 0x10000; ++i)
    if (table[i * entrySize + (entrySize == 24 ? 14 : 10)] != 0) ++n;
  return n;
}
