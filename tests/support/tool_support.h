// Helpers for tests that drive velkor-tools: running it, the stand-in data
// set made once per tool build, PNG frames, box averages and frame statistics.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/test_files.h"

namespace velkor::test {

// "velkor-tools <arguments>", with its output and status.
CommandResult RunTool(const std::string& arguments);

// The stand-in data set from "velkor-tools make-data", made once per tool
// binary and kept beside it for every test program; empty when it fails.
std::string StandinDataDir();

struct Image {
  int width = 0, height = 0;
  std::vector<std::uint8_t> rgb;  // top row first
};
Image LoadPng(const std::string& path);  // a failed read is a test failure
// Box average of the area (x0, y0, w, h) down to outW x outH, RGB.
std::vector<double> BoxAverage(const Image& image, int x0, int y0, int w, int h, int outW, int outH);
double MaxDifference(const std::vector<double>& a, const std::vector<double>& b);

// One row of a --frame-stats file.
struct StatsRow {
  long long pass = 0, ms = 0, drawMicros = 0, setupMicros = 0;
  int scene = -1;
  double sceneTicks = 0.0;
};
std::vector<StatsRow> ReadFrameStats(const std::string& path);

// Names of the files in dir, sorted.
std::vector<std::string> FileNames(const std::string& dir);
// Every regular file below root, as a path relative to it with '/', sorted.
std::vector<std::string> FilesBelow(const std::string& root);

}  // namespace velkor::test
