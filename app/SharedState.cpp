// The shared records of the overlay are static storage, zero from the start
// of the process. Creating them sets their fields to 0 in the start-up order
// (cursorSnapshot, iconSnapshot, selection, pressOrigin, pressPoint, the 8
// handles); releasing them has nothing to free and leaves them zero again in
// the same order.
#include "app/Startup.h"
#include "overlay/CaptureOptions.h"
#include "overlay/SelectionModel.h"

namespace {

void ZeroOverlayRecords() {
  captureOptions.cursorSnapshot = CURSORINFO();
  captureOptions.iconSnapshot = ICONINFO();
  overlayState.selection = SelectionRect();
  overlayState.pressOrigin = Point();
  overlayState.pressPoint = Point();
  for (SelectionRect& handle : overlayState.handles) handle = SelectionRect();
}

}  // namespace

void ResetSharedOverlayRecords() { ZeroOverlayRecords(); }

void ReleaseSharedOverlayRecords() { ZeroOverlayRecords(); }
