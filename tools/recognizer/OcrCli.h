#pragma once
// Exit codes of Windows.Media.Ocr.Cli, one per class of failure.
enum OcrExitCode {
  kOcrExitOk = 0,
  kOcrExitUsage = 2,            // no image path given
  kOcrExitUnreadable = 3,       // the file is missing or cannot be read
  kOcrExitUndecodable = 4,      // not a BMP this tool reads
  kOcrExitNoTesseract = 5,      // Tesseract (or the host shell) is not there
  kOcrExitTesseractFailed = 6,  // Tesseract ran and failed
  kOcrExitTimedOut = 7,         // Tesseract took too long and was killed
};

// The largest image file read; a 8K screen at 32 bits is about 130 MB.
constexpr unsigned long long kMaxImageFileBytes = 300ULL << 20;
