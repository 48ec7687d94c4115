// The show program's command line: what a user can ask of the player, parsed
// in one place with no side effects, and the usage text that lists it all.
#pragma once

#include <string>

#include "app/resolution.h"

namespace velkor {

struct PlayerOptions {
  bool fullscreen = true;
  int display = 0;     // the monitor for fullscreen
  bool silent = false; // no sound device: a wall clock drives the show
  bool loop = false;   // start again after the end, until Escape
  bool vsync = true;
  int maxFps = 0;      // 0: no cap beyond vsync
  int msaa = 0;        // 0, 2, 4 or 8 samples per pixel
  ResolutionRequest resolution;  // the size frames are drawn at
  bool linearScaling = true;     // how a picture of its own size is scaled to the screen
  int stepMs = 0;      // > 0: no sound; the music time moves this much per drawn frame
  bool verbose = false;  // one line on standard error as each scene begins
  std::string dataDir;   // empty: the working directory
  std::string frameTimes;  // a CSV of every presented frame: wall time, music time, scene
  bool help = false;
  bool version = false;
};

// Parses argv[1 ..]. False with *error naming the offending argument for
// anything unknown, missing or out of range.
bool ParsePlayerOptions(int argc, char** argv, PlayerOptions* options, std::string* error);

// Every flag and every key, one line each.
const char* PlayerUsage();

}  // namespace velkor
