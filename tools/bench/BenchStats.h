#pragma once
// Timing and reporting for the benchmark: a millisecond clock, the median
// and 95th percentile of repeated runs after a warm-up, and one JSON object
// per line on standard output for scripts/bench.sh to collect.
#include <functional>
#include <string>
#include <vector>

double NowMs();

struct Figures {
  double median = 0;
  double p95 = 0;
  int runs = 0;
};

Figures Summarise(std::vector<double> samples);

// Runs `setup` (untimed) and `work` (timed) `warmup` times unrecorded, then
// repeats until `minRuns` are recorded and either `maxRuns` are or the
// recorded runs have taken `budgetMs`.
struct Repeat {
  int warmup = 3;
  int minRuns = 20;
  int maxRuns = 200;
  double budgetMs = 4000;
};
Figures Measure(const Repeat& repeat, const std::function<void(int)>& setup, const std::function<void(int)>& work);

// {"row":..., "w":..., "h":..., "median_ms":..., "p95_ms":..., "runs":...}
// plus any extra "key":value pairs already formatted as JSON.
void EmitFigures(const std::string& row, int w, int h, const Figures& figures, const std::string& extra = "");
void EmitLine(const std::string& json);
std::string JsonString(const std::string& text);
