// Video capture on Windows: not yet. ffmpeg takes the sound on a second
// inherited pipe ("pipe:3"), which Windows' process start-up does not hand
// over; the renderer says so before the first frame, and the frames can be
// written as PNG files (--frames) and encoded by ffmpeg afterwards.
#include <windows.h>

#include <cstdio>

#include "tools/render/render_video.h"

namespace velkor {

std::string FindProgramOnPath(const std::string& program) {
  char found[MAX_PATH];
  const DWORD n = SearchPathA(nullptr, program.c_str(), ".exe", sizeof found, found, nullptr);
  return n > 0 && n < sizeof found ? std::string(found, n) : std::string();
}

bool OpenVideo(const VideoSettings& settings) {
  std::fprintf(stderr,
               "cannot write %s: --video needs the Linux build of velkor-tools; write the frames with --frames DIR "
               "and encode them with ffmpeg\n",
               settings.outputPath.c_str());
  return false;
}

bool WriteVideoFrame(const std::uint8_t*) { return false; }

bool CloseVideo() { return false; }

}  // namespace velkor
