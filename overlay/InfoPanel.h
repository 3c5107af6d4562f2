#pragma once
// The info panel (picture box 图片框1 on the overlay): the colour of the
// pixel under the pointer and hints for the selection's phase, in white on a
// fixed background picture; it steps to the other side of the screen when
// the pointer comes over it.
#include <windows.h>

#include <string>
#include <vector>

#include "overlay/SelectionModel.h"
#include "platform/ByteBuffer.h"

// One text of the panel and the rectangle DrawText breaks and clips it to.
struct PanelText {
  std::string text;  // code page 936
  RECT rect;
};

// "·当前像素RGB(" and the red, green and blue bytes, each padded on the left
// with spaces to three characters, then ")".
std::string ColourLine(COLORREF colour);

// The colour line and the hints for the state (selected wins over pressing,
// else idle), each rectangle 10 pixels below the one before.
std::vector<PanelText> PanelTexts(COLORREF colour, const OverlayState& state, int panelWidth);

// Left of the panel that dodges the pointer at x px on a screen sw wide:
// the right side when the pointer is on the left half, else the left side.
int DodgeLeft(int px, int sw, int panelWidth);

// A screen-compatible bitmap from the bytes of a 24-bit BMP file without a
// colour table (pixels at offset 54); null when the bytes are not one.
HBITMAP LoadPanelBitmap(const ByteBuffer& bmpFile);

// Draws the panel, w x h, into dc: the background from backgroundDc, then
// the texts in white with font on a transparent background.
void ComposeInfoPanel(HDC dc, HDC backgroundDc, int w, int h, COLORREF colour, const OverlayState& state,
                      HFONT font);

// Draws the panel for the pixel under the pointer into its back buffer and
// copies it into the panel window.
void PaintInfoPanel();

// The panel's back buffer, the panel's size (after SetUpPanel, holding the
// bare background), and its release.
void CreatePanelBackBuffer();
void ReleasePanelBackBuffer();

// Moves the panel horizontally away from the pointer.
void DodgePanel();
