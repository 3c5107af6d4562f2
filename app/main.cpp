// The process entry: the form runtime starts, the program runs, and the exit
// callbacks run once the program's start routine has returned.
#include <windows.h>

#include "app/Startup.h"
#include "platform/Form.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  form::Initialize();
  int result = StartProgram();
  form::Shutdown();
  return result;
}
