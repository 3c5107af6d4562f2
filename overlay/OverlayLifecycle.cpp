// Opening and closing the overlay.
//
// Owns the order in which the overlay's resources come and go:
// OnOverlayCreated takes the frozen screen before the overlay is visible,
// then hooks both paint procedures and sets up the panel before the panel
// slides in, because the slide-in handles pending messages and so lets paint
// and input handlers run before the created event has returned.
// The back buffers of the overlay's and the panel's pictures come right
// after the objects they are made compatible with (the frozen screen, the
// panel background). OnOverlayDestroying undoes it all; afterwards every
// handle in overlayResources is null again and both back buffers are gone.
#include "overlay/OverlayLifecycle.h"

#include "overlay/CaptureOptions.h"
#include "overlay/InfoPanel.h"
#include "overlay/OverlayInput.h"
#include "overlay/SelectionModel.h"
#include "overlay/SelectionRender.h"
#include "platform/Raii.h"
#include "resources/ResourceData.h"
#include "resources/ResourceIds.h"

namespace {

constexpr int kPanelLeft = 10;
constexpr int kPanelTop = 10;
constexpr int kPanelWidth = 172;
constexpr int kPanelHeight = 146;
constexpr int kPanelStartTop = -160;
constexpr int kSlideSteps = 34;
constexpr int kSlideStep = 5;
constexpr DWORD kSlidePauseMs = 8;
// SRCCOPY with CAPTUREBLT, so layered windows are in the frozen screen too.
constexpr DWORD kFreezeRop = SRCCOPY | CAPTUREBLT;

HCURSOR CursorFor(PointerShape shape) {
  switch (shape) {
    case OverlayCursor: return OverlayCursorHandle();
    case PointerSizeAll: return LoadCursorW(nullptr, IDC_SIZEALL);
    case PointerSizeNwse: return LoadCursorW(nullptr, IDC_SIZENWSE);
    case PointerSizeNs: return LoadCursorW(nullptr, IDC_SIZENS);
    case PointerSizeNesw: return LoadCursorW(nullptr, IDC_SIZENESW);
    case PointerSizeWe: return LoadCursorW(nullptr, IDC_SIZEWE);
  }
  return nullptr;
}

void ShowPointerOnOverlay(PointerShape shape) {
  if (overlayResources.overlayWindow) form::SetMousePointer(overlayResources.overlayWindow, CursorFor(shape));
}

void CreateOverlayControls(HWND overlay) {
  overlayResources.overlayWindow = overlay;
  // 图片框1, the info panel: hidden until it slides in.
  const HWND panel =
      form::CreatePictureBox(overlay, kPanelLeft, kPanelTop, kPanelWidth, kPanelHeight, false, OnPanelMouseMove);
  form::SetVisible(panel, false);
  overlayResources.panelWindow = panel;
}

form::FormDefinition MakeCaptureOverlayForm() {
  form::FormDefinition d;
  d.caption = L"";
  // Replaced by the screen's rectangle as soon as the overlay exists.
  d.left = 50;
  d.top = 50;
  d.width = 380;
  d.height = 250;
  d.border = form::kBorderNone;
  d.minimizeBox = false;
  d.maximizeBox = false;
  d.showInTaskbar = false;
  d.topmost = true;
  // The overlay draws through its own DC on every pointer move; clipping
  // its children keeps that from painting over the info panel.
  d.clipChildren = true;
  // Esc is the key handler's to decide: it cancels a selection first.
  d.escCloses = false;
  d.createControls = CreateOverlayControls;
  d.events.created = OnOverlayCreated;
  d.events.destroying = OnOverlayDestroying;
  d.events.canClose = OnOverlayCloseRequest;
  d.events.leftDown = OnOverlayLeftDown;
  d.events.mouseMove = OnOverlayMouseMove;
  d.events.leftUp = OnOverlayLeftUp;
  d.events.rightUp = OnOverlayRightUp;
  d.events.doubleClick = OnOverlayDoubleClick;
  d.events.keyDown = OnOverlayKeyDown;
  return d;
}

void TakeFrozenScreen(int width, int height) {
  OverlayResources& res = overlayResources;
  raii::WindowDc screen(nullptr);
  res.screenDc = CreateCompatibleDC(screen.Get());
  res.screenBitmap = CreateCompatibleBitmap(screen.Get(), width, height);
  res.screenOldBitmap = SelectObject(res.screenDc, res.screenBitmap);
  BitBlt(res.screenDc, 0, 0, width, height, screen.Get(), 0, 0, kFreezeRop);
  if (captureOptions.drawCursor) {
    // The hot spot lands on the pointer position of the snapshot.
    const CURSORINFO& cursor = captureOptions.cursorSnapshot;
    const ICONINFO& icon = captureOptions.iconSnapshot;
    DrawIcon(res.screenDc, cursor.ptScreenPos.x - static_cast<int>(icon.xHotspot),
             cursor.ptScreenPos.y - static_cast<int>(icon.yHotspot), cursor.hCursor);
  }
}

template <typename Proc>
WNDPROC HookProcedure(HWND window, Proc hook) {
  return reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(hook)));
}

}  // namespace

HCURSOR OverlayCursorHandle() {
  static const HCURSOR cursor = LoadOverlayCursorFromResource();
  return cursor;
}

const form::FormDefinition& CaptureOverlayForm() {
  static const form::FormDefinition definition = MakeCaptureOverlayForm();
  return definition;
}

bool OpenCaptureOverlay(const OverlayOptions& options) {
  CaptureOptions& o = captureOptions;
  if (options.drawCursor) {
    o.cursorSnapshot.cbSize = sizeof(CURSORINFO);
    GetCursorInfo(&o.cursorSnapshot);
    if (GetIconInfo(o.cursorSnapshot.hCursor, &o.iconSnapshot)) {
      // Only the hot spot is used; the bitmaps GetIconInfo made are ours.
      if (o.iconSnapshot.hbmMask) DeleteObject(o.iconSnapshot.hbmMask);
      if (o.iconSnapshot.hbmColor) DeleteObject(o.iconSnapshot.hbmColor);
      o.iconSnapshot.hbmMask = nullptr;
      o.iconSnapshot.hbmColor = nullptr;
    }
    o.drawCursor = 1;
  } else {
    o.drawCursor = 0;
  }
  o.frameColour = options.frameColour.value_or(kDefaultFrameColour);
  o.infoFrameColour = options.infoFrameColour.value_or(0);
  o.infoTextColour = options.infoTextColour.value_or(0);

  form::LoadFormModal(CaptureOverlayForm());
  return overlayState.confirmed != 0;
}

void OnOverlayCreated() {
  OverlayResources& res = overlayResources;
  const HWND overlay = res.overlayWindow;
  const int width = GetSystemMetrics(SM_CXSCREEN);
  const int height = GetSystemMetrics(SM_CYSCREEN);
  form::SetLeft(overlay, 0);
  form::SetTop(overlay, 0);
  form::SetWidth(overlay, width);
  form::SetHeight(overlay, height);

  ResetOverlayState();
  // The overlay is not visible yet, so the copy shows the desktop alone.
  TakeFrozenScreen(width, height);
  CreateOverlayBackBuffer(width, height);

  SetOverlayPointerSink(ShowPointerOnOverlay);
  ForceOverlayPointer(OverlayCursor);
  res.infoFont = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  res.overlayOldProc = HookProcedure(overlay, OverlayPaintHook);
  SetUpPanel();
  CreatePanelBackBuffer();

  form::SetVisible(overlay, true);
  form::SetTop(res.panelWindow, kPanelStartTop);
  form::SetVisible(res.panelWindow, true);
  SlideInPanel();
}

void SetUpPanel() {
  OverlayResources& res = overlayResources;
  {
    raii::WindowDc screen(nullptr);
    res.panelDc = CreateCompatibleDC(screen.Get());
  }
  res.panelBitmap = LoadPanelBitmap(LoadResourceBytes(IDR_PANEL_BACKGROUND));
  res.panelOldBitmap = SelectObject(res.panelDc, res.panelBitmap);
  res.panelOldProc = HookProcedure(res.panelWindow, PanelPaintHook);
}

void SlideInPanel() {
  const HWND panel = overlayResources.panelWindow;
  for (int step = 0; step < kSlideSteps; ++step) {
    // A close path may have destroyed the overlay while messages were
    // handled: the panel is gone then, and so is its handle here.
    if (!panel || overlayResources.panelWindow != panel || !IsWindow(panel)) return;
    form::SetTop(panel, form::GetTop(panel) + kSlideStep);
    form::ProcessPendingMessages();
    Sleep(kSlidePauseMs);
  }
}

LRESULT CALLBACK OverlayPaintHook(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const WNDPROC previous = overlayResources.overlayOldProc;
  if (message == WM_PAINT) {
    // RenderSelection draws through its own DC; the paint DC only
    // validates the update region. Something else may have drawn on the
    // window, so the whole picture is copied again.
    PAINTSTRUCT paint;
    BeginPaint(window, &paint);
    MarkOverlayPictureStale();
    RenderSelection();
    EndPaint(window, &paint);
  }
  return previous ? CallWindowProcW(previous, window, message, wParam, lParam)
                  : DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK PanelPaintHook(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const WNDPROC previous = overlayResources.panelOldProc;
  if (message == WM_PAINT) {
    PAINTSTRUCT paint;
    BeginPaint(window, &paint);
    PaintInfoPanel();
    EndPaint(window, &paint);
  }
  return previous ? CallWindowProcW(previous, window, message, wParam, lParam)
                  : DefWindowProcW(window, message, wParam, lParam);
}

void OnOverlayDestroying() {
  OverlayResources& res = overlayResources;
  if (res.panelWindow && res.panelOldProc) {
    SetWindowLongPtrW(res.panelWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(res.panelOldProc));
  }
  if (res.overlayWindow && res.overlayOldProc) {
    SetWindowLongPtrW(res.overlayWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(res.overlayOldProc));
  }
  if (res.screenDc && res.screenOldBitmap) SelectObject(res.screenDc, res.screenOldBitmap);
  if (res.panelDc && res.panelOldBitmap) SelectObject(res.panelDc, res.panelOldBitmap);
  if (res.screenBitmap) DeleteObject(res.screenBitmap);
  if (res.screenDc) DeleteDC(res.screenDc);
  if (res.panelBitmap) DeleteObject(res.panelBitmap);
  if (res.panelDc) DeleteDC(res.panelDc);
  ReleaseOverlayBackBuffer();
  ReleasePanelBackBuffer();
  SetOverlayPointerSink(nullptr);
  res = OverlayResources();
  // A close request sent from another thread or process destroys the
  // overlay while the modal loop waits inside GetMessage, where only a
  // posted message wakes it; this one lets it see that the overlay is gone.
  PostThreadMessageW(GetCurrentThreadId(), WM_NULL, 0, 0);
}
