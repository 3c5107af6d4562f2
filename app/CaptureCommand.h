#pragma once
// The capture-and-recognise command, run by the capture button of MainWindow.

// Clicked event of the capture button (按钮1).
void OnCaptureButtonClicked();
