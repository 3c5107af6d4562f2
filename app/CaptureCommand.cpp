// The capture-and-recognise command.
#include "app/CaptureCommand.h"

void OnCaptureButtonClicked() {}
