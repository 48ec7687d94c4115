// Case-insensitive, backslash-tolerant lookup of data files.
#include "platform/paths.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velkor {

namespace {

std::string dataDirectory;  // empty: the working directory

bool Exists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

// The entry of directory dir whose name equals name ignoring case, or name itself.
std::string MatchComponent(const std::string& dir, const std::string& name) {
  if (name == "." || name == "..") return name;
  const std::string probe = dir.empty() ? name : dir + "/" + name;
  if (Exists(probe)) return name;
  DIR* d = opendir(dir.empty() ? "." : dir.c_str());
  if (!d) return name;
  std::string found = name;
  while (dirent* e = readdir(d)) {
    if (strcasecmp(e->d_name, name.c_str()) == 0) {
      found = e->d_name;
      break;
    }
  }
  closedir(d);
  return found;
}

// How much of path (with '/' separators) names the root it starts from: "/",
// and on Windows a drive ("C:/", "C:") too; 0 for a relative path.
std::size_t RootLength(const std::string& path) {
  if (!path.empty() && path[0] == '/') return 1;
#ifdef _WIN32
  const bool letter = path.size() >= 2 && ((path[0] | 0x20) >= 'a' && (path[0] | 0x20) <= 'z');
  if (letter && path[1] == ':') return path.size() > 2 && path[2] == '/' ? 3 : 2;
#endif
  return 0;
}

}  // namespace

std::string ResolveDataPath(const char* dataPath) {
  std::string path = dataPath ? dataPath : "";
  for (char& c : path)
    if (c == '\\') c = '/';
  const std::string root = path.substr(0, RootLength(path));
  std::string result = root.empty() ? dataDirectory : root;
  std::size_t start = root.size();
  while (start <= path.size()) {
    std::size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    std::string part = path.substr(start, end - start);
    if (!part.empty()) {
      std::string dir = result;
      if (dir != root && dir.back() == '/') dir.pop_back();
      const std::string matched = MatchComponent(dir, part);
      if (!result.empty() && result.back() != '/') result += '/';
      result += matched;
    }
    start = end + 1;
  }
  return result;
}

void SetDataDirectory(const std::string& dir) {
  dataDirectory = dir;
  while (dataDirectory.size() > 1 && dataDirectory.back() == '/') dataDirectory.pop_back();
}

const std::string& DataDirectory() { return dataDirectory; }

bool DirectoryHoldsDataFile(const std::string& dir, const char* dataPath) {
  const std::string saved = dataDirectory;
  SetDataDirectory(dir.empty() ? "." : dir);
  const std::string path = ResolveDataPath(dataPath);
  dataDirectory = saved;
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

FILE* OpenDataFile(const char* dataPath, const char* mode) {
  const std::string path = ResolveDataPath(dataPath);
  struct stat st;
  if (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return nullptr;
  return std::fopen(path.c_str(), mode);
}

ReadFileResult ReadDataFile(const char* dataPath, std::size_t maxBytes, std::vector<std::uint8_t>& out) {
  out.clear();
  FILE* f = OpenDataFile(dataPath, "rb");
  if (!f) return ReadFileResult::NotFound;
  ReadFileResult result = ReadFileResult::Ok;
  std::uint8_t chunk[65536];
  for (;;) {
    const std::size_t n = std::fread(chunk, 1, sizeof chunk, f);
    if (n > 0) {
      if (out.size() + n > maxBytes) {
        result = ReadFileResult::TooLarge;
        break;
      }
      out.insert(out.end(), chunk, chunk + n);
    }
    if (n < sizeof chunk) {
      if (std::ferror(f)) result = ReadFileResult::ReadError;
      break;
    }
  }
  std::fclose(f);
  if (result != ReadFileResult::Ok) out.clear();
  return result;
}

const char* ReadFileResultText(ReadFileResult result) {
  switch (result) {
    case ReadFileResult::Ok: return "read";
    case ReadFileResult::NotFound: return "cannot open the file";
    case ReadFileResult::TooLarge: return "file too large";
    case ReadFileResult::ReadError: return "read error";
  }
  return "read error";
}

}  // namespace velkor
