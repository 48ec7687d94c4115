// The player's data directory search.
#include "app/data_search.h"

#include <cstdlib>

#include "music/timeline.h"
#include "platform/paths.h"

namespace velkor {

namespace {

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

}  // namespace

std::vector<DataCandidate> DataCandidates(const std::string& flagDir) {
  std::vector<DataCandidate> out;
  if (!flagDir.empty()) out.push_back({flagDir, "--data", true});
  const std::string env = Environment("VELKOR_DATA");
  if (!env.empty()) out.push_back({env, "VELKOR_DATA", true});
  out.push_back({".", "the working directory", false});
  for (const SystemDataPlace& place : SystemDataPlaces()) out.push_back({place.dir, place.description, false});
  return out;
}

DataCandidate ChooseDataDirectory(const std::vector<DataCandidate>& candidates) {
  for (const DataCandidate& c : candidates)
    if (c.takenAsGiven || DirectoryHoldsDataFile(c.dir, kMusicFileName)) return c;
  return {".", "the working directory", false};
}

const char* DataSearchText() {
  static const std::string text = std::string("data: --data DIR, else $VELKOR_DATA, else the working directory when it holds ") +
                                  kMusicFileName + ",\n" + SystemDataPlacesText();
  return text.c_str();
}

}  // namespace velkor
