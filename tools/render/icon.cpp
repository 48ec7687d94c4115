// velkor-tools icon: one frame rendered 4:3 at the icon's height, the middle
// square of it written as the icon.
#include "tools/render/icon.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

#include "tools/render/png_files.h"
#include "tools/render/render.h"
#include "tools/render/render_options.h"

namespace velkor {

namespace {

int Usage() {
  std::fprintf(stderr, "usage: velkor-tools icon --data DIR --out FILE.png [--size N] [--ms T]\n"
                       "  N: 16 .. 1024 pixels (default 256); T: the music time shown (default 140000)\n");
  return 2;
}

struct IconOptions {
  std::string data, out;
  int size = 256;
  int ms = 140000;  // the tumbling frame over the honeycomb
};

bool ParseIconOptions(int argc, char** argv, IconOptions* o) {
  for (int i = 0; i + 1 < argc; i += 2) {
    const std::string name = argv[i], value = argv[i + 1];
    if (name == "--data") o->data = value;
    else if (name == "--out") o->out = value;
    else if (name == "--size") o->size = std::atoi(value.c_str());
    else if (name == "--ms") o->ms = std::atoi(value.c_str());
    else return false;
  }
  return argc % 2 == 0 && !o->data.empty() && !o->out.empty() && o->size >= 16 && o->size <= 1024 && o->ms >= 0;
}

}  // namespace

int IconCommand(int argc, char** argv) {
  IconOptions o;
  if (!ParseIconOptions(argc, argv, &o)) return Usage();
  namespace fs = std::filesystem;
  std::error_code ec;
  // The render moves into the data directory.
  o.out = fs::absolute(o.out, ec).string();
  const fs::path work = fs::temp_directory_path(ec) / ("velkor-icon-" + std::to_string(::getpid()));
  fs::create_directories(work, ec);
  // One frame a second: pass n shows music time n seconds.
  const int pass = o.ms / 1000, width = (o.size * 4 / 3 + 1) / 2 * 2;
  std::vector<std::string> args = {"--data", o.data, "--fps", "1", "--frames", std::to_string(pass),
                                   "--size", std::to_string(width) + "x" + std::to_string(o.size), "--out",
                                   work.string()};
  std::vector<char*> argvRender;
  for (std::string& a : args) argvRender.push_back(a.data());
  int status = RenderCommand(static_cast<int>(argvRender.size()), argvRender.data());
  int w = 0, h = 0;
  std::vector<std::uint8_t> rgb;
  if (status == 0 && !ReadPngRgb((work / FrameFileName(pass)).string(), &w, &h, &rgb)) status = 1;
  if (status == 0) {
    std::vector<std::uint8_t> square(static_cast<std::size_t>(o.size) * o.size * 3);
    const int left = (w - o.size) / 2;
    for (int y = 0; y < o.size; ++y)
      std::copy_n(&rgb[(static_cast<std::size_t>(y) * w + left) * 3], static_cast<std::size_t>(o.size) * 3,
                  &square[static_cast<std::size_t>(y) * o.size * 3]);
    if (!WritePngRgb(o.out, o.size, o.size, square.data())) status = 1;
  }
  fs::remove_all(work, ec);
  return status;
}

}  // namespace velkor
