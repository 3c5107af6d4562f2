// Windows.Media.Ocr.Cli: prints the text in a BMP image.
//
// Usage: Windows.Media.Ocr.Cli IMAGE-FILE. The file is read whatever its
// extension says; the recognised text goes to standard output in the ANSI
// code page with lines ended by "\r\n" and no line break after the last one.
// Failures print one line on standard error and end with a code of OcrCli.h.
// The tool serves Wine hosts: recognition is done by the host's Tesseract.
#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <string>

#include "tools/recognizer/OcrCli.h"
#include "tools/recognizer/OcrImage.h"
#include "tools/recognizer/OcrText.h"
#include "tools/recognizer/TesseractRun.h"
#include "platform/Raii.h"

namespace {

void WriteAll(DWORD which, const std::string& bytes) {
  HANDLE out = ::GetStdHandle(which);
  size_t done = 0;
  while (done < bytes.size()) {
    DWORD written = 0;
    if (!::WriteFile(out, bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &written, nullptr) ||
        written == 0)
      return;
    done += written;
  }
}

int Fail(int code, const std::wstring& message) {
  WriteAll(STD_ERROR_HANDLE, "Windows.Media.Ocr.Cli: " + WideToCodePage(message, CP_ACP) + "\r\n");
  return code;
}

// The whole file, or false with the system's error code.
bool ReadWholeFile(const std::wstring& path, ByteBuffer* bytes, DWORD* error) {
  raii::Handle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    *error = ::GetLastError();
    return false;
  }
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(file.Get(), &size)) {
    *error = ::GetLastError();
    return false;
  }
  if (static_cast<unsigned long long>(size.QuadPart) > kMaxImageFileBytes) {
    *error = ERROR_FILE_TOO_LARGE;
    return false;
  }
  bytes->assign(static_cast<size_t>(size.QuadPart), 0);
  size_t done = 0;
  while (done < bytes->size()) {
    DWORD got = 0;
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes->size() - done, 1 << 24));
    if (!::ReadFile(file.Get(), bytes->data() + done, chunk, &got, nullptr)) {
      *error = ::GetLastError();
      return false;
    }
    if (got == 0) break;
    done += got;
  }
  bytes->resize(done);
  return true;
}

int RecognizeImageFile(const std::wstring& path) {
  ByteBuffer file;
  DWORD error = 0;
  if (!ReadWholeFile(path, &file, &error))
    return Fail(kOcrExitUnreadable, L"cannot read \"" + path + L"\" (system error " + std::to_wstring(error) + L")");
  DecodedBmp decoded = DecodeBmpToGrey(file);
  if (!decoded.error.empty())
    return Fail(kOcrExitUndecodable, L"cannot decode \"" + path + L"\": " + Utf8ToWide(decoded.error));
  ByteBuffer picture = EncodePgm(PrepareForRecognition(decoded.image));

  TesseractSettings settings = TesseractSettingsFromEnvironment();
  TesseractResult run = RunTesseract(picture, settings);
  const std::wstring detail = Utf8ToWide(run.detail);
  switch (run.status) {
    case TesseractStatus::kOk:
      break;
    case TesseractStatus::kNotInstalled:
      return Fail(kOcrExitNoTesseract, L"Tesseract is not available: " + detail);
    case TesseractStatus::kStartFailed:
      return Fail(kOcrExitNoTesseract, L"cannot run Tesseract: " + detail);
    case TesseractStatus::kFailed:
      return Fail(kOcrExitTesseractFailed, L"Tesseract failed: " + detail);
    case TesseractStatus::kTimedOut:
      return Fail(kOcrExitTimedOut, L"Tesseract timed out: " + detail);
  }
  WriteAll(STD_OUTPUT_HANDLE, WideToCodePage(TidyRecognizedText(Utf8ToWide(run.text)), CP_ACP));
  return kOcrExitOk;
}

}  // namespace

int main() {
  // The path may hold characters of any code page: take the wide command line.
  int argc = 0;
  LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
  if (!argv) return Fail(kOcrExitUsage, L"cannot read the command line");
  std::wstring path = argc >= 2 ? argv[1] : L"";
  ::LocalFree(argv);
  if (path.empty()) return Fail(kOcrExitUsage, L"usage: Windows.Media.Ocr.Cli IMAGE-FILE");
  return RecognizeImageFile(path);
}
