// Temporary directories and file helpers for tests.
#include "support/test_files.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace velkor::test {

namespace fs = std::filesystem;

TempDir::TempDir() {
  std::string pattern = (fs::temp_directory_path() / "velkor-test-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

std::string TempDir::Write(const std::string& relative, const std::vector<std::uint8_t>& bytes) const {
  const fs::path full = fs::path(path_) / relative;
  fs::create_directories(full.parent_path());
  std::ofstream out(full, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return full.string();
}

std::string TempDir::Write(const std::string& relative, const std::string& text) const {
  return Write(relative, std::vector<std::uint8_t>(text.begin(), text.end()));
}

ScopedWorkingDirectory::ScopedWorkingDirectory(const std::string& dir) {
  previous_ = fs::current_path().string();
  fs::current_path(dir);
}

ScopedWorkingDirectory::~ScopedWorkingDirectory() {
  std::error_code ec;
  fs::current_path(previous_, ec);
}

std::vector<std::uint8_t> ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string Quote(const std::string& s) {
  std::string quoted = "'";
  for (char c : s) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

CommandResult RunCommand(const std::string& command) {
  CommandResult result{-1, {}};
  FILE* p = popen((command + " 2>&1").c_str(), "r");
  if (!p) return result;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0) result.output.append(buffer, n);
  const int raw = pclose(p);
  result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return result;
}

std::string ProgramPath(const char* environmentName) {
  const char* value = std::getenv(environmentName);
  if (value && *value) return value;
  const std::string name = environmentName;
  if (name == "VELKOR_TOOLS") return VELKOR_TOOLS_PATH;
  if (name == "VELKOR_SHOW") return VELKOR_SHOW_PATH;
  if (name == "VELKOR_SOURCE_DIR") return VELKOR_SOURCE_DIR_PATH;
  return "";
}

}  // namespace velkor::test
