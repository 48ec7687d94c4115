// The Windows build (scripts/windows-build.sh, windows-package.sh) run by
// Wine on a private X server, against the Linux build on the same data: the
// tools' frames and stand-in files, the show played through, with sound into
// a private PulseAudio null sink, its "File Not Found!" box, and the zip and
// installer in a fresh Wine prefix. Without the Windows build the tests are
// skipped, unless VELKOR_REQUIRE_WINDOWS=1 (scripts/test.sh) makes that a failure.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "support/pulse_server.h"
#include "support/test_files.h"
#include "support/tool_support.h"
#include "support/virtual_display.h"

#include <X11/keysym.h>

namespace velkor::test {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr const char* kWine = "/usr/bin/wine";

std::string WindowsBuild() {
  const char* dir = std::getenv("VELKOR_WINDOWS_BUILD");
  return dir && *dir ? dir : VELKOR_WINDOWS_BUILD_PATH;
}
std::string ShowExe() { return WindowsBuild() + "/velkor.exe"; }
std::string ToolsExe() { return WindowsBuild() + "/velkor-tools.exe"; }
std::string PackageZip() { return WindowsBuild() + "/velkor-" VELKOR_VERSION "-windows-x64.zip"; }
std::string PackageSetup() { return WindowsBuild() + "/velkor-" VELKOR_VERSION "-windows-x64-setup.exe"; }

// A Linux path as Wine's Z: drive shows it, with Windows' separators.
std::string WindowsPath(std::string path) {
  std::replace(path.begin(), path.end(), '/', '\\');
  return "Z:" + path;
}

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

// The prefix the tests share, made once in the build tree (Wine's first start
// in a prefix takes seconds); each test ends the prefix's wineserver.
std::string SharedPrefix() { return std::string(VELKOR_TESTS_BINARY_DIR) + "/wine-prefix"; }

// What every Wine child gets: its prefix, quiet logs, no .NET or HTML engine
// to offer to download, the test's X server and no sound unless asked for.
std::vector<std::string> WineEnvironment(const std::string& prefix, const std::string& display) {
  return {"WINEPREFIX=" + prefix, "WINEDEBUG=-all", "WINEDLLOVERRIDES=mscoree,mshtml=", "DISPLAY=" + display,
          "WAYLAND_DISPLAY", "SDL_VIDEODRIVER", "SDL_AUDIODRIVER", "VELKOR_DATA", "PULSE_SERVER=unix:/nonexistent"};
}

void EndWineServer(const std::string& prefix) {
  RunCommand("WINEPREFIX=" + Quote(prefix) + " wineserver -k >/dev/null 2>&1; WINEPREFIX=" + Quote(prefix) +
             " wineserver -w >/dev/null 2>&1");
}

// A key typed into window w: Wine reads the keyboard's state as well as the
// events, so the keys go through XTest.
void TypeKey(Display* d, Window w, unsigned long keysym, unsigned long modifierKeysym = 0, int holdMs = 100) {
  XSetInputFocus(d, w, RevertToParent, CurrentTime);
  XSync(d, False);
  FakeKeyTap(d, keysym, modifierKeysym, holdMs);
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
}

bool IsLit(const std::uint8_t* rgb) { return rgb[0] + rgb[1] + rgb[2] > 60; }

// Which of the screen's columns and rows have been lit in any of the pictures
// looked at: the extent of what the show drew.
struct LitExtent {
  std::vector<bool> columns, rows;
  void Add(const Image& screen) {
    columns.resize(screen.width);
    rows.resize(screen.height);
    for (int y = 0; y < screen.height; y += 2)
      for (int x = 0; x < screen.width; ++x)
        if (IsLit(&screen.rgb[(static_cast<std::size_t>(y) * screen.width + x) * 3])) columns[x] = rows[y] = true;
  }
  int First(const std::vector<bool>& v) const { return static_cast<int>(std::find(v.begin(), v.end(), true) - v.begin()); }
  int Last(const std::vector<bool>& v) const {
    const auto it = std::find(v.rbegin(), v.rend(), true);
    return it == v.rend() ? -1 : static_cast<int>(v.rend() - it) - 1;
  }
};

// One row of a --frame-times file: when the frame was shown, and the music time then.
struct FrameTime {
  long long wallMicros = 0, musicMs = 0;
};
std::vector<FrameTime> ReadFrameTimes(const std::string& path) {
  std::vector<FrameTime> rows;
  std::ifstream in(path);
  std::string line;
  std::getline(in, line);  // the header
  while (std::getline(in, line)) {
    FrameTime row;
    if (std::sscanf(line.c_str(), "%lld,%lld", &row.wallMicros, &row.musicMs) == 2) rows.push_back(row);
  }
  return rows;
}

class WineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(ShowExe()) || !fs::exists(ToolsExe())) {
      if (const char* required = std::getenv("VELKOR_REQUIRE_WINDOWS"); required && std::string(required) == "1")
        FAIL() << "no Windows build in " << WindowsBuild() << " (scripts/windows-build.sh makes it)";
      GTEST_SKIP() << "no Windows build in " << WindowsBuild() << " (scripts/windows-build.sh makes it)";
    }
    ASSERT_TRUE(XvfbInstalled());
    ASSERT_EQ(RunCommand("test -x " + std::string(kWine)).status, 0) << "Wine is not installed";
    data_ = StandinDataDir();
    ASSERT_FALSE(data_.empty());
    prefix_ = SharedPrefix();
  }
  void TearDown() override {
    show_.reset();
    if (!prefix_.empty()) EndWineServer(prefix_);
  }

  // A screen of the given size and the Windows program started on it.
  void Start(int width, int height, const std::string& exe, const std::vector<std::string>& args,
             const std::vector<std::string>& moreEnvironment = {}) {
    if (!screen_) screen_ = std::make_unique<VirtualDisplay>(width, height);
    ASSERT_NE(screen_->display(), nullptr);
    std::vector<std::string> arguments{exe};
    arguments.insert(arguments.end(), args.begin(), args.end());
    std::vector<std::string> environment = WineEnvironment(prefix_, screen_->name());
    environment.insert(environment.end(), moreEnvironment.begin(), moreEnvironment.end());
    started_ = Clock::now();
    show_ = std::make_unique<ChildProcess>(kWine, arguments, environment, dir_.path());
  }

  // A PulseAudio server of the test's own with a null sink, for Wine's
  // PulseAudio driver.
  const PulseServer& StartSoundServer() {
    const std::string runtime = dir_.path() + "/pulse";
    fs::create_directories(runtime);
    pulse_ = std::make_unique<PulseServer>(runtime);
    return *pulse_;
  }

  // The Windows tools run to the end, with their status.
  int RunWindowsTools(const std::vector<std::string>& args, int seconds) {
    Start(640, 480, ToolsExe(), args);
    return show_->WaitForExit(seconds);
  }

  std::string data_, prefix_;
  TempDir dir_;
  std::unique_ptr<VirtualDisplay> screen_;
  std::unique_ptr<ChildProcess> show_;
  std::unique_ptr<PulseServer> pulse_;
  Clock::time_point started_;
};

// Both builds draw with the same Mesa (llvmpipe through Wine's WGL and GLX
// under Wine, EGL on Linux): the frames are the same bytes.
TEST_F(WineTest, ToolsRenderTheSameFramesAsTheLinuxBuild) {
  TempDir linux, windows;
  const CommandResult native =
      RunTool("render --fps 1 --data " + Quote(data_) + " --out " + Quote(linux.path()) + " 2>&1");
  ASSERT_EQ(native.status, 0) << native.output;
  ASSERT_EQ(RunWindowsTools({"render", "--fps", "1", "--data", WindowsPath(data_), "--out", WindowsPath(windows.path())},
                            240),
            0)
      << show_->ErrorOutput();
  const double seconds = Seconds(started_);
  const std::vector<std::string> linuxFrames = FileNames(linux.path()), windowsFrames = FileNames(windows.path());
  ASSERT_GT(linuxFrames.size(), 200u) << "a frame a second of a 211 s show";
  ASSERT_EQ(windowsFrames, linuxFrames);
  long long differingPixels = 0;
  int differingFrames = 0;
  for (const std::string& name : linuxFrames) {
    if (name.size() < 4 || name.substr(name.size() - 4) != ".png") continue;
    const Image a = LoadPng(linux.path() + "/" + name), b = LoadPng(windows.path() + "/" + name);
    ASSERT_EQ(a.width, b.width) << name;
    ASSERT_EQ(a.height, b.height) << name;
    long long differing = 0;
    for (std::size_t i = 0; i < a.rgb.size(); i += 3)
      differing += a.rgb[i] != b.rgb[i] || a.rgb[i + 1] != b.rgb[i + 1] || a.rgb[i + 2] != b.rgb[i + 2];
    differingPixels += differing;
    differingFrames += differing > 0;
  }
  std::printf("wine render: %zu frames compared, %d differ, %lld differing pixels, %.1f s under Wine\n",
              linuxFrames.size(), differingFrames, differingPixels, seconds);
  RecordProperty("frames", static_cast<int>(linuxFrames.size()));
  RecordProperty("differing_pixels", static_cast<int>(differingPixels));
  EXPECT_EQ(differingPixels, 0);
}

TEST_F(WineTest, MakeDataWritesTheLinuxBuildsFilesByteForByte) {
  TempDir windows;
  const std::string out = windows.path() + "/standin";
  ASSERT_EQ(RunWindowsTools({"make-data", WindowsPath(out)}, 120), 0) << show_->ErrorOutput();
  std::printf("wine make-data: %.1f s\n", Seconds(started_));
  const std::vector<std::string> files = FilesBelow(data_);
  ASSERT_EQ(FilesBelow(out), files);
  EXPECT_EQ(files.size(), 46u);
  for (const std::string& file : files)
    EXPECT_TRUE(ReadFileBytes(out + "/" + file) == ReadFileBytes(data_ + "/" + file)) << file;
}

// Fullscreen on a 1920 x 1080 screen: 1440 x 1080 of picture from x = 240,
// black bars beside it, over the whole show (the clock stepped per frame).
TEST_F(WineTest, SilentShowPlaysToTheEndFullscreenWithThePictureCentred) {
  Start(1920, 1080, ShowExe(), {"--silent", "--step-ms", "100", "--verbose", "--data", WindowsPath(data_)});
  Display* d = screen_->display();
  const Window window = WaitForWindow(d, "velkor", 60);
  ASSERT_NE(window, 0u) << show_->ErrorOutput();
  LitExtent lit;
  int status = -1;
  bool covered = false;
  while ((status = show_->WaitForExit(0)) == -1 && Seconds(started_) < 300) {
    const WindowBox box = WindowGeometry(d, window);
    covered = covered || (box.x == 0 && box.y == 0 && box.width == 1920 && box.height == 1080);
    lit.Add(ScreenImage(d, 0, 0, 1920, 1080));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
  }
  const double seconds = Seconds(started_);
  const std::string log = show_->ErrorOutput();
  ASSERT_EQ(status, 0) << log;
  std::printf("wine silent show: %.1f s\n", seconds);
  EXPECT_TRUE(covered) << "the window never covered the screen";
  EXPECT_NE(log.find("velkor: scene 5 begins"), std::string::npos) << log;
  // The picture reaches its edges at some time or other, and nothing is ever drawn beside it.
  EXPECT_GE(lit.First(lit.columns), 240);
  EXPECT_LE(lit.First(lit.columns), 250);
  EXPECT_LE(lit.Last(lit.columns), 1679);
  EXPECT_GE(lit.Last(lit.columns), 1669);
  EXPECT_LE(lit.First(lit.rows), 10);
  EXPECT_GE(lit.Last(lit.rows), 1068);
}

// The keys a person uses: Alt+Enter to a 640 x 480 window in the middle of
// the screen and back, then a short tap of Escape ends the show at once.
TEST_F(WineTest, AltEnterSwitchesAndAShortEscapeTapEndsTheShow) {
  Start(1920, 1080, ShowExe(), {"--silent", "--verbose", "--data", WindowsPath(data_)});
  Display* d = screen_->display();
  const Window window = WaitForWindow(d, "velkor", 60);
  ASSERT_NE(window, 0u) << show_->ErrorOutput();
  auto becomes = [&](int x, int y, int width, int height) {
    return Eventually([&] {
      const WindowBox box = WindowGeometry(d, window);
      return box.x == x && box.y == y && box.width == width && box.height == height;
    });
  };
  ASSERT_TRUE(becomes(0, 0, 1920, 1080));
  ASSERT_TRUE(Eventually([&] { return show_->ErrorOutput().find("scene 0 begins") != std::string::npos; }));
  TypeKey(d, window, XK_Return, XK_Alt_L);
  EXPECT_TRUE(becomes((1920 - 640) / 2, (1080 - 480) / 2, 640, 480));
  TypeKey(d, window, XK_Return, XK_Alt_L);
  EXPECT_TRUE(becomes(0, 0, 1920, 1080));
  TypeKey(d, window, XK_Escape, 0, 100);
  const auto tapped = Clock::now();
  EXPECT_EQ(show_->WaitForExit(10), 0) << show_->ErrorOutput();
  // (Wine on an X server without a window manager waits 2 s for the window
  // to be withdrawn before it lets the process go: the show itself ends at once.)
  std::printf("wine keys: the show ended %.2f s after the Escape tap\n", Seconds(tapped));
  const std::string log = show_->ErrorOutput();
  EXPECT_NE(log.find("velkor: window 640x480"), std::string::npos) << log;
  EXPECT_NE(log.find("velkor: fullscreen 1920x1080"), std::string::npos) << log;
}

// Through SDL's Windows audio, Wine's PulseAudio driver and a null sink: the
// music clock runs at the wall clock's pace, and after a jump near the end
// the show ends by itself when the music does.
TEST_F(WineTest, WithSoundTheClockFollowsTheMusicAndTheShowEndsByItself) {
  if (!PulseAudioInstalled()) GTEST_SKIP() << "PulseAudio is not installed";
  const PulseServer& pulse = StartSoundServer();
  ASSERT_TRUE(pulse.ready());
  const std::string times = dir_.path() + "/times.csv";
  Start(1920, 1080, ShowExe(), {"--frame-times", WindowsPath(times), "--verbose", "--data", WindowsPath(data_)},
        {"PULSE_SERVER=" + pulse.address()});
  Display* d = screen_->display();
  const Window window = WaitForWindow(d, "velkor", 60);
  ASSERT_NE(window, 0u) << show_->ErrorOutput();
  // Ten seconds of music as it plays.
  ASSERT_TRUE(Eventually([&] { return ReadFrameTimes(times).size() > 10; })) << show_->ErrorOutput();
  std::this_thread::sleep_for(std::chrono::seconds(10));
  const CommandResult inputs = RunCommand("PULSE_SERVER=" + Quote(pulse.address()) + " pactl list short sink-inputs");
  EXPECT_EQ(inputs.status, 0);
  EXPECT_FALSE(inputs.output.empty()) << "nothing plays into the sink";
  const std::vector<FrameTime> played = ReadFrameTimes(times);
  ASSERT_GT(played.size(), 20u);
  // From the second second on (past the device's start), over what played since.
  std::size_t from = 0;
  while (from < played.size() && played[from].wallMicros - played.front().wallMicros < 2000000) ++from;
  ASSERT_LT(from + 10, played.size());
  const FrameTime a = played[from], b = played.back();
  const double pace = static_cast<double>(b.musicMs - a.musicMs) / ((b.wallMicros - a.wallMicros) / 1000.0);
  std::printf("wine sound: music clock at %.3f x the wall clock over %.1f s\n", pace,
              (b.wallMicros - a.wallMicros) / 1e6);
  EXPECT_NEAR(pace, 1.0, 0.02);
  EXPECT_GT(b.musicMs, 3000);
  // The last scene, then a minute on: about 25 s of the show are left.
  for (int i = 0; i < 5; ++i) TypeKey(d, window, XK_Next);
  for (int i = 0; i < 2; ++i) TypeKey(d, window, XK_Right, XK_Shift_L);
  const auto jumped = Clock::now();
  ASSERT_TRUE(Eventually([&] {
    const std::vector<FrameTime> now = ReadFrameTimes(times);
    return !now.empty() && now.back().musicMs > 180000;
  })) << "the keys did not move the show on";
  const int status = show_->WaitForExit(90);
  std::printf("wine sound: the show ended %.1f s after the jump\n", Seconds(jumped));
  EXPECT_EQ(status, 0) << show_->ErrorOutput();
  const std::vector<FrameTime> all = ReadFrameTimes(times);
  ASSERT_FALSE(all.empty());
  EXPECT_GT(all.back().musicMs, 205000) << "it ended at the music's end";
}

// The music missing, with a sound device to play it on: Windows' own message
// boxes with the specified captions and texts, each answered with Return as
// a person would, then a failing status.
TEST_F(WineTest, AMissingMusicFileShowsTheBoxAndFails) {
  if (!PulseAudioInstalled()) GTEST_SKIP() << "PulseAudio is not installed";
  const PulseServer& pulse = StartSoundServer();
  ASSERT_TRUE(pulse.ready());
  TempDir data;
  for (const std::string& file : FilesBelow(data_))
    if (file != "mirok6.mp3") data.Write(file, ReadFileBytes(data_ + "/" + file));
  Start(1024, 768, ShowExe(), {"--windowed", "--data", WindowsPath(data.path())}, {"PULSE_SERVER=" + pulse.address()});
  Display* d = screen_->display();
  const Window box = WaitForWindow(d, "ERROR!", 60);
  ASSERT_NE(box, 0u) << show_->ErrorOutput();
  // The box is drawn (Wine's light grey dialog on the black screen), and waits.
  EXPECT_TRUE(Eventually([&] {
    const WindowBox where = WindowGeometry(d, box);
    const Image shown = ScreenImage(d, where.x, where.y, where.width, where.height);
    return std::count_if(shown.rgb.begin(), shown.rgb.end(), [](std::uint8_t v) { return v > 200; }) >
           static_cast<long>(shown.rgb.size() / 2);
  }));
  EXPECT_EQ(show_->WaitForExit(0), -1) << "it waits for the box to be answered";
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  TypeKey(d, box, XK_Return);
  ASSERT_TRUE(WaitForNoWindow(d, "ERROR!", 10)) << "Return did not answer the box";
  // Then the start-up's own failure.
  const Window failed = WaitForWindow(d, "ERROR", 20);
  ASSERT_NE(failed, 0u) << show_->ErrorOutput();
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  TypeKey(d, failed, XK_Return);
  const int status = show_->WaitForExit(30);
  EXPECT_NE(status, -1) << "still running after the boxes were answered";
  EXPECT_NE(status, 0);
  const std::string log = show_->ErrorOutput();
  EXPECT_NE(log.find("no mirok6.mp3 in"), std::string::npos) << log;
  EXPECT_EQ(log.find("no sound device"), std::string::npos) << "the sound device was there\n" << log;
}

// What a user downloads: unpacked into a folder of its own and started from
// elsewhere in a Wine prefix that has never run velkor, it plays the
// stand-in set beside it; the installer puts it into Program Files with a
// Start-menu entry, and its uninstaller takes it all away again.
TEST_F(WineTest, ThePackagesPlayFromTheirOwnFolderInAFreshPrefix) {
  ASSERT_TRUE(fs::exists(PackageZip())) << "scripts/windows-package.sh makes " << PackageZip();
  ASSERT_TRUE(fs::exists(PackageSetup())) << "scripts/windows-package.sh makes " << PackageSetup();
  TempDir fresh;
  prefix_ = fresh.path() + "/prefix";
  const std::string unpacked = fresh.path() + "/Downloads";
  ASSERT_EQ(RunCommand("unzip -q " + Quote(PackageZip()) + " -d " + Quote(unpacked)).status, 0);
  const std::string folder = unpacked + "/velkor-" VELKOR_VERSION "-windows-x64";
  for (const char* file : {"velkor.exe", "velkor-tools.exe", "SDL2.dll", "libmpg123-0.dll", "README.md",
                           "licences/velkor.txt", "licences/libsdl2.txt", "standin/mirok6.mp3"})
    EXPECT_TRUE(fs::exists(folder + "/" + file)) << file;
  Start(1024, 768, WindowsPath(folder + "/velkor.exe"), {"--silent", "--step-ms", "400", "--windowed", "--verbose"});
  EXPECT_EQ(show_->WaitForExit(240), 0) << show_->ErrorOutput();
  std::printf("wine zip: played in %.1f s, first start in a fresh prefix included\n", Seconds(started_));
  const std::string log = show_->ErrorOutput();
  std::string where = WindowsPath(folder) + "/standin (the stand-in set beside the program)";
  std::replace(where.begin(), where.end(), '\\', '/');  // the program writes its paths with '/'
  EXPECT_NE(log.find("velkor: data from " + where), std::string::npos) << log;
  EXPECT_NE(log.find("velkor: scene 5 begins"), std::string::npos) << log;

  // The installer and the uninstaller, silent, as an administrator deploys them.
  const std::vector<std::string> environment = WineEnvironment(prefix_, screen_->name());
  ChildProcess setup(kWine, {PackageSetup(), "/S"}, environment, dir_.path());
  ASSERT_EQ(setup.WaitForExit(120), 0) << setup.ErrorOutput();
  EndWineServer(prefix_);
  const std::string installed = prefix_ + "/drive_c/Program Files/velkor";
  const std::string menu = prefix_ + "/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/velkor";
  EXPECT_TRUE(fs::exists(installed + "/velkor.exe"));
  EXPECT_TRUE(fs::exists(installed + "/standin/data"));
  EXPECT_TRUE(fs::exists(menu + "/velkor.lnk"));
  EXPECT_TRUE(fs::exists(installed + "/uninstall.exe"));
  const std::string uninstallKey =
      "grep -c 'CurrentVersion\\\\\\\\Uninstall\\\\\\\\velkor\\]' " + Quote(prefix_ + "/system.reg");
  EXPECT_EQ(RunCommand(uninstallKey).output.substr(0, 1), "1") << "not in the installed programs";
  // The uninstaller hands over to a copy of itself in the temporary folder
  // (so that it can delete itself) and returns: its work is done when the
  // prefix's last process is.
  ChildProcess uninstall(kWine, {installed + "/uninstall.exe", "/S"}, environment, dir_.path());
  ASSERT_EQ(uninstall.WaitForExit(120), 0) << uninstall.ErrorOutput();
  EXPECT_EQ(RunCommand("WINEPREFIX=" + Quote(prefix_) + " timeout 120 wineserver -w").status, 0);
  EXPECT_FALSE(fs::exists(installed)) << "the installed folder is left";
  EXPECT_FALSE(fs::exists(menu)) << "the Start-menu entry is left";
  EXPECT_EQ(RunCommand(uninstallKey).output.substr(0, 1), "0") << "the entry in the installed programs is left";
}

}  // namespace
}  // namespace velkor::test
