// Where the program is, and where Windows keeps a program's data: the
// program's own folder first (the original data copied beside velkor.exe, as
// it was played), then the user's application data, then the stand-in set
// unpacked with the program.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/console.h"
#include "platform/paths.h"

namespace velkor {

namespace {

// path as UTF-8, with '/' separators, as the rest of the program writes paths.
std::string Utf8Path(const wchar_t* path) {
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, path, -1, nullptr, 0, nullptr, nullptr);
  if (bytes <= 1) return "";
  std::string out(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, path, -1, out.data(), bytes, nullptr, nullptr);
  out.resize(static_cast<std::size_t>(bytes - 1));
  for (char& c : out)
    if (c == '\\') c = '/';
  return out;
}

std::string UserDataDirectory() {
  const wchar_t* appData = _wgetenv(L"APPDATA");
  if (!appData || !*appData) return "";
  return Utf8Path(appData) + "/velkor";
}

}  // namespace

std::string ProgramDirectory() {
  // Long paths: the buffer grows until the whole name fits.
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return "";
    if (n < buffer.size()) {
      buffer.resize(n);
      break;
    }
    if (buffer.size() >= 32768) return "";
    buffer.resize(buffer.size() * 2);
  }
  const std::string path = Utf8Path(buffer.c_str());
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? "" : path.substr(0, slash);
}

std::vector<SystemDataPlace> SystemDataPlaces() {
  std::vector<SystemDataPlace> out;
  const std::string program = ProgramDirectory();
  if (!program.empty()) out.push_back({program, "the program's folder"});
  const std::string user = UserDataDirectory();
  if (!user.empty()) out.push_back({user, "the user's data folder"});
  if (!program.empty()) out.push_back({program + "/standin", "the stand-in set beside the program"});
  return out;
}

const char* SystemDataPlacesText() {
  return "  else the program's own folder when it does,\n"
         "  else %APPDATA%\\velkor when it does,\n"
         "  else the stand-in set in the program's folder (standin\\)\n";
}

void UseStartingConsole() {
  const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE), err = GetStdHandle(STD_ERROR_HANDLE);
  const bool outGiven = out != nullptr && out != INVALID_HANDLE_VALUE;
  const bool errGiven = err != nullptr && err != INVALID_HANDLE_VALUE;
  if (outGiven && errGiven) return;
  if (!AttachConsole(ATTACH_PARENT_PROCESS)) return;
  if (!outGiven) std::freopen("CONOUT$", "w", stdout);
  if (!errGiven) std::freopen("CONOUT$", "w", stderr);
}

}  // namespace velkor
