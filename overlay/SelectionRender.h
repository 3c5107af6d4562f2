#pragma once
// Drawing of the overlay: the frozen screen, the selection frame with its
// eight handles, and the coordinate box next to the pointer while a drag
// runs. The pure pieces (box placement and texts) and the compose functions
// that draw into a given DC are separate from RenderSelection, which reads
// the shared state and the pointer, so tests can compose into a memory DC.
#include <windows.h>

#include <array>
#include <string>

#include "overlay/SelectionModel.h"

constexpr int kCoordinateLineHeight = 12;

// Position of the box's first line for the pointer (px, py) on a screen sw
// pixels wide: left of the pointer near the right edge, above it unless it
// is near the top.
Point CoordinateBoxPlace(int px, int py, int sw);

// The six lines of the box (code page 936): corner, size and pointer
// position. The selection is normalised on a copy.
std::array<std::string, 6> CoordinateBoxLines(const SelectionRect& selection, int px, int py);

// Draws the frame of `selection` (a normalised copy, both edges included) and
// its eight handles into dc, and lays the handles out in overlayState.
void ComposeSelectionFrame(HDC dc, const SelectionRect& selection, COLORREF frameColour);

// Draws the coordinate box for pointer (px, py) on a screen sw wide into dc:
// transparent text in textColour with font, framed in frameColour.
void ComposeCoordinateBox(HDC dc, const SelectionRect& selection, int px, int py, int sw, COLORREF textColour,
                          COLORREF frameColour, HFONT font);

// The coordinate box of the shared selection at the current pointer.
void DrawCoordinateBox(HDC dc);

// The overlay's whole picture, width x height, into target: the frozen
// screen from frozenDc, the frame of `selection` with its handles, and, when
// withBox, the coordinate box for the pointer (px, py). This is what the
// overlay shows after every RenderSelection.
void ComposeOverlayFrame(HDC target, HDC frozenDc, int width, int height, const SelectionRect& selection,
                         bool withBox, int px, int py);

// Brings the overlay's picture up to date and copies it to the overlay
// window with one BitBlt. The picture is kept in a back buffer: a drawing
// restores the frozen screen where the last frame, handles and box were,
// draws the new ones, and copies only that area, unless the kept picture is
// stale, when everything is composed and copied.
void RenderSelection();

// The back buffer for a screen of width x height (after the frozen screen
// has been taken), and its release; the picture starts stale.
void CreateOverlayBackBuffer(int width, int height);
void ReleaseOverlayBackBuffer();
// The next RenderSelection composes and copies everything: the window may
// show something other than the kept picture (a paint request).
void MarkOverlayPictureStale();

// The colour the overlay shows at (x, y) in its own coordinates, read from
// the back buffer (the info panel, a child window, is not in it);
// CLR_INVALID when there is no up-to-date picture or the point is outside.
COLORREF OverlayPictureColour(int x, int y);
