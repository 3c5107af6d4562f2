// A recogniser that prints nothing and ends at once: with it in the bench's
// directory the capture command's own work is timed without recognition.
// Each run adds one byte to recognizer-runs.txt, so the bench can tell
// whether the command ran a recogniser at all.
#include <cstdio>

int main() {
  if (std::FILE* f = std::fopen("recognizer-runs.txt", "ab")) {
    std::fputc('.', f);
    std::fclose(f);
  }
  return 0;
}
