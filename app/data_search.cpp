// The player's data directory search.
#include "app/data_search.h"

#include <cstdlib>
#include <filesystem>

#include "music/timeline.h"
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

std::vector<DataCandidate> DataCandidates(const std::string& flagDir) {
  std::vector<DataCandidate> out;
  if (!flagDir.empty()) out.push_back({flagDir, "--data", true});
  const std::string env = Environment("VELKOR_DATA");
  if (!env.empty()) out.push_back({env, "VELKOR_DATA", true});
  out.push_back({".", "the working directory", false});
  const std::string user = UserDataDirectory();
  if (!user.empty()) out.push_back({user, "the user's data directory", false});
  const std::string program = ProgramDirectory();
  if (!program.empty())
    out.push_back({std::filesystem::path(program + "/../share/velkor/standin").lexically_normal().string(),
                   "the installed stand-in set", false});
  return out;
}

DataCandidate ChooseDataDirectory(const std::vector<DataCandidate>& candidates) {
  for (const DataCandidate& c : candidates)
    if (c.takenAsGiven || DirectoryHoldsDataFile(c.dir, kMusicFileName)) return c;
  return {".", "the working directory", false};
}

const char* DataSearchText() {
  static const std::string text = std::string("data: --data DIR, else $VELKOR_DATA, else the working directory when it holds ") +
                                  kMusicFileName +
                                  ",\n  else $XDG_DATA_HOME/velkor (default ~/.local/share/velkor) when it does,"
                                  "\n  else the stand-in set installed with the program\n";
  return text.c_str();
}

}  // namespace velkor
