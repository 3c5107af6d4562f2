#pragma once
// The program's start routine and its process-lifetime shared records.

// Creates the shared records, registers their release as an exit callback,
// loads MainWindow and runs the message loop; 0 once the loop has ended.
int StartProgram();

// The overlay's shared records, each with every field 0.
void CreateSharedState();
// Registered as the exit callback: the end of the shared records.
void ReleaseSharedState();

// The records themselves belong to the overlay; these do the work for the
// two procedures above (app/SharedState.cpp).
void ResetSharedOverlayRecords();
void ReleaseSharedOverlayRecords();
