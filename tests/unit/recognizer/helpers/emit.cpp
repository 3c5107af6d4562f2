// A console program the runner tests start through the interpreter. Each
// argument is one action, done in order:
//   out:TEXT  err:TEXT   TEXT to standard output / standard error
//   zero                 one zero byte to standard output
//   sleep:MS             pause
//   mega:N               N MiB of 'a'..'z' in turn to standard output
//   pid                  "pid=<own id>\r\n"
//   spawn                starts "emit pid forever" on the same handles and
//                        writes "pid=<its id>\r\n"
//   forever              writes "." every 50 ms and never ends
//   exit:N               ends with exit code N
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

void Write(DWORD which, const void* data, size_t size) {
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    DWORD written = 0;
    if (!WriteFile(GetStdHandle(which), p, static_cast<DWORD>(size), &written, nullptr) || written == 0) return;
    p += written;
    size -= written;
  }
}

void WriteText(DWORD which, const std::string& text) { Write(which, text.data(), text.size()); }

void WritePid(DWORD pid) { WriteText(STD_OUTPUT_HANDLE, "pid=" + std::to_string(pid) + "\r\n"); }

void Spawn() {
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring line = L"\"" + std::wstring(self) + L"\" pid forever";
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(self, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) return;
  WritePid(process.dwProcessId);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
}

bool Starts(const char* arg, const char* prefix, const char** rest) {
  const size_t n = std::strlen(prefix);
  if (std::strncmp(arg, prefix, n) != 0) return false;
  *rest = arg + n;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    const char* rest = nullptr;
    if (Starts(arg, "out:", &rest)) {
      WriteText(STD_OUTPUT_HANDLE, rest);
    } else if (Starts(arg, "err:", &rest)) {
      WriteText(STD_ERROR_HANDLE, rest);
    } else if (std::strcmp(arg, "zero") == 0) {
      Write(STD_OUTPUT_HANDLE, "", 1);
    } else if (Starts(arg, "sleep:", &rest)) {
      Sleep(static_cast<DWORD>(std::atoi(rest)));
    } else if (Starts(arg, "mega:", &rest)) {
      std::vector<char> block(1 << 20);
      for (size_t k = 0; k < block.size(); ++k) block[k] = static_cast<char>('a' + k % 26);
      for (int m = std::atoi(rest); m > 0; --m) Write(STD_OUTPUT_HANDLE, block.data(), block.size());
    } else if (std::strcmp(arg, "pid") == 0) {
      WritePid(GetCurrentProcessId());
    } else if (std::strcmp(arg, "spawn") == 0) {
      Spawn();
    } else if (std::strcmp(arg, "forever") == 0) {
      for (;;) {
        Sleep(50);
        WriteText(STD_OUTPUT_HANDLE, ".");
      }
    } else if (Starts(arg, "exit:", &rest)) {
      return std::atoi(rest);
    }
  }
  return 0;
}
