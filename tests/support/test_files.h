// Temporary directories and small file helpers for tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace velkor::test {

// A fresh empty directory under the system's temporary directory, removed
// with its contents when the object goes away.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  // path()/relative, creating parent directories.
  std::string Write(const std::string& relative, const std::vector<std::uint8_t>& bytes) const;
  std::string Write(const std::string& relative, const std::string& text) const;

 private:
  std::string path_;
};

// Changes the working directory for the lifetime of the object.
class ScopedWorkingDirectory {
 public:
  explicit ScopedWorkingDirectory(const std::string& dir);
  ~ScopedWorkingDirectory();

 private:
  std::string previous_;
};

std::vector<std::uint8_t> ReadFileBytes(const std::string& path);

// Output of a shell command and its exit status.
struct CommandResult {
  int status;
  std::string output;
};
CommandResult RunCommand(const std::string& command);
// s as one shell word, in single quotes.
std::string Quote(const std::string& s);

// Path of a built program: "VELKOR_TOOLS", "VELKOR_SHOW" (or "VELKOR_SOURCE_DIR"
// for the source tree); an environment variable of that name overrides.
std::string ProgramPath(const char* environmentName);

}  // namespace velkor::test
