// Windows.Media.Ocr.Cli as the capture command uses it: started as a
// process with a file path, its output read back. Pictures are text drawn
// with GDI into a memory bitmap and written in the capture command's BMP
// layout. Recognition runs the host's Tesseract, so these cases need it
// installed (scripts/setup.sh does).
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "platform/DibInfo.h"
#include "platform/Raii.h"
#include "tests/unit/ocrtool/TestBmp.h"
#include "tools/recognizer/OcrCli.h"
#include "tools/recognizer/OcrText.h"

namespace {

struct ToolRun {
  DWORD exitCode = 0xFFFFFFFF;
  std::string out;
  std::string err;
};

std::wstring ModuleDirectory() {
  wchar_t path[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring dir(path, n);
  return dir.substr(0, dir.find_last_of(L'\\'));
}

// The tool is built into the build directory, one level above the tests.
std::wstring ToolPath() { return ModuleDirectory() + L"\\..\\Windows.Media.Ocr.Cli.exe"; }

std::string ReadAll(HANDLE pipe) {
  std::string data;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(pipe, buffer, sizeof buffer, &got, nullptr) && got > 0) data.append(buffer, got);
  return data;
}

// Sets environment variables for the processes started while it lives.
class ScopedEnvironment {
 public:
  explicit ScopedEnvironment(std::vector<std::pair<std::wstring, std::wstring>> values) : values_(std::move(values)) {
    for (const auto& [name, value] : values_) SetEnvironmentVariableW(name.c_str(), value.c_str());
  }
  ~ScopedEnvironment() {
    for (const auto& entry : values_) SetEnvironmentVariableW(entry.first.c_str(), nullptr);
  }
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

 private:
  std::vector<std::pair<std::wstring, std::wstring>> values_;
};

// Runs the tool with the given argument text (already quoted), hidden and
// with a console of its own, as the interpreter of the capture command has.
ToolRun RunTool(const std::wstring& arguments) {
  ToolRun run;
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE outRead = nullptr, outWrite = nullptr, errRead = nullptr, errWrite = nullptr;
  if (!CreatePipe(&outRead, &outWrite, &inherit, 0) || !CreatePipe(&errRead, &errWrite, &inherit, 0)) return run;
  raii::Handle outReadOwner(outRead), outWriteOwner(outWrite), errReadOwner(errRead), errWriteOwner(errWrite);
  SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = nullptr;
  startup.hStdOutput = outWrite;
  startup.hStdError = errWrite;
  std::wstring commandLine = L"\"" + ToolPath() + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                      &process)) {
    ADD_FAILURE() << "cannot start the tool, error " << GetLastError();
    return run;
  }
  raii::Handle processOwner(process.hProcess), threadOwner(process.hThread);
  outWriteOwner.Reset();
  errWriteOwner.Reset();
  std::string err;
  std::thread errReader([&] { err = ReadAll(errRead); });
  run.out = ReadAll(outRead);
  errReader.join();
  run.err = err;
  if (WaitForSingleObject(process.hProcess, 120000) != WAIT_OBJECT_0) {
    TerminateProcess(process.hProcess, 99);
    ADD_FAILURE() << "the tool did not end";
  }
  GetExitCodeProcess(process.hProcess, &run.exitCode);
  return run;
}

// Text drawn black on white (or the given colours) into a 32-bit memory
// bitmap, read back as colours, top row first.
Colours RenderText(const wchar_t* face, int pixelHeight, const std::wstring& text, int width, int height,
                   COLORREF ink = RGB(0, 0, 0), COLORREF paper = RGB(255, 255, 255), int extraSpacing = 0) {
  Colours colours;
  BITMAPINFO info = TopDown32BitInfo(width, height);
  void* bits = nullptr;
  raii::MemDc dc(CreateCompatibleDC(nullptr));
  raii::Bitmap bitmap(CreateDIBSection(dc.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  raii::Font font(CreateFontW(-pixelHeight, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                              CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, face));
  if (!dc || !bitmap || !font || !bits) {
    ADD_FAILURE() << "cannot make the drawing objects";
    return colours;
  }
  {
    raii::SelectGuard selectBitmap(dc.Get(), bitmap.Get());
    raii::SelectGuard selectFont(dc.Get(), font.Get());
    raii::Brush brush(CreateSolidBrush(paper));
    RECT all{0, 0, width, height};
    FillRect(dc.Get(), &all, brush.Get());
    SetTextColor(dc.Get(), ink);
    SetBkMode(dc.Get(), TRANSPARENT);
    SetTextCharacterExtra(dc.Get(), extraSpacing);
    TextOutW(dc.Get(), 12, (height - pixelHeight) / 2, text.c_str(), static_cast<int>(text.size()));
    GdiFlush();
  }
  colours.width = width;
  colours.height = height;
  colours.rgb.resize(static_cast<size_t>(width) * height);
  const std::uint32_t* pixels = static_cast<const std::uint32_t*>(bits);
  for (size_t i = 0; i < colours.rgb.size(); ++i) colours.rgb[i] = pixels[i] & 0xFFFFFF;
  return colours;
}

class OcrCli : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH + 1];
    GetTempPathW(MAX_PATH + 1, temp);
    // A Chinese directory and file name, as the run directory may have.
    dir_ = std::wstring(temp) + L"截图测试-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(dir_.c_str(), nullptr);
  }
  void TearDown() override {
    for (const std::wstring& file : files_) DeleteFileW(file.c_str());
    RemoveDirectoryW(dir_.c_str());
  }
  std::wstring Write(const std::wstring& name, const ByteBuffer& bytes) {
    std::wstring path = dir_ + L"\\" + name;
    raii::Handle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    EXPECT_TRUE(file && WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
    files_.push_back(path);
    return path;
  }
  static std::wstring Quoted(const std::wstring& path) { return L"\"" + path + L"\""; }

  std::wstring dir_;
  std::vector<std::wstring> files_;
};

std::string Trimmed(const std::string& s) {
  size_t begin = s.find_first_not_of(" \t\r\n");
  if (begin == std::string::npos) return std::string();
  return s.substr(begin, s.find_last_not_of(" \t\r\n") - begin + 1);
}

struct TextCase {
  const char* name;
  const wchar_t* face;
  int pixelHeight;
  std::wstring text;
  const wchar_t* expected;  // when it differs from the drawn text
  BmpShape shape;
  COLORREF ink;
  COLORREF paper;
  int extraSpacing;
};

void PrintTo(const TextCase& c, std::ostream* os) { *os << c.name; }

class OcrCliReads : public OcrCli, public ::testing::WithParamInterface<TextCase> {};

TEST_P(OcrCliReads, TheTextComesBackInTheAnsiCodePage) {
  const TextCase& c = GetParam();
  Colours picture = RenderText(c.face, c.pixelHeight, c.text, 600, 60, c.ink, c.paper, c.extraSpacing);
  std::wstring path = Write(L"识别图片.jpg", MakeBmp(picture, c.shape));
  ToolRun run = RunTool(Quoted(path));
  EXPECT_EQ(run.exitCode, static_cast<DWORD>(kOcrExitOk)) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(Trimmed(run.out), WideToCodePage(c.expected ? c.expected : c.text, GetACP()));
  // The capture command appends its own line break after the output.
  EXPECT_EQ(run.out.find('\n'), std::string::npos);
}

const COLORREF kBlack = RGB(0, 0, 0);
const COLORREF kWhite = RGB(255, 255, 255);

INSTANTIATE_TEST_SUITE_P(
    Pictures, OcrCliReads,
    ::testing::Values(
        TextCase{"EnglishCaptureLayout32", L"MS Shell Dlg", 16, L"Hello World 2026", nullptr, {44, 32, false, false},
                 kBlack, kWhite, 0},
        TextCase{"ChineseCaptureLayout24", L"WenQuanYi Micro Hei", 20, L"截图识字", nullptr, {44, 24, false, false},
                 kBlack, kWhite, 0},
        TextCase{"EnglishCaptureLayout16", L"WenQuanYi Micro Hei", 16, L"Hello World 2026", nullptr,
                 {44, 16, false, false}, kBlack, kWhite, 0},
        TextCase{"EnglishStandardTopDown32", L"MS Shell Dlg", 16, L"Hello World 2026", nullptr, {40, 32, true, false},
                 kBlack, kWhite, 0},
        TextCase{"LightTextOnDarkBackground", L"MS Shell Dlg", 16, L"Hello World 2026", nullptr,
                 {44, 32, false, false}, RGB(230, 230, 230), RGB(30, 30, 40), 0},
        // Menu-sized text: read wrongly without the enlargement (measured
        // with this Wine's renderer and Debian's Tesseract 5.3 models).
        TextCase{"SmallMenuTextEnglish", L"MS Shell Dlg", 11, L"File Edit View Help Window", nullptr,
                 {44, 32, false, false}, kBlack, kWhite, 0},
        TextCase{"SmallMenuTextChinese", L"WenQuanYi Micro Hei", 10, L"文件 编辑 查看 帮助", L"文件编辑查看帮助",
                 {44, 32, false, false}, kBlack, kWhite, 0}),
    [](const ::testing::TestParamInfo<TextCase>& info) { return std::string(info.param.name); });

TEST_F(OcrCli, TwoLinesComeBackAsTwoLines) {
  Colours top = RenderText(L"WenQuanYi Micro Hei", 16, L"Hello World", 400, 40);
  Colours bottom = RenderText(L"WenQuanYi Micro Hei", 16, L"2026 Screen Text", 400, 40);
  Colours both = top;
  both.height = 80;
  both.rgb.insert(both.rgb.end(), bottom.rgb.begin(), bottom.rgb.end());
  ToolRun run = RunTool(Quoted(Write(L"two.bmp", MakeBmp(both, {44, 32, false, false}))));
  EXPECT_EQ(run.exitCode, static_cast<DWORD>(kOcrExitOk)) << run.err;
  EXPECT_EQ(Trimmed(run.out), "Hello World\r\n2026 Screen Text");
}

TEST_F(OcrCli, BlankPictureGivesNoTextAndSuccess) {
  Colours blank = RenderText(L"MS Shell Dlg", 16, L"", 200, 50);
  ToolRun run = RunTool(Quoted(Write(L"blank.bmp", MakeBmp(blank, {44, 32, false, false}))));
  EXPECT_EQ(run.exitCode, static_cast<DWORD>(kOcrExitOk)) << run.err;
  EXPECT_EQ(run.out, "");
}

// A host program standing in for Tesseract: made by the host shell, which
// Wine starts without a handle to wait on, so its arrival is polled for.
std::wstring OnDriveZ(const std::string& hostPath) {
  std::wstring path = L"Z:" + std::wstring(hostPath.begin(), hostPath.end());
  for (wchar_t& c : path)
    if (c == L'/') c = L'\\';
  return path;
}

std::string MakeHostScript(const std::string& name, const std::string& body) {
  std::string path = "/tmp/" + name + "-" + std::to_string(GetCurrentProcessId());
  std::wstring wpath = OnDriveZ(path);
  DeleteFileW(wpath.c_str());
  std::string script = "printf '#!/bin/sh\\n" + body + "\\n' > " + path + ".new && chmod +x " + path + ".new && mv " +
                       path + ".new " + path;
  std::wstring commandLine = L"/bin/sh -c \"" + std::wstring(script.begin(), script.end()) + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(L"Z:\\bin\\sh", &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    ADD_FAILURE() << "cannot start the host shell";
    return path;
  }
  if (process.hProcess) CloseHandle(process.hProcess);
  if (process.hThread) CloseHandle(process.hThread);
  for (int i = 0; i < 200 && GetFileAttributesW(wpath.c_str()) == INVALID_FILE_ATTRIBUTES; ++i) Sleep(50);
  EXPECT_NE(GetFileAttributesW(wpath.c_str()), INVALID_FILE_ATTRIBUTES) << "no " << path;
  return path;
}

struct FailureCase {
  const char* name;
  enum Input { kNone, kMissing, kDirectory, kText, kHeaderOnly, kPicture } input;
  const char* tesseract;  // host path, or a script body after "script:"
  DWORD exitCode;
  const char* messagePart;
};

void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }

class OcrCliFails : public OcrCli, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(OcrCliFails, WithItsMessageAndExitCode) {
  const FailureCase& c = GetParam();
  std::wstring argument;
  switch (c.input) {
    case FailureCase::kNone:
      break;
    case FailureCase::kMissing:
      argument = Quoted(dir_ + L"\\没有这个文件.jpg");
      break;
    case FailureCase::kDirectory:
      argument = Quoted(dir_);
      break;
    case FailureCase::kText:
      argument = Quoted(Write(L"notes.jpg", TextToBytes("just some words, not a picture")));
      break;
    case FailureCase::kHeaderOnly: {
      // What the capture command saves when the clipboard holds no bitmap.
      ByteBuffer header(58, 0);
      header[0] = 'B';
      header[1] = 'M';
      PutU32(header, 2, 58);
      PutU32(header, 10, 58);
      PutU32(header, 14, 44);
      argument = Quoted(Write(L"识别图片.jpg", header));
      break;
    }
    case FailureCase::kPicture:
      argument = Quoted(Write(L"识别图片.jpg", MakeBmp(RenderText(L"MS Shell Dlg", 16, L"Hello", 200, 40),
                                                          {44, 32, false, false})));
      break;
  }
  std::vector<std::pair<std::wstring, std::wstring>> environment;
  std::wstring script;
  if (c.tesseract) {
    std::string program = c.tesseract;
    if (program.rfind("script:", 0) == 0) {
      program = MakeHostScript(c.name, program.substr(7));
      script = OnDriveZ(program);
    }
    environment.emplace_back(L"SNAPTEXT_TESSERACT", std::wstring(program.begin(), program.end()));
    environment.emplace_back(L"SNAPTEXT_OCR_TIMEOUT", L"1");
  }
  ScopedEnvironment scoped(environment);
  ToolRun run = RunTool(argument);
  if (!script.empty()) DeleteFileW(script.c_str());
  EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
  EXPECT_NE(run.err.find(c.messagePart), std::string::npos) << run.err;
  EXPECT_EQ(run.err.rfind("Windows.Media.Ocr.Cli: ", 0), 0u) << run.err;
  EXPECT_EQ(run.out, "");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OcrCliFails,
    ::testing::Values(
        FailureCase{"NoArgument", FailureCase::kNone, nullptr, kOcrExitUsage, "usage"},
        FailureCase{"MissingFile", FailureCase::kMissing, nullptr, kOcrExitUnreadable, "cannot read"},
        FailureCase{"DirectoryInsteadOfFile", FailureCase::kDirectory, nullptr, kOcrExitUnreadable, "cannot read"},
        FailureCase{"NotAPicture", FailureCase::kText, nullptr, kOcrExitUndecodable, "not a BMP"},
        FailureCase{"HeaderOnlyFile", FailureCase::kHeaderOnly, nullptr, kOcrExitUndecodable, "no pixels"},
        FailureCase{"TesseractAbsent", FailureCase::kPicture, "/nonexistent/tesseract", kOcrExitNoTesseract,
                    "not available"},
        FailureCase{"TesseractFails", FailureCase::kPicture, "/bin/false", kOcrExitTesseractFailed, "exit code 1"},
        FailureCase{"TesseractHangs", FailureCase::kPicture, "script:sleep 60", kOcrExitTimedOut, "timed out"}),
    [](const ::testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.name); });

}  // namespace
