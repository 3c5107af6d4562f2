#pragma once
// Resource ids of the program's embedded data (RCDATA). Shared by the
// resource script and the code that loads the data.
#define IDR_OVERLAY_CURSOR 201
#define IDR_PANEL_BACKGROUND 202
