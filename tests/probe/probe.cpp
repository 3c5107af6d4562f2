// probe: looks at SnapText from another process for the UI tests, and does
// the few things a test needs done from outside (post a message, hold the
// clipboard, read the clipboard bitmap). Every command prints one JSON value
// in UTF-8 on stdout.
//
//   probe tree [--all]            windows of SnapText.exe (or all visible ones)
//   probe clipboard OUT.bmp       CF_BITMAP as a 32-bit BMP file
//   probe post HWND MSG WPARAM LPARAM
//   probe send-close HWND
//   probe hold-clipboard MILLISECONDS
//   probe set-clipboard-empty
//   probe cursor                  pointer position and which IDC_ cursor shows
//   probe focus HWND              focus and active window of HWND's thread
//   probe window-at X Y           the window under a screen point
//   probe text-window X Y W H LINE...
//                                 a borderless topmost white window with the
//                                 lines in large black text, until ended
//   probe hold-file PATH MS       holds PATH open with no sharing for MS ms
//   probe sleep-forever           a command that never ends by itself
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return std::string();
  int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                              nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], n, nullptr, nullptr);
  return out;
}

std::string Quote(const std::wstring& text) {
  std::string out = "\"";
  for (char c : Utf8(text)) {
    unsigned char u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (u < 0x20) {
      char buffer[8];
      std::snprintf(buffer, sizeof buffer, "\\u%04x", u);
      out += buffer;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string Num(long long value) { return std::to_string(value); }

std::string HandleNum(const void* handle) {
  return std::to_string(static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(handle)));
}

HWND ParseHwnd(const char* text) {
  return reinterpret_cast<HWND>(static_cast<UINT_PTR>(std::strtoull(text, nullptr, 0)));
}

void Print(const std::string& json) {
  std::fwrite(json.data(), 1, json.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

std::wstring ProcessImageName(DWORD pid) {
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
  if (!process) return std::wstring();
  wchar_t path[32768];
  DWORD size = 32768;
  std::wstring name;
  if (QueryFullProcessImageNameW(process, 0, path, &size)) {
    name.assign(path, size);
    size_t cut = name.find_last_of(L"\\/");
    if (cut != std::wstring::npos) name = name.substr(cut + 1);
  }
  CloseHandle(process);
  return name;
}

std::wstring ClassOf(HWND window) {
  wchar_t buffer[256] = {};
  GetClassNameW(window, buffer, 256);
  return buffer;
}

std::wstring TextOf(HWND window) {
  std::wstring className = ClassOf(window);
  if (lstrcmpiW(className.c_str(), L"Edit") == 0) {
    // An edit box's text lives in the control: ask it.
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length))
      return std::wstring();
    std::vector<wchar_t> buffer(length + 2, L'\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()),
                        SMTO_ABORTIFHUNG, 5000, &copied);
    return std::wstring(buffer.data());
  }
  wchar_t buffer[4096] = {};
  InternalGetWindowText(window, buffer, 4096);
  return buffer;
}

std::string RectJson(const RECT& r) {
  return "[" + Num(r.left) + "," + Num(r.top) + "," + Num(r.right) + "," + Num(r.bottom) + "]";
}

std::string WindowJson(HWND window, int depth) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  RECT rect = {}, client = {};
  GetWindowRect(window, &rect);
  GetClientRect(window, &client);
  LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
  LONG_PTR exStyle = GetWindowLongPtrW(window, GWL_EXSTYLE);
  HWND parent = (style & WS_CHILD) ? GetParent(window) : nullptr;
  POINT origin = {0, 0};
  ClientToScreen(window, &origin);
  std::string json = "{\"hwnd\":" + HandleNum(window) + ",\"class\":" + Quote(ClassOf(window)) +
                     ",\"text\":" + Quote(TextOf(window)) + ",\"rect\":" + RectJson(rect) +
                     ",\"client\":[" + Num(client.right - client.left) + "," + Num(client.bottom - client.top) +
                     "],\"clientOrigin\":[" + Num(origin.x) + "," + Num(origin.y) +
                     "],\"style\":" + Num(static_cast<DWORD>(style)) +
                     ",\"exstyle\":" + Num(static_cast<DWORD>(exStyle)) + ",\"parent\":" + HandleNum(parent) +
                     ",\"visible\":" + (IsWindowVisible(window) ? "true" : "false") +
                     ",\"enabled\":" + (IsWindowEnabled(window) ? "true" : "false") + ",\"pid\":" + Num(pid);
  if (HANDLE mode = GetPropW(window, L"SnapText.DisplayMode"))
    json += ",\"displayMode\":" + Num(static_cast<long long>(reinterpret_cast<INT_PTR>(mode)) - 1);
  if (lstrcmpiW(ClassOf(window).c_str(), L"Button") == 0) {
    DWORD_PTR check = 0;
    if (SendMessageTimeoutW(window, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 5000, &check))
      json += ",\"checked\":" + Num(static_cast<long long>(check));
  }
  json += ",\"children\":[";
  bool first = true;
  if (depth < 32) {
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
      if (!first) json += ",";
      first = false;
      json += WindowJson(child, depth + 1);
    }
  }
  return json + "]}";
}

struct TreeQuery {
  bool all = false;
  std::vector<HWND> windows;
};

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM param) {
  auto* query = reinterpret_cast<TreeQuery*>(param);
  if (query->all) {
    if (IsWindowVisible(window)) query->windows.push_back(window);
    return TRUE;
  }
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (lstrcmpiW(ProcessImageName(pid).c_str(), L"SnapText.exe") == 0) query->windows.push_back(window);
  return TRUE;
}

int CommandTree(bool all) {
  TreeQuery query;
  query.all = all;
  EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&query));
  std::string json = "[";
  for (size_t i = 0; i < query.windows.size(); ++i) {
    if (i) json += ",";
    json += WindowJson(query.windows[i], 0);
  }
  Print(json + "]");
  return 0;
}

bool OpenClipboardPatiently() {
  for (int attempt = 0; attempt < 100; ++attempt) {
    if (OpenClipboard(nullptr)) return true;
    Sleep(50);
  }
  return false;
}

bool WriteAll(const char* path, const std::vector<unsigned char>& bytes) {
  FILE* file = std::fopen(path, "wb");
  if (!file) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && ok;
}

int CommandClipboard(const char* outPath) {
  if (!OpenClipboardPatiently()) {
    Print("{\"bitmap\":false,\"opened\":false}");
    return 1;
  }
  HBITMAP bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
  BITMAP info = {};
  if (!bitmap || !GetObjectW(bitmap, sizeof(info), &info) || info.bmWidth <= 0 || info.bmHeight <= 0) {
    CloseClipboard();
    Print("{\"bitmap\":false}");
    return 0;
  }
  const int width = info.bmWidth, height = info.bmHeight;
  // Room for colour masks behind the header (Wine writes them for 32 bits).
  std::vector<unsigned char> header(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD), 0);
  auto* bmi = reinterpret_cast<BITMAPINFO*>(header.data());
  bmi->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bmi->bmiHeader.biWidth = width;
  bmi->bmiHeader.biHeight = -height;
  bmi->bmiHeader.biPlanes = 1;
  bmi->bmiHeader.biBitCount = 32;
  bmi->bmiHeader.biCompression = BI_RGB;
  const size_t pixelBytes = static_cast<size_t>(width) * static_cast<size_t>(height) * 4;
  std::vector<unsigned char> pixels(pixelBytes, 0);
  HDC dc = CreateCompatibleDC(nullptr);
  int lines = GetDIBits(dc, bitmap, 0, static_cast<UINT>(height), pixels.data(), bmi, DIB_RGB_COLORS);
  DeleteDC(dc);
  CloseClipboard();
  if (lines != height) {
    Print("{\"bitmap\":true,\"width\":" + Num(width) + ",\"height\":" + Num(height) + ",\"read\":false}");
    return 1;
  }

  std::vector<unsigned char> file(14 + 40);
  auto put32 = [&](size_t at, unsigned value) {
    for (int i = 0; i < 4; ++i) file[at + i] = static_cast<unsigned char>(value >> (8 * i));
  };
  file[0] = 'B';
  file[1] = 'M';
  put32(2, static_cast<unsigned>(54 + pixelBytes));
  put32(10, 54);
  put32(14, 40);
  put32(18, static_cast<unsigned>(width));
  put32(22, static_cast<unsigned>(-height));  // top-down rows
  file[26] = 1;
  file[28] = 32;
  put32(34, static_cast<unsigned>(pixelBytes));
  file.insert(file.end(), pixels.begin(), pixels.end());
  bool written = WriteAll(outPath, file);
  Print("{\"bitmap\":true,\"width\":" + Num(width) + ",\"height\":" + Num(height) +
        ",\"written\":" + (written ? "true" : "false") + "}");
  return written ? 0 : 1;
}

struct NamedCursor {
  const char* name;
  LPCWSTR id;
};
const NamedCursor kCursors[] = {
    {"IDC_ARROW", IDC_ARROW},   {"IDC_IBEAM", IDC_IBEAM},       {"IDC_WAIT", IDC_WAIT},
    {"IDC_CROSS", IDC_CROSS},   {"IDC_UPARROW", IDC_UPARROW},   {"IDC_SIZENWSE", IDC_SIZENWSE},
    {"IDC_SIZENESW", IDC_SIZENESW}, {"IDC_SIZEWE", IDC_SIZEWE}, {"IDC_SIZENS", IDC_SIZENS},
    {"IDC_SIZEALL", IDC_SIZEALL}, {"IDC_NO", IDC_NO},           {"IDC_HAND", IDC_HAND},
    {"IDC_APPSTARTING", IDC_APPSTARTING}, {"IDC_HELP", IDC_HELP},
};

// A cursor's look: hot spot and the bits of its mask and colour bitmaps.
std::vector<unsigned char> CursorFingerprint(HCURSOR cursor) {
  ICONINFO info = {};
  if (!cursor || !GetIconInfo(cursor, &info)) return {};
  std::vector<unsigned char> bytes;
  auto add32 = [&](DWORD v) {
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<unsigned char>(v >> (8 * i)));
  };
  add32(info.xHotspot);
  add32(info.yHotspot);
  for (HBITMAP bitmap : {info.hbmMask, info.hbmColor}) {
    if (!bitmap) continue;
    BITMAP b = {};
    GetObjectW(bitmap, sizeof(b), &b);
    add32(static_cast<DWORD>(b.bmWidth));
    add32(static_cast<DWORD>(b.bmHeight));
    std::vector<unsigned char> header(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD), 0);
    auto* bmi = reinterpret_cast<BITMAPINFO*>(header.data());
    bmi->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi->bmiHeader.biWidth = b.bmWidth;
    bmi->bmiHeader.biHeight = b.bmHeight;
    bmi->bmiHeader.biPlanes = 1;
    bmi->bmiHeader.biBitCount = 32;
    std::vector<unsigned char> pixels(static_cast<size_t>(b.bmWidth) * static_cast<size_t>(b.bmHeight) * 4);
    HDC dc = CreateCompatibleDC(nullptr);
    if (!pixels.empty()) GetDIBits(dc, bitmap, 0, static_cast<UINT>(b.bmHeight), pixels.data(), bmi, DIB_RGB_COLORS);
    DeleteDC(dc);
    bytes.insert(bytes.end(), pixels.begin(), pixels.end());
    DeleteObject(bitmap);
  }
  return bytes;
}

int CommandCursor() {
  CURSORINFO info = {};
  info.cbSize = sizeof(info);
  if (!GetCursorInfo(&info)) {
    Print("{\"ok\":false}");
    return 1;
  }
  std::string name = info.hCursor ? "custom" : "none";
  for (const NamedCursor& c : kCursors) {
    if (LoadCursorW(nullptr, c.id) == info.hCursor) {
      name = c.name;
      break;
    }
  }
  if (name == "custom") {
    // The cursor shown may belong to another process, whose handle for a
    // system cursor need not be ours: compare the looks as well.
    std::vector<unsigned char> shown = CursorFingerprint(info.hCursor);
    if (!shown.empty()) {
      for (const NamedCursor& c : kCursors) {
        if (CursorFingerprint(LoadCursorW(nullptr, c.id)) == shown) {
          name = c.name;
          break;
        }
      }
    }
  }
  Print("{\"x\":" + Num(info.ptScreenPos.x) + ",\"y\":" + Num(info.ptScreenPos.y) + ",\"showing\":" +
        ((info.flags & CURSOR_SHOWING) ? "true" : "false") + ",\"handle\":" + HandleNum(info.hCursor) +
        ",\"name\":\"" + name + "\"}");
  return 0;
}

int CommandFocus(HWND window) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof(info);
  DWORD thread = GetWindowThreadProcessId(window, nullptr);
  bool ok = thread && GetGUIThreadInfo(thread, &info);
  Print(std::string("{\"ok\":") + (ok ? "true" : "false") + ",\"focus\":" + HandleNum(info.hwndFocus) +
        ",\"active\":" + HandleNum(info.hwndActive) + ",\"capture\":" + HandleNum(info.hwndCapture) +
        ",\"foreground\":" + HandleNum(GetForegroundWindow()) + "}");
  return ok ? 0 : 1;
}

// The text window: black lines on white, large enough for a recogniser.
const wchar_t kTextWindowClass[] = L"SnapTextProbeText";
constexpr int kTextHeight = 24;
constexpr int kLineStep = 40;
constexpr int kTextMargin = 16;

std::vector<std::wstring> gTextLines;

LRESULT CALLBACK TextWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT client;
    GetClientRect(window, &client);
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    // The CJK font the test prefix installs also holds Latin letters, so
    // every line comes out of one face.
    HFONT font = CreateFontW(-kTextHeight, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH,
                             L"WenQuanYi Micro Hei");
    HGDIOBJ old = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    int y = kTextMargin;
    for (const std::wstring& line : gTextLines) {
      TextOutW(dc, kTextMargin, y, line.c_str(), static_cast<int>(line.size()));
      y += kLineStep;
    }
    SelectObject(dc, old);
    DeleteObject(font);
    EndPaint(window, &paint);
    return 0;
  }
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

// Wide arguments: the lines may hold Chinese, which the narrow argv of an
// English locale cannot carry.
std::vector<std::wstring> WideArguments() {
  std::vector<std::wstring> arguments;
  int count = 0;
  LPWSTR* list = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!list) return arguments;
  for (int i = 0; i < count; ++i) arguments.push_back(list[i]);
  LocalFree(list);
  return arguments;
}

int CommandTextWindow() {
  std::vector<std::wstring> arguments = WideArguments();
  if (arguments.size() < 6) return 2;
  const int x = _wtoi(arguments[2].c_str()), y = _wtoi(arguments[3].c_str());
  const int width = _wtoi(arguments[4].c_str()), height = _wtoi(arguments[5].c_str());
  gTextLines.assign(arguments.begin() + 6, arguments.end());

  WNDCLASSW windowClass = {};
  windowClass.lpfnWndProc = TextWindowProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.lpszClassName = kTextWindowClass;
  RegisterClassW(&windowClass);
  // Never activated: Wine without a window manager would hand the X input
  // focus to it when SnapText hides its window, and keys would land here.
  HWND window = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kTextWindowClass, L"", WS_POPUP, x, y, width,
                                height, nullptr, nullptr, windowClass.hInstance, nullptr);
  if (!window) {
    Print("{\"ok\":false}");
    return 1;
  }
  ShowWindow(window, SW_SHOWNOACTIVATE);
  UpdateWindow(window);
  RECT rect = {};
  GetWindowRect(window, &rect);
  Print("{\"ok\":true,\"hwnd\":" + HandleNum(window) + ",\"rect\":" + RectJson(rect) + "}");
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}

// Holds a file open with share mode 0, as another program might, so that
// nobody else can open it meanwhile. The file is created when missing.
int CommandHoldFile() {
  std::vector<std::wstring> arguments = WideArguments();
  if (arguments.size() != 4) return 2;
  HANDLE file = CreateFileW(arguments[2].c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    Print("{\"held\":false,\"error\":" + Num(GetLastError()) + "}");
    return 1;
  }
  Print("{\"held\":true}");
  Sleep(static_cast<DWORD>(_wtoi(arguments[3].c_str())));
  CloseHandle(file);
  return 0;
}

int Usage() {
  std::fputs("usage: probe tree [--all] | clipboard OUT.bmp | post HWND MSG WPARAM LPARAM | send-close HWND |\n"
             "       hold-clipboard MS | set-clipboard-empty | cursor | focus HWND | window-at X Y |\n"
             "       text-window X Y W H LINE... | hold-file PATH MS | sleep-forever\n",
             stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  std::string command = argv[1];
  if (command == "tree") return CommandTree(argc > 2 && std::strcmp(argv[2], "--all") == 0);
  if (command == "clipboard" && argc == 3) return CommandClipboard(argv[2]);
  if (command == "post" && argc == 6) {
    BOOL ok = PostMessageW(ParseHwnd(argv[2]), static_cast<UINT>(std::strtoul(argv[3], nullptr, 0)),
                           static_cast<WPARAM>(std::strtoull(argv[4], nullptr, 0)),
                           static_cast<LPARAM>(std::strtoll(argv[5], nullptr, 0)));
    Print(std::string("{\"ok\":") + (ok ? "true" : "false") + "}");
    return ok ? 0 : 1;
  }
  if (command == "send-close" && argc == 3) {
    // Not waited for: the window may run a modal loop in its close handler.
    BOOL ok = SendNotifyMessageW(ParseHwnd(argv[2]), WM_CLOSE, 0, 0);
    Print(std::string("{\"ok\":") + (ok ? "true" : "false") + "}");
    return ok ? 0 : 1;
  }
  if (command == "hold-clipboard" && argc == 3) {
    if (!OpenClipboardPatiently()) {
      Print("\"not held\"");
      return 1;
    }
    Print("\"held\"");
    Sleep(static_cast<DWORD>(std::strtoul(argv[2], nullptr, 0)));
    CloseClipboard();
    return 0;
  }
  if (command == "set-clipboard-empty") {
    bool ok = OpenClipboardPatiently();
    if (ok) {
      ok = EmptyClipboard() != 0;
      CloseClipboard();
    }
    Print(std::string("{\"ok\":") + (ok ? "true" : "false") + "}");
    return ok ? 0 : 1;
  }
  if (command == "cursor") return CommandCursor();
  if (command == "focus" && argc == 3) return CommandFocus(ParseHwnd(argv[2]));
  if (command == "window-at" && argc == 4) {
    POINT p = {std::atoi(argv[2]), std::atoi(argv[3])};
    HWND window = WindowFromPoint(p);
    Print("{\"hwnd\":" + HandleNum(window) + ",\"class\":" + Quote(window ? ClassOf(window) : L"") + "}");
    return 0;
  }
  if (command == "text-window" && argc >= 6) return CommandTextWindow();
  if (command == "hold-file" && argc == 4) return CommandHoldFile();
  if (command == "sleep-forever") {
    for (;;) Sleep(INFINITE);
  }
  return Usage();
}
