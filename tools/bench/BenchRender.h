#pragma once
// The overlay's drawing redone with less work per pointer move, measured
// against RenderSelection and PaintInfoPanel and compared with them pixel
// for pixel (snaptext_bench check).
//
// RenderSelectionKept keeps the overlay's composed picture in one back
// buffer for the overlay's life; a move restores from the frozen screen only
// where the last frame, handles and coordinate box were drawn, draws the new
// ones, and copies the union of old and new to the window with one BitBlt
// clipped to it. PaintInfoPanelKept composes the panel in a kept buffer and
// reads the pixel under the pointer from the overlay's own surface.
#include <windows.h>

void RenderSelectionKept();
void PaintInfoPanelKept();
// The next RenderSelectionKept composes and copies everything (after a
// paint request: something else may have drawn on the window).
void ForgetRenderedPicture();
// Releases both kept buffers (the overlay is going away).
void ReleaseKeptBuffers();
