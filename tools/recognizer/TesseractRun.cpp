// Starting the host's Tesseract from inside Wine.
//
// Wine: CreateProcessW given a host program's path on drive Z: forks and
// execs it directly. Such a child has no process handle (hProcess and the
// process id come back 0), so it can be neither waited for nor killed, and
// only standard input and output are handed over, as the host descriptors
// behind the two handles. Anonymous pipes have no host descriptor in Wine (they
// live in wineserver), so they cannot be used; regular files and Winsock
// sockets can. Hence:
//   - the picture goes into a temporary file that becomes the child's stdin;
//   - its stdout is one end of a loopback TCP connection that we read until
//     the other end closes, which happens when the child has ended;
//   - the child is the host shell, which runs Tesseract under timeout(1) so a
//     stuck recognition is killed on the host side, and then prints Tesseract's
//     exit code as a trailer line, the only way its status reaches us.
// Wine: a host child also gets no stdio at all unless the starting process
// owns a console; a console program started normally has one.
#include "tools/recognizer/TesseractRun.h"

#include <winsock2.h>
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/Raii.h"

namespace {

struct SocketTraits {
  static SOCKET Invalid() { return INVALID_SOCKET; }
  static bool IsValid(SOCKET s) { return s != INVALID_SOCKET; }
  static void Close(SOCKET s) { ::closesocket(s); }
};
using Socket = raii::Owned<SOCKET, SocketTraits>;

constexpr char kTrailerTag[] = "\n\x1f" "exit=";
// After the time limit timeout(1) sends TERM, and KILL this much later.
constexpr int kKillAfterSeconds = 2;
// How long past the time limit we wait for the shell before giving up.
constexpr int kGraceSeconds = 8;

// A connected pair of blocking loopback sockets. The accepted end is checked
// to be our own connecting socket, not some other local process that raced
// us to the listening port.
bool MakeSocketPair(Socket* ours, Socket* theirs) {
  Socket listener(::WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0, 0));
  if (!listener) return false;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int length = sizeof address;
  if (::bind(listener.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) return false;
  if (::listen(listener.Get(), 1) != 0) return false;
  if (::getsockname(listener.Get(), reinterpret_cast<sockaddr*>(&address), &length) != 0) return false;
  // Without WSA_FLAG_OVERLAPPED, so the socket works as a plain file handle.
  Socket client(::WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0, 0));
  if (!client) return false;
  if (::connect(client.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) return false;
  sockaddr_in peer{}, local{};
  int peerLength = sizeof peer, localLength = sizeof local;
  Socket accepted(::accept(listener.Get(), reinterpret_cast<sockaddr*>(&peer), &peerLength));
  if (!accepted) return false;
  if (::getsockname(client.Get(), reinterpret_cast<sockaddr*>(&local), &localLength) != 0) return false;
  if (peer.sin_port != local.sin_port || peer.sin_addr.s_addr != local.sin_addr.s_addr) return false;
  *ours = std::move(client);
  *theirs = std::move(accepted);
  return true;
}

// The picture in a temporary file, open for reading from its start and
// removed when the handle closes (the child keeps its own descriptor).
raii::Handle WriteTemporaryInput(const ByteBuffer& bytes) {
  wchar_t dir[MAX_PATH + 1];
  wchar_t name[MAX_PATH + 1];
  DWORD n = ::GetTempPathW(MAX_PATH + 1, dir);
  if (n == 0 || n > MAX_PATH) return raii::Handle();
  if (::GetTempFileNameW(dir, L"ocr", 0, name) == 0) return raii::Handle();
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  raii::Handle file(::CreateFileW(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, &inherit,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
  if (!file) {
    ::DeleteFileW(name);
    return file;
  }
  size_t done = 0;
  while (done < bytes.size()) {
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1 << 20));
    DWORD written = 0;
    if (!::WriteFile(file.Get(), bytes.data() + done, chunk, &written, nullptr) || written == 0) return raii::Handle();
    done += written;
  }
  if (::SetFilePointer(file.Get(), 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER) return raii::Handle();
  return file;
}

TesseractResult Failure(TesseractStatus status, const std::string& detail) {
  TesseractResult result;
  result.status = status;
  result.detail = detail;
  return result;
}

}  // namespace

TesseractSettings TesseractSettingsFromEnvironment() {
  TesseractSettings settings;
  if (const char* program = std::getenv("SNAPTEXT_TESSERACT"); program && *program) settings.program = program;
  if (const char* limit = std::getenv("SNAPTEXT_OCR_TIMEOUT"); limit && *limit) {
    int seconds = std::atoi(limit);
    if (seconds > 0 && seconds <= 3600) settings.timeoutSeconds = seconds;
  }
  return settings;
}

std::wstring HostPathOnDriveZ(const std::string& hostPath) {
  std::wstring path = L"Z:";
  for (char c : hostPath) path.push_back(c == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(c)));
  return path;
}

bool IsUsableHostPath(const std::string& hostPath) {
  if (hostPath.empty() || hostPath[0] != '/') return false;
  for (char c : hostPath) {
    unsigned char u = static_cast<unsigned char>(c);
    if (u < 0x20 || u >= 0x7F || c == '\'' || c == '"' || c == '\\' || c == '%') return false;
  }
  return true;
}

std::wstring BuildTesseractCommandLine(const TesseractSettings& settings) {
  // No double quotes inside the script: Wine splits this line into the host
  // argv with the usual Windows quoting rules.
  std::string script = "/usr/bin/timeout -k " + std::to_string(kKillAfterSeconds) + " " +
                       std::to_string(settings.timeoutSeconds) + " '" + settings.program +
                       "' stdin stdout -l " + settings.languages + " --psm " + std::to_string(settings.pageSegMode) +
                       " --dpi 300; printf '\\n\\037exit=%d\\n' $?";
  std::wstring line = L"/bin/sh -c \"";
  for (char c : script) line.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
  line += L"\"";
  return line;
}

bool SplitExitTrailer(const std::string& output, std::string* text, int* exitCode) {
  size_t at = output.rfind(kTrailerTag);
  if (at == std::string::npos) return false;
  const char* digits = output.c_str() + at + std::strlen(kTrailerTag);
  char* end = nullptr;
  long code = std::strtol(digits, &end, 10);
  if (end == digits || (*end != '\n' && *end != '\0')) return false;
  *text = output.substr(0, at);
  *exitCode = static_cast<int>(code);
  return true;
}

TesseractResult RunTesseract(const ByteBuffer& image, const TesseractSettings& settings) {
  if (!IsUsableHostPath(settings.program))
    return Failure(TesseractStatus::kNotInstalled, "unusable program path " + settings.program);
  DWORD attributes = ::GetFileAttributesW(HostPathOnDriveZ(settings.program).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
    return Failure(TesseractStatus::kNotInstalled, settings.program + " not found");

  WSADATA wsa;
  if (::WSAStartup(MAKEWORD(2, 2), &wsa) != 0) return Failure(TesseractStatus::kStartFailed, "no sockets");
  raii::ScopeExit cleanup([] { ::WSACleanup(); });

  raii::Handle input = WriteTemporaryInput(image);
  if (!input) return Failure(TesseractStatus::kStartFailed, "cannot write a temporary file");
  Socket ours, theirs;
  if (!MakeSocketPair(&ours, &theirs)) return Failure(TesseractStatus::kStartFailed, "cannot open a local socket");

  // The child's environment is ours: one OpenMP thread unless the caller
  // chose otherwise. Tesseract's OpenMP threads spin and make a small picture
  // several times slower on small machines.
  if (::GetEnvironmentVariableW(L"OMP_THREAD_LIMIT", nullptr, 0) == 0)
    ::SetEnvironmentVariableW(L"OMP_THREAD_LIMIT", L"1");

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = input.Get();
  startup.hStdOutput = reinterpret_cast<HANDLE>(theirs.Get());
  startup.hStdError = reinterpret_cast<HANDLE>(theirs.Get());
  PROCESS_INFORMATION process{};
  std::wstring commandLine = BuildTesseractCommandLine(settings);
  if (!::CreateProcessW(L"Z:\\bin\\sh", &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &process))
    return Failure(TesseractStatus::kStartFailed, "cannot start the host shell");
  // On Windows proper these would be real handles; Wine gives none for a
  // host program.
  raii::Handle processHandle(process.hProcess);
  raii::Handle threadHandle(process.hThread);
  // The child holds its own descriptors now; our copies would keep the
  // connection open after it ends.
  theirs.Reset();
  input.Reset();

  std::string output;
  const ULONGLONG deadline = ::GetTickCount64() + 1000ULL * (settings.timeoutSeconds + kGraceSeconds);
  for (;;) {
    ULONGLONG now = ::GetTickCount64();
    if (now >= deadline) return Failure(TesseractStatus::kTimedOut, "no answer from the host shell");
    ULONGLONG left = deadline - now;
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(ours.Get(), &readable);
    timeval wait{static_cast<long>(left / 1000), static_cast<long>((left % 1000) * 1000)};
    int ready = ::select(0, &readable, nullptr, nullptr, &wait);
    if (ready < 0) return Failure(TesseractStatus::kStartFailed, "lost the connection to the host shell");
    if (ready == 0) continue;
    char buffer[8192];
    int got = ::recv(ours.Get(), buffer, sizeof buffer, 0);
    if (got < 0) return Failure(TesseractStatus::kStartFailed, "lost the connection to the host shell");
    if (got == 0) break;
    output.append(buffer, static_cast<size_t>(got));
  }

  TesseractResult result;
  if (!SplitExitTrailer(output, &result.text, &result.exitCode))
    return Failure(TesseractStatus::kStartFailed, "the host shell gave no answer");
  if (result.exitCode == 0) {
    result.status = TesseractStatus::kOk;
  } else if (result.exitCode == 124 || result.exitCode == 137) {
    result.status = TesseractStatus::kTimedOut;
    result.detail = "killed after " + std::to_string(settings.timeoutSeconds) + " s";
  } else if (result.exitCode == 126 || result.exitCode == 127) {
    result.status = TesseractStatus::kNotInstalled;
    result.detail = settings.program + " cannot be run";
  } else {
    result.status = TesseractStatus::kFailed;
    result.detail = "exit code " + std::to_string(result.exitCode);
  }
  return result;
}
