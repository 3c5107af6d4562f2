#pragma once
// Opening the region-selection overlay over a frozen copy of the primary
// screen, and closing it again with every GDI object it made released.
#include <windows.h>

#include <optional>

#include "platform/Form.h"

// What the caller of OpenCaptureOverlay may give. A colour that is not given
// differs from one given as 0 (black): only a missing frameColour becomes
// the default RGB(10,100,130); missing info colours are black.
struct OverlayOptions {
  bool drawCursor = false;
  std::optional<COLORREF> frameColour;
  std::optional<COLORREF> infoFrameColour;
  std::optional<COLORREF> infoTextColour;
};

// Stores the options, shows the overlay modally and returns, once it has
// been destroyed, whether the selection went to the clipboard.
bool OpenCaptureOverlay(const OverlayOptions& options = OverlayOptions());

// The overlay form CaptureOverlay, for OpenCaptureOverlay and for tests that
// load it without its modal loop.
const form::FormDefinition& CaptureOverlayForm();

// Created event: places the overlay over the screen, takes the frozen
// screen, hooks both paint procedures, shows the overlay and slides the
// panel in.
void OnOverlayCreated();
// Will-be-destroyed event: unhooks and releases what OnOverlayCreated made.
void OnOverlayDestroying();

LRESULT CALLBACK OverlayPaintHook(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK PanelPaintHook(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// panelDc with the panel background selected, and the panel's paint hook.
void SetUpPanel();
// Slides the panel down from top -160 to 10 in 34 steps of 5 pixels,
// handling pending messages at each step; stops when the overlay goes away.
void SlideInPanel();

// The overlay's own cursor, made once from the embedded cursor file and
// kept for the process: the form runtime may still hand it to SetCursor
// while the overlay is being destroyed.
HCURSOR OverlayCursorHandle();
