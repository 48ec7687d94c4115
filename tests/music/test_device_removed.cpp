// A sound device that goes away while the music plays, for real: a private
// PulseAudio server with one null sink is started, SDL plays into it, and the
// sink is unloaded (as when headphones are pulled) or the server dies. SDL
// then stops the device on its own; the clock must carry on without stepping back.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "music/music.h"
#include "music/test_music_tone.h"
#include "platform/log.h"
#include "platform/message_box.h"
#include "support/test_files.h"

namespace velkor {
namespace {

// A PulseAudio server of the test's own, in a private runtime directory.
class PulseServer {
 public:
  explicit PulseServer(const std::string& runtime) : runtime_(runtime) {
    const std::string socket = runtime + "/native";
    pid_ = fork();
    if (pid_ == 0) {
      setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
      setenv("HOME", runtime.c_str(), 1);
      const std::string unix = "module-native-protocol-unix auth-anonymous=1 socket=" + socket;
      execlp("pulseaudio", "pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no",
             "--disable-shm=yes", "--log-level=error", "-L", unix.c_str(), "-L", "module-null-sink sink_name=velkor_test", nullptr);
      _exit(127);
    }
    struct stat info;
    for (int i = 0; i < 500 && stat(socket.c_str(), &info) != 0; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ready_ = stat(socket.c_str(), &info) == 0;
    server_ = "unix:" + socket;
  }
  ~PulseServer() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }
  bool ready() const { return ready_; }
  const std::string& address() const { return server_; }
  // The sink goes, as a pulled plug takes it; no other sink is left to move to.
  bool UnloadSink() const {
    return std::system(("PULSE_SERVER=" + server_ + " pactl unload-module module-null-sink").c_str()) == 0;
  }
  void Kill() {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

 private:
  std::string runtime_, server_;
  pid_t pid_ = -1;
  bool ready_ = false;
};

// Polls the clock for a while: it must never step back. Returns the last position.
int WatchClock(int untilMs, int& last) {
  const auto start = std::chrono::steady_clock::now();
  while (last < untilMs && std::chrono::steady_clock::now() - start < std::chrono::seconds(6)) {
    const int ms = MusicPositionMs();
    EXPECT_GE(ms, last) << "the position stepped back";
    last = ms;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return last;
}

TEST(DeviceRemovedTest, TheClockCarriesOnWhenTheSinkOrTheServerGoes) {
  if (std::system("command -v pulseaudio >/dev/null && command -v pactl >/dev/null") != 0)
    GTEST_SKIP() << "needs pulseaudio and pactl (scripts/install-deps.sh installs them)";
  SetMessageBoxSink([](const char*, const char*, MessageBoxButtons, MessageBoxIcon) { return MessageBoxAnswer::Ok; });
  static int lines;
  SetLogSink([](const char*) { ++lines; });
  const std::vector<std::uint8_t> track = test::EncodeToneMp3(10.0, 44100, 2);
  for (const bool killServer : {false, true}) {
    test::TempDir dir;
    chmod(dir.path().c_str(), 0700);
    const test::ScopedWorkingDirectory cwd(dir.path());
    dir.Write("mirok6.mp3", track);
    PulseServer server(dir.path());
    ASSERT_TRUE(server.ready()) << "the PulseAudio server did not start";
    setenv("SDL_AUDIODRIVER", "pulseaudio", 1);
    setenv("PULSE_SERVER", server.address().c_str(), 1);
    lines = 0;
    ASSERT_TRUE(StartMusic()) << "no playback on the test's own server";
    int last = 0;
    WatchClock(800, last);
    ASSERT_GE(last, 800) << "the music did not play";
    if (killServer)
      server.Kill();
    else
      ASSERT_TRUE(server.UnloadSink());
    const int removedAt = last;
    WatchClock(removedAt + 2500, last);
    StopMusic();
    EXPECT_GE(last, removedAt + 2500) << (killServer ? "server killed" : "sink unloaded") << ": the clock stalled";
    EXPECT_EQ(lines, 1) << "one line when the sound stops";
  }
  unsetenv("PULSE_SERVER");
  SetLogSink(nullptr);
  SetMessageBoxSink(nullptr);
}

}  // namespace
}  // namespace velkor
