// MainWindow as loaded by the program, in this test process under Wine: the
// form and its controls, the DPI check box, the clear button, the operations
// the capture command uses, Esc, the shared records and StartProgram.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "app/MainWindow.h"
#include "app/Startup.h"
#include "overlay/CaptureOptions.h"
#include "overlay/SelectionModel.h"
#include "platform/Form.h"
#include "recognizer/TextEncoding.h"

namespace {

std::wstring ClassOf(HWND w) {
  wchar_t name[64] = {};
  GetClassNameW(w, name, 64);
  return name;
}

std::wstring TextOf(HWND w) {
  wchar_t text[256] = {};
  GetWindowTextW(w, text, 256);
  return text;
}

RECT ParentRelative(HWND w) {
  RECT r;
  GetWindowRect(w, &r);
  MapWindowPoints(HWND_DESKTOP, GetParent(w), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

class MainWindowTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(LoadMainWindow(), nullptr);
    form::ProcessPendingMessages();
  }
  void TearDown() override {
    if (mainWindow) DestroyWindow(mainWindow);
    form::ProcessPendingMessages();
  }
};

TEST_F(MainWindowTest, FormSizePositionAndFrame) {
  RECT r;
  GetWindowRect(mainWindow, &r);
  EXPECT_EQ(r.right - r.left, 694);
  EXPECT_EQ(r.bottom - r.top, 376);
  EXPECT_EQ(r.left, (GetSystemMetrics(SM_CXSCREEN) - 694) / 2);
  EXPECT_EQ(r.top, (GetSystemMetrics(SM_CYSCREEN) - 376) / 2);
  EXPECT_EQ(TextOf(mainWindow), L"");
  EXPECT_TRUE(IsWindowVisible(mainWindow));
  LONG_PTR style = GetWindowLongPtrW(mainWindow, GWL_STYLE);
  const LONG_PTR wanted = WS_CAPTION | WS_SYSMENU | WS_DLGFRAME | WS_THICKFRAME | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
  EXPECT_EQ(style & wanted, wanted);
  EXPECT_EQ(style & WS_MAXIMIZEBOX, 0);
  EXPECT_EQ(GetWindowLongPtrW(mainWindow, GWL_EXSTYLE) & ~static_cast<LONG_PTR>(WS_EX_WINDOWEDGE), 0);
}

TEST_F(MainWindowTest, ControlsAsTheFormPlacesThem) {
  struct Row {
    HWND* window;
    HWND* parent;
    const wchar_t* className;
    RECT rect;  // left, top, right, bottom in the parent's client area
    std::string text;
  };
  const Row rows[] = {
      {&drawingGroup, &mainWindow, L"Button", {2, 3, 330, 336}, "画板"},
      {&submittedPicture, &drawingGroup, L"SnapTextPictureBox", {9, 20, 319, 323}, ""},
      {&actionGroup, &mainWindow, L"Button", {338, 8, 680, 82}, "操作"},
      {&captureButton, &actionGroup, L"Button", {14, 21, 110, 60}, "截屏(F10)"},
      {&clearButton, &actionGroup, L"Button", {133, 19, 229, 60}, "清空(F11)"},
      {&dpiCheckBox, &actionGroup, L"Button", {246, 24, 334, 56}, "禁用DPI缩放"},
      {&resultGroup, &mainWindow, L"Button", {336, 88, 680, 336}, "结果"},
      {&logBox, &resultGroup, L"Edit", {6, 16, 336, 232}, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "row " << (&row - rows));
    HWND w = *row.window;
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(GetParent(w), *row.parent);
    EXPECT_EQ(lstrcmpiW(ClassOf(w).c_str(), row.className), 0) << "class";
    RECT r = ParentRelative(w);
    EXPECT_EQ(r.left, row.rect.left);
    EXPECT_EQ(r.top, row.rect.top);
    EXPECT_EQ(r.right, row.rect.right);
    EXPECT_EQ(r.bottom, row.rect.bottom);
    EXPECT_EQ(TextOf(w), WideText(row.text));
    EXPECT_TRUE(IsWindowVisible(w));
    EXPECT_TRUE(IsWindowEnabled(w));
  }
  EXPECT_EQ(GetWindowLongPtrW(dpiCheckBox, GWL_STYLE) & (BS_TYPEMASK | BS_MULTILINE), BS_AUTOCHECKBOX | BS_MULTILINE);
  EXPECT_EQ(IsDpiBoxTicked(), 0);
  EXPECT_NE(GetWindowLongPtrW(submittedPicture, GWL_STYLE) & WS_BORDER, 0);
  EXPECT_FALSE(form::HasPicture(submittedPicture));
  LONG_PTR logStyle = GetWindowLongPtrW(logBox, GWL_STYLE);
  EXPECT_EQ(logStyle & (ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | WS_VSCROLL),
            ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | WS_VSCROLL);
  EXPECT_EQ(logStyle & (ES_AUTOHSCROLL | WS_HSCROLL | ES_READONLY | ES_NOHIDESEL), 0);
  EXPECT_NE(GetWindowLongPtrW(logBox, GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);
}

TEST_F(MainWindowTest, TickingTheDpiBoxFixesTheFrameAndUntickingLeavesIt) {
  RECT before;
  GetWindowRect(mainWindow, &before);
  SendMessageW(dpiCheckBox, BM_CLICK, 0, 0);
  EXPECT_EQ(IsDpiBoxTicked(), 1);
  LONG_PTR fixed = GetWindowLongPtrW(mainWindow, GWL_STYLE);
  EXPECT_EQ(fixed & WS_THICKFRAME, 0);
  EXPECT_EQ(fixed & (WS_DLGFRAME | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX),
            WS_DLGFRAME | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX);
  RECT after;
  GetWindowRect(mainWindow, &after);
  EXPECT_TRUE(EqualRect(&before, &after));

  SendMessageW(dpiCheckBox, BM_CLICK, 0, 0);
  EXPECT_EQ(IsDpiBoxTicked(), 0);
  EXPECT_EQ(GetWindowLongPtrW(mainWindow, GWL_STYLE), fixed);
  SendMessageW(dpiCheckBox, BM_CLICK, 0, 0);
  EXPECT_EQ(GetWindowLongPtrW(mainWindow, GWL_STYLE), fixed);
}

TEST_F(MainWindowTest, ClearButtonChangesNothing) {
  AppendToLog(L"kept\r\n");
  ByteBuffer picture = {'B', 'M', 0};
  SetSubmittedPicture(picture);
  SendMessageW(clearButton, BM_CLICK, 0, 0);
  EXPECT_EQ(TextOf(logBox), L"kept\r\n");
  EXPECT_EQ(GetSubmittedPicture(), picture);
}

TEST_F(MainWindowTest, AppendToLogGoesToTheEndAndKeepsTypedText) {
  SetWindowTextW(logBox, L"typed");
  SendMessageW(logBox, EM_SETSEL, 1, 3);
  AppendToLog(L"abc\r\n");
  EXPECT_EQ(TextOf(logBox), L"typedabc\r\n");
}

TEST_F(MainWindowTest, PictureOperations) {
  ByteBuffer bytes = {'B', 'M', 1, 2};
  SetSubmittedPicture(bytes);
  EXPECT_EQ(GetSubmittedPicture(), bytes);
  SetSubmittedDisplayMode(5);
  EXPECT_EQ(form::GetDisplayMode(submittedPicture), 2);
  SetSubmittedDisplayMode(1);
  EXPECT_EQ(form::GetDisplayMode(submittedPicture), 1);
  HideMainWindow();
  EXPECT_FALSE(IsWindowVisible(mainWindow));
  ShowMainWindow();
  EXPECT_TRUE(IsWindowVisible(mainWindow));
}

TEST_F(MainWindowTest, FunctionKeysClickNoButton) {
  AppendToLog(L"x");
  for (WPARAM key : {static_cast<WPARAM>(VK_F10), static_cast<WPARAM>(VK_F11)}) {
    PostMessageW(captureButton, WM_KEYDOWN, key, 0);
    PostMessageW(captureButton, WM_KEYUP, key, 0);
    PostMessageW(mainWindow, WM_SYSKEYDOWN, key, 0);
    PostMessageW(mainWindow, WM_SYSKEYUP, key, 0);
  }
  form::ProcessPendingMessages();
  EXPECT_TRUE(IsWindowVisible(mainWindow));
  EXPECT_EQ(TextOf(logBox), L"x");
  EXPECT_EQ(IsDpiBoxTicked(), 0);
}

TEST_F(MainWindowTest, EscInTheLogBoxClosesTheWindow) {
  HWND window = mainWindow;
  PostMessageW(logBox, WM_KEYDOWN, VK_ESCAPE, 0);
  form::ProcessPendingMessages();
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(mainWindow, nullptr);
}

void DirtyOverlayState() {
  overlayState.selection = SelectionRect{1, 2, 3, 4};
  overlayState.pressOrigin = Point{5, 6};
  overlayState.pressPoint = Point{7, 8};
  for (SelectionRect& h : overlayState.handles) h = SelectionRect{9, 9, 9, 9};
  captureOptions.cursorSnapshot.cbSize = 24;
  captureOptions.cursorSnapshot.ptScreenPos = POINT{10, 11};
  captureOptions.iconSnapshot.xHotspot = 12;
  captureOptions.iconSnapshot.yHotspot = 13;
}

void ExpectOverlayRecordsZero() {
  EXPECT_EQ(overlayState.selection.left | overlayState.selection.top | overlayState.selection.right |
                overlayState.selection.bottom,
            0);
  EXPECT_EQ(overlayState.pressOrigin.x | overlayState.pressOrigin.y, 0);
  EXPECT_EQ(overlayState.pressPoint.x | overlayState.pressPoint.y, 0);
  for (const SelectionRect& h : overlayState.handles) EXPECT_EQ(h.left | h.top | h.right | h.bottom, 0);
  EXPECT_EQ(captureOptions.cursorSnapshot.cbSize, 0u);
  EXPECT_EQ(captureOptions.cursorSnapshot.ptScreenPos.x | captureOptions.cursorSnapshot.ptScreenPos.y, 0);
  EXPECT_EQ(captureOptions.iconSnapshot.xHotspot | captureOptions.iconSnapshot.yHotspot, 0u);
}

TEST(SharedState, StartsZeroAndIsZeroedByCreateAndRelease) {
  ExpectOverlayRecordsZero();  // static storage, before anything ran
  DirtyOverlayState();
  CreateSharedState();
  ExpectOverlayRecordsZero();
  DirtyOverlayState();
  ReleaseSharedState();
  ExpectOverlayRecordsZero();
}

void CALLBACK CloseMainWindowSoon(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  if (mainWindow) PostMessageW(mainWindow, WM_CLOSE, 0, 0);
}

TEST(StartProgram, RunsUntilMainWindowClosesThenLeavesTheReleaseToTheExitCallbacks) {
  DirtyOverlayState();
  SetTimer(nullptr, 0, 200, CloseMainWindowSoon);
  EXPECT_EQ(StartProgram(), 0);
  EXPECT_EQ(mainWindow, nullptr);
  ExpectOverlayRecordsZero();  // created zero at start-up
  DirtyOverlayState();
  form::RunExitCallbacks();  // ReleaseSharedState was registered
  ExpectOverlayRecordsZero();
}

}  // namespace
