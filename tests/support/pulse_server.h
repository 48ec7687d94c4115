// A PulseAudio server of a test's own, in a private runtime directory, with
// one null sink; SDL and the show reach it through PULSE_SERVER=address().
#pragma once

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

namespace velkor::test {

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

inline bool PulseAudioInstalled() {
  return std::system("command -v pulseaudio >/dev/null && command -v pactl >/dev/null") == 0;
}

}  // namespace velkor::test
