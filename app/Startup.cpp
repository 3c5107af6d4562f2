// Start-up: the shared records exist from before MainWindow is loaded until
// the exit callback runs, after the message loop has returned, so every
// event handler finds them in place.
#include "app/Startup.h"

#include "app/MainWindow.h"
#include "platform/Form.h"

void CreateSharedState() { ResetSharedOverlayRecords(); }

void ReleaseSharedState() { ReleaseSharedOverlayRecords(); }

int StartProgram() {
  CreateSharedState();
  form::RegisterExitCallback(ReleaseSharedState);
  LoadMainWindow();
  form::RunMessageLoop();
  return 0;
}
