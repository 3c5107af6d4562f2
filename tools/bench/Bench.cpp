// snaptext_bench: times the program's own procedures on the screen it runs
// on and prints one JSON object per line (scripts/bench.sh makes the table).
//
//   snaptext_bench rows [ROW,...]   floor, move-drawing, move-selected, open,
//                                   encode, probe, command, runner, ocr
//   snaptext_bench command-profile  the capture command's steps one by one
//   snaptext_bench memory           peak working set of one capture
//   snaptext_bench endurance N      N captures, confirmed and cancelled by turns
//
// Every figure is the median and 95th percentile of many runs after a
// warm-up. The rows call the real procedures on the real overlay window:
// nothing is stubbed but the recogniser of the command row, which is a
// program in this directory that exits at once.
#include <windows.h>

#include <algorithm>
#include <functional>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "app/CaptureCommand.h"
#include "app/MainWindow.h"
#include "app/Startup.h"
#include "image/BmpEncoder.h"
#include "image/ImageProbe.h"
#include "overlay/CaptureOptions.h"
#include "overlay/InfoPanel.h"
#include "overlay/SelectionModel.h"
#include "overlay/SelectionRender.h"
#include "platform/DibInfo.h"
#include "platform/Form.h"
#include "platform/Raii.h"
#include "recognizer/CommandRunner.h"
#include "recognizer/TextEncoding.h"
#include "tools/bench/BenchDrive.h"
#include "tools/bench/BenchRender.h"
#include "tools/bench/BenchStats.h"

namespace {

// The capture command's region: 1920 x 1080, or the whole of a smaller screen.
constexpr int kCommandWidth = 1920;
constexpr int kCommandHeight = 1080;

bool Wanted(const std::set<std::string>& rows, const char* row) { return rows.empty() || rows.count(row) > 0; }

std::string Number(const char* key, double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "\"%s\":%.4f", key, value);
  return buffer;
}

void FloorRow(const ScreenSize& s) {
  const size_t bytes = static_cast<size_t>(s.w) * s.h * 4;
  std::vector<unsigned char> from(bytes, 1);
  std::vector<unsigned char> to(bytes, 2);
  // Read back, so the copy cannot be left out.
  volatile unsigned sink = 0;
  Repeat repeat;
  repeat.warmup = 5;
  repeat.minRuns = 50;
  repeat.maxRuns = 300;
  repeat.budgetMs = 1500;
  const Figures f = Measure(
      repeat, [](int) {},
      [&](int i) {
        from[static_cast<size_t>(i) % bytes] = static_cast<unsigned char>(i);
        std::memcpy(to.data(), from.data(), bytes);
        sink += to[static_cast<size_t>(i * 4099) % bytes];
      });
  EmitFigures("floor", s.w, s.h, f, Number("bytes", static_cast<double>(bytes)));
}

// A drag that grows from a fifth of the screen towards its lower right, one
// pointer position per run, away from the info panel at the top left.
POINT DragPoint(const ScreenSize& s, int i) {
  const int steps = 97;
  const int k = i % steps;
  return POINT{s.w / 5 + (s.w * 3 / 5) * k / steps, s.h / 5 + (s.h * 3 / 5) * k / steps};
}

// The overlay drawing one pointer move runs: the program's own, or the full
// composition of BenchRender.
struct Drawing {
  const char* suffix;
  void (*render)();
};
const Drawing kProgramDrawing{"", RenderSelection};
const Drawing kFullDrawing{"-full", RenderSelectionFull};

void MoveDrawingRow(const ScreenSize& s, const Drawing& drawing) {
  const HWND overlay = OpenOverlayForBench();
  MarkOverlayPictureStale();
  const Point press{s.w / 5, s.h / 5};
  Repeat repeat;
  repeat.warmup = 5;
  repeat.minRuns = 30;
  repeat.maxRuns = 200;
  repeat.budgetMs = 5000;
  const Figures f = Measure(
      repeat,
      [&](int i) {
        const POINT p = DragPoint(s, i);
        SetCursorPos(p.x, p.y);
        DrainMessages();
        overlayState.selected = 0;
        overlayState.pressing = 1;
        overlayState.adjusting = 0;
        AssignRect(overlayState.selection, press.x, press.y, p.x, p.y);
      },
      [&](int) {
        drawing.render();
        PaintInfoPanel();
        FlushWindowSurfaces();
      });
  EmitFigures(std::string("move-drawing") + drawing.suffix, s.w, s.h, f);
  CloseOverlayForBench(overlay);
}

void MoveSelectedRow(const ScreenSize& s) {
  const HWND overlay = OpenOverlayForBench();
  overlayState.selected = 1;
  overlayState.pressing = 0;
  overlayState.adjusting = 0;
  AssignRect(overlayState.selection, s.w / 5, s.h / 5, s.w * 4 / 5, s.h * 4 / 5);
  RenderSelection();
  DrainMessages();
  Repeat repeat;
  repeat.warmup = 5;
  repeat.minRuns = 30;
  repeat.maxRuns = 200;
  repeat.budgetMs = 3000;
  POINT p{};
  const Figures f = Measure(
      repeat,
      [&](int i) {
        // Across the left edge of the selection and back: outside, strip,
        // handle, inside, so the pointer shape changes now and then.
        const int k = i % 40;
        p = POINT{s.w / 5 - 20 + k, s.h / 2 + (i % 3)};
        SetCursorPos(p.x, p.y);
        DrainMessages();
      },
      [&](int) {
        HitTestSelection(p.x, p.y);
        PaintInfoPanel();
        FlushWindowSurfaces();
      });
  EmitFigures("move-selected", s.w, s.h, f);
  CloseOverlayForBench(overlay);
}

void OpenRow(const ScreenSize& s) {
  std::vector<double> samples;
  TimeOverlayOpening();  // warm-up
  for (int i = 0; i < 8; ++i) {
    const double t = TimeOverlayOpening();
    if (t >= 0) samples.push_back(t);
  }
  EmitFigures("open", s.w, s.h, Summarise(samples));
}

// A bitmap of w x h holding the top left of what the screen shows.
HBITMAP ScreenBitmap(int w, int h) {
  raii::WindowDc screen(nullptr);
  HBITMAP bitmap = CreateCompatibleBitmap(screen.Get(), w, h);
  raii::MemDc memory(CreateCompatibleDC(screen.Get()));
  raii::SelectGuard select(memory.Get(), bitmap);
  BitBlt(memory.Get(), 0, 0, w, h, screen.Get(), 0, 0, SRCCOPY);
  return bitmap;
}

// Puts the bitmap on the clipboard, which then owns it; deleted when the
// clipboard does not take it.
void HandToClipboard(HBITMAP handed) {
  raii::Bitmap bitmap(handed);
  if (!OpenClipboard(nullptr)) return;
  EmptyClipboard();
  if (SetClipboardData(CF_BITMAP, bitmap.Get())) bitmap.Release();
  CloseClipboard();
}

// The rows of a profile: each step timed on its own and printed as
// "<prefix>:<name>".
class ProfileRows {
 public:
  ProfileRows(const char* prefix, const ScreenSize& s, const Repeat& repeat)
      : prefix_(prefix), s_(s), repeat_(repeat) {}
  void operator()(const char* name, const std::function<void(int)>& work) const {
    EmitFigures(prefix_ + ":" + name, s_.w, s_.h, Measure(repeat_, [](int) {}, work));
  }

 private:
  std::string prefix_;
  ScreenSize s_;
  Repeat repeat_;
};

void EncodeProbeRows(const ScreenSize& s, bool encode, bool probe) {
  raii::Bitmap bitmap(ScreenBitmap(s.w, s.h));
  ByteBuffer bytes = BitmapToBmpBytes(bitmap.Get());
  Repeat repeat;
  repeat.warmup = 2;
  repeat.minRuns = 15;
  repeat.maxRuns = 60;
  repeat.budgetMs = 4000;
  if (encode) {
    const Figures f = Measure(repeat, [](int) {}, [&](int) { bytes = BitmapToBmpBytes(bitmap.Get()); });
    EmitFigures("encode", s.w, s.h, f, Number("bytes", static_cast<double>(bytes.size())));
  }
  if (probe) {
    int width = 0;
    const Figures f = Measure(repeat, [](int) {}, [&](int) { width = ProbeImageWidth(bytes); });
    EmitFigures("probe", s.w, s.h, f, Number("width", width));
  }
}

CaptureDrive CommandDrive(const ScreenSize& s, bool confirm) {
  CaptureDrive d;
  d.confirm = confirm;
  const int w = std::min(kCommandWidth, s.w);
  const int h = std::min(kCommandHeight, s.h);
  // Centred, so the drag starts away from the panel where there is room.
  d.x0 = (s.w - w) / 2;
  d.y0 = (s.h - h) / 2;
  d.x1 = d.x0 + w - 1;
  d.y1 = d.y0 + h - 1;
  return d;
}

std::string QuickRecognizerCommand() {
  // What the capture command hands to the runner, with the stand-in that
  // ends at once in this directory.
  return "Windows.Media.Ocr.Cli \"" + BytesToText(TextToBytes(".")) + "\\识别图片.jpg\"";
}

long RecognizerRuns() {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(L"recognizer-runs.txt", GetFileExInfoStandard, &data)) return 0;
  return static_cast<long>(data.nFileSizeLow);
}

void CommandRows(const ScreenSize& s, bool command, bool runner) {
  if (command) {
    const long runsBefore = RecognizerRuns();
    std::vector<double> samples;
    bool opened = true;
    for (int i = 0; i < 7 && opened; ++i) {
      const CaptureOutcome outcome = RunCapture(CommandDrive(s, true));
      opened = outcome.overlayOpened;
      if (i > 0 && opened) samples.push_back(outcome.afterInputMs);
    }
    const CaptureDrive d = CommandDrive(s, true);
    char region[96];
    std::snprintf(region, sizeof region, "\"region\":\"%dx%d\",\"recognizer_runs\":%ld", d.x1 - d.x0 + 1,
                  d.y1 - d.y0 + 1, RecognizerRuns() - runsBefore);
    if (opened) {
      EmitFigures("command", s.w, s.h, Summarise(samples), region);
    } else {
      EmitLine("{\"row\":\"command\",\"w\":" + std::to_string(s.w) + ",\"h\":" + std::to_string(s.h) +
               ",\"missing\":\"the capture button opened no overlay\"}");
    }
  }
  if (runner) {
    Repeat repeat;
    repeat.warmup = 2;
    repeat.minRuns = 10;
    repeat.maxRuns = 30;
    repeat.budgetMs = 3000;
    const std::string line = QuickRecognizerCommand();
    const Figures f = Measure(repeat, [](int) {}, [&](int) { RunCommandForText(line); });
    EmitFigures("runner", s.w, s.h, f);
  }
}

// A line of black text on white, 600 x 120, as the BMP bytes a capture saves.
ByteBuffer TextLinePicture() {
  constexpr int kWidth = 600;
  constexpr int kHeight = 120;
  raii::WindowDc screen(nullptr);
  raii::MemDc memory(CreateCompatibleDC(screen.Get()));
  raii::Bitmap bitmap(CreateCompatibleBitmap(screen.Get(), kWidth, kHeight));
  {
    raii::SelectGuard selectBitmap(memory.Get(), bitmap.Get());
    const RECT all{0, 0, kWidth, kHeight};
    FillRect(memory.Get(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    raii::Font font(CreateFontW(-48, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, ANTIALIASED_QUALITY, 0,
                                L"Tahoma"));
    raii::SelectGuard selectFont(memory.Get(), font.Get());
    SetBkMode(memory.Get(), TRANSPARENT);
    SetTextColor(memory.Get(), RGB(0, 0, 0));
    const wchar_t* text = L"Quick brown fox 2048";
    TextOutW(memory.Get(), 16, 30, text, static_cast<int>(wcslen(text)));
  }
  return BitmapToBmpBytes(bitmap.Get());
}

void OcrRow(const ScreenSize& s) {
  form::WriteFileBytes(L"bench-ocr.bmp", TextLinePicture());
  // The real recogniser sits one directory up, beside the program.
  const std::string line = "..\\Windows.Media.Ocr.Cli.exe bench-ocr.bmp";
  std::string text;
  Repeat repeat;
  repeat.warmup = 1;
  repeat.minRuns = 5;
  repeat.maxRuns = 8;
  repeat.budgetMs = 6000;
  const Figures f = Measure(repeat, [](int) {}, [&](int) { text = RunCommandForText(line); });
  EmitFigures("ocr", s.w, s.h, f, "\"text\":" + JsonString(text));
}

// Where the time of one pointer move goes: the steps of the drawing, each
// timed on its own on the open overlay.
int ProfileMode() {
  const ScreenSize s = PrimaryScreen();
  const HWND overlay = OpenOverlayForBench();
  const OverlayResources& res = overlayResources;
  SetCursorPos(s.w / 2, s.h / 2);
  DrainMessages();
  AssignRect(overlayState.selection, s.w / 5, s.h / 5, s.w / 2, s.h / 2);
  overlayState.pressing = 1;
  Repeat repeat;
  repeat.warmup = 3;
  repeat.minRuns = 30;
  repeat.maxRuns = 100;
  repeat.budgetMs = 2000;
  const ProfileRows row("profile", s, repeat);
  row("getpixel-screen", [](int) {
    raii::WindowDc screen(nullptr);
    POINT p;
    GetCursorPos(&p);
    GetPixel(screen.Get(), p.x, p.y);
  });
  row("getdc-screen", [](int) { raii::WindowDc screen(nullptr); });
  row("getdc-overlay", [&](int) { raii::WindowDc dc(res.overlayWindow); });
  row("getdc-panel", [&](int) { raii::WindowDc dc(res.panelWindow); });
  row("getcursorpos", [](int) {
    POINT p;
    GetCursorPos(&p);
  });
  {
    raii::WindowDc dc(res.overlayWindow);
    row("getpixel-overlaydc", [&](int i) { GetPixel(dc.Get(), 400 + i % 9, 300); });
  }
  row("memdc-from-frozen+small-bitmap", [&](int) {
    raii::MemDc m(CreateCompatibleDC(res.screenDc));
    raii::Bitmap b(CreateCompatibleBitmap(res.screenDc, 172, 146));
    raii::SelectGuard sel(m.Get(), b.Get());
  });
  row("memdc-only", [&](int) { raii::MemDc m(CreateCompatibleDC(res.screenDc)); });
  row("small-bitmap-only", [&](int) { raii::Bitmap b(CreateCompatibleBitmap(res.screenDc, 172, 146)); });
  {
    raii::MemDc m(CreateCompatibleDC(res.screenDc));
    row("small-bitmap-select", [&](int) {
      raii::Bitmap b(CreateCompatibleBitmap(res.screenDc, 172, 146));
      raii::SelectGuard sel(m.Get(), b.Get());
    });
    row("small-bitmap-select-draw", [&](int) {
      raii::Bitmap b(CreateCompatibleBitmap(res.screenDc, 172, 146));
      raii::SelectGuard sel(m.Get(), b.Get());
      BitBlt(m.Get(), 0, 0, 172, 146, res.panelDc, 0, 0, SRCCOPY);
    });
  }
  {
    raii::MemDc m(CreateCompatibleDC(res.screenDc));
    row("dibsection-select-draw", [&](int) {
      BITMAPINFO info = TopDown32BitInfo(172, 146);
      void* bits = nullptr;
      raii::Bitmap b(CreateDIBSection(m.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
      raii::SelectGuard sel(m.Get(), b.Get());
      BitBlt(m.Get(), 0, 0, 172, 146, res.panelDc, 0, 0, SRCCOPY);
    });
    raii::Bitmap kept(CreateCompatibleBitmap(res.screenDc, 172, 146));
    row("kept-bitmap-select-draw", [&](int) {
      raii::SelectGuard sel(m.Get(), kept.Get());
      BitBlt(m.Get(), 0, 0, 172, 146, res.panelDc, 0, 0, SRCCOPY);
    });
  }
  row("windowfrompoint", [](int) { WindowFromPoint(POINT{500, 400}); });
  row("cursor+windowfrompoint", [](int) {
    POINT p;
    GetCursorPos(&p);
    WindowFromPoint(p);
  });
  row("alloc-full-bitmap", [&](int) {
    raii::WindowDc screen(nullptr);
    raii::MemDc memory(CreateCompatibleDC(screen.Get()));
    raii::Bitmap picture(CreateCompatibleBitmap(screen.Get(), s.w, s.h));
    raii::SelectGuard select(memory.Get(), picture.Get());
  });
  // What the overlay's opening costs first: the copy of the screen.
  row("screen-copy-fresh-bitmap", [&](int) {
    raii::WindowDc screen(nullptr);
    raii::MemDc memory(CreateCompatibleDC(screen.Get()));
    raii::Bitmap picture(CreateCompatibleBitmap(screen.Get(), s.w, s.h));
    raii::SelectGuard select(memory.Get(), picture.Get());
    BitBlt(memory.Get(), 0, 0, s.w, s.h, screen.Get(), 0, 0, SRCCOPY | CAPTUREBLT);
  });
  {
    raii::WindowDc screen(nullptr);
    raii::MemDc memory(CreateCompatibleDC(screen.Get()));
    raii::Bitmap picture(CreateCompatibleBitmap(screen.Get(), s.w, s.h));
    raii::SelectGuard select(memory.Get(), picture.Get());
    row("screen-copy-kept-bitmap", [&](int) {
      BitBlt(memory.Get(), 0, 0, s.w, s.h, screen.Get(), 0, 0, SRCCOPY | CAPTUREBLT);
    });
  }
  row("alloc+copy-frozen", [&](int) {
    raii::WindowDc screen(nullptr);
    raii::MemDc memory(CreateCompatibleDC(screen.Get()));
    raii::Bitmap picture(CreateCompatibleBitmap(screen.Get(), s.w, s.h));
    raii::SelectGuard select(memory.Get(), picture.Get());
    BitBlt(memory.Get(), 0, 0, s.w, s.h, res.screenDc, 0, 0, SRCCOPY);
  });
  row("blit-full-to-window", [&](int) {
    raii::WindowDc target(res.overlayWindow);
    BitBlt(target.Get(), 0, 0, s.w, s.h, res.screenDc, 0, 0, SRCCOPY);
  });
  row("blit-full-to-window+flush", [&](int) {
    {
      raii::WindowDc target(res.overlayWindow);
      BitBlt(target.Get(), 0, 0, s.w, s.h, res.screenDc, 0, 0, SRCCOPY);
    }
    FlushWindowSurfaces();
  });
  row("blit-64x64-to-window+flush", [&](int i) {
    {
      raii::WindowDc target(res.overlayWindow);
      BitBlt(target.Get(), 300 + i % 7, 300, 64, 64, res.screenDc, 300, 300, SRCCOPY);
    }
    FlushWindowSurfaces();
  });
  row("flush-only", [](int) { FlushWindowSurfaces(); });
  row("frame+handles", [&](int) { ComposeSelectionFrame(res.screenDc, overlayState.selection, RGB(1, 2, 3)); });
  {
    raii::WindowDc screen(nullptr);
    raii::MemDc memory(CreateCompatibleDC(screen.Get()));
    raii::Bitmap picture(CreateCompatibleBitmap(screen.Get(), 200, 200));
    raii::SelectGuard select(memory.Get(), picture.Get());
    row("coordinate-box", [&](int i) {
      ComposeCoordinateBox(memory.Get(), overlayState.selection, 100 + i % 5, 100, s.w, 0, 0, res.infoFont);
    });
    row("panel-compose", [&](int i) {
      ComposeInfoPanel(memory.Get(), res.panelDc, 172, 146, RGB(i % 256, 3, 4), overlayState, res.infoFont);
    });
    row("panel-colour-line-only", [&](int i) {
      BitBlt(memory.Get(), 0, 0, 172, 146, res.panelDc, 0, 0, SRCCOPY);
      SetBkMode(memory.Get(), TRANSPARENT);
      raii::SelectGuard selectFont(memory.Get(), res.infoFont);
      RECT r{5, 30, 167, 42};
      const std::wstring wide = WideText(ColourLine(RGB(i % 256, 3, 4)));
      DrawTextW(memory.Get(), wide.c_str(), -1, &r, DT_WORDBREAK | DT_EDITCONTROL);
    });
    row("panel-alloc", [&](int) {
      raii::WindowDc screen2(nullptr);
      raii::MemDc m(CreateCompatibleDC(screen2.Get()));
      raii::Bitmap b(CreateCompatibleBitmap(screen2.Get(), 172, 146));
      raii::SelectGuard sel(m.Get(), b.Get());
    });
    row("panel-blit+flush", [&](int) {
      {
        raii::WindowDc target(res.panelWindow);
        BitBlt(target.Get(), 0, 0, 172, 146, memory.Get(), 0, 0, SRCCOPY);
      }
      FlushWindowSurfaces();
    });
  }
  for (int i = 0; i < 3; ++i) {
    raii::Bitmap b(CreateCompatibleBitmap(res.screenDc, 400, 300));
    const double t0 = NowMs();
    const BOOL opened = OpenClipboard(res.overlayWindow);
    const double t1 = NowMs();
    EmptyClipboard();
    const double t2 = NowMs();
    if (SetClipboardData(CF_BITMAP, b.Get())) b.Release();
    const double t3 = NowMs();
    CloseClipboard();
    const double t4 = NowMs();
    std::fprintf(stderr, "clipboard opened=%d open %.2f empty %.2f set %.2f close %.2f ms\n", opened, t1 - t0,
                 t2 - t1, t3 - t2, t4 - t3);
  }
  for (int i = 0; i < 2; ++i) {
    const double t0 = NowMs();
    ShowMainWindow();
    const double t1 = NowMs();
    DrainMessages();
    const double t2 = NowMs();
    HideMainWindow();
    const double t3 = NowMs();
    DrainMessages();
    std::fprintf(stderr, "show %.2f drain %.2f hide %.2f ms\n", t1 - t0, t2 - t1, t3 - t2);
  }
  row("PaintInfoPanel", [](int) { PaintInfoPanel(); });
  row("RenderSelection", [](int) { RenderSelection(); });
  CloseOverlayForBench(overlay);
  return 0;
}

// The overlay window's pixels as they are now (its surface, panel included).
std::vector<DWORD> WindowPixels(HWND window, int w, int h) {
  BITMAPINFO info = TopDown32BitInfo(w, h);
  void* bits = nullptr;
  raii::WindowDc source(window);
  raii::MemDc memory(CreateCompatibleDC(source.Get()));
  raii::Bitmap dib(CreateDIBSection(memory.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  {
    raii::SelectGuard select(memory.Get(), dib.Get());
    BitBlt(memory.Get(), 0, 0, w, h, source.Get(), 0, 0, SRCCOPY);
    GdiFlush();
  }
  if (!bits) return {};
  const DWORD* p = static_cast<const DWORD*>(bits);
  std::vector<DWORD> pixels(p, p + static_cast<size_t>(w) * h);
  for (DWORD& v : pixels) v &= 0xFFFFFF;
  return pixels;
}

void SavePixels(const std::vector<DWORD>& pixels, int w, int h, const wchar_t* name) {
  raii::WindowDc screen(nullptr);
  raii::Bitmap bitmap(CreateCompatibleBitmap(screen.Get(), w, h));
  BITMAPINFO info = TopDown32BitInfo(w, h);
  SetDIBits(screen.Get(), bitmap.Get(), 0, h, pixels.data(), &info, DIB_RGB_COLORS);
  form::WriteFileBytes(name, BitmapToBmpBytes(bitmap.Get()));
}

// One drag, as a person would do it: press, draw out a selection with the
// coordinate box, release, then move over the finished selection; a paint
// request in the middle. Every step is drawn with the whole picture
// composed (RenderSelectionFull) in one pass and by RenderSelection in the
// other, both with PaintInfoPanel, and the window's pixels are compared after
// each step.
int CheckMode() {
  const ScreenSize s = PrimaryScreen();
  struct Step {
    int x, y;
    bool pressing;
  };
  std::vector<Step> steps;
  const int x0 = s.w / 6, y0 = s.h / 6;
  for (int i = 0; i <= 24; ++i) steps.push_back({x0 + (s.w / 2) * i / 24 + (i % 3), y0 + (s.h / 2) * i / 24 - (i % 2) * 3, true});
  // Back over the start, a reversed rectangle, then close to the edges
  // where the box flips sides.
  steps.push_back({x0 - 40, y0 - 30, true});
  steps.push_back({s.w - 65, 70, true});
  steps.push_back({s.w - 75, 90, true});
  steps.push_back({s.w - 2, s.h - 2, true});
  steps.push_back({x0 + 300, y0 + 200, true});
  // Released: a finished selection, pointer over it.
  for (int i = 0; i < 6; ++i) steps.push_back({x0 + 10 * i, y0 + 100, false});

  std::vector<std::vector<DWORD>> program;
  int mismatches = 0;
  long firstBad = -1;
  for (int pass = 0; pass < 2; ++pass) {
    const Drawing& drawing = pass == 0 ? kFullDrawing : kProgramDrawing;
    const HWND overlay = OpenOverlayForBench();
    MarkOverlayPictureStale();
    ResetOverlayState();
    for (size_t i = 0; i < steps.size(); ++i) {
      const Step& st = steps[i];
      SetCursorPos(st.x, st.y);
      DrainMessages();
      overlayState.pressing = st.pressing ? 1 : 0;
      overlayState.selected = st.pressing ? 0 : 1;
      if (st.pressing) AssignRect(overlayState.selection, x0, y0, st.x, st.y);
      if (i == steps.size() / 2) {
        // A paint request (the paint hook redraws everything).
        InvalidateRect(overlay, nullptr, FALSE);
        UpdateWindow(overlay);
      }
      if (st.pressing) drawing.render();
      else HitTestSelection(st.x, st.y);
      // Wine: the screen shows a drawing only once the surface is flushed;
      // flushed here, reading the screen and reading the overlay's surface
      // give the same pixel, as they do on a desktop that composes at once.
      FlushWindowSurfaces();
      Sleep(20);
      PaintInfoPanel();
      FlushWindowSurfaces();
      std::vector<DWORD> pixels = WindowPixels(overlay, s.w, s.h);
      if (pass == 0) {
        program.push_back(std::move(pixels));
      } else if (pixels != program[i]) {
        ++mismatches;
        if (firstBad < 0) firstBad = static_cast<long>(i);
        size_t differing = 0;
        for (size_t k = 0; k < pixels.size() && k < program[i].size(); ++k) differing += pixels[k] != program[i][k];
        std::fprintf(stderr, "step %zu: %zu pixels differ\n", i, differing);
        if (mismatches == 1) {
          SavePixels(program[i], s.w, s.h, L"check-full.bmp");
          SavePixels(pixels, s.w, s.h, L"check-program.bmp");
        }
      }
      if (pass == 1 && i + 1 == steps.size() && mismatches == 0) {
        SavePixels(program[i], s.w, s.h, L"check-full.bmp");
        SavePixels(pixels, s.w, s.h, L"check-program.bmp");
      }
    }
    CloseOverlayForBench(overlay);
  }
  EmitLine("{\"row\":\"check\",\"w\":" + std::to_string(s.w) + ",\"h\":" + std::to_string(s.h) +
           ",\"steps\":" + std::to_string(steps.size()) + ",\"mismatches\":" + std::to_string(mismatches) +
           ",\"first_bad\":" + std::to_string(firstBad) + "}");
  return mismatches == 0 ? 0 : 1;
}

int RowsMode(const std::set<std::string>& rows) {
  const ScreenSize s = PrimaryScreen();
  if (Wanted(rows, "floor")) FloorRow(s);
  if (Wanted(rows, "move-drawing")) MoveDrawingRow(s, kProgramDrawing);
  if (Wanted(rows, "move-drawing-full")) MoveDrawingRow(s, kFullDrawing);
  if (Wanted(rows, "move-selected")) MoveSelectedRow(s);
  if (Wanted(rows, "open")) OpenRow(s);
  if (Wanted(rows, "encode") || Wanted(rows, "probe")) EncodeProbeRows(s, Wanted(rows, "encode"), Wanted(rows, "probe"));
  if (Wanted(rows, "command") || Wanted(rows, "runner")) CommandRows(s, Wanted(rows, "command"), Wanted(rows, "runner"));
  if (Wanted(rows, "ocr")) OcrRow(s);
  return 0;
}

// Where the capture command's own time goes: its steps timed one by one on
// a clipboard bitmap of the command's region (the overlay's handing over of
// the region included).
int CommandProfileMode() {
  const ScreenSize s = PrimaryScreen();
  const int w = std::min(kCommandWidth, s.w);
  const int h = std::min(kCommandHeight, s.h);
  HandToClipboard(ScreenBitmap(w, h));
  Repeat repeat;
  repeat.warmup = 2;
  repeat.minRuns = 10;
  repeat.maxRuns = 40;
  repeat.budgetMs = 3000;
  const ProfileRows row("command-step", s, repeat);
  row("hand-bitmap-to-clipboard", [&](int) { HandToClipboard(ScreenBitmap(w, h)); });
  ByteBuffer bytes = ReadClipboardImage();
  row("read-clipboard-image", [&](int) { bytes = ReadClipboardImage(); });
  // Fresh pages are what a screen-sized buffer costs first: the floor
  // copies between buffers that are already there.
  row("fresh-zeroed-block", [&](int) {
    ByteBuffer block;
    AllocateZeroBytes(block, bytes.size());
  });
  row("read-clipboard-image+set-picture", [&](int) { SetSubmittedPicture(ReadClipboardImage()); });
  row("write-file", [&](int) { form::WriteFileBytes(ImagePathIn(form::RunDirectory()), bytes); });
  row("probe-width", [&](int) { ProbeImageWidth(SubmittedPictureBytes()); });
  row("set-display-mode", [&](int i) { SetSubmittedDisplayMode(1 + i % 2); });
  row("show+hide-main-window", [&](int) {
    ShowMainWindow();
    HideMainWindow();
  });
  return 0;
}

// The peak working set of one capture of a region, against one frozen
// screen copy; a capture of the same region first, so the figures are those
// of a capture rather than of first-time loading (GDI+, the interpreter).
void MemoryRow(const ScreenSize& s, const CaptureDrive& drive) {
  RunCapture(drive);
  DrainMessages();
  const ResourceFigures before = ReadResources();
  PeakWorkingSetSampler sampler;
  const CaptureOutcome outcome = RunCapture(drive);
  const double peak = static_cast<double>(sampler.Stop());
  const double frozen = static_cast<double>(s.w) * s.h * 4;
  char buffer[440];
  std::snprintf(buffer, sizeof buffer,
                "{\"row\":\"memory\",\"w\":%d,\"h\":%d,\"region\":\"%dx%d\",\"opened\":%s,"
                "\"ws_before_mb\":%.2f,\"peak_mb\":%.2f,\"peak_growth_mb\":%.2f,\"frozen_mb\":%.2f}",
                s.w, s.h, drive.x1 - drive.x0 + 1, drive.y1 - drive.y0 + 1, outcome.overlayOpened ? "true" : "false",
                before.workingSet / 1048576.0, peak / 1048576.0, (peak - static_cast<double>(before.workingSet)) / 1048576.0,
                frozen / 1048576.0);
  EmitLine(buffer);
}

int MemoryMode() {
  const ScreenSize s = PrimaryScreen();
  // The command's region (up to 1920 x 1080), and a line of text.
  MemoryRow(s, CommandDrive(s, true));
  CaptureDrive line = CommandDrive(s, true);
  line.x0 = s.w / 2 - 300;
  line.x1 = line.x0 + 599;
  line.y0 = s.h / 2 - 60;
  line.y1 = line.y0 + 119;
  MemoryRow(s, line);
  return 0;
}

int EnduranceMode(int count) {
  const ScreenSize s = PrimaryScreen();
  // Wine: the host's environment shows through; a fixed mmap threshold
  // makes the host C library give freed screen-sized buffers back.
  char threshold[32] = "";
  GetEnvironmentVariableA("MALLOC_MMAP_THRESHOLD_", threshold, sizeof threshold);
  const std::string hostAllocator = threshold[0] ? std::string("mmap threshold ") + threshold : "default";
  bool viaCommand = true;
  for (int i = 1; i <= count; ++i) {
    CaptureDrive d;
    d.confirm = i % 2 == 1;
    d.viaCommand = viaCommand;
    d.x0 = s.w / 4;
    d.y0 = s.h / 4;
    d.x1 = s.w / 4 + 399;
    d.y1 = s.h / 4 + 299;
    const CaptureOutcome outcome = RunCapture(d);
    if (!outcome.overlayOpened && viaCommand && i == 1) {
      // The capture button does not open the overlay in this build: go on
      // with the overlay alone.
      viaCommand = false;
      --i;
      continue;
    }
    DrainMessages();
    if (i == 1 || i == 2 || i == count / 2 || i == count) {
      EmitLine("{\"row\":\"endurance\",\"w\":" + std::to_string(s.w) + ",\"h\":" + std::to_string(s.h) +
               ",\"capture\":" + std::to_string(i) + ",\"via\":\"" + (viaCommand ? "command" : "overlay") +
               "\",\"host_allocator\":\"" + hostAllocator +
               "\",\"opened\":" + (outcome.overlayOpened ? "true" : "false") + "," + ResourcesJson(ReadResources()) +
               "}");
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  form::Initialize();
  CreateSharedState();
  LoadMainWindow();
  DrainMessages();
  // As during a capture: the main window is out of the way.
  HideMainWindow();
  DrainMessages();

  const std::string mode = argc > 1 ? argv[1] : "rows";
  int result = 2;
  if (mode == "rows") {
    std::set<std::string> rows;
    if (argc > 2) {
      std::string list = argv[2];
      size_t start = 0;
      while (start <= list.size()) {
        const size_t comma = list.find(',', start);
        rows.insert(list.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (comma == std::string::npos) break;
        start = comma + 1;
      }
    }
    result = RowsMode(rows);
  } else if (mode == "check") {
    result = CheckMode();
  } else if (mode == "profile") {
    result = ProfileMode();
  } else if (mode == "command-profile") {
    result = CommandProfileMode();
  } else if (mode == "memory") {
    result = MemoryMode();
  } else if (mode == "endurance") {
    result = EnduranceMode(argc > 2 ? std::atoi(argv[2]) : 100);
  } else {
    std::fprintf(stderr, "usage: snaptext_bench rows [ROW,...] | memory | endurance N\n");
  }
  DestroyWindow(mainWindow);
  DrainMessages();
  form::Shutdown();
  return result;
}
