// SDL's video start-up and nothing else, for the tests to see what SDL itself
// does on a compositor, without the player's look at it first: prints the
// driver it started on standard error and ends with 0, or SDL's error and 1.
#include <SDL2/SDL.h>

#include <cstdio>

int main() {
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    std::fprintf(stderr, "failed: %s\n", SDL_GetError());
    return 1;
  }
  std::fprintf(stderr, "%s\n", SDL_GetCurrentVideoDriver());
  SDL_Quit();
  return 0;
}
