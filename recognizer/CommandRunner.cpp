// Console command runner. One anonymous pipe carries the child's standard
// output and standard error (and its read end is the child's standard
// input); the runner polls it, reading only what PeekNamedPipe reports
// waiting, until the child has ended. It blocks its caller meanwhile.
//
// The child runs in a job object that ends every process in it when the job
// handle closes: a command past its time-out is ended together with what it
// started, and nothing it started outlives the call. The process is created
// suspended and resumed only after it is in the job, so nothing it starts
// escapes. Every handle is closed on every path.
#include "recognizer/CommandRunner.h"

#include <algorithm>

#include "platform/Raii.h"
#include "recognizer/TextEncoding.h"

namespace {

// The zero bytes behind the command fill it up to this many bytes.
constexpr long long kCommandLineFill = 520;
// How long to wait for an ended child to be gone, and the most time spent
// reading what is left in the pipe once it has ended (something it started
// outside the job could keep writing).
constexpr DWORD kEndWaitMs = 5000;
constexpr std::uint64_t kDrainMs = 1000;

void ReadWaiting(const ChildOutputSource& child, DWORD waiting, ByteBuffer& output) {
  ByteBuffer chunk = ZeroBytes(waiting);
  DWORD got = child.read(chunk.data(), waiting);
  // Only what was really read: no zero-filled tail inside the output.
  chunk.resize(std::min(got, waiting));
  AppendBytes(output, chunk);
}

// Reads until a peek finds nothing waiting (or fails: no writer is left).
void Drain(const ChildOutputSource& child, std::uint64_t deadline, ByteBuffer& output) {
  for (DWORD waiting = child.peekWaiting(); waiting > 0 && child.nowMs() < deadline;
       waiting = child.peekWaiting())
    ReadWaiting(child, waiting, output);
}

}  // namespace

int OsTypeFromPlatformId(DWORD platformId) {
  switch (platformId) {
    case VER_PLATFORM_WIN32s: return 1;
    case VER_PLATFORM_WIN32_WINDOWS: return 2;
    case VER_PLATFORM_WIN32_NT: return 3;
    default: return 0;
  }
}

int CurrentOsType() {
  OSVERSIONINFOA version = {};
  version.dwOSVersionInfoSize = sizeof(version);
  if (!GetVersionExA(&version)) return 0;
  return OsTypeFromPlatformId(version.dwPlatformId);
}

std::string InterpreterPrefix(int osType) { return osType > 2 ? "cmd.exe /c " : "command.com /c "; }

ByteBuffer BuildCommandLine(const ByteBuffer& prefixWide, const ByteBuffer& commandWide) {
  ByteBuffer line = prefixWide;
  AppendBytes(line, commandWide);
  AppendBytes(line, ZeroBytes(kCommandLineFill - static_cast<long long>(commandWide.size())));
  return line;
}

ByteBuffer CollectChildOutput(const ChildOutputSource& child, DWORD timeoutMs) {
  ByteBuffer output;
  const std::uint64_t deadline = child.nowMs() + timeoutMs;
  for (;;) {
    DWORD waiting = child.peekWaiting();
    if (waiting > 0) {
      ReadWaiting(child, waiting, output);
    } else if (child.hasEnded()) {
      // What it wrote between the last empty peek and its end.
      Drain(child, child.nowMs() + kDrainMs, output);
      break;
    }
    if (child.nowMs() >= deadline) {
      child.endChild();
      Drain(child, child.nowMs() + kDrainMs, output);
      break;
    }
    child.pause();
  }
  return output;
}

ByteBuffer RunCommandCaptured(const ByteBuffer& commandWide, DWORD timeoutMs) {
  // Inheritable: the pipe ends reach the child. The same record is the
  // child's process attributes.
  SECURITY_ATTRIBUTES attributes = {};
  attributes.nLength = sizeof(attributes);
  attributes.lpSecurityDescriptor = nullptr;
  attributes.bInheritHandle = TRUE;
  HANDLE readHandle = nullptr;
  HANDLE writeHandle = nullptr;
  if (!CreatePipe(&readHandle, &writeHandle, &attributes, 0)) return ByteBuffer();
  raii::Handle readEnd(readHandle);
  raii::Handle writeEnd(writeHandle);

  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  startup.hStdInput = readHandle;
  startup.hStdOutput = writeHandle;
  startup.hStdError = writeHandle;

  ByteBuffer line = BuildCommandLine(TextToWide(InterpreterPrefix(CurrentOsType()), true), commandWide);
  // CreateProcessW may write into the line and reads it up to a zero unit.
  if (line.size() % 2 != 0) line.push_back(0);
  if (line.size() < 2 || line[line.size() - 2] != 0 || line[line.size() - 1] != 0) {
    line.push_back(0);
    line.push_back(0);
  }

  raii::Handle job(CreateJobObjectW(nullptr, nullptr));
  if (job) {
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!SetInformationJobObject(job.Get(), JobObjectExtendedLimitInformation, &limits, sizeof(limits)))
      job.Reset();
  }

  PROCESS_INFORMATION process = {};
  const BOOL started = CreateProcessW(nullptr, reinterpret_cast<wchar_t*>(line.data()), &attributes, nullptr,
                                      TRUE, CREATE_SUSPENDED, nullptr, nullptr, &startup, &process);
  // Only the child may hold the write end, so the pipe breaks when it is gone.
  writeEnd.Reset();
  if (!started) return ByteBuffer();
  raii::Handle processHandle(process.hProcess);
  raii::Handle thread(process.hThread);
  // A system that cannot nest jobs leaves the child outside: it is then
  // ended on its own at the time-out.
  if (job && !AssignProcessToJobObject(job.Get(), process.hProcess)) job.Reset();
  ResumeThread(process.hThread);
  thread.Reset();
  WaitForInputIdle(process.hProcess, 1000);

  const HANDLE pipe = readEnd.Get();
  const HANDLE child = processHandle.Get();
  const HANDLE jobHandle = job.Get();
  ChildOutputSource source;
  source.peekWaiting = [pipe]() -> DWORD {
    DWORD waiting = 0;
    if (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &waiting, nullptr)) return 0;
    return waiting;
  };
  source.read = [pipe](std::uint8_t* buffer, DWORD n) -> DWORD {
    DWORD got = 0;
    if (!ReadFile(pipe, buffer, n, &got, nullptr)) return 0;
    return got;
  };
  // By the process handle, not the exit code: a command may end with 259.
  source.hasEnded = [child]() { return WaitForSingleObject(child, 0) == WAIT_OBJECT_0; };
  source.endChild = [child, jobHandle]() {
    if (jobHandle)
      TerminateJobObject(jobHandle, 1);
    else
      TerminateProcess(child, 1);
    WaitForSingleObject(child, kEndWaitMs);
  };
  source.nowMs = []() -> std::uint64_t { return GetTickCount64(); };
  source.pause = []() { Sleep(1); };

  ByteBuffer output = CollectChildOutput(source, timeoutMs);
  if (output.empty()) return output;
  output.push_back(0);
  return output;
}

std::string RunCommandForText(const std::string& command, DWORD timeoutMs) {
  return BytesToText(RunCommandCaptured(TextToWide(command, false), timeoutMs));
}
