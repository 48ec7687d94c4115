// What the preloaded GL recorders share: the file an environment variable
// names, opened on first use, and the next definition of a function they
// stand in front of (the GL's own, or GLU's).
#pragma once

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>

namespace velkor::recorder {

// The file named by `variable`, opened for writing; null when it is not set.
inline FILE* OpenNamedFile(const char* variable) {
  const char* path = std::getenv(variable);
  return path ? std::fopen(path, "w") : nullptr;
}

template <typename F>
F Next(const char* name) {
  return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

}  // namespace velkor::recorder
