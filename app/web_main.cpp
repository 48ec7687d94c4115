// The show in a web browser. Played: the page's start button (sound needs a
// click) calls VelkorStart, and the main loop runs one frame per browser
// frame on the music's clock. With ?fps=F&frame=N in the address the page
// instead draws passes 0 .. N on a virtual clock at F frames per second, as
// `velkor-tools render --fps F` does, leaves pass N on the canvas and says so
// on the console, for comparison with the desktop's frames.
#include <emscripten/emscripten.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/shell.h"
#include "music/music.h"
#include "music/sequencer.h"
#include "platform/gl.h"
#include "platform/paths.h"

namespace velkor {

namespace {

constexpr const char* kDataDirectory = "/data";  // where the page's data package is mounted

// A frame run: the passes still to draw and the virtual clock's rate.
struct FrameRun {
  long long fpsNum = 0, fpsDen = 1;
  long long lastPass = 0;
  long long pass = 0;
};
FrameRun frameRun;

MainLoopIo playIo;
MainLoopState playState;
long long framesDrawn = 0;

// "name=value" from the page address's query, or empty.
std::string QueryValue(const std::string& query, const char* name) {
  const std::string key = std::string(name) + "=";
  std::size_t at = 0;
  while (at < query.size()) {
    std::size_t end = query.find('&', at);
    if (end == std::string::npos) end = query.size();
    if (query.compare(at, key.size(), key) == 0) return query.substr(at + key.size(), end - at - key.size());
    at = end + 1;
  }
  return "";
}

// "60", "30000/1001": a positive rate, or false.
bool ParseRate(const std::string& text, long long* num, long long* den) {
  char* end = nullptr;
  *num = std::strtoll(text.c_str(), &end, 10);
  *den = 1;
  if (*end == '/' || (end[0] == '%' && end[1] == '2' && (end[2] == 'F' || end[2] == 'f'))) {
    const char* d = *end == '/' ? end + 1 : end + 3;
    *den = std::strtoll(d, &end, 10);
  }
  return *end == '\0' && *num > 0 && *den > 0 && end != text.c_str();
}

// Draws passes until the last one or about 50 ms have gone, then gives the
// browser its frame back; the last pass stays on the canvas.
void DrawFramePasses() {
  const double start = emscripten_get_now();
  while (frameRun.pass <= frameRun.lastPass) {
    const long long ms = frameRun.pass * 1000 * frameRun.fpsDen / frameRun.fpsNum;
    SetVirtualClockMs(static_cast<int>(ms));
    const bool done = StepClock(MusicPositionMs());
    ClearOutsidePicture();
    RenderFrame();
    glFlush();
    ++frameRun.pass;
    if (done) frameRun.lastPass = frameRun.pass - 1;  // the show ended before the pass asked for
    if (emscripten_get_now() - start > 50.0) return;
  }
  emscripten_cancel_main_loop();
  std::printf("velkor: frame %lld ready\n", frameRun.lastPass);
  std::fflush(stdout);
}

int StartFrameRun(const std::string& fps, const std::string& frame) {
  char* end = nullptr;
  frameRun.lastPass = std::strtoll(frame.c_str(), &end, 10);
  if (!ParseRate(fps, &frameRun.fpsNum, &frameRun.fpsDen) || *end != '\0' || frameRun.lastPass < 0) {
    std::printf("velkor: fps and frame want a rate (60, 30000/1001) and a pass number\n");
    return 1;
  }
  if (!PlatformOpenHeadless(kWindowWidth, kWindowHeight)) {
    std::printf("velkor: no WebGL 2 context\n");
    return 1;
  }
  SetKeepPictureAspect(true);
  ResizeViewport(kWindowWidth, kWindowHeight);
  UseVirtualClock(true);
  SetVirtualClockMs(0);
  if (!InitRenderer()) return 1;
  emscripten_set_main_loop(DrawFramePasses, 0, 0);
  return 0;
}

// The music position of this pass and of the one before, so that the page
// can tell a scene began on the first pass past its start.
int passMs = 0, previousPassMs = 0;

int PassPositionMs() {
  previousPassMs = passMs;
  passMs = MusicPositionMs();
  return passMs;
}

void ReportScene(int scene, int ms) {
  EM_ASM({ if (Module.velkorSceneBegan) Module.velkorSceneBegan($0, $1, $2); }, scene, ms, previousPassMs);
}

// Events are all taken before the frame, so a key costs no frame.
void PlayPass() {
  MainLoopPass pass;
  do pass = RunMainLoopPass(playIo, &playState);
  while (pass == MainLoopPass::Event);
  if (pass == MainLoopPass::Drew) ++framesDrawn;
  if (pass != MainLoopPass::Exit) return;
  emscripten_cancel_main_loop();
  std::printf("velkor: %lld frames drawn, music at %d ms\n", framesDrawn, MusicPositionMs());
  std::fflush(stdout);
  StopMusic();
  CloseDisplayWindow();
  EM_ASM({ if (Module.velkorEnded) Module.velkorEnded(); });
}

}  // namespace

}  // namespace velkor

// Called by the page's start button, inside the click, so sound may start;
// dataDirectory is the packed stand-in set or a folder the visitor picked.
extern "C" EMSCRIPTEN_KEEPALIVE int VelkorStart(const char* dataDirectory) {
  using namespace velkor;
  SetDataDirectory(dataDirectory && *dataDirectory ? dataDirectory : kDataDirectory);
  if (!OpenDisplayWindow("velkor", kWindowWidth, kWindowHeight, 32, false)) return 0;
  playIo = MainLoopIo{PlatformPollEvent, PassPositionMs, PlatformSwapBuffers, SetDisplayFullscreen, nullptr,
                      ReportScene};
  playState = MainLoopState{};
  emscripten_set_main_loop(PlayPass, 0, 0);
  return 1;
}

int main() {
  using namespace velkor;
  SetDataDirectory(kDataDirectory);
  const std::string query = emscripten_run_script_string("location.search.substring(1)");
  const std::string fps = QueryValue(query, "fps"), frame = QueryValue(query, "frame");
  if (!fps.empty() || !frame.empty()) return StartFrameRun(fps.empty() ? "60" : fps, frame.empty() ? "0" : frame);
  EM_ASM({ if (Module.velkorReady) Module.velkorReady(); });
  return 0;
}
