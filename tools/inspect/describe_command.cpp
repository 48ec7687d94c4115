// velkor-tools inspect FILE: describes an image or mesh file as one JSON object.
#include "tools/inspect/describe.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <strings.h>

namespace velkor {

namespace {
bool HasExtension(const std::string& path, const char* ext) {
  const std::size_t n = std::strlen(ext);
  return path.size() >= n && strcasecmp(path.c_str() + path.size() - n, ext) == 0;
}
}  // namespace

int InspectCommand(int argc, char** argv) {
  if (argc != 1) {
    std::fprintf(stderr, "usage: velkor-tools inspect FILE\n");
    return 2;
  }
  const std::string path = argv[0];
  std::string json;
  bool ok;
  if (HasExtension(path, ".tga")) ok = InspectTga(path.c_str(), json);
  else if (HasExtension(path, ".jpg") || HasExtension(path, ".jpeg")) ok = InspectJpeg(path.c_str(), json);
  else ok = InspectMesh(path.c_str(), json);
  std::printf("%s\n", json.c_str());
  return ok ? 0 : 1;
}

}  // namespace velkor
