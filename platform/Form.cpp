// The form runtime: the form window class and its procedure, form loading
// (plain and modal), the message loops, control creation, the window
// properties, exit callbacks, the run directory and two commands.
//
// Module state, all on the UI thread:
// - every live form carries its FormRecord as the window property kFormProp;
//   it is deleted in WM_NCDESTROY, when the form count drops;
// - gControls keeps per-window data that the standard controls cannot carry
//   (clicked handler, mouse pointer), keyed by window and tagged with the
//   form the window belongs to, so a form's entries go when the form goes;
// - once RunMessageLoop has started, the last form's destruction posts the
//   quit message.
#include "platform/Form.h"

#include <commctrl.h>
#include <ole2.h>

#include <algorithm>
#include <map>
#include <vector>

#include "platform/FormInternal.h"
#include "platform/Raii.h"

namespace form {
namespace {

constexpr wchar_t kFormClass[] = L"SnapTextForm";
constexpr wchar_t kFormProp[] = L"SnapText.Form";
// Posted by DestroyFormLater; handled by the form procedure.
constexpr UINT kDestroyFormMessage = WM_APP + 0x2F1;
constexpr UINT_PTR kGroupBoxSubclassId = 1;

struct FormRecord {
  FormDefinition definition;
  Border border = kBorderSizable;
  HFONT font = nullptr;  // WM_SETFONT; DefWindowProc keeps none
};

struct ControlRecord {
  HWND form = nullptr;     // the top-level form the window belongs to
  Handler clicked = nullptr;
  HCURSOR cursor = nullptr;  // null: the class cursor
};

std::map<HWND, ControlRecord> gControls;
std::vector<Handler> gExitCallbacks;
std::wstring gRunDirectory;
bool gRunDirectorySettled = false;
int gFormCount = 0;
bool gLoopStarted = false;
bool gOleInitialized = false;
FormRecord* gCreatingRecord = nullptr;  // handed from LoadForm to WM_NCCREATE

FormRecord* FindForm(HWND window) {
  if (!window) return nullptr;
  return static_cast<FormRecord*>(GetPropW(window, kFormProp));
}

ControlRecord& ControlFor(HWND window) {
  ControlRecord& record = gControls[window];
  if (!record.form) record.form = GetAncestor(window, GA_ROOT);
  return record;
}

void ForgetFormControls(HWND formWindow) {
  for (auto it = gControls.begin(); it != gControls.end();) {
    if (it->second.form == formWindow || it->first == formWindow)
      it = gControls.erase(it);
    else
      ++it;
  }
}

// Styles of a form by its border setting; the caption bits as the border
// property recomputes them.
DWORD CaptionBits(const FormDefinition& d, Border border) {
  if (border == kBorderNone) return 0;
  DWORD bits = WS_CAPTION | WS_SYSMENU;
  if (d.minimizeBox) bits |= WS_MINIMIZEBOX;
  if (d.maximizeBox) bits |= WS_MAXIMIZEBOX;
  return bits;
}

DWORD FrameBits(Border border) {
  switch (border) {
    case kBorderNone: return 0;
    case kBorderSizable: return WS_DLGFRAME | WS_THICKFRAME;
    case kBorderFixedDialog: return WS_DLGFRAME;
  }
  return 0;
}

DWORD FormStyle(const FormDefinition& d) {
  DWORD style = d.border == kBorderNone ? WS_POPUP : WS_OVERLAPPED;
  style |= FrameBits(d.border) | CaptionBits(d, d.border);
  if (d.clipChildren) style |= WS_CLIPCHILDREN;
  return style;
}

DWORD FormExStyle(const FormDefinition& d) {
  DWORD exStyle = 0;
  if (!d.showInTaskbar) exStyle |= WS_EX_TOOLWINDOW;
  if (d.topmost) exStyle |= WS_EX_TOPMOST;
  return exStyle;
}

void CallPointer(PointerHandler handler, LPARAM lParam) {
  // The position as the unsigned halves of lParam, as the handlers expect.
  if (handler) handler(LOWORD(lParam), HIWORD(lParam), internal::ModifierState());
}

bool SetStoredCursor(HWND window) {
  auto it = gControls.find(window);
  if (it == gControls.end() || !it->second.cursor) return false;
  SetCursor(it->second.cursor);
  return true;
}

void OnFormCommand(WPARAM wParam, LPARAM lParam) {
  if (HIWORD(wParam) != BN_CLICKED || !lParam) return;
  auto it = gControls.find(reinterpret_cast<HWND>(lParam));
  if (it != gControls.end() && it->second.clicked) it->second.clicked();
}

void OnFormNcDestroy(HWND window) {
  FormRecord* record = FindForm(window);
  RemovePropW(window, kFormProp);
  ForgetFormControls(window);
  if (!record) return;
  delete record;
  --gFormCount;
  // A close request sent from another thread destroys the form while a
  // modal loop waits inside GetMessage, which only a posted message ends:
  // this one lets the loop see that its form is gone.
  PostThreadMessageW(GetCurrentThreadId(), WM_NULL, 0, 0);
  if (gFormCount == 0 && gLoopStarted) PostQuitMessage(0);
}

LRESULT CALLBACK FormProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    auto* record = static_cast<FormRecord*>(create->lpCreateParams);
    if (record && record == gCreatingRecord) {
      gCreatingRecord = nullptr;
      SetPropW(window, kFormProp, record);
      ++gFormCount;
    }
    return DefWindowProcW(window, message, wParam, lParam);
  }
  FormRecord* record = FindForm(window);
  if (!record) return DefWindowProcW(window, message, wParam, lParam);
  const FormEvents& events = record->definition.events;

  switch (message) {
    case WM_LBUTTONDOWN: CallPointer(events.leftDown, lParam); return 0;
    case WM_MOUSEMOVE: CallPointer(events.mouseMove, lParam); return 0;
    case WM_LBUTTONUP: CallPointer(events.leftUp, lParam); return 0;
    case WM_RBUTTONUP: CallPointer(events.rightUp, lParam); return 0;
    case WM_LBUTTONDBLCLK: CallPointer(events.doubleClick, lParam); return 0;
    case WM_KEYDOWN:
      if (events.keyDown) events.keyDown(static_cast<int>(wParam), internal::ModifierState());
      return 0;
    case WM_SYSKEYDOWN:
      // Passed on as well, so that Alt+F4 still becomes WM_CLOSE.
      if (events.keyDown) events.keyDown(static_cast<int>(wParam), internal::ModifierState());
      break;
    case WM_COMMAND:
      OnFormCommand(wParam, lParam);
      return 0;
    case WM_SETFONT:
      record->font = reinterpret_cast<HFONT>(wParam);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(record->font);
    case WM_SETCURSOR:
      if (LOWORD(lParam) == HTCLIENT && SetStoredCursor(reinterpret_cast<HWND>(wParam))) return TRUE;
      break;
    case WM_CLOSE:
      if (events.canClose && !events.canClose()) return 0;
      DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      if (events.destroying) events.destroying();
      return 0;
    case WM_NCDESTROY:
      OnFormNcDestroy(window);
      return DefWindowProcW(window, message, wParam, lParam);
    default:
      if (message == kDestroyFormMessage) {
        DestroyWindow(window);
        return 0;
      }
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

// Standard group boxes keep the notifications of the controls inside them;
// this subclass hands them on to the form.
LRESULT CALLBACK GroupBoxSubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                      UINT_PTR id, DWORD_PTR) {
  switch (message) {
    case WM_COMMAND:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
      if (HWND parent = GetParent(window)) return SendMessageW(parent, message, wParam, lParam);
      break;
    case WM_ERASEBKGND: {
      // A group box paints only its frame and caption; under the form's
      // WS_CLIPCHILDREN nothing else would paint its inside.
      RECT client;
      GetClientRect(window, &client);
      FillRect(reinterpret_cast<HDC>(wParam), &client, GetSysColorBrush(COLOR_BTNFACE));
      return 1;
    }
    case WM_NCDESTROY:
      RemoveWindowSubclass(window, GroupBoxSubclassProc, id);
      break;
    default:
      break;
  }
  return DefSubclassProc(window, message, wParam, lParam);
}

void RegisterFormClass() {
  static bool registered = false;
  if (registered) return;
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof(wc);
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = FormProc;
  wc.hInstance = internal::ModuleInstance();
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
  wc.lpszClassName = kFormClass;
  registered = RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

BOOL CALLBACK SetFontOnChild(HWND child, LPARAM font) {
  SendMessageW(child, WM_SETFONT, static_cast<WPARAM>(font), FALSE);
  return TRUE;
}

// Esc in a form that asks for it (or in any of its controls) becomes a close
// request to the form and is not dispatched.
bool PreTranslate(const MSG& msg) {
  if (msg.message != WM_KEYDOWN || msg.wParam != VK_ESCAPE || !msg.hwnd) return false;
  HWND root = GetAncestor(msg.hwnd, GA_ROOT);
  FormRecord* record = FindForm(root);
  if (!record || !record->definition.escCloses) return false;
  PostMessageW(root, WM_CLOSE, 0, 0);
  return true;
}

void Dispatch(const MSG& msg) {
  if (PreTranslate(msg)) return;
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
}

void SetWindowPosKeep(HWND window, int x, int y, int width, int height, UINT keep) {
  SetWindowPos(window, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE | keep);
}

// The window's outer rectangle in the coordinates its properties use: the
// screen for a top-level window, the parent's client area for a child.
RECT PropertyRect(HWND window) {
  RECT rect = {};
  GetWindowRect(window, &rect);
  if (GetWindowLongPtrW(window, GWL_STYLE) & WS_CHILD) {
    if (HWND parent = GetParent(window))
      MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&rect), 2);
  }
  return rect;
}

void ComputeRunDirectory() {
  // Long-path aware: grow the buffer until the whole path fits.
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
    if (n == 0) {
      path.clear();
      break;
    }
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    if (path.size() >= 32768) {
      path.clear();
      break;
    }
    path.resize(path.size() * 2);
  }
  gRunDirectory = CutRunDirectory(path);
  gRunDirectorySettled = true;
}

HWND CreateControl(DWORD exStyle, const wchar_t* className, const std::wstring& text, DWORD style,
                   HWND parent, int left, int top, int width, int height) {
  return CreateWindowExW(exStyle, className, text.c_str(), WS_CHILD | WS_VISIBLE | style, left, top, width,
                         height, parent, nullptr, internal::ModuleInstance(), nullptr);
}

}  // namespace

namespace internal {

int ModifierState() {
  int state = 0;
  if (GetKeyState(VK_CONTROL) < 0) state |= kModCtrl;
  if (GetKeyState(VK_SHIFT) < 0) state |= kModShift;
  if (GetKeyState(VK_MENU) < 0) state |= kModAlt;
  return state;
}

HINSTANCE ModuleInstance() { return GetModuleHandleW(nullptr); }

}  // namespace internal

// --- runtime -------------------------------------------------------------------

void Initialize() {
  gOleInitialized = SUCCEEDED(OleInitialize(nullptr));
  INITCOMMONCONTROLSEX icc = {};
  icc.dwSize = sizeof(icc);
  icc.dwICC = ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES;
  InitCommonControlsEx(&icc);
  RegisterFormClass();
  internal::RegisterPictureBoxClass();
  ComputeRunDirectory();
  if (!gRunDirectory.empty()) {
    // A bare drive ("C:") names the drive's current directory, not its root;
    // the trailing backslash makes it the root, where the executable is.
    std::wstring directory = gRunDirectory;
    if (directory.back() == L':') directory += L'\\';
    SetCurrentDirectoryW(directory.c_str());
  }
}

void Shutdown() {
  RunExitCallbacks();
  if (gOleInitialized) {
    OleUninitialize();
    gOleInitialized = false;
  }
}

void RegisterExitCallback(Handler callback) {
  if (!callback) return;
  if (std::find(gExitCallbacks.begin(), gExitCallbacks.end(), callback) != gExitCallbacks.end()) return;
  gExitCallbacks.push_back(callback);
}

void RunExitCallbacks() {
  // Taken out of the list first: each callback runs once, even if the
  // runtime is shut down twice.
  std::vector<Handler> callbacks;
  callbacks.swap(gExitCallbacks);
  for (Handler callback : callbacks) callback();
}

const std::wstring& RunDirectory() {
  if (!gRunDirectorySettled) ComputeRunDirectory();
  return gRunDirectory;
}

std::wstring CutRunDirectory(const std::wstring& modulePath) {
  size_t cut = modulePath.rfind(L'\\');
  if (cut == std::wstring::npos) return std::wstring();
  return modulePath.substr(0, cut);
}

HWND LoadForm(const FormDefinition& definition) {
  RegisterFormClass();
  internal::RegisterPictureBoxClass();
  auto* record = new FormRecord{definition, definition.border};
  gCreatingRecord = record;
  HWND window = CreateWindowExW(FormExStyle(definition), kFormClass, definition.caption.c_str(),
                                FormStyle(definition), definition.left, definition.top, definition.width,
                                definition.height, nullptr, nullptr, internal::ModuleInstance(), record);
  // WM_NCCREATE takes the record over; when it never ran, it is freed here.
  delete gCreatingRecord;
  gCreatingRecord = nullptr;
  if (!window) return nullptr;
  if (definition.createControls) definition.createControls(window);
  LPARAM font = reinterpret_cast<LPARAM>(GetStockObject(DEFAULT_GUI_FONT));
  SendMessageW(window, WM_SETFONT, static_cast<WPARAM>(font), FALSE);
  EnumChildWindows(window, SetFontOnChild, font);
  if (definition.events.created) definition.events.created();
  if (IsWindow(window) && !IsWindowVisible(window)) ShowWindow(window, SW_SHOW);
  return IsWindow(window) ? window : nullptr;
}

void LoadFormModal(const FormDefinition& definition) {
  HWND window = LoadForm(definition);
  if (!window) return;
  MSG msg;
  while (IsWindow(window)) {
    BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      // The outer loop must see the quit message too.
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    if (got == -1) return;
    Dispatch(msg);
  }
}

int RunMessageLoop() {
  gLoopStarted = true;
  if (gFormCount == 0) return 0;
  MSG msg;
  BOOL got;
  while ((got = GetMessageW(&msg, nullptr, 0, 0)) != 0) {
    if (got == -1) return 0;
    Dispatch(msg);
  }
  return static_cast<int>(msg.wParam);
}

void ProcessPendingMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    Dispatch(msg);
  }
}

void DestroyFormLater(HWND form) {
  if (FindForm(form)) PostMessageW(form, kDestroyFormMessage, 0, 0);
}

// --- properties --------------------------------------------------------------

int GetLeft(HWND window) { return PropertyRect(window).left; }
int GetTop(HWND window) { return PropertyRect(window).top; }
int GetWidth(HWND window) {
  RECT r = PropertyRect(window);
  return r.right - r.left;
}
int GetHeight(HWND window) {
  RECT r = PropertyRect(window);
  return r.bottom - r.top;
}
void SetLeft(HWND window, int left) { SetWindowPosKeep(window, left, GetTop(window), 0, 0, SWP_NOSIZE); }
void SetTop(HWND window, int top) { SetWindowPosKeep(window, GetLeft(window), top, 0, 0, SWP_NOSIZE); }
void SetWidth(HWND window, int width) {
  SetWindowPosKeep(window, 0, 0, width, GetHeight(window), SWP_NOMOVE);
}
void SetHeight(HWND window, int height) {
  SetWindowPosKeep(window, 0, 0, GetWidth(window), height, SWP_NOMOVE);
}

void SetVisible(HWND window, bool visible) { ShowWindow(window, visible ? SW_SHOW : SW_HIDE); }

void SetBorder(HWND form, Border border) {
  FormRecord* record = FindForm(form);
  if (!record) return;
  const UINT apply = SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED;
  auto modify = [&](int index, DWORD remove, DWORD add) {
    DWORD old = static_cast<DWORD>(GetWindowLongPtrW(form, index));
    DWORD updated = (old & ~remove) | add;
    if (updated == old) return;
    SetWindowLongPtrW(form, index, static_cast<LONG_PTR>(updated));
    SetWindowPos(form, nullptr, 0, 0, 0, 0, apply);
  };
  modify(GWL_EXSTYLE, WS_EX_DLGMODALFRAME | WS_EX_TOOLWINDOW | WS_EX_CLIENTEDGE, 0);
  modify(GWL_STYLE, WS_DLGFRAME | WS_THICKFRAME, FrameBits(border));
  // The caption bits are rewritten only when they differ. WS_CAPTION holds
  // WS_DLGFRAME, so the frame bit is kept for a bordered form.
  const DWORD captionMask = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
  DWORD style = static_cast<DWORD>(GetWindowLongPtrW(form, GWL_STYLE));
  DWORD wanted = CaptionBits(record->definition, border);
  if ((style & captionMask) != wanted) {
    DWORD keepFrame = FrameBits(border) & WS_DLGFRAME;
    modify(GWL_STYLE, captionMask, wanted | keepFrame);
  }
  record->border = border;
}

void SetMousePointer(HWND window, HCURSOR cursor) {
  if (!window) return;
  ControlFor(window).cursor = cursor;
  POINT pointer = {};
  if (GetCursorPos(&pointer) && WindowFromPoint(pointer) == window)
    SetCursor(cursor ? cursor : reinterpret_cast<HCURSOR>(GetClassLongPtrW(window, GCLP_HCURSOR)));
}

HCURSOR GetMousePointer(HWND window) {
  auto it = gControls.find(window);
  return it == gControls.end() ? nullptr : it->second.cursor;
}

// --- controls -----------------------------------------------------------------

HWND CreateGroupBox(HWND parent, const std::wstring& text, int left, int top, int width, int height) {
  HWND box = CreateControl(0, L"BUTTON", text, BS_GROUPBOX | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, parent,
                           left, top, width, height);
  if (box) SetWindowSubclass(box, GroupBoxSubclassProc, kGroupBoxSubclassId, 0);
  return box;
}

HWND CreatePushButton(HWND parent, const std::wstring& text, int left, int top, int width, int height,
                      Handler clicked) {
  HWND button = CreateControl(0, L"BUTTON", text, WS_TABSTOP | BS_PUSHBUTTON, parent, left, top, width,
                              height);
  if (button) ControlFor(button).clicked = clicked;
  return button;
}

HWND CreateCheckBox(HWND parent, const std::wstring& text, int left, int top, int width, int height,
                    Handler clicked) {
  HWND box = CreateControl(0, L"BUTTON", text, WS_TABSTOP | BS_AUTOCHECKBOX | BS_MULTILINE, parent, left,
                           top, width, height);
  if (box) ControlFor(box).clicked = clicked;
  return box;
}

HWND CreateLogBox(HWND parent, int left, int top, int width, int height) {
  HWND box = CreateControl(WS_EX_CLIENTEDGE, L"EDIT", L"",
                           WS_TABSTOP | WS_VSCROLL | ES_LEFT | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN,
                           parent, left, top, width, height);
  // No length limit (beyond what the edit control can hold at all).
  if (box) SendMessageW(box, EM_SETLIMITTEXT, 0, 0);
  return box;
}

int IsTicked(HWND checkBox) { return SendMessageW(checkBox, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0; }

void AppendText(HWND editBox, const std::wstring& text) {
  LRESULT length = GetWindowTextLengthW(editBox);
  SendMessageW(editBox, EM_SETSEL, static_cast<WPARAM>(length), length);
  SendMessageW(editBox, EM_SCROLLCARET, 0, 0);
  SendMessageW(editBox, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
}

// --- commands -------------------------------------------------------------------

void SleepMs(int milliseconds) { Sleep(milliseconds > 0 ? static_cast<DWORD>(milliseconds) : 0); }

bool WriteFileBytes(const std::wstring& path, const ByteBuffer& bytes) {
  if (path.empty()) return false;
  raii::Handle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                nullptr));
  if (!file) return false;
  size_t done = 0;
  while (done < bytes.size()) {
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 30));
    DWORD written = 0;
    if (!WriteFile(file.Get(), bytes.data() + done, chunk, &written, nullptr) || written == 0) return false;
    done += written;
  }
  return true;
}

}  // namespace form
