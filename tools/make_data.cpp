// velkor-tools make-data.
#include "tools/tools.h"

#include <cstdio>

namespace velkor {

int MakeDataCommand(int, char**) {
  std::fprintf(stderr, "velkor-tools: make-data is not available yet\n");
  return 2;
}

}  // namespace velkor
