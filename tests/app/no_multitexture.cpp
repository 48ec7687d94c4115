// Preloaded into the show by its tests: SDL answers no ARB multitexture entry
// point, as a GL without the extension would, and says so on standard error.
#include <dlfcn.h>

#include <cstdio>
#include <cstring>

extern "C" void* SDL_GL_GetProcAddress(const char* name) {
  using Lookup = void* (*)(const char*);
  static const Lookup next = reinterpret_cast<Lookup>(dlsym(RTLD_NEXT, "SDL_GL_GetProcAddress"));
  if (std::strstr(name, "MultiTexCoord") || std::strstr(name, "ActiveTexture")) {
    std::fprintf(stderr, "no_multitexture: no %s\n", name);
    return nullptr;
  }
  return next ? next(name) : nullptr;
}
