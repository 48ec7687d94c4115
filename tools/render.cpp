// velkor-tools render.
#include "tools/tools.h"

#include <cstdio>

namespace velkor {

int RenderCommand(int, char**) {
  std::fprintf(stderr, "velkor-tools: render is not available yet\n");
  return 2;
}

}  // namespace velkor
