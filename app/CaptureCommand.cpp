// The capture-and-recognise command.
#include "app/CaptureCommand.h"

#include "app/MainWindow.h"
#include "overlay/OverlayLifecycle.h"
#include "platform/Form.h"

namespace {

// Time for the hidden main window to leave the screen before the overlay
// copies it.
constexpr int kHideSettleMs = 300;

}  // namespace

void OnCaptureButtonClicked() {
  HideMainWindow();
  form::SleepMs(kHideSettleMs);
  // No cursor in the frozen screen; frame and coordinate box colours are
  // left to the overlay's defaults.
  OverlayOptions options;
  options.drawCursor = false;
  OpenCaptureOverlay(options);
  ShowMainWindow();
}
