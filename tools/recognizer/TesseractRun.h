#pragma once
// Running the host's Tesseract on one prepared picture and collecting the
// text it prints.
#include <string>

#include "platform/ByteBuffer.h"

enum class TesseractStatus {
  kOk,
  kNotInstalled,  // the program is not where it is expected
  kStartFailed,   // the shell could not be started or gave no answer channel
  kFailed,        // Tesseract ended with a non-zero exit code
  kTimedOut,      // no answer within the time limit; the child was killed
};

struct TesseractSettings {
  std::string program = "/usr/bin/tesseract";  // host path
  std::string languages = "chi_sim+eng";
  int pageSegMode = 6;
  int timeoutSeconds = 30;
};

struct TesseractResult {
  TesseractStatus status = TesseractStatus::kStartFailed;
  int exitCode = 0;
  std::string text;    // UTF-8 as Tesseract wrote it
  std::string detail;  // for messages: what went wrong
};

// The defaults, with SNAPTEXT_TESSERACT (host path of the program) and
// SNAPTEXT_OCR_TIMEOUT (seconds) from the environment when they are set.
TesseractSettings TesseractSettingsFromEnvironment();

// "/usr/bin/tesseract" as Wine's drive Z: sees it: Z:\usr\bin\tesseract.
std::wstring HostPathOnDriveZ(const std::string& hostPath);

// True for a host path that can go into the shell script unquoted-safe:
// absolute, and free of quotes, backslashes and control characters.
bool IsUsableHostPath(const std::string& hostPath);

// The command line of the host shell that runs Tesseract: stdin to stdout,
// killed after the time limit, its exit code appended as a trailer line.
std::wstring BuildTesseractCommandLine(const TesseractSettings& settings);

// Separates what the shell printed into Tesseract's text and the exit code of
// the trailer line. False when the trailer is missing (the shell never got
// to it, or its output never reached us).
bool SplitExitTrailer(const std::string& output, std::string* text, int* exitCode);

// Runs Tesseract on the picture (any format it reads; we send PGM). Blocks
// until it ends or the time limit (plus a grace period) has passed.
TesseractResult RunTesseract(const ByteBuffer& image, const TesseractSettings& settings);
