// See BenchRender.h.
#include "tools/bench/BenchRender.h"

#include "overlay/CaptureOptions.h"
#include "overlay/SelectionModel.h"
#include "overlay/SelectionRender.h"
#include "platform/Raii.h"

void RenderSelectionFull() {
  const OverlayResources& res = overlayResources;
  if (!res.overlayWindow || !res.screenDc) return;
  const int width = GetSystemMetrics(SM_CXSCREEN);
  const int height = GetSystemMetrics(SM_CYSCREEN);
  raii::WindowDc screen(nullptr);
  raii::MemDc memory(CreateCompatibleDC(screen.Get()));
  raii::Bitmap picture(CreateCompatibleBitmap(screen.Get(), width, height));
  raii::SelectGuard selectPicture(memory.Get(), picture.Get());
  POINT pointer{};
  GetCursorPos(&pointer);
  const bool withBox = overlayState.pressing && WindowFromPoint(pointer) == res.overlayWindow;
  ComposeOverlayFrame(memory.Get(), res.screenDc, width, height, overlayState.selection, withBox, pointer.x,
                      pointer.y);
  raii::WindowDc target(res.overlayWindow);
  BitBlt(target.Get(), 0, 0, width, height, memory.Get(), 0, 0, SRCCOPY);
  // The window no longer shows RenderSelection's kept picture.
  MarkOverlayPictureStale();
}
