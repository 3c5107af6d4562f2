// The form runtime on real windows under Wine: loading, events, the loops,
// properties, the border, controls inside group boxes, the picture box and
// the two commands; plus the pure run-directory cut and the exit callbacks.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/BmpDecoder.h"
#include "platform/DibInfo.h"
#include "platform/Form.h"
#include "platform/Raii.h"
#include "tests/unit/platform/BmpTestBytes.h"

namespace {

// --- pure pieces -------------------------------------------------------------

TEST(CutRunDirectory, Table) {
  struct Row {
    const wchar_t* path;
    const wchar_t* expected;
  };
  const Row rows[] = {
      {L"C:\\tools\\app.exe", L"C:\\tools"},
      {L"C:\\app.exe", L"C:"},
      {L"app.exe", L""},
      {L"", L""},
      {L"D:\\\u8bc6\u522b\\\u5de5\u5177\\SnapText.exe", L"D:\\\u8bc6\u522b\\\u5de5\u5177"},
      // 0x5C as the second byte of a code page 936 character is no
      // backslash in UTF-16: the folder "\u8868" stays whole.
      {L"E:\\\u8868\\a.exe", L"E:\\\u8868"},
      {L"\\\\server\\share\\a.exe", L"\\\\server\\share"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "row " << (&row - rows));
    EXPECT_EQ(form::CutRunDirectory(row.path), row.expected);
  }
}

TEST(RunDirectory, IsTheExecutablesFolderWithoutTrailingBackslash) {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring expected(path);
  expected = expected.substr(0, expected.rfind(L'\\'));
  EXPECT_EQ(form::RunDirectory(), expected);
  ASSERT_FALSE(form::RunDirectory().empty());
  EXPECT_NE(form::RunDirectory().back(), L'\\');
}

std::vector<int> gCallOrder;
void CallbackA() { gCallOrder.push_back(1); }
void CallbackB() { gCallOrder.push_back(2); }
void CallbackC() { gCallOrder.push_back(3); }

TEST(ExitCallbacks, RunOnceInRegistrationOrderWithoutDuplicates) {
  gCallOrder.clear();
  form::RegisterExitCallback(CallbackB);
  form::RegisterExitCallback(CallbackA);
  form::RegisterExitCallback(CallbackB);
  form::RegisterExitCallback(CallbackC);
  form::RegisterExitCallback(CallbackA);
  form::RunExitCallbacks();
  EXPECT_EQ(gCallOrder, (std::vector<int>{2, 1, 3}));
  form::RunExitCallbacks();
  EXPECT_EQ(gCallOrder, (std::vector<int>{2, 1, 3}));
}

// --- forms --------------------------------------------------------------------

// What the event handlers of the test forms saw.
struct Seen {
  HWND form = nullptr;
  std::vector<std::string> events;
  int lastX = -1, lastY = -1, lastMods = -1, lastKey = -1;
  bool allowClose = true;
  int clicks = 0;
  HWND button = nullptr, checkBox = nullptr, group = nullptr, edit = nullptr, picture = nullptr;
};
Seen gSeen;

void RecordCreateControls(HWND form) {
  gSeen.form = form;
  gSeen.events.push_back("createControls");
  gSeen.group = form::CreateGroupBox(form, L"group", 2, 3, 200, 150);
  gSeen.button = form::CreatePushButton(gSeen.group, L"button", 10, 20, 80, 30, [] { ++gSeen.clicks; });
  gSeen.checkBox = form::CreateCheckBox(gSeen.group, L"check", 100, 20, 80, 30, [] {
    gSeen.events.push_back(form::IsTicked(gSeen.checkBox) ? "ticked" : "unticked");
  });
  gSeen.edit = form::CreateLogBox(form, 210, 10, 150, 100);
  gSeen.picture = form::CreatePictureBox(form, 210, 120, 40, 30, false, [](int x, int y, int mods) {
    gSeen.events.push_back("pictureMove");
    gSeen.lastX = x;
    gSeen.lastY = y;
    gSeen.lastMods = mods;
  });
}

form::FormDefinition TestForm() {
  form::FormDefinition d;
  d.caption = L"test form";
  d.left = 40;
  d.top = 50;
  d.width = 400;
  d.height = 300;
  d.border = form::kBorderSizable;
  d.minimizeBox = true;
  d.escCloses = true;
  d.clipChildren = true;
  d.createControls = RecordCreateControls;
  d.events.created = [] {
    gSeen.events.push_back(IsWindowVisible(gSeen.form) ? "created(visible)" : "created(hidden)");
  };
  d.events.canClose = [] {
    gSeen.events.push_back("canClose");
    return gSeen.allowClose;
  };
  d.events.destroying = [] { gSeen.events.push_back(IsWindow(gSeen.button) ? "destroying(controls)" : "destroying"); };
  d.events.leftDown = [](int x, int y, int mods) {
    gSeen.events.push_back("leftDown");
    gSeen.lastX = x;
    gSeen.lastY = y;
    gSeen.lastMods = mods;
  };
  d.events.doubleClick = [](int x, int y, int) {
    gSeen.events.push_back("doubleClick");
    gSeen.lastX = x;
    gSeen.lastY = y;
  };
  d.events.rightUp = [](int, int, int) { gSeen.events.push_back("rightUp"); };
  d.events.keyDown = [](int key, int mods) {
    gSeen.events.push_back("keyDown");
    gSeen.lastKey = key;
    gSeen.lastMods = mods;
  };
  return d;
}

class FormTest : public testing::Test {
 protected:
  void SetUp() override {
    gSeen = Seen();
    form_ = form::LoadForm(TestForm());
    ASSERT_NE(form_, nullptr);
    form::ProcessPendingMessages();
  }
  void TearDown() override {
    if (IsWindow(form_)) DestroyWindow(form_);
    form::ProcessPendingMessages();
  }
  bool Has(const std::string& event) const {
    for (const std::string& e : gSeen.events)
      if (e == event) return true;
    return false;
  }
  HWND form_ = nullptr;
};

TEST_F(FormTest, LoadRunsControlsThenCreatedHiddenThenShows) {
  ASSERT_GE(gSeen.events.size(), 2u);
  EXPECT_EQ(gSeen.events[0], "createControls");
  EXPECT_EQ(gSeen.events[1], "created(hidden)");
  EXPECT_TRUE(IsWindowVisible(form_));
  wchar_t className[64] = {};
  GetClassNameW(form_, className, 64);
  EXPECT_STREQ(className, L"SnapTextForm");
  EXPECT_EQ(GetClassLongPtrW(form_, GCL_STYLE) & CS_DBLCLKS, static_cast<ULONG_PTR>(CS_DBLCLKS));
  EXPECT_EQ(GetClassLongPtrW(form_, GCLP_HBRBACKGROUND), static_cast<ULONG_PTR>(COLOR_BTNFACE + 1));
}

TEST_F(FormTest, SizableFormStylesAndGeometry) {
  LONG_PTR style = GetWindowLongPtrW(form_, GWL_STYLE);
  const LONG_PTR wanted = WS_CAPTION | WS_SYSMENU | WS_DLGFRAME | WS_THICKFRAME | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
  EXPECT_EQ(style & wanted, wanted);
  EXPECT_EQ(style & (WS_MAXIMIZEBOX | WS_POPUP | WS_CHILD), 0);
  LONG_PTR exStyle = GetWindowLongPtrW(form_, GWL_EXSTYLE);
  EXPECT_EQ(exStyle & (WS_EX_TOOLWINDOW | WS_EX_TOPMOST), 0);
  EXPECT_EQ(form::GetLeft(form_), 40);
  EXPECT_EQ(form::GetTop(form_), 50);
  EXPECT_EQ(form::GetWidth(form_), 400);
  EXPECT_EQ(form::GetHeight(form_), 300);
}

TEST_F(FormTest, EveryWindowGetsTheDefaultGuiFont) {
  HGDIOBJ font = GetStockObject(DEFAULT_GUI_FONT);
  for (HWND w : {form_, gSeen.group, gSeen.button, gSeen.checkBox, gSeen.edit})
    EXPECT_EQ(reinterpret_cast<HGDIOBJ>(SendMessageW(w, WM_GETFONT, 0, 0)), font);
}

TEST_F(FormTest, ControlPropertiesAreRelativeToTheParentsClientArea) {
  EXPECT_EQ(form::GetLeft(gSeen.group), 2);
  EXPECT_EQ(form::GetTop(gSeen.group), 3);
  EXPECT_EQ(form::GetLeft(gSeen.button), 10);
  EXPECT_EQ(form::GetTop(gSeen.button), 20);
  EXPECT_EQ(form::GetWidth(gSeen.button), 80);
  EXPECT_EQ(form::GetHeight(gSeen.button), 30);
  form::SetTop(gSeen.button, -7);
  form::SetLeft(gSeen.button, 15);
  form::SetWidth(gSeen.button, 60);
  form::SetHeight(gSeen.button, 25);
  EXPECT_EQ(form::GetLeft(gSeen.button), 15);
  EXPECT_EQ(form::GetTop(gSeen.button), -7);
  EXPECT_EQ(form::GetWidth(gSeen.button), 60);
  EXPECT_EQ(form::GetHeight(gSeen.button), 25);
  form::SetLeft(form_, 0);
  form::SetWidth(form_, 500);
  EXPECT_EQ(form::GetLeft(form_), 0);
  EXPECT_EQ(form::GetTop(form_), 50);
  EXPECT_EQ(form::GetWidth(form_), 500);
  form::SetVisible(gSeen.button, false);
  EXPECT_FALSE(IsWindowVisible(gSeen.button));
  form::SetVisible(gSeen.button, true);
  EXPECT_TRUE(IsWindowVisible(gSeen.button));
}

TEST_F(FormTest, ClicksInsideAGroupBoxReachTheirHandlers) {
  SendMessageW(gSeen.button, BM_CLICK, 0, 0);
  EXPECT_EQ(gSeen.clicks, 1);
  SendMessageW(gSeen.checkBox, BM_CLICK, 0, 0);
  EXPECT_EQ(form::IsTicked(gSeen.checkBox), 1);
  SendMessageW(gSeen.checkBox, BM_CLICK, 0, 0);
  EXPECT_EQ(form::IsTicked(gSeen.checkBox), 0);
  EXPECT_TRUE(Has("ticked"));
  EXPECT_TRUE(Has("unticked"));
}

TEST_F(FormTest, MousePositionIsTheUnsignedHalvesOfLParam) {
  SendMessageW(form_, WM_LBUTTONDOWN, 0, MAKELPARAM(0xFFFF, 12));
  EXPECT_TRUE(Has("leftDown"));
  EXPECT_EQ(gSeen.lastX, 65535);
  EXPECT_EQ(gSeen.lastY, 12);
  EXPECT_EQ(gSeen.lastMods, 0);
  SendMessageW(form_, WM_LBUTTONDBLCLK, 0, MAKELPARAM(5, 6));
  EXPECT_TRUE(Has("doubleClick"));
  EXPECT_EQ(gSeen.lastX, 5);
  SendMessageW(form_, WM_RBUTTONUP, 0, 0);
  EXPECT_TRUE(Has("rightUp"));
  SendMessageW(gSeen.picture, WM_MOUSEMOVE, 0, MAKELPARAM(7, 9));
  EXPECT_TRUE(Has("pictureMove"));
  EXPECT_EQ(gSeen.lastX, 7);
  EXPECT_EQ(gSeen.lastY, 9);
}

TEST_F(FormTest, KeyDownAndSystemKeyDownBothReachTheHandler) {
  SendMessageW(form_, WM_KEYDOWN, 'A', 0);
  EXPECT_EQ(gSeen.lastKey, 'A');
  SendMessageW(form_, WM_SYSKEYDOWN, VK_F5, 0x20000000);
  EXPECT_EQ(gSeen.lastKey, VK_F5);
  EXPECT_TRUE(IsWindow(form_));
}

TEST_F(FormTest, AltF4BecomesACloseRequest) {
  gSeen.allowClose = false;
  SendMessageW(form_, WM_SYSKEYDOWN, VK_F4, 0x20000000);
  form::ProcessPendingMessages();
  EXPECT_EQ(gSeen.lastKey, VK_F4);
  EXPECT_TRUE(Has("canClose"));
  EXPECT_TRUE(IsWindow(form_));
}

TEST_F(FormTest, EscInAControlAsksTheFormToClose) {
  gSeen.allowClose = false;
  PostMessageW(gSeen.edit, WM_KEYDOWN, VK_ESCAPE, 0);
  form::ProcessPendingMessages();
  EXPECT_TRUE(Has("canClose"));
  EXPECT_TRUE(IsWindow(form_)) << "a refused close keeps the form";
  EXPECT_NE(gSeen.lastKey, VK_ESCAPE) << "Esc is not dispatched";

  gSeen.allowClose = true;
  PostMessageW(gSeen.edit, WM_KEYDOWN, VK_ESCAPE, 0);
  form::ProcessPendingMessages();
  EXPECT_FALSE(IsWindow(form_));
  EXPECT_TRUE(Has("destroying(controls)"));
}

TEST_F(FormTest, DestroyFormLaterWaitsForTheLoopAndAsksNothing) {
  form::DestroyFormLater(form_);
  EXPECT_TRUE(IsWindow(form_));
  form::ProcessPendingMessages();
  EXPECT_FALSE(IsWindow(form_));
  EXPECT_FALSE(Has("canClose"));
  EXPECT_TRUE(Has("destroying(controls)"));
}

TEST_F(FormTest, SetBorderFixedDropsTheSizingFrameOnly) {
  // Extended bits the border property must clear.
  SetWindowLongPtrW(form_, GWL_EXSTYLE,
                    GetWindowLongPtrW(form_, GWL_EXSTYLE) | WS_EX_DLGMODALFRAME | WS_EX_CLIENTEDGE);
  RECT before;
  GetWindowRect(form_, &before);
  form::SetBorder(form_, form::kBorderFixedDialog);
  LONG_PTR style = GetWindowLongPtrW(form_, GWL_STYLE);
  EXPECT_EQ(style & WS_THICKFRAME, 0);
  const LONG_PTR kept = WS_CAPTION | WS_SYSMENU | WS_DLGFRAME | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
  EXPECT_EQ(style & kept, kept);
  EXPECT_EQ(style & WS_MAXIMIZEBOX, 0);
  EXPECT_EQ(GetWindowLongPtrW(form_, GWL_EXSTYLE) & (WS_EX_DLGMODALFRAME | WS_EX_CLIENTEDGE | WS_EX_TOOLWINDOW), 0);
  RECT after;
  GetWindowRect(form_, &after);
  EXPECT_TRUE(EqualRect(&before, &after));
  // Again: nothing changes.
  form::SetBorder(form_, form::kBorderFixedDialog);
  EXPECT_EQ(GetWindowLongPtrW(form_, GWL_STYLE), style);
  // Back to sizable, and to none.
  form::SetBorder(form_, form::kBorderSizable);
  EXPECT_EQ(GetWindowLongPtrW(form_, GWL_STYLE) & (WS_THICKFRAME | WS_DLGFRAME), WS_THICKFRAME | WS_DLGFRAME);
  form::SetBorder(form_, form::kBorderNone);
  EXPECT_EQ(GetWindowLongPtrW(form_, GWL_STYLE) & (WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX), 0);
}

TEST_F(FormTest, StoredMousePointerAnswersSetCursor) {
  HCURSOR cross = LoadCursorW(nullptr, IDC_CROSS);
  HCURSOR hand = LoadCursorW(nullptr, IDC_HAND);
  EXPECT_EQ(form::GetMousePointer(gSeen.picture), nullptr);
  form::SetMousePointer(gSeen.picture, cross);
  form::SetMousePointer(form_, hand);
  EXPECT_EQ(form::GetMousePointer(gSeen.picture), cross);
  SetCursor(nullptr);
  // A child asks its parents first (DefWindowProc); the form answers.
  EXPECT_TRUE(SendMessageW(gSeen.picture, WM_SETCURSOR, reinterpret_cast<WPARAM>(gSeen.picture),
                           MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)));
  EXPECT_EQ(GetCursor(), cross);
  EXPECT_TRUE(SendMessageW(form_, WM_SETCURSOR, reinterpret_cast<WPARAM>(form_), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)));
  EXPECT_EQ(GetCursor(), hand);
}

TEST_F(FormTest, AppendTextLandsAtTheEndWhereverTheCaretIs) {
  SetWindowTextW(gSeen.edit, L"typed by the user");
  SendMessageW(gSeen.edit, EM_SETSEL, 0, 5);  // a selection at the start
  form::AppendText(gSeen.edit, L"abc\r\n");
  SendMessageW(gSeen.edit, EM_SETSEL, 3, 3);  // the caret in the middle
  form::AppendText(gSeen.edit, L"\u8bc6\u522b\r\n");
  wchar_t text[256] = {};
  GetWindowTextW(gSeen.edit, text, 256);
  EXPECT_STREQ(text, L"typed by the userabc\r\n\u8bc6\u522b\r\n");
  DWORD start = 0, end = 0;
  SendMessageW(gSeen.edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, static_cast<DWORD>(GetWindowTextLengthW(gSeen.edit)));
  EXPECT_FALSE(SendMessageW(gSeen.edit, EM_CANUNDO, 0, 0));
}

TEST_F(FormTest, LogBoxStyles) {
  LONG_PTR style = GetWindowLongPtrW(gSeen.edit, GWL_STYLE);
  const LONG_PTR wanted = ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | WS_VSCROLL;
  EXPECT_EQ(style & wanted, wanted);
  EXPECT_EQ(style & (ES_AUTOHSCROLL | WS_HSCROLL | ES_READONLY | ES_NOHIDESEL), 0);
  EXPECT_NE(GetWindowLongPtrW(gSeen.edit, GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);
  // Far more than the 30000 characters of the default limit fit.
  std::wstring longText(40000, L'x');
  form::AppendText(gSeen.edit, longText);
  EXPECT_EQ(GetWindowTextLengthW(gSeen.edit), 40000);
}

// --- picture box ---------------------------------------------------------------

// The picture box painted into a 32-bit memory bitmap; pixels as 0x00RRGGBB.
struct Canvas {
  int width, height;
  std::vector<std::uint32_t> pixels;
  std::uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y * width + x)] & 0xFFFFFF; }
};

Canvas Paint(HWND box) {
  RECT client;
  GetClientRect(box, &client);
  Canvas canvas{client.right, client.bottom, {}};
  BITMAPINFO info = TopDown32BitInfo(canvas.width, canvas.height);
  void* bits = nullptr;
  raii::MemDc dc(CreateCompatibleDC(nullptr));
  raii::Bitmap bitmap(CreateDIBSection(dc.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  {
    raii::SelectGuard select(dc.Get(), bitmap.Get());
    form::PaintPictureBox(box, dc.Get());
    GdiFlush();
    auto* p = static_cast<std::uint32_t*>(bits);
    canvas.pixels.assign(p, p + canvas.width * canvas.height);
  }
  return canvas;
}

std::uint32_t ButtonFace() {
  COLORREF c = GetSysColor(COLOR_BTNFACE);
  return (static_cast<std::uint32_t>(GetRValue(c)) << 16) | (GetGValue(c) << 8) | GetBValue(c);
}

TEST_F(FormTest, PictureBoxKeepsBytesAndDecodesOnlyPictures) {
  HWND box = gSeen.picture;
  EXPECT_FALSE(form::HasPicture(box));
  EXPECT_TRUE(form::GetPicture(box).empty());
  ByteBuffer bytes = bmptest::SolidProgramBmp(4, 3, 0xFF0000);
  form::SetPicture(box, bytes);
  EXPECT_TRUE(form::HasPicture(box));
  EXPECT_EQ(form::GetPicture(box), bytes);
  ByteBuffer junk = {'B', 'M', 1, 2, 3};
  form::SetPicture(box, junk);
  EXPECT_FALSE(form::HasPicture(box));
  EXPECT_EQ(form::GetPicture(box), junk);
  form::SetPicture(box, ByteBuffer());
  EXPECT_FALSE(form::HasPicture(box));
  // Only picture boxes have pictures.
  form::SetPicture(gSeen.button, bytes);
  EXPECT_FALSE(form::HasPicture(gSeen.button));
  EXPECT_TRUE(form::GetPicture(gSeen.button).empty());
}

TEST_F(FormTest, DisplayModeIsClampedAndMirroredInTheWindowProperty) {
  HWND box = gSeen.picture;
  auto prop = [&] { return reinterpret_cast<INT_PTR>(GetPropW(box, L"SnapText.DisplayMode")); };
  EXPECT_EQ(form::GetDisplayMode(box), 0);
  EXPECT_EQ(prop(), 1);
  form::SetDisplayMode(box, 9);
  EXPECT_EQ(form::GetDisplayMode(box), 2);
  EXPECT_EQ(prop(), 3);
  form::SetDisplayMode(box, -4);
  EXPECT_EQ(form::GetDisplayMode(box), 0);
  form::SetDisplayMode(box, 1);
  EXPECT_EQ(form::GetDisplayMode(box), 1);
  EXPECT_EQ(prop(), 2);
}

TEST_F(FormTest, PictureBoxPaintsByDisplayMode) {
  HWND box = gSeen.picture;  // 40 x 30, no border
  RECT client;
  GetClientRect(box, &client);
  ASSERT_EQ(client.right, 40);
  ASSERT_EQ(client.bottom, 30);
  const std::uint32_t face = ButtonFace();

  Canvas empty = Paint(box);
  EXPECT_EQ(empty.At(0, 0), face);
  EXPECT_EQ(empty.At(39, 29), face);

  // A 10 x 6 picture: left half red, right half blue.
  std::vector<std::uint32_t> colours;
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 10; ++x) colours.push_back(x < 5 ? 0xFF0000 : 0x0000FF);
  form::SetPicture(box, bmptest::ProgramBmp32(10, 6, colours));

  form::SetDisplayMode(box, 0);
  Canvas natural = Paint(box);
  EXPECT_EQ(natural.At(0, 0), 0xFF0000u);
  EXPECT_EQ(natural.At(9, 5), 0x0000FFu);
  EXPECT_EQ(natural.At(10, 0), face);
  EXPECT_EQ(natural.At(0, 6), face);

  form::SetDisplayMode(box, 2);
  Canvas centred = Paint(box);  // at (15, 12)
  EXPECT_EQ(centred.At(14, 12), face);
  EXPECT_EQ(centred.At(15, 12), 0xFF0000u);
  EXPECT_EQ(centred.At(24, 17), 0x0000FFu);
  EXPECT_EQ(centred.At(25, 17), face);
  EXPECT_EQ(centred.At(15, 18), face);

  form::SetDisplayMode(box, 1);
  Canvas stretched = Paint(box);
  EXPECT_EQ(stretched.At(0, 0), 0xFF0000u);
  EXPECT_EQ(stretched.At(39, 29), 0x0000FFu);
  EXPECT_EQ(stretched.At(5, 29), 0xFF0000u);
  EXPECT_EQ(stretched.At(35, 0), 0x0000FFu);
}

// Rows drawn where they lie in the bytes and rows converted first give the
// same picture, for every layout the box takes.
TEST_F(FormTest, PictureBoxShowsEveryLayoutAsTheDecoderReadsIt) {
  HWND box = gSeen.picture;  // 40 x 30
  form::SetDisplayMode(box, 0);
  ByteBuffer rows24;  // 3 x 2, rows padded to 12 bytes
  for (int i = 0; i < 24; ++i) rows24.push_back(static_cast<std::uint8_t>(i % 12 < 9 ? 20 + i * 9 : 0));
  ByteBuffer rows32;
  for (int i = 0; i < 3 * 2 * 4; ++i) rows32.push_back(static_cast<std::uint8_t>(i % 4 == 3 ? 0 : 7 + i * 10));
  struct Case {
    const char* name;
    ByteBuffer bytes;
  };
  std::vector<std::uint32_t> colours = {0xFF0000, 0x00FF00, 0x0000FF, 0x123456, 0xABCDEF, 0x808080};
  const Case cases[] = {
      {"program layout", bmptest::ProgramBmp32(3, 2, colours)},
      {"24 bits bottom-up", bmptest::MakeBmp(40, 3, 2, 24, 0, rows24)},
      {"32 bits top-down", bmptest::MakeBmp(40, 3, -2, 32, 0, rows32)},
      {"16 bits 5-5-5", bmptest::MakeBmp(40, 2, 1, 16, 0, ByteBuffer{0x00, 0x7C, 0x1F, 0x00})},
      {"16 bits 5-6-5 bit fields",
       bmptest::MakeBmp(40, 2, 1, 16, 3, ByteBuffer{0x00, 0xF8, 0xE0, 0x07}, {0xF800, 0x07E0, 0x001F})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    form::DecodedPicture expected;
    ASSERT_TRUE(form::DecodeBmp(c.bytes, &expected));
    form::SetPicture(box, c.bytes);
    EXPECT_TRUE(form::HasPicture(box));
    Canvas shown = Paint(box);
    for (int y = 0; y < expected.height; ++y)
      for (int x = 0; x < expected.width; ++x)
        EXPECT_EQ(shown.At(x, y), expected.pixels[static_cast<size_t>(y * expected.width + x)]) << x << "," << y;
    EXPECT_EQ(shown.At(expected.width, 0), ButtonFace());
  }
}

TEST_F(FormTest, PictureBytesLendsWhatWasSetWithoutACopy) {
  HWND box = gSeen.picture;
  ByteBuffer bytes = bmptest::SolidProgramBmp(4, 3, 0x00FF00);
  const ByteBuffer expected = bytes;
  const std::uint8_t* storage = bytes.data();
  form::SetPicture(box, std::move(bytes));
  const ByteBuffer& lent = form::PictureBytes(box);
  EXPECT_EQ(lent, expected);
  EXPECT_EQ(lent.data(), storage) << "moved in, not copied";
  EXPECT_EQ(&form::PictureBytes(box), &lent);
  EXPECT_TRUE(form::PictureBytes(gSeen.button).empty());
}

TEST_F(FormTest, PictureBoxBorderOnlyWhenAsked) {
  HWND bordered = form::CreatePictureBox(form_, 0, 0, 50, 40, true, nullptr);
  EXPECT_NE(GetWindowLongPtrW(bordered, GWL_STYLE) & WS_BORDER, 0);
  RECT client;
  GetClientRect(bordered, &client);
  EXPECT_EQ(client.right, 48);
  EXPECT_EQ(client.bottom, 38);
  EXPECT_EQ(GetWindowLongPtrW(gSeen.picture, GWL_STYLE) & WS_BORDER, 0);
  EXPECT_EQ(GetWindowLongPtrW(gSeen.picture, GWL_EXSTYLE) & (WS_EX_CLIENTEDGE | WS_EX_STATICEDGE), 0);
}

// --- loops ----------------------------------------------------------------------

HWND gModalForm = nullptr;

TEST(ModalForm, ReturnsOnceTheFormIsDestroyed) {
  form::FormDefinition d;
  d.width = 100;
  d.height = 80;
  d.border = form::kBorderNone;
  d.showInTaskbar = false;
  d.topmost = true;
  d.createControls = [](HWND form) { gModalForm = form; };
  d.events.created = [] {
    LONG_PTR style = GetWindowLongPtrW(gModalForm, GWL_STYLE);
    LONG_PTR exStyle = GetWindowLongPtrW(gModalForm, GWL_EXSTYLE);
    EXPECT_NE(style & WS_POPUP, 0);
    EXPECT_EQ(style & (WS_CAPTION | WS_THICKFRAME | WS_SYSMENU), 0);
    EXPECT_NE(exStyle & WS_EX_TOOLWINDOW, 0);
    EXPECT_NE(exStyle & WS_EX_TOPMOST, 0);
    form::DestroyFormLater(gModalForm);
  };
  form::LoadFormModal(d);
  EXPECT_FALSE(IsWindow(gModalForm));
}

DWORD WINAPI SendCloseFromAnotherThread(void*) {
  Sleep(300);
  SendMessageW(gModalForm, WM_CLOSE, 0, 0);
  return 0;
}

TEST(ModalForm, ReturnsWhenACloseRequestSentFromAnotherThreadDestroysIt) {
  form::FormDefinition d;
  d.width = 100;
  d.height = 80;
  d.createControls = [](HWND form) { gModalForm = form; };
  HANDLE thread = nullptr;
  static HANDLE* threadOut;
  threadOut = &thread;
  d.events.created = [] { *threadOut = CreateThread(nullptr, 0, SendCloseFromAnotherThread, nullptr, 0, nullptr); };
  form::LoadFormModal(d);
  EXPECT_FALSE(IsWindow(gModalForm));
  ASSERT_NE(thread, nullptr);
  WaitForSingleObject(thread, 10000);
  CloseHandle(thread);
}

TEST(ModalForm, PassesTheQuitMessageOn) {
  form::FormDefinition d;
  d.width = 100;
  d.height = 80;
  d.createControls = [](HWND form) { gModalForm = form; };
  d.events.created = [] { PostQuitMessage(7); };
  form::LoadFormModal(d);
  EXPECT_TRUE(IsWindow(gModalForm));
  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 7u);
  DestroyWindow(gModalForm);
}

TEST(MessageLoop, EndsWhenTheLastFormIsDestroyed) {
  form::FormDefinition d;
  d.width = 100;
  d.height = 80;
  d.createControls = [](HWND form) { gModalForm = form; };
  HWND first = form::LoadForm(d);
  HWND second = form::LoadForm(d);
  ASSERT_TRUE(first && second);
  // Closed one after the other from inside the loop.
  PostMessageW(first, WM_CLOSE, 0, 0);
  form::DestroyFormLater(second);
  EXPECT_EQ(form::RunMessageLoop(), 0);
  EXPECT_FALSE(IsWindow(first));
  EXPECT_FALSE(IsWindow(second));
  // From now on the last form's end would post the quit message again; a
  // hidden form stays for the rest of the tests.
  HWND anchor = form::LoadForm(d);
  form::SetVisible(anchor, false);
}

// --- commands -------------------------------------------------------------------

std::string ReadFileBytes(const std::wstring& path) {
  raii::Handle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file) return "<missing>";
  char buffer[256];
  DWORD read = 0;
  ReadFile(file.Get(), buffer, sizeof buffer, &read, nullptr);
  return std::string(buffer, read);
}

TEST(WriteFileBytes, CreatesTruncatesAndReportsFailures) {
  std::wstring dir = form::RunDirectory() + L"\\write-test-\u8bc6\u522b";
  CreateDirectoryW(dir.c_str(), nullptr);
  std::wstring path = dir + L"\\\u8bc6\u522b\u56fe\u7247.jpg";
  DeleteFileW(path.c_str());

  EXPECT_TRUE(form::WriteFileBytes(path, ByteBuffer{'l', 'o', 'n', 'g', 'e', 'r'}));
  EXPECT_EQ(ReadFileBytes(path), "longer");
  EXPECT_TRUE(form::WriteFileBytes(path, ByteBuffer{'a', 'b'}));
  EXPECT_EQ(ReadFileBytes(path), "ab");
  EXPECT_TRUE(form::WriteFileBytes(path, ByteBuffer()));
  EXPECT_EQ(ReadFileBytes(path), "");

  EXPECT_FALSE(form::WriteFileBytes(L"", ByteBuffer{'x'}));
  EXPECT_FALSE(form::WriteFileBytes(dir + L"\\no-such-folder\\f.bin", ByteBuffer{'x'}));
  {
    // Held open without sharing by someone else: the old content stays.
    EXPECT_TRUE(form::WriteFileBytes(path, ByteBuffer{'o', 'l', 'd'}));
    raii::Handle held(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held);
    EXPECT_FALSE(form::WriteFileBytes(path, ByteBuffer{'n', 'e', 'w'}));
  }
  EXPECT_EQ(ReadFileBytes(path), "old");
  DeleteFileW(path.c_str());
  RemoveDirectoryW(dir.c_str());
}

}  // namespace
