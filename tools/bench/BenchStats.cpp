// The benchmark's clock and statistics. Figures go to standard output, one
// JSON object per line, flushed at once so a run cut short keeps what it
// measured.
#include "tools/bench/BenchStats.h"

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

double NowMs() {
  static const double perMs = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart) / 1000.0;
  }();
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) / perMs;
}

Figures Summarise(std::vector<double> samples) {
  Figures f;
  f.runs = static_cast<int>(samples.size());
  if (samples.empty()) return f;
  std::sort(samples.begin(), samples.end());
  const size_t n = samples.size();
  f.median = n % 2 ? samples[n / 2] : (samples[n / 2 - 1] + samples[n / 2]) / 2;
  // Nearest rank.
  const size_t rank = static_cast<size_t>(std::ceil(0.95 * static_cast<double>(n)));
  f.p95 = samples[std::min(n, std::max<size_t>(rank, 1)) - 1];
  return f;
}

Figures Measure(const Repeat& repeat, const std::function<void(int)>& setup, const std::function<void(int)>& work) {
  int i = 0;
  for (; i < repeat.warmup; ++i) {
    setup(i);
    work(i);
  }
  std::vector<double> samples;
  double spent = 0;
  while (static_cast<int>(samples.size()) < repeat.maxRuns &&
         (static_cast<int>(samples.size()) < repeat.minRuns || spent < repeat.budgetMs)) {
    setup(i);
    const double t0 = NowMs();
    work(i);
    const double t = NowMs() - t0;
    samples.push_back(t);
    spent += t;
    ++i;
  }
  return Summarise(samples);
}

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char buffer[8];
      std::snprintf(buffer, sizeof buffer, "\\u%04x", static_cast<unsigned char>(c));
      out += buffer;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

void EmitLine(const std::string& json) {
  std::fputs(json.c_str(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

void EmitFigures(const std::string& row, int w, int h, const Figures& figures, const std::string& extra) {
  char buffer[256];
  std::snprintf(buffer, sizeof buffer, "{\"row\":%s,\"w\":%d,\"h\":%d,\"median_ms\":%.4f,\"p95_ms\":%.4f,\"runs\":%d",
                JsonString(row).c_str(), w, h, figures.median, figures.p95, figures.runs);
  std::string line = buffer;
  if (!extra.empty()) line += "," + extra;
  EmitLine(line + "}");
}
