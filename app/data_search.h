// Where the player finds its data when it is not started inside it: a fixed
// order of candidate directories, the first usable one wins.
#pragma once

#include <string>
#include <vector>

namespace velkor {

struct DataCandidate {
  std::string dir;
  const char* why;         // "--data", "VELKOR_DATA", ... for the start-up line
  bool takenAsGiven;       // used even without the music file (the user named it)
};

// In order: --data DIR; $VELKOR_DATA; the working directory; then the
// system's own places (on Linux the user's data directory, $XDG_DATA_HOME/velkor,
// and the stand-in set installed beside the program; on Windows the program's
// folder, %APPDATA%\velkor and the stand-in set in the program's folder).
std::vector<DataCandidate> DataCandidates(const std::string& flagDir);

// The first candidate named by the user, or holding the music file; the
// working directory when none does (the show then reports the missing music).
DataCandidate ChooseDataDirectory(const std::vector<DataCandidate>& candidates);

// The order above in words, for --help.
const char* DataSearchText();

}  // namespace velkor
