// Data file paths as the show names them ("data\texpart01\rock.tga"): backslashes
// are separators, and a component that is not found as written is matched
// case-insensitively, so data copied from Windows opens unchanged.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace velkor {

// Where relative data paths are found: dir (taken as it is, not matched
// case-insensitively), or the working directory when empty, the default.
void SetDataDirectory(const std::string& dir);
const std::string& DataDirectory();

// Whether dir holds the data file (matched as ResolveDataPath matches it).
bool DirectoryHoldsDataFile(const std::string& dir, const char* dataPath);

// The directory of the running program, or empty when it cannot be told.
std::string ProgramDirectory();

// Where the player looks for its data after the working directory, in the
// order it looks: as the system at hand keeps a program's data.
struct SystemDataPlace {
  std::string dir;
  const char* description;  // "the user's data directory", ...
};
std::vector<SystemDataPlace> SystemDataPlaces();

// Those places as --help lists them, each line starting "  else ".
const char* SystemDataPlacesText();

// The file system path for a data path, relative to the data directory.
// When no existing file matches, the path with '/' separators as written.
std::string ResolveDataPath(const char* dataPath);

// fopen on the resolved path; null when it cannot be opened.
FILE* OpenDataFile(const char* dataPath, const char* mode);

enum class ReadFileResult { Ok, NotFound, TooLarge, ReadError };

// Reads a whole data file into out, refusing files larger than maxBytes.
ReadFileResult ReadDataFile(const char* dataPath, std::size_t maxBytes, std::vector<std::uint8_t>& out);

// Why a read failed, for messages: "cannot open the file", "file too large", "read error".
const char* ReadFileResultText(ReadFileResult result);

}  // namespace velkor
