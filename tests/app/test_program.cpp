// The show program run as a child process without a display: start-up failures
// are reported in order and end it with a failing status.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/test_files.h"

namespace velkor {
namespace {

TEST(ProgramTest, StartUpFailuresAreReportedAndEndTheProgram) {
  const std::string show = test::ProgramPath("VELKOR_SHOW");
  ASSERT_FALSE(show.empty()) << "VELKOR_SHOW not set";
  const struct {
    const char* name;
    const char* file;  // written into the working directory, when set
    const char* environment;
    const char* arguments;
    int status;
    std::vector<std::string> messages;  // in this order
  } cases[] = {
      {"no video system", nullptr, "SDL_VIDEODRIVER=nonexistent", "", 1,
       {"ERROR: Failed To Register The Window Class."}},
      {"a data directory but no music", "data/readme.txt", "SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy",
       "--windowed --data data", 1,
       {"ERROR!: File Not Found!", "no mirok6.mp3 in data;", "velkor-tools make-data", "ERROR: Initialization Failed."}},
      {"no audio device", "mirok6.mp3", "SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=nonexistent", "--windowed", 1,
       {"ERROR!: Error initializing output device.", "--silent plays the show without sound",
        "ERROR: Initialization Failed."}},
      {"an unknown argument", nullptr, "", "--bogus", 2, {"unknown argument '--bogus'", "usage"}},
      {"a value out of range", nullptr, "", "--msaa 3", 2, {"bad value '3' for --msaa", "usage"}},
      {"a data directory that is not there", nullptr, "", "--data nowhere", 2, {"--data nowhere: no such directory"}},
      {"help", nullptr, "", "--help", 0, {"--silent", "--loop", "Alt+Enter", "Page Down"}},
  };
  for (const auto& c : cases) {
    test::TempDir dir;  // a name with a space and a quote must not matter
    const std::string work = dir.path() + "/it's here";
    dir.Write(std::string("it's here/") + (c.file ? c.file : ".keep"), std::string("not looked at"));
    const test::CommandResult r =
        test::RunCommand("cd " + test::Quote(work) + " && timeout 60 env -u DISPLAY -u WAYLAND_DISPLAY " +
                         c.environment + " " + test::Quote(show) + " " + c.arguments);
    EXPECT_EQ(r.status, c.status) << c.name << "\n" << r.output;
    std::size_t from = 0;
    for (const std::string& m : c.messages) {
      const std::size_t at = r.output.find(m, from);
      EXPECT_NE(at, std::string::npos) << c.name << ": no \"" << m << "\" in order in\n" << r.output;
      from = at == std::string::npos ? from : at + m.size();
    }
  }
}

}  // namespace
}  // namespace velkor
