// Where the program is, and where a Linux system keeps its data: the XDG
// data directory, then the stand-in set installed beside the program.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "platform/console.h"
#include "platform/paths.h"

namespace velkor {

namespace {

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

std::string UserDataDirectory() {
  const std::string xdg = Environment("XDG_DATA_HOME");
  if (!xdg.empty()) return xdg + "/velkor";
  const std::string home = Environment("HOME");
  return home.empty() ? "" : home + "/.local/share/velkor";
}

}  // namespace

std::string ProgramDirectory() {
  char buffer[4096];
  const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return "";
  const std::string path(buffer, static_cast<std::size_t>(n));
  return path.substr(0, path.rfind('/'));
}

std::vector<SystemDataPlace> SystemDataPlaces() {
  std::vector<SystemDataPlace> out;
  const std::string user = UserDataDirectory();
  if (!user.empty()) out.push_back({user, "the user's data directory"});
  const std::string program = ProgramDirectory();
  if (!program.empty())
    out.push_back({std::filesystem::path(program + "/../share/velkor/standin").lexically_normal().string(),
                   "the installed stand-in set"});
  return out;
}

const char* SystemDataPlacesText() {
  return "  else $XDG_DATA_HOME/velkor (default ~/.local/share/velkor) when it does,\n"
         "  else the stand-in set installed with the program\n";
}

void UseStartingConsole() {}

}  // namespace velkor
