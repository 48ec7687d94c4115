// Weston for the tests: started, waited for, typed into, read back.
#include "support/weston.h"

#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include <wayland-client.h>


namespace velkor::test {

namespace {

using Clock = std::chrono::steady_clock;

void Pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// No panel, no lock screen, a black desktop and nothing animated: what the
// tests see of the output is the client's picture or black. The on-screen
// keyboard client is not started.
const char* kWestonIni =
    "[core]\n"
    "idle-time=0\n"
    "[shell]\n"
    "background-color=0xff000000\n"
    "panel-position=none\n"
    "locking=false\n"
    "animation=none\n"
    "close-animation=none\n"
    "startup-animation=none\n"
    "focus-animation=none\n"
    "[input-method]\n"
    "path=\n";

bool Answers(const std::string& socket) {
  wl_display* display = wl_display_connect(socket.c_str());
  if (!display) return false;
  const bool answered = wl_display_roundtrip(display) >= 0;
  wl_display_disconnect(display);
  return answered;
}

// The x11 backend names its window in the log: "x11 output WxH, window id N".
Window OutputWindowInLog(const std::string& log) {
  const std::string key = "window id ";
  const std::size_t at = log.find(key);
  if (at == std::string::npos) return 0;
  return static_cast<Window>(std::strtoul(log.c_str() + at + key.size(), nullptr, 10));
}

}  // namespace

bool WestonInstalled() { return std::system("command -v weston >/dev/null 2>&1") == 0; }

Weston::Weston(const WestonSettings& settings, const VirtualDisplay* x) : x_(x), settings_(settings) {
  const bool headless = settings.backend == WestonBackend::Headless;
  if (!headless && (!x || !x->display())) return;
  const std::string ini = dir_.Write("weston.ini", std::string(kWestonIni));
  // Only its owner may use a runtime directory.
  const std::string runtimeDir = dir_.path() + "/runtime";
  if (mkdir(runtimeDir.c_str(), 0700) != 0) return;
  socket_ = runtimeDir + "/wayland-test";
  // The x11 backend's size is the desktop's, in units of the output scale.
  std::vector<std::string> args{
      std::string("--backend=") + (headless ? "headless-backend.so" : "x11-backend.so"),
      "--use-pixman",
      "--socket=wayland-test",
      "--config=" + ini,
      "--log=" + dir_.path() + "/weston.log",
      "--width=" + std::to_string(settings.width / settings.scale),
      "--height=" + std::to_string(settings.height / settings.scale),
      "--scale=" + std::to_string(settings.scale),
  };
  std::vector<std::string> environment{"XDG_RUNTIME_DIR=" + runtimeDir, "WAYLAND_DISPLAY", "WAYLAND_SOCKET"};
  environment.push_back(headless ? std::string("DISPLAY") : "DISPLAY=" + x->name());
  const CommandResult where = RunCommand("command -v weston");
  const std::string program = where.output.substr(0, where.output.find('\n'));
  if (where.status != 0 || program.empty()) return;
  process_ = std::make_unique<ChildProcess>(program, args, environment, dir_.path());
  const auto end = Clock::now() + std::chrono::seconds(10);
  while (Clock::now() < end && !ready_) {
    if (process_->WaitForExit(0) != -1) return;  // it gave up: the log says why
    if (!headless && !outputWindow_) outputWindow_ = OutputWindowInLog(Log());
    ready_ = (headless || outputWindow_) && Answers(socket_);
    if (!ready_) Pause(20);
  }
  // The X focus is the window's from the start, before any client: each
  // change of it has Weston take the keyboard from its client and give it back
  // on the FocusIn, which its x11 backend takes only together with the
  // KeymapNotify behind it and, on a busy machine, misses now and then. The
  // surfaces it activates later get the keyboard whatever became of that.
  if (ready_ && outputWindow_) FocusOutputWindow();
}

Weston::~Weston() {
  if (!process_) return;
  // Its clients (the shell's) go with it; ChildProcess kills what is left.
  process_->Signal(SIGTERM);
  process_->WaitForExit(5);
}

std::vector<std::string> Weston::ClientEnvironment() const {
  const std::string runtimeDir = socket_.substr(0, socket_.rfind('/'));
  return {"WAYLAND_DISPLAY=" + socket_, "XDG_RUNTIME_DIR=" + runtimeDir, "SDL_VIDEODRIVER=wayland", "DISPLAY",
          "WAYLAND_SOCKET"};
}

std::string Weston::Log() const {
  std::ifstream in(dir_.path() + "/weston.log");
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void Weston::FocusOutputWindow() {
  Display* d = x_->display();
  Window focus = 0;
  int revert = 0;
  XGetInputFocus(d, &focus, &revert);
  if (focus == outputWindow_) return;
  XSetInputFocus(d, outputWindow_, RevertToParent, CurrentTime);
  XSync(d, False);
  Pause(50);
}

void Weston::TypeKey(unsigned long keysym, unsigned long modifierKeysym, int holdMs) {
  if (!x_ || !outputWindow_) return;
  Display* d = x_->display();
  FocusOutputWindow();
  FakeKeyTap(d, keysym, modifierKeysym, holdMs);
}

Image Weston::ReadOutput() const {
  if (!x_ || !outputWindow_) return Image();
  const WindowBox box = WindowGeometry(x_->display(), outputWindow_);
  return ScreenImage(x_->display(), box.x, box.y, box.width, box.height);
}

}  // namespace velkor::test
