// Texture loaders (placeholder until the loaders land).
#include "assets/texture.h"

namespace velkor {

std::uint8_t overlayPixels[kOverlaySize * kOverlaySize * 4];

bool LoadTgaTexture(TextureRecord*, const char*) { return false; }
int LoadJpegTexture(const char*, GLuint*) { return 1; }
int LoadJpegTextureMipmapped(const char*, GLuint*) { return 1; }
void ComposeAlphaTexture(const TextureRecord&, const TextureRecord&, GLuint) {}

}  // namespace velkor
