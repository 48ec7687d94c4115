// The show program's options and usage text.
#include "app/options.h"

#include <cstdlib>
#include <cstring>

namespace velkor {

namespace {

// A whole number in lo .. hi, or false.
bool ParseWholeNumber(const char* text, int lo, int hi, int* out) {
  if (!text || !*text) return false;
  char* end = nullptr;
  const long value = std::strtol(text, &end, 10);
  if (*end != '\0' || value < lo || value > hi) return false;
  *out = static_cast<int>(value);
  return true;
}

bool TakeText(const char* text, std::string* out) {
  if (!text || !*text) return false;
  *out = text;
  return true;
}

bool ParseFilter(const char* text, bool* linear) {
  if (!text) return false;
  if (std::strcmp(text, "linear") == 0) return *linear = true, true;
  if (std::strcmp(text, "nearest") == 0) return *linear = false, true;
  return false;
}

bool ParseOnOff(const char* text, bool* out) {
  if (!text) return false;
  if (std::strcmp(text, "on") == 0) return *out = true, true;
  if (std::strcmp(text, "off") == 0) return *out = false, true;
  return false;
}

}  // namespace

bool ParsePlayerOptions(int argc, char** argv, PlayerOptions* options, std::string* error) {
  PlayerOptions o;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    bool ok = true, takesValue = false;
    if (arg == "--windowed") o.fullscreen = false;
    else if (arg == "--fullscreen") o.fullscreen = true;
    else if (arg == "--silent") o.silent = true;
    else if (arg == "--loop") o.loop = true;
    else if (arg == "--verbose") o.verbose = true;
    else if (arg == "--help" || arg == "-h") o.help = true;
    else if (arg == "--version") o.version = true;
    else if (arg == "--display") takesValue = true, ok = ParseWholeNumber(value, 0, 63, &o.display);
    else if (arg == "--vsync") takesValue = true, ok = ParseOnOff(value, &o.vsync);
    else if (arg == "--max-fps") takesValue = true, ok = ParseWholeNumber(value, 0, 1000, &o.maxFps);
    else if (arg == "--step-ms") takesValue = true, ok = ParseWholeNumber(value, 1, 60000, &o.stepMs);
    else if (arg == "--msaa") {
      takesValue = true;
      ok = ParseWholeNumber(value, 0, 8, &o.msaa) && (o.msaa & (o.msaa - 1)) == 0 && o.msaa != 1;
    } else if (arg == "--resolution") {
      takesValue = true, ok = value && ParseResolution(value, &o.resolution);
    } else if (arg == "--scale-filter") {
      takesValue = true, ok = ParseFilter(value, &o.linearScaling);
    } else if (arg == "--frame-times") {
      takesValue = true, ok = TakeText(value, &o.frameTimes);
    } else if (arg == "--data") {
      takesValue = true, ok = TakeText(value, &o.dataDir);
    } else {
      *error = "unknown argument '" + arg + "'";
      return false;
    }
    if (!ok) {
      *error = value ? "bad value '" + std::string(value) + "' for " + arg : arg + " needs a value";
      return false;
    }
    if (takesValue) ++i;
  }
  *options = o;
  return true;
}

const char* PlayerUsage() {
  return "usage: velkor [options]\n"
         "Plays the show from the data in the working directory (or --data DIR).\n"
         "\n"
         "options:\n"
         "  --windowed        play in a 640 x 480 window instead of fullscreen\n"
         "  --display N       the monitor that fullscreen covers (default 0)\n"
         "  --silent          play without sound, on a steady clock (no sound device needed)\n"
         "  --loop            start again after the end, until Escape\n"
         "  --vsync on|off    wait for the display between frames (default on)\n"
         "  --max-fps N       at most N frames per second (default 0: no cap)\n"
         "  --msaa N          antialiasing with N samples: 0, 2, 4 or 8 (default 0, the original look)\n"
         "  --resolution R    the size frames are drawn at: original (640 x 480, scaled to the screen),\n"
         "                    native (the screen's own pixels), WxH (a 4:3 size, scaled), or auto (the\n"
         "                    default: original on a software renderer such as llvmpipe, else native)\n"
         "  --scale-filter F  how a picture of original or WxH size is scaled: linear (default) or nearest\n"
         "  --data DIR        play the data in DIR\n"
         "  --step-ms N       no sound; the music time moves N ms with every frame (quick checks, timedemos)\n"
         "  --verbose         say on standard error when each scene begins and the window switches\n"
         "  --frame-times F   write every presented frame to the CSV file F (swap and music time, scene,\n"
         "                    setup, the music time drawn for, the clock reading and the predicted swap)\n"
         "  --help            this text\n"
         "  --version         the version\n"
         "\n"
         "keys:\n"
         "  Escape            end the show\n"
         "  Z                 show the music time (while held)\n"
         "  Alt+Enter, F11    switch between fullscreen and a window\n"
         "  Space             pause and resume\n"
         "  Left, Right       back or forward 5 s (with Shift 30 s)\n"
         "  Page Up           the start of this scene (in its first second: of the one before)\n"
         "  Page Down         the start of the next scene\n"
         "  Home              the start of the show\n";
}

}  // namespace velkor
