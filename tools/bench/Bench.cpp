// snaptext_bench: times the program's own procedures on the screen it runs
// on and prints one JSON object per line (scripts/bench.sh makes the table).
//
//   snaptext_bench rows [ROW,...]   floor, move-drawing, move-selected, open,
//                                   encode, probe, command, runner, ocr
//   snaptext_bench memory           peak working set of one capture
//   snaptext_bench endurance N      N captures, confirmed and cancelled by turns
//
// Every figure is the median and 95th percentile of many runs after a
// warm-up. The rows call the real procedures on the real overlay window:
// nothing is stubbed but the recogniser of the command row, which is a
// program in this directory that exits at once.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "app/MainWindow.h"
#include "app/Startup.h"
#include "image/BmpEncoder.h"
#include "image/ImageProbe.h"
#include "overlay/CaptureOptions.h"
#include "overlay/InfoPanel.h"
#include "overlay/SelectionModel.h"
#include "overlay/SelectionRender.h"
#include "platform/Form.h"
#include "platform/Raii.h"
#include "recognizer/CommandRunner.h"
#include "tools/bench/BenchDrive.h"
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

void MoveDrawingRow(const ScreenSize& s) {
  const HWND overlay = OpenOverlayForBench();
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
        RenderSelection();
        PaintInfoPanel();
        FlushWindowSurfaces();
      });
  EmitFigures("move-drawing", s.w, s.h, f);
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

// A bitmap of the screen's size holding what the screen shows.
HBITMAP ScreenSizedBitmap(const ScreenSize& s) {
  raii::WindowDc screen(nullptr);
  HBITMAP bitmap = CreateCompatibleBitmap(screen.Get(), s.w, s.h);
  raii::MemDc memory(CreateCompatibleDC(screen.Get()));
  raii::SelectGuard select(memory.Get(), bitmap);
  BitBlt(memory.Get(), 0, 0, s.w, s.h, screen.Get(), 0, 0, SRCCOPY);
  return bitmap;
}

void EncodeProbeRows(const ScreenSize& s, bool encode, bool probe) {
  raii::Bitmap bitmap(ScreenSizedBitmap(s));
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

void CommandRows(const ScreenSize& s, bool command, bool runner) {
  if (command) {
    std::vector<double> samples;
    bool opened = true;
    for (int i = 0; i < 7 && opened; ++i) {
      const CaptureOutcome outcome = RunCapture(CommandDrive(s, true));
      opened = outcome.overlayOpened;
      if (i > 0 && opened) samples.push_back(outcome.afterInputMs);
    }
    const CaptureDrive d = CommandDrive(s, true);
    char region[64];
    std::snprintf(region, sizeof region, "\"region\":\"%dx%d\"", d.x1 - d.x0 + 1, d.y1 - d.y0 + 1);
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

int RowsMode(const std::set<std::string>& rows) {
  const ScreenSize s = PrimaryScreen();
  if (Wanted(rows, "floor")) FloorRow(s);
  if (Wanted(rows, "move-drawing")) MoveDrawingRow(s);
  if (Wanted(rows, "move-selected")) MoveSelectedRow(s);
  if (Wanted(rows, "open")) OpenRow(s);
  if (Wanted(rows, "encode") || Wanted(rows, "probe")) EncodeProbeRows(s, Wanted(rows, "encode"), Wanted(rows, "probe"));
  if (Wanted(rows, "command") || Wanted(rows, "runner")) CommandRows(s, Wanted(rows, "command"), Wanted(rows, "runner"));
  if (Wanted(rows, "ocr")) OcrRow(s);
  return 0;
}

int MemoryMode() {
  const ScreenSize s = PrimaryScreen();
  // One capture first, so the figures are those of a capture rather than
  // of first-time loading (GDI+, the interpreter).
  RunCapture(CommandDrive(s, true));
  DrainMessages();
  const ResourceFigures before = ReadResources();
  const bool reset = ResetPeakWorkingSet();
  const CaptureOutcome outcome = RunCapture(CommandDrive(s, true));
  const ResourceFigures after = ReadResources();
  const double frozen = static_cast<double>(s.w) * s.h * 4;
  char buffer[400];
  std::snprintf(buffer, sizeof buffer,
                "{\"row\":\"memory\",\"w\":%d,\"h\":%d,\"opened\":%s,\"peak_reset\":%s,\"ws_before_mb\":%.2f,"
                "\"peak_mb\":%.2f,\"peak_growth_mb\":%.2f,\"frozen_mb\":%.2f}",
                s.w, s.h, outcome.overlayOpened ? "true" : "false", reset ? "true" : "false",
                before.workingSet / 1048576.0, after.peakWorkingSet / 1048576.0,
                (static_cast<double>(after.peakWorkingSet) - static_cast<double>(before.workingSet)) / 1048576.0,
                frozen / 1048576.0);
  EmitLine(buffer);
  return 0;
}

int EnduranceMode(int count) {
  const ScreenSize s = PrimaryScreen();
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
