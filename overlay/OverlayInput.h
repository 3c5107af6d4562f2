#pragma once
// The overlay window's input handlers: the state machine by which the user
// draws, adjusts, moves, nudges, cancels and confirms the selection.
#include "overlay/SelectionModel.h"

void OnOverlayLeftDown(int x, int y, int modifierState);
void OnOverlayMouseMove(int x, int y, int modifierState);
void OnOverlayLeftUp(int x, int y, int modifierState);
void OnOverlayRightUp(int x, int y, int modifierState);
void OnOverlayDoubleClick(int x, int y, int modifierState);
void OnOverlayKeyDown(int virtualKey, int modifierState);
// True lets the overlay close; with a selection the request only clears it.
bool OnOverlayCloseRequest();

// The panel's own mouse-moved event.
void OnPanelMouseMove(int x, int y, int modifierState);

// Destroys the overlay once the running handler has returned.
void CloseOverlay();

// The region of the selection clamped to a screen w x h, both edges
// included; false when nothing of it is on the screen.
bool ClampToScreen(const SelectionRect& selection, int w, int h, SelectionRect& clamped);
