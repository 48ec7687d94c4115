// velkor-tools inspect.
#include "tools/tools.h"

#include <cstdio>

namespace velkor {

int InspectCommand(int, char**) {
  std::fprintf(stderr, "velkor-tools: inspect is not available yet\n");
  return 2;
}

}  // namespace velkor
