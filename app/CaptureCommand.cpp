// The capture-and-recognise command. It owns nothing beyond one run: the
// picture box, the image file, the log and the clipboard are what it leaves.
//
// Paths stay UTF-16 from the run directory on, so the file written and the
// file named on the recogniser's command line are one file whatever the
// system's ANSI code page is.
#include "app/CaptureCommand.h"

#include <windows.h>

#include "app/MainWindow.h"
#include "image/BmpEncoder.h"
#include "image/ImageProbe.h"
#include "overlay/OverlayLifecycle.h"
#include "platform/Form.h"
#include "recognizer/CommandRunner.h"
#include "recognizer/TextEncoding.h"

namespace {

// Time for the hidden main window to leave the screen before the overlay
// copies it.
constexpr int kHideSettleMs = 300;
// An image counts as large from this many pixels in either direction.
constexpr int kLargeImage = 300;
constexpr int kStretched = 1;
constexpr int kCentred = 2;
// Another program may hold the clipboard for a moment (clipboard managers
// do); give it about half a second before reading it as empty.
constexpr int kClipboardAttempts = 50;
constexpr int kClipboardRetryMs = 10;

const char kImageFileName[] = "\\识别图片.jpg";
const char kRecognizerPrefix[] = "Windows.Media.Ocr.Cli \"";
const char kRecognizerSuffix[] = "\\识别图片.jpg\"";

bool OpenClipboardPatiently() {
  for (int attempt = 0; attempt < kClipboardAttempts; ++attempt) {
    if (OpenClipboard(nullptr)) return true;
    Sleep(kClipboardRetryMs);
  }
  return false;
}

}  // namespace

std::wstring ImagePathIn(const std::wstring& runDirectory) {
  return runDirectory + WideText(kImageFileName);
}

ByteBuffer RecognizerCommandWide(const std::wstring& runDirectory) {
  ByteBuffer command = TextToWide(kRecognizerPrefix, true);
  AppendBytes(command, StringToWideBytes(runDirectory));
  AppendBytes(command, TextToWide(kRecognizerSuffix, false));
  return command;
}

std::wstring LogTextFromOutput(const std::string& output) {
  if (output.empty()) return std::wstring();
  // The recogniser writes in the system's ANSI code page, as the log box of
  // an ANSI program would show it.
  int units = MultiByteToWideChar(CP_ACP, 0, output.data(), static_cast<int>(output.size()), nullptr, 0);
  std::wstring text(static_cast<size_t>(units > 0 ? units : 0), L'\0');
  if (units > 0)
    MultiByteToWideChar(CP_ACP, 0, output.data(), static_cast<int>(output.size()), &text[0], units);
  return text + L"\r\n";
}

int ChooseDisplayMode(int width, const std::function<int()>& measureHeight) {
  if (width >= kLargeImage) return kStretched;
  return measureHeight() >= kLargeImage ? kStretched : kCentred;
}

ByteBuffer ReadClipboardImage() {
  bool opened = OpenClipboardPatiently();
  // The handle belongs to the clipboard: encoded while it is open, never deleted.
  HBITMAP bitmap = opened ? static_cast<HBITMAP>(GetClipboardData(CF_BITMAP)) : nullptr;
  ByteBuffer bytes = BitmapToBmpBytes(bitmap);
  if (opened) CloseClipboard();
  return bytes;
}

int RecognizeSavedImage() {
  ByteBuffer command = RecognizerCommandWide(form::RunDirectory());
  std::string text = BytesToText(RunCommandCaptured(command));
  if (!text.empty()) AppendToLog(LogTextFromOutput(text));
  ShowMainWindow();
  return 1;
}

void OnCaptureButtonClicked() {
  HideMainWindow();
  form::SleepMs(kHideSettleMs);
  // No cursor in the frozen screen; frame and coordinate box colours are
  // left to the overlay's defaults.
  OverlayOptions options;
  options.drawCursor = false;
  bool confirmed = OpenCaptureOverlay(options);

  SetSubmittedPicture(ReadClipboardImage());

  // A second, separate read of the clipboard for the file.
  bool saved = form::WriteFileBytes(ImagePathIn(form::RunDirectory()), ReadClipboardImage());

  // The probes read the picture box's bytes where they are: a copy of a
  // screen-sized picture would cost more than the probe itself.
  int width = ProbeImageWidth(SubmittedPictureBytes());
  SetSubmittedDisplayMode(ChooseDisplayMode(width, [] { return ProbeImageHeight(SubmittedPictureBytes()); }));

  // A file that could not be written still holds an earlier capture: its
  // text appended now would be reported as this region's.
  if (confirmed && saved) {
    RecognizeSavedImage();
  } else {
    ShowMainWindow();
  }
}
