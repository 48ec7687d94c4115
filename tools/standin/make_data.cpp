// velkor-tools make-data DIR: writes the stand-in data set (every file the show
// opens) into DIR. The music is synthesised on a second thread while the
// pictures and meshes are made; the bytes never depend on timing.
#include "tools/standin/standin.h"

#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "tools/standin/standin_files.h"

namespace velkor {

namespace {

bool WriteOne(const std::string& root, const char* relative, const std::vector<std::uint8_t>& bytes,
              std::size_t& total) {
  const std::string path = root + "/" + relative;
  if (!WriteBytesFile(path, bytes)) {
    std::fprintf(stderr, "velkor-tools: cannot write %s\n", path.c_str());
    return false;
  }
  total += bytes.size();
  std::printf("wrote %s (%zu bytes)\n", relative, bytes.size());
  std::fflush(stdout);
  return true;
}

}  // namespace

int MakeDataCommand(int argc, char** argv) {
  if (argc != 1) {
    std::fprintf(stderr, "usage: velkor-tools make-data DIR\n");
    return 2;
  }
  const std::string root = argv[0];
  std::vector<std::uint8_t> music;
  std::thread musicThread([&music] { music = MakeStandinMusic(); });

  std::size_t count = 0;
  const StandinFile* files = StandinFiles(&count);
  std::size_t total = 0;
  bool ok = true;
  const StandinFile* musicEntry = nullptr;
  for (std::size_t i = 0; i < count && ok; ++i) {
    if (files[i].kind == StandinKind::Music) {
      musicEntry = &files[i];
      continue;
    }
    const std::vector<std::uint8_t> bytes = MakeStandinFileBytes(files[i]);
    if (bytes.empty()) {
      std::fprintf(stderr, "velkor-tools: could not make %s\n", files[i].path);
      ok = false;
      break;
    }
    ok = WriteOne(root, files[i].path, bytes, total);
  }
  musicThread.join();
  if (!ok) return 1;
  if (musicEntry != nullptr) {
    if (music.empty()) {
      std::fprintf(stderr, "velkor-tools: the music synthesiser produced no data; %s not written\n",
                   musicEntry->path);
      return 1;
    }
    if (!WriteOne(root, musicEntry->path, music, total)) return 1;
  }
  std::printf("stand-in data: %zu files, %zu bytes in %s\n", count, total, root.c_str());
  return 0;
}

}  // namespace velkor
