#pragma once
// Driving the real overlay and the real capture command from inside the
// benchmark process: opening the overlay without its modal loop, running
// whole captures with input posted by a thread timer, and reading the
// process's resource figures.
#include <windows.h>

#include <string>

struct ScreenSize {
  int w = 0;
  int h = 0;
};
ScreenSize PrimaryScreen();

// Dispatches every pending message except pointer input (the benchmark
// places the pointer itself and times the handlers' work on its own) and
// quit requests.
void DrainMessages();
// Wine: a window's surface reaches the X server when the thread finds its
// queue empty; peeking on an empty queue does that flush, so a timed
// drawing ends with its picture on its way to the screen.
void FlushWindowSurfaces();

// Stores the options a capture uses and loads the overlay form without its
// modal loop (created event, slide-in and all), then drains; the overlay's
// window.
HWND OpenOverlayForBench();
void CloseOverlayForBench(HWND overlay);

// One opening of the overlay: milliseconds from the start of its created
// event to the first step of the panel's slide-in; the overlay is closed
// again before it returns.
double TimeOverlayOpening();

struct CaptureDrive {
  bool confirm = true;
  // Drag from (x0, y0) to (x1, y1), both corners inside the region.
  int x0 = 100, y0 = 100, x1 = 400, y1 = 300;
  // Through the capture button's handler (hide, pause, overlay, clipboard,
  // picture, file, probes, recogniser, show) rather than the overlay alone.
  bool viaCommand = true;
};
struct CaptureOutcome {
  bool overlayOpened = false;
  // From the confirm key (or the last cancel key) to the return of the
  // handler, milliseconds.
  double afterInputMs = 0;
};
CaptureOutcome RunCapture(const CaptureDrive& drive);

struct ResourceFigures {
  long gdiTable = 0;       // entries in use in the process's GDI handle table
  DWORD guiGdi = 0;        // GetGuiResources GR_GDIOBJECTS
  DWORD guiUser = 0;       // GetGuiResources GR_USEROBJECTS
  long windows = 0;        // windows of this process, children included
  DWORD handleCount = 0;   // GetProcessHandleCount
  long handlesProbed = 0;  // kernel handle values that GetHandleInformation accepts
  SIZE_T workingSet = 0;
  SIZE_T peakWorkingSet = 0;
};
ResourceFigures ReadResources();
std::string ResourcesJson(const ResourceFigures& r);

// The largest working set seen while it runs: a thread reads the process's
// working set every millisecond. (Resetting the system's own peak through
// Linux's clear_refs works once per process under Wine, not again.)
class PeakWorkingSetSampler {
 public:
  PeakWorkingSetSampler();
  ~PeakWorkingSetSampler();
  PeakWorkingSetSampler(const PeakWorkingSetSampler&) = delete;
  PeakWorkingSetSampler& operator=(const PeakWorkingSetSampler&) = delete;
  // Stops the sampling; the peak seen.
  SIZE_T Stop();

 private:
  static DWORD WINAPI Run(void* self);
  volatile LONG stop_ = 0;
  SIZE_T peak_ = 0;
  HANDLE thread_ = nullptr;
};
