#pragma once
// Runs one console command through the command interpreter, hidden, and
// hands back what it wrote to standard output and standard error.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "platform/ByteBuffer.h"

// How long a command may run before it is ended with everything it started.
constexpr DWORD kDefaultTimeoutMs = 60000;

// The command's output as text: the bytes up to the first zero byte, as they
// come (no code-page conversion). Empty when it wrote nothing or did not start.
std::string RunCommandForText(const std::string& command, DWORD timeoutMs = kDefaultTimeoutMs);

// The same on the byte level: commandWide is UTF-16LE with its terminator;
// the result is the output followed by one zero byte, or empty.
ByteBuffer RunCommandCaptured(const ByteBuffer& commandWide, DWORD timeoutMs = kDefaultTimeoutMs);

// 1 Win32s, 2 the 9x family, 3 the NT family, 0 anything else.
int OsTypeFromPlatformId(DWORD platformId);
// OsTypeFromPlatformId of the running system (GetVersionExA).
int CurrentOsType();
// "cmd.exe /c " for the NT family (type above 2), "command.com /c " otherwise.
std::string InterpreterPrefix(int osType);

// The prefix, then all of commandWide, then zero bytes up to 520 bytes behind
// the prefix: 520 - n zero bytes where n is the byte count of commandWide,
// none when that is not positive.
ByteBuffer BuildCommandLine(const ByteBuffer& prefixWide, const ByteBuffer& commandWide);

// What the poll loop asks of a started child. The real one is the pipe's
// read end and the process; tests hand in their own.
struct ChildOutputSource {
  std::function<DWORD()> peekWaiting;                    // bytes waiting; 0 when the peek fails
  std::function<DWORD(std::uint8_t*, DWORD)> read;       // reads up to n bytes, gives the count read
  std::function<bool()> hasEnded;                        // the process has ended
  std::function<void()> endChild;                        // ends it and everything it started
  std::function<std::uint64_t()> nowMs;                  // a millisecond clock
  std::function<void()> pause;                           // the 1 ms sleep between passes
};

// Polls until the child has ended, reading only what is waiting; drains the
// pipe once the child has ended; past timeoutMs ends the child and keeps
// what was read.
ByteBuffer CollectChildOutput(const ChildOutputSource& child, DWORD timeoutMs);
