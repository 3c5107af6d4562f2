#pragma once
// The settings of the current capture and the GDI objects and saved window
// procedures that one overlay run holds. The lifecycle writes both groups;
// rendering and the info panel read them.
#include <windows.h>

struct CaptureOptions {
  // Stamp the mouse cursor into the frozen screen (0 or 1).
  int drawCursor = 0;
  // Selection frame and its eight handles.
  COLORREF frameColour = 0;
  // Frame around the coordinate box.
  COLORREF infoFrameColour = 0;
  // Text of the coordinate box.
  COLORREF infoTextColour = 0;
  // The cursor when the capture was asked for; filled only with drawCursor.
  CURSORINFO cursorSnapshot{};
  // Its hot spot. The mask and colour bitmaps GetIconInfo hands out are
  // released at once, so hbmMask and hbmColor are always null here.
  ICONINFO iconSnapshot{};
};

// Frame and handles when the caller gives no colour: RGB(10,100,130).
constexpr COLORREF kDefaultFrameColour = RGB(10, 100, 130);

// Process lifetime; kept after a run until the next OpenCaptureOverlay.
extern CaptureOptions captureOptions;

// Valid from the overlay's created event to its will-be-destroyed event;
// null outside a run.
struct OverlayResources {
  // The overlay window and its info panel (the picture box).
  HWND overlayWindow = nullptr;
  HWND panelWindow = nullptr;
  // Memory DC holding the frozen screen, screen width by screen height.
  HDC screenDc = nullptr;
  HBITMAP screenBitmap = nullptr;
  HGDIOBJ screenOldBitmap = nullptr;
  // Memory DC holding the info panel's background picture.
  HDC panelDc = nullptr;
  HBITMAP panelBitmap = nullptr;
  HGDIOBJ panelOldBitmap = nullptr;
  // DEFAULT_GUI_FONT for every overlay text; a stock object, never deleted.
  HFONT infoFont = nullptr;
  // The procedures in place before the paint hooks were installed.
  WNDPROC overlayOldProc = nullptr;
  WNDPROC panelOldProc = nullptr;
};

extern OverlayResources overlayResources;
