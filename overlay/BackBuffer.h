#pragma once
// A memory DC with a bitmap of its own selected for as long as the buffer
// lives: the overlay keeps its composed picture and the panel's in these
// from OnOverlayCreated to OnOverlayDestroying.
#include <windows.h>

#include "platform/Raii.h"

struct BackBuffer {
  // Release selects the bitmap out before either is deleted.
  raii::Bitmap bitmap;
  raii::MemDc dc;
  HGDIOBJ oldBitmap = nullptr;
  int width = 0;
  int height = 0;

  BackBuffer() = default;
  ~BackBuffer() { Release(); }
  BackBuffer(const BackBuffer&) = delete;
  BackBuffer& operator=(const BackBuffer&) = delete;

  // A buffer of cx x cy compatible with `like`; an existing one is released.
  void Make(HDC like, int cx, int cy) {
    Release();
    dc.Reset(CreateCompatibleDC(like));
    bitmap.Reset(CreateCompatibleBitmap(like, cx, cy));
    if (!dc || !bitmap) {
      Release();
      return;
    }
    oldBitmap = SelectObject(dc.Get(), bitmap.Get());
    width = cx;
    height = cy;
  }
  void Release() {
    if (dc && oldBitmap) SelectObject(dc.Get(), oldBitmap);
    oldBitmap = nullptr;
    dc.Reset();
    bitmap.Reset();
    width = height = 0;
  }
  HDC Get() const { return oldBitmap ? dc.Get() : nullptr; }
};
