// MainWindow and its controls. The form is created with a sizing frame; the
// DPI check box switches it to the fixed dialog frame for the rest of the
// process. Every caption is a code page 936 literal turned into UTF-16.
#include "app/MainWindow.h"

#include <utility>

#include "app/CaptureCommand.h"
#include "platform/Form.h"
#include "recognizer/TextEncoding.h"

HWND mainWindow = nullptr;
HWND drawingGroup = nullptr;
HWND submittedPicture = nullptr;
HWND actionGroup = nullptr;
HWND captureButton = nullptr;
HWND clearButton = nullptr;
HWND dpiCheckBox = nullptr;
HWND resultGroup = nullptr;
HWND logBox = nullptr;

namespace {

constexpr int kMainWidth = 694;
constexpr int kMainHeight = 376;

void CreateMainWindowControls(HWND form) {
  mainWindow = form;
  drawingGroup = form::CreateGroupBox(form, WideText("画板"), 2, 3, 328, 333);
  submittedPicture = form::CreatePictureBox(drawingGroup, 9, 20, 310, 303, true, nullptr);
  actionGroup = form::CreateGroupBox(form, WideText("操作"), 338, 8, 342, 74);
  captureButton =
      form::CreatePushButton(actionGroup, WideText("截屏(F10)"), 14, 21, 96, 39, OnCaptureButtonClicked);
  clearButton = form::CreatePushButton(actionGroup, WideText("清空(F11)"), 133, 19, 96, 41, OnClearButtonClicked);
  dpiCheckBox = form::CreateCheckBox(actionGroup, WideText("禁用DPI缩放"), 246, 24, 88, 32, OnDpiCheckBoxClicked);
  resultGroup = form::CreateGroupBox(form, WideText("结果"), 336, 88, 344, 248);
  logBox = form::CreateLogBox(resultGroup, 6, 16, 330, 216);
}

void OnMainWindowDestroying() {
  // The handles die with the window; nothing may use them afterwards.
  mainWindow = drawingGroup = submittedPicture = actionGroup = nullptr;
  captureButton = clearButton = dpiCheckBox = resultGroup = logBox = nullptr;
}

}  // namespace

HWND LoadMainWindow() {
  form::FormDefinition definition;
  definition.caption = L"";
  definition.width = kMainWidth;
  definition.height = kMainHeight;
  // Centred on the primary screen, each half truncated.
  definition.left = (GetSystemMetrics(SM_CXSCREEN) - kMainWidth) / 2;
  definition.top = (GetSystemMetrics(SM_CYSCREEN) - kMainHeight) / 2;
  definition.border = form::kBorderSizable;
  definition.minimizeBox = true;
  definition.maximizeBox = false;
  definition.showInTaskbar = true;
  definition.topmost = false;
  definition.escCloses = true;
  definition.clipChildren = true;
  definition.createControls = CreateMainWindowControls;
  definition.events.created = OnMainWindowCreated;
  definition.events.destroying = OnMainWindowDestroying;
  return form::LoadForm(definition);
}

void OnMainWindowCreated() {}

void OnClearButtonClicked() {}

void OnDpiCheckBoxClicked() {
  if (IsDpiBoxTicked() != 1) return;
  // Fails harmlessly when the process is DPI-aware already.
  SetProcessDPIAware();
  form::SetBorder(mainWindow, form::kBorderFixedDialog);
}

void HideMainWindow() { ShowWindow(mainWindow, SW_HIDE); }

void ShowMainWindow() { ShowWindow(mainWindow, SW_SHOW); }

void SetSubmittedPicture(ByteBuffer imageBytes) { form::SetPicture(submittedPicture, std::move(imageBytes)); }

ByteBuffer GetSubmittedPicture() { return form::GetPicture(submittedPicture); }

const ByteBuffer& SubmittedPictureBytes() { return form::PictureBytes(submittedPicture); }

void SetSubmittedDisplayMode(int mode) { form::SetDisplayMode(submittedPicture, mode); }

void AppendToLog(const std::wstring& text) { form::AppendText(logBox, text); }

int IsDpiBoxTicked() { return form::IsTicked(dpiCheckBox); }
