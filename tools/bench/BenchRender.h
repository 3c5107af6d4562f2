#pragma once
// The overlay's picture drawn the straightforward way, for comparison with
// RenderSelection (which keeps a back buffer and redraws only what changed):
// a screen-sized bitmap made per call, the whole picture composed with
// ComposeOverlayFrame and copied to the window with one BitBlt.
// `snaptext_bench check` compares the two pixel for pixel; the
// move-drawing-full row times it.
#include <windows.h>

void RenderSelectionFull();
