// Option parsing and frame timing for "velkor-tools render".
#include "tools/render/render_options.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "tools/render/render_video.h"

namespace velkor {

namespace {

constexpr std::int64_t kMaxRateTerm = 1000000;

bool ParseInteger(const std::string& text, std::int64_t low, std::int64_t high, std::int64_t* value) {
  if (text.empty() || text.size() > 18) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  const std::int64_t v = std::strtoll(text.c_str(), nullptr, 10);
  if (v < low || v > high) return false;
  *value = v;
  return true;
}

// An integer that must be one of the listed values.
bool ParseChoice(const std::string& text, std::initializer_list<int> choices, int* value) {
  std::int64_t v;
  if (!ParseInteger(text, 0, kMaxRateTerm, &v) || std::find(choices.begin(), choices.end(), v) == choices.end())
    return false;
  *value = static_cast<int>(v);
  return true;
}

bool ParseTicks(const std::string& text, double* ticks) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  const double v = std::strtod(text.c_str(), &end);
  if (errno != 0 || *end != '\0' || !std::isfinite(v) || v < 0.0) return false;
  *ticks = v;
  return true;
}

bool ParsePassList(const std::string& text, std::vector<std::int64_t>* passes) {
  size_t start = 0;
  while (start <= text.size()) {
    const size_t comma = std::min(text.find(',', start), text.size());
    std::int64_t pass;
    if (!ParseInteger(text.substr(start, comma - start), 0, 100000000, &pass)) return false;
    passes->push_back(pass);
    start = comma + 1;
  }
  std::sort(passes->begin(), passes->end());
  passes->erase(std::unique(passes->begin(), passes->end()), passes->end());
  return !passes->empty();
}

// Checks one option's value and stores it; the message names the option.
bool ApplyOption(const std::string& name, const std::string& value, RenderOptions* o, std::string* error) {
  bool ok = true;
  std::int64_t number = 0;
  if (name == "--fps") ok = ParseFrameRate(value, &o->fpsNum, &o->fpsDen);
  else if (name == "--from") ok = o->haveFrom = ParseTicks(value, &o->fromTicks);
  else if (name == "--to") ok = o->haveTo = ParseTicks(value, &o->toTicks);
  else if (name == "--frames") ok = ParsePassList(value, &o->passes);
  else if (name == "--size") ok = ParseFrameSize(value, &o->width, &o->height);
  else if (name == "--ssaa") ok = ParseChoice(value, {1, 2, 3, 4}, &o->ssaa);
  else if (name == "--msaa") ok = ParseChoice(value, {0, 2, 4, 8}, &o->msaa);
  else if (name == "--crf") ok = ParseInteger(value, 0, 51, &number) && (o->crf = static_cast<int>(number), true);
  else if (name == "--audio-rate") ok = ParseChoice(value, {44100, 48000}, &o->audioRate);
  else if (name == "--data") o->dataDir = value;
  else if (name == "--out") o->outDir = value;
  else if (name == "--video") o->videoPath = value;
  else if (name == "--frame-stats") o->statsPath = value;
  ok = ok && !value.empty();
  if (!ok) *error = "bad value '" + value + "' for " + name;
  return ok;
}

bool TakesValue(const std::string& name) {
  static const char* const kNames[] = {"--fps", "--from", "--to", "--frames", "--size", "--ssaa", "--msaa",
                                       "--data", "--out", "--video", "--crf", "--audio-rate", "--frame-stats"};
  for (const char* n : kNames)
    if (name == n) return true;
  return false;
}

}  // namespace

bool ParseFrameSize(const std::string& text, int* width, int* height) {
  const size_t x = text.find('x');
  if (x == std::string::npos) return false;
  std::int64_t w, h;
  if (!ParseInteger(text.substr(0, x), 16, 8192, &w) || !ParseInteger(text.substr(x + 1), 16, 8192, &h)) return false;
  *width = static_cast<int>(w);
  *height = static_cast<int>(h);
  return true;
}

bool ParseFrameRate(const std::string& text, std::int64_t* num, std::int64_t* den) {
  const size_t slash = text.find('/');
  std::int64_t n, d = 1;
  if (!ParseInteger(text.substr(0, slash), 1, kMaxRateTerm, &n)) return false;
  if (slash != std::string::npos && !ParseInteger(text.substr(slash + 1), 1, kMaxRateTerm, &d)) return false;
  if (n < d || n > 1000 * d) return false;  // 1 .. 1000 frames per second
  *num = n;
  *den = d;
  return true;
}

bool ParseRenderOptions(int argc, char** argv, RenderOptions* options, std::string* error) {
  *options = RenderOptions();
  for (int i = 0; i < argc; ++i) {
    std::string name = argv[i], value;
    const size_t eq = name.find('=');
    const bool inlineValue = name.compare(0, 2, "--") == 0 && eq != std::string::npos;
    if (inlineValue) {
      value = name.substr(eq + 1);
      name.resize(eq);
    }
    if (name == "--help" || name == "-h" || name == "--strict") {
      (name == "--strict" ? options->strict : options->help) = true;
      continue;
    }
    if (!TakesValue(name)) {
      *error = "unknown option '" + name + "'";
      return false;
    }
    if (!inlineValue) {
      if (i + 1 >= argc) {
        *error = name + " needs a value";
        return false;
      }
      value = argv[++i];
    }
    if (!ApplyOption(name, value, options, error)) return false;
  }
  if (options->haveFrom && options->haveTo && options->toTicks < options->fromTicks) {
    *error = "--to is before --from";
    return false;
  }
  const VideoContainer container = VideoContainerForPath(options->videoPath);
  if (!options->videoPath.empty() && container == VideoContainer::None) {
    *error = "--video " + options->videoPath + ": the name must end in .mp4, .mkv or .mov";
    return false;
  }
  // H.264 in 4:2:0 halves both directions for colour.
  if (container == VideoContainer::Mp4 && (options->width % 2 != 0 || options->height % 2 != 0)) {
    *error = "--video to .mp4 needs an even width and height";
    return false;
  }
  if (options->crf >= 0 && container != VideoContainer::Mp4) {
    *error = "--crf sets the quality of an .mp4 video only";
    return false;
  }
  if (options->audioRate > 0 && options->videoPath.empty()) {
    *error = "--audio-rate is for the sound of a --video";
    return false;
  }
  return true;
}

const char* RenderUsage() {
  return "usage: velkor-tools render [options]\n"
         "  renders the show headless against a virtual music clock\n"
         "  --data DIR          data directory (default: the working directory)\n"
         "  --fps N             frames per second, N or N/M such as 60000/1001 (default 60)\n"
         "  --from TICK         first music tick to write (default 0)\n"
         "  --to TICK           last music tick to write (default: the end of the show)\n"
         "  --frames A,B,...    write only these pass numbers\n"
         "  --size WxH          frame size (default 640x480; the 4:3 picture is centred)\n"
         "  --ssaa N            draw at N times the size (1 to 4, default 1) and box-filter down\n"
         "  --msaa N            multisample the drawing with 0, 2, 4 or 8 samples (default 0)\n"
         "  --out DIR           write DIR/frame-NNNNNN.png\n"
         "  --video FILE        write a video with the music (needs ffmpeg), chosen by the name:\n"
         "                      .mp4 H.264 and AAC, .mkv lossless FFV1 (RGB) and FLAC,\n"
         "                      .mov ProRes 4444 and 16-bit PCM\n"
         "  --crf N             H.264 quality of an .mp4, 0 (lossless) to 51 (default 18)\n"
         "  --audio-rate R      the video's sound at 44100 or 48000 Hz (default: the music's own)\n"
         "  --frame-stats FILE  write frame,ms,sceneIndex,sceneTicks,drawMicros,setupMicros as CSV\n"
         "  --strict            fail when a data file could not be used (missing, damaged, empty)\n";
}

std::int64_t PassMusicMs(std::int64_t pass, std::int64_t fpsNum, std::int64_t fpsDen) {
  return pass * 1000 * fpsDen / fpsNum;
}

bool PassSelected(const RenderOptions& o, std::int64_t pass, float ticks) {
  if (o.haveFrom && ticks < o.fromTicks) return false;
  if (o.haveTo && ticks > o.toTicks) return false;
  return o.passes.empty() || std::binary_search(o.passes.begin(), o.passes.end(), pass);
}

bool PastSelection(const RenderOptions& o, std::int64_t pass, float ticks) {
  if (o.haveTo && ticks >= o.toTicks) return true;
  return !o.passes.empty() && pass >= o.passes.back();
}

std::string FrameFileName(std::int64_t pass) {
  char name[48];
  std::snprintf(name, sizeof name, "frame-%06lld.png", static_cast<long long>(pass));
  return name;
}

}  // namespace velkor
