// The table of stand-in files and the encoding of each entry.
#include "tools/standin_files.h"

#include <cstring>

#include "platform/jpeg.h"
#include "tools/image_writers.h"
#include "tools/standin_images.h"
#include "tools/standin_meshes.h"

namespace velkor {

namespace {

constexpr int kJpegQuality = 90;

constexpr StandinFile Tga(const char* path, StandinImage (*paint)(), int scene) {
  return {path, StandinKind::Tga, 256, 256, 24, paint, nullptr, scene};
}

constexpr StandinFile Jpeg(const char* path, StandinImage (*paint)(), int scene) {
  return {path, StandinKind::Jpeg, 512, 512, 24, paint, nullptr, scene};
}

constexpr StandinFile Mesh(const char* path, MeshFileDesc (*build)(), int scene) {
  return {path, StandinKind::Mesh, 0, 0, 0, nullptr, build, scene};
}

const StandinFile kFiles[] = {
    // Scene 0
    Mesh("data/part01_max.bin", BuildBasinFile, 0),
    Mesh("data/part01_max2.bin", BuildCrystalFile, 0),
    Tga("data/texpart01/meadow.tga", PaintMeadowTexture, 0),
    Tga("data/texpart01/rock.tga", PaintRockTexture, 0),
    Tga("data/texpart01/snow.tga", PaintSnowTexture, 0),
    Tga("data/texpart01/petal.tga", PaintPetalTexture, 0),
    // Scene 1
    Jpeg("data/texpart02/pelto.jpg", PaintFieldPhoto, 1),
    Jpeg("data/texpart02/sarv.jpg", PaintLakePhoto, 1),
    Jpeg("data/texpart02/kel.jpg", PaintMountainPhoto, 1),
    Jpeg("data/birdie.jpg", PaintBirdPicture, 1),
    // Scene 2
    Mesh("data/part03_max.bin", BuildCloudCameraFile, 2),
    Mesh("data/part03_max2.bin", BuildSpriteFile, 2),
    Tga("data/texpart03/spark.tga", PaintSparkSprite, 2),
    Tga("data/texpart03/glow.tga", PaintGlowSprite, 2),
    Tga("data/texpart03/texture02.tga", PaintFrameOverlay, 2),
    Tga("data/texpart03/texture03.tga", PaintFrameOverlayMask, 2),
    Jpeg("data/texpart03/dikt.jpg", PaintPoemStrip, 2),
    // Scene 3
    Mesh("data/part04_max.bin", BuildGardenCameraFile, 3),
    Mesh("data/part04_max2.bin", BuildGardenFile, 3),
    Tga("data/texpart04/slate.tga", PaintSlateTexture, 3),
    Tga("data/texpart04/marble.tga", PaintMarbleTexture, 3),
    Tga("data/texpart04/bronze.tga", PaintBronzeTexture, 3),
    Tga("data/texpart04/texture04.tga", PaintGlassTexture, 3),
    Tga("data/texpart04/texture05.tga", PaintGlassAlpha, 3),
    Tga("data/texpart04/texture07.tga", PaintGoldGlow, 3),
    Tga("data/texpart04/woman.tga", PaintFigurePicture, 3),
    Tga("data/texpart04/womana.tga", PaintFigureMask, 3),
    // Scene 4
    Mesh("data/part06_max.bin", BuildTunnelFile, 4),
    Tga("data/texpart06/caustic.tga", PaintCausticTexture, 4),
    Tga("data/texpart06/ripple.tga", PaintRippleTexture, 4),
    Jpeg("data/texpart06/frog00.jpg", PaintPondPicture, 4),
    Jpeg("data/texpart06/frog01.jpg", PaintFrogMoonPicture, 4),
    Jpeg("data/texpart06/frog02.jpg", PaintFrogFacePicture, 4),
    Jpeg("data/texpart06/frog03.jpg", PaintFirefliesPicture, 4),
    // Scene 5
    Tga("data/texpart05/bee.tga", PaintHoneycombBackground, 5),
    Tga("data/texpart05/frame01.tga", PaintSunflowerFrame, 5),
    Tga("data/texpart05/framea.tga", PaintFrameMask, 5),
    Tga("data/texpart05/frame02.tga", PaintLavenderFrame, 5),
    Tga("data/texpart05/frame03.tga", PaintSailFrame, 5),
    Tga("data/texpart05/frame04.tga", PaintMoonFrame, 5),
    Jpeg("data/texpart05/s0.jpg", PaintBeachPhoto, 5),
    Jpeg("data/texpart05/s1.jpg", PaintPoppyPhoto, 5),
    Jpeg("data/texpart05/s2.jpg", PaintSunrisePhoto, 5),
    Jpeg("data/texpart05/s3.jpg", PaintForestPhoto, 5),
    Jpeg("data/texpart05/s4.jpg", PaintAuroraPhoto, 5),
    // Music, made by the synthesiser.
    {"mirok6.mp3", StandinKind::Music, 0, 0, 0, nullptr, nullptr, -1},
};

// The picture's rows bottom first, as TGA stores them.
std::vector<std::uint8_t> TgaBytes(const StandinImage& image) {
  return EncodeTga(FlipRows(image).rgb, image.width, image.height, 24);
}

}  // namespace

const StandinFile* StandinFiles(std::size_t* count) {
  *count = sizeof(kFiles) / sizeof(kFiles[0]);
  return kFiles;
}

const StandinFile* FindStandinFile(const char* path) {
  for (const StandinFile& f : kFiles)
    if (std::strcmp(f.path, path) == 0) return &f;
  return nullptr;
}

std::vector<std::uint8_t> MakeStandinFileBytes(const StandinFile& file) {
  switch (file.kind) {
    case StandinKind::Mesh:
      return BuildMeshFile(file.build());
    case StandinKind::Tga: {
      const StandinImage image = file.paint();
      if (image.width != file.width || image.height != file.height) return {};
      return TgaBytes(image);
    }
    case StandinKind::Jpeg: {
      const StandinImage image = file.paint();
      if (image.width != file.width || image.height != file.height) return {};
      return EncodeJpegRgb(FlipRows(image).rgb, image.width, image.height, kJpegQuality);
    }
    case StandinKind::Music:
      break;
  }
  return {};
}

}  // namespace velkor
