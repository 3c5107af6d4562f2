// Driving the overlay and the capture command for the benchmark.
//
// A capture is driven the way a person would drive it, through the
// overlay's own message queue: a thread timer, dispatched by the overlay's
// modal loop, waits until the panel has slid in, posts a drag and then the
// confirm or cancel keys. Nothing of the program is replaced.
#include "tools/bench/BenchDrive.h"

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "app/CaptureCommand.h"
#include "overlay/CaptureOptions.h"
#include "overlay/OverlayLifecycle.h"
#include "overlay/SelectionModel.h"
#include "platform/Form.h"
#include "tools/bench/BenchStats.h"

namespace {

constexpr int kPanelRestingTop = 10;
constexpr int kPanelFirstSlideTop = -155;
constexpr UINT kDriveTickMs = 10;
constexpr double kGiveUpMs = 20000;

struct DriveState {
  CaptureDrive drive;
  int phase = 0;
  bool opened = false;
  double inputAt = 0;
  double startedAt = 0;
};
DriveState gDrive;

void PostKey(HWND window, WPARAM key) {
  PostMessageW(window, WM_KEYDOWN, key, 1);
  PostMessageW(window, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
}

void CALLBACK DriveTick(HWND, UINT, UINT_PTR, DWORD) {
  DriveState& d = gDrive;
  const HWND overlay = overlayResources.overlayWindow;
  const HWND panel = overlayResources.panelWindow;
  if (std::getenv("SNAPTEXT_BENCH_TRACE")) {
    std::fprintf(stderr, "tick phase=%d overlay=%p panel=%p top=%d\n", d.phase, static_cast<void*>(overlay),
                 static_cast<void*>(panel), panel ? form::GetTop(panel) : -999);
  }
  if (!overlay || !IsWindow(overlay)) return;
  if (NowMs() - d.startedAt > kGiveUpMs) {
    // Something is stuck: Esc until it closes.
    PostKey(overlay, VK_ESCAPE);
    return;
  }
  switch (d.phase) {
    case 0:
      if (!panel || form::GetTop(panel) != kPanelRestingTop) return;
      d.opened = true;
      SetCursorPos(d.drive.x1, d.drive.y1);
      PostMessageW(overlay, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(d.drive.x0, d.drive.y0));
      PostMessageW(overlay, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM((d.drive.x0 + d.drive.x1) / 2, d.drive.y1));
      PostMessageW(overlay, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(d.drive.x1, d.drive.y1));
      PostMessageW(overlay, WM_LBUTTONUP, 0, MAKELPARAM(d.drive.x1, d.drive.y1));
      d.phase = 1;
      return;
    case 1:
      d.inputAt = NowMs();
      // A selection exists: Enter confirms it; Esc clears it and a second
      // Esc closes the overlay.
      PostKey(overlay, d.drive.confirm ? VK_RETURN : VK_ESCAPE);
      d.phase = d.drive.confirm ? 3 : 2;
      return;
    case 2:
      d.inputAt = NowMs();
      PostKey(overlay, VK_ESCAPE);
      d.phase = 3;
      return;
    default:
      return;
  }
}

// The first slide step of the panel, seen as the position change it sends.
double gCreatedAt = 0;
double gSlideAt = 0;
HHOOK gSlideHook = nullptr;

LRESULT CALLBACK SlideWatch(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION && gSlideAt == 0) {
    const CWPSTRUCT* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (sent->message == WM_WINDOWPOSCHANGING && sent->hwnd == overlayResources.panelWindow &&
        overlayResources.panelWindow) {
      const WINDOWPOS* pos = reinterpret_cast<const WINDOWPOS*>(sent->lParam);
      if (!(pos->flags & SWP_NOMOVE) && pos->y == kPanelFirstSlideTop) gSlideAt = NowMs();
    }
  }
  return CallNextHookEx(gSlideHook, code, wParam, lParam);
}

void TimedCreated() {
  gCreatedAt = NowMs();
  OnOverlayCreated();
}

void UseCaptureDefaults() {
  captureOptions.drawCursor = 0;
  captureOptions.frameColour = kDefaultFrameColour;
  captureOptions.infoFrameColour = 0;
  captureOptions.infoTextColour = 0;
}

// Live GDI objects: GetGuiResources where the system answers it. Wine: it
// answers 0, so the entries in use in the GDI handle table that the PEB
// points at are counted (the layout Windows uses: 24-byte entries on win64,
// 16 on win32, the type byte at offset 14 or 10), as the overlay's tests do.
long LiveGdiObjects() {
  const DWORD counted = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  if (counted != 0) return static_cast<long>(counted);
#ifdef _WIN64
  const size_t tableOffset = 0xF8;
  const size_t entrySize = 24;
  const size_t typeOffset = 14;
#else
  const size_t tableOffset = 0x94;
  const size_t entrySize = 16;
  const size_t typeOffset = 10;
#endif
  // RtlGetCurrentPeb rather than NtCurrentTeb: GCC's -Warray-bounds trips
  // over the inline TEB read at -O3.
  using GetPeb = const unsigned char*(WINAPI*)();
  const auto getPeb =
      reinterpret_cast<GetPeb>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "RtlGetCurrentPeb")));
  if (!getPeb) return -1;
  const unsigned char* table = *reinterpret_cast<const unsigned char* const*>(getPeb() + tableOffset);
  if (!table) return -1;
  long n = 0;
  for (size_t i = 0; i < 0x10000; ++i)
    if (table[i * entrySize + typeOffset] != 0) ++n;
  return n;
}

BOOL CALLBACK CountChild(HWND, LPARAM count) {
  ++*reinterpret_cast<long*>(count);
  return TRUE;
}

BOOL CALLBACK CountOwnWindow(HWND window, LPARAM count) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid == GetCurrentProcessId()) {
    ++*reinterpret_cast<long*>(count);
    EnumChildWindows(window, CountChild, count);
  }
  return TRUE;
}

}  // namespace

ScreenSize PrimaryScreen() { return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}; }

void DrainMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) continue;
    if (msg.message >= WM_MOUSEFIRST && msg.message <= WM_MOUSELAST) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

void FlushWindowSurfaces() {
  GdiFlush();
  MSG msg;
  PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
}

HWND OpenOverlayForBench() {
  UseCaptureDefaults();
  const HWND overlay = form::LoadForm(CaptureOverlayForm());
  DrainMessages();
  return overlay;
}

void CloseOverlayForBench(HWND overlay) {
  form::DestroyFormLater(overlay);
  for (int i = 0; i < 1000 && IsWindow(overlay); ++i) {
    DrainMessages();
    if (IsWindow(overlay)) Sleep(1);
  }
  DrainMessages();
}

double TimeOverlayOpening() {
  UseCaptureDefaults();
  form::FormDefinition timed = CaptureOverlayForm();
  timed.events.created = TimedCreated;
  gCreatedAt = 0;
  gSlideAt = 0;
  gSlideHook = SetWindowsHookExW(WH_CALLWNDPROC, SlideWatch, nullptr, GetCurrentThreadId());
  const HWND overlay = form::LoadForm(timed);
  UnhookWindowsHookEx(gSlideHook);
  gSlideHook = nullptr;
  const double took = gSlideAt > 0 && gCreatedAt > 0 ? gSlideAt - gCreatedAt : -1;
  DrainMessages();
  CloseOverlayForBench(overlay);
  return took;
}

CaptureOutcome RunCapture(const CaptureDrive& drive) {
  gDrive = DriveState();
  gDrive.drive = drive;
  gDrive.startedAt = NowMs();
  const UINT_PTR timer = SetTimer(nullptr, 0, kDriveTickMs, DriveTick);
  if (drive.viaCommand) {
    OnCaptureButtonClicked();
  } else {
    OpenCaptureOverlay();
  }
  const double endedAt = NowMs();
  KillTimer(nullptr, timer);
  DrainMessages();
  CaptureOutcome outcome;
  outcome.overlayOpened = gDrive.opened;
  outcome.afterInputMs = gDrive.inputAt > 0 ? endedAt - gDrive.inputAt : -1;
  return outcome;
}

ResourceFigures ReadResources() {
  ResourceFigures r;
  const HANDLE self = GetCurrentProcess();
  r.gdiTable = LiveGdiObjects();
  r.guiGdi = GetGuiResources(self, GR_GDIOBJECTS);
  r.guiUser = GetGuiResources(self, GR_USEROBJECTS);
  EnumWindows(CountOwnWindow, reinterpret_cast<LPARAM>(&r.windows));
  GetProcessHandleCount(self, &r.handleCount);
  for (UINT_PTR value = 4; value < 0x10000; value += 4) {
    DWORD flags = 0;
    if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++r.handlesProbed;
  }
  PROCESS_MEMORY_COUNTERS memory{};
  memory.cb = sizeof memory;
  if (GetProcessMemoryInfo(self, &memory, sizeof memory)) {
    r.workingSet = memory.WorkingSetSize;
    r.peakWorkingSet = memory.PeakWorkingSetSize;
  }
  return r;
}

std::string ResourcesJson(const ResourceFigures& r) {
  char buffer[400];
  std::snprintf(buffer, sizeof buffer,
                "\"gdi_table\":%ld,\"gui_gdi\":%lu,\"gui_user\":%lu,\"windows\":%ld,\"handle_count\":%lu,"
                "\"handles_probed\":%ld,\"ws_mb\":%.2f,\"peak_ws_mb\":%.2f",
                r.gdiTable, static_cast<unsigned long>(r.guiGdi), static_cast<unsigned long>(r.guiUser), r.windows,
                static_cast<unsigned long>(r.handleCount), r.handlesProbed, r.workingSet / 1048576.0,
                r.peakWorkingSet / 1048576.0);
  return buffer;
}

namespace {

SIZE_T WorkingSetNow() {
  PROCESS_MEMORY_COUNTERS memory{};
  memory.cb = sizeof memory;
  return GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory) ? memory.WorkingSetSize : 0;
}

}  // namespace

PeakWorkingSetSampler::PeakWorkingSetSampler() {
  peak_ = WorkingSetNow();
  thread_ = CreateThread(nullptr, 0, Run, this, 0, nullptr);
}

PeakWorkingSetSampler::~PeakWorkingSetSampler() { Stop(); }

DWORD WINAPI PeakWorkingSetSampler::Run(void* self) {
  PeakWorkingSetSampler& s = *static_cast<PeakWorkingSetSampler*>(self);
  while (!InterlockedCompareExchange(&s.stop_, 0, 0)) {
    s.peak_ = std::max(s.peak_, WorkingSetNow());
    Sleep(1);
  }
  return 0;
}

SIZE_T PeakWorkingSetSampler::Stop() {
  if (thread_) {
    InterlockedExchange(&stop_, 1);
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
    thread_ = nullptr;
  }
  return peak_;
}
