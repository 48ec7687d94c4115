// Helpers for tests that drive velkor-tools.
#include "support/tool_support.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "tools/render/png_files.h"

namespace velkor::test {

namespace fs = std::filesystem;

CommandResult RunTool(const std::string& arguments) {
  return RunCommand(Quote(ProgramPath("VELKOR_TOOLS")) + " " + arguments);
}

std::string StandinDataDir() {
  const fs::path tool = ProgramPath("VELKOR_TOOLS");
  struct stat st;
  if (stat(tool.c_str(), &st) != 0) return "";
  const std::string prefix = "standin-data-";
  const std::string key = std::to_string(st.st_size) + "-" + std::to_string(static_cast<long long>(st.st_mtime));
  const fs::path dir = tool.parent_path() / (prefix + key);
  // Test programs run side by side: one makes the set, the others wait for it.
  const int lock = open((tool.parent_path() / "standin-data.lock").c_str(), O_CREAT | O_RDWR, 0644);
  if (lock >= 0) flock(lock, LOCK_EX);
  std::error_code ec;
  if (!fs::is_directory(dir)) {
    const fs::path partial = dir.string() + ".partial";
    fs::remove_all(partial, ec);
    if (RunTool("make-data " + Quote(partial.string())).status == 0) fs::rename(partial, dir, ec);
    fs::remove_all(partial, ec);
    // Sets made by earlier builds of the tool are of no further use.
    for (const auto& e : fs::directory_iterator(tool.parent_path(), ec))
      if (e.path().filename().string().rfind(prefix, 0) == 0 && e.path() != dir) fs::remove_all(e.path(), ec);
  }
  if (lock >= 0) close(lock);
  return fs::is_directory(dir) ? dir.string() : "";
}

Image LoadPng(const std::string& path) {
  Image im;
  EXPECT_TRUE(ReadPngRgb(path, &im.width, &im.height, &im.rgb)) << path;
  return im;
}

std::vector<double> BoxAverage(const Image& image, int x0, int y0, int w, int h, int outW, int outH) {
  std::vector<double> out(static_cast<size_t>(outW) * outH * 3, 0.0);
  if (x0 < 0 || y0 < 0 || x0 + w > image.width || y0 + h > image.height || w < outW || h < outH) return {};
  for (int oy = 0; oy < outH; ++oy)
    for (int ox = 0; ox < outW; ++ox) {
      const int xa = x0 + ox * w / outW, xb = std::max(xa + 1, x0 + (ox + 1) * w / outW);
      const int ya = y0 + oy * h / outH, yb = std::max(ya + 1, y0 + (oy + 1) * h / outH);
      double* sum = &out[(static_cast<size_t>(oy) * outW + ox) * 3];
      for (int y = ya; y < yb; ++y)
        for (int x = xa; x < xb; ++x)
          for (int c = 0; c < 3; ++c) sum[c] += image.rgb[(static_cast<size_t>(y) * image.width + x) * 3 + c];
      for (int c = 0; c < 3; ++c) sum[c] /= static_cast<double>(xb - xa) * (yb - ya);
    }
  return out;
}

double MaxDifference(const std::vector<double>& a, const std::vector<double>& b) {
  double worst = a.size() == b.size() ? 0.0 : 1e9;
  for (size_t i = 0; i < a.size() && i < b.size(); ++i) worst = std::max(worst, std::fabs(a[i] - b[i]));
  return worst;
}

std::vector<StatsRow> ReadFrameStats(const std::string& path) {
  std::ifstream in(path);
  std::string line;
  std::getline(in, line);
  EXPECT_EQ(line, "frame,ms,sceneIndex,sceneTicks,drawMicros,setupMicros") << path;
  std::vector<StatsRow> rows;
  while (std::getline(in, line)) {
    StatsRow r;
    const int fields = std::sscanf(line.c_str(), "%lld,%lld,%d,%lf,%lld,%lld", &r.pass, &r.ms, &r.scene,
                                   &r.sceneTicks, &r.drawMicros, &r.setupMicros);
    EXPECT_EQ(fields, 6) << line;
    rows.push_back(r);
  }
  return rows;
}

std::vector<std::string> FileNames(const std::string& dir) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(dir, ec)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::string> FilesBelow(const std::string& root) {
  std::vector<std::string> files;
  for (const auto& e : fs::recursive_directory_iterator(root))
    if (e.is_regular_file()) files.push_back(fs::relative(e.path(), root).generic_string());
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace velkor::test
