// Options of "velkor-tools render" and the frame timing they imply: pure
// computation, no GL and no files, so tests call it directly.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace velkor {

struct RenderOptions {
  // Frames per second as a fraction (60/1, 30000/1001): pass n shows music
  // time floor(n * 1000 * fpsDen / fpsNum) ms.
  std::int64_t fpsNum = 60;
  std::int64_t fpsDen = 1;
  bool haveFrom = false, haveTo = false;
  double fromTicks = 0.0, toTicks = 0.0;  // frames written: from <= demoTicks <= to
  std::vector<std::int64_t> passes;       // when not empty, only these passes are written (sorted)
  int width = 640, height = 480;
  int ssaa = 1;             // drawn at ssaa x the size, box-reduced before writing
  int msaa = 0;             // samples per drawn pixel: 0, 2, 4 or 8
  std::string dataDir;      // empty: the working directory
  std::string outDir;       // PNG frames
  std::string videoPath;    // .mp4, .mkv or .mov with the music
  int crf = -1;             // H.264 quality 0 .. 51 for .mp4; -1: the default
  int audioRate = 0;        // the video's sound: 44100 or 48000; 0: the music's own rate
  std::string statsPath;    // per-frame CSV
  bool strict = false;       // data warnings fail the render
  bool help = false;
};

// Parses the arguments after "render". False with *error set for anything
// unknown, missing or out of range.
bool ParseRenderOptions(int argc, char** argv, RenderOptions* options, std::string* error);

// Usage text, one option per line.
const char* RenderUsage();

// Music time of pass n: floor(n * 1000 * den / num), exact in integers.
std::int64_t PassMusicMs(std::int64_t pass, std::int64_t fpsNum, std::int64_t fpsDen);

// Whether the frame drawn at demoTicks in this pass is one to write, and
// whether no later pass can be (so the render may stop after this one).
bool PassSelected(const RenderOptions& options, std::int64_t pass, float ticks);
bool PastSelection(const RenderOptions& options, std::int64_t pass, float ticks);

// "1280x720" -> 1280, 720; false for anything else or sizes outside 16 .. 8192.
bool ParseFrameSize(const std::string& text, int* width, int* height);
// "60", "29.97" is refused; "30000/1001" accepted; false unless 1 <= fps <= 1000.
bool ParseFrameRate(const std::string& text, std::int64_t* num, std::int64_t* den);

// "frame-000042.png"
std::string FrameFileName(std::int64_t pass);

}  // namespace velkor
