// Storage of the capture options and the overlay's drawing resources; see
// the header for who writes and who reads them.
#include "overlay/CaptureOptions.h"

CaptureOptions captureOptions;
OverlayResources overlayResources;
