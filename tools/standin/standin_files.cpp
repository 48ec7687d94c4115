// The table of stand-in files and the encoding of each entry.
#include "tools/standin/standin_files.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "music/timeline.h"
#include "platform/jpeg.h"
#include "tools/standin/image_writers.h"
#include "tools/standin/standin_images.h"
#include "tools/standin/standin_meshes.h"

namespace velkor {

namespace {

constexpr int kJpegQuality = 90;

constexpr StandinFile Tga(const char* path, StandinImage (*paint)()) {
  return {path, StandinKind::Tga, kTextureSize, kTextureSize, 24, paint, nullptr};
}

constexpr StandinFile Jpeg(const char* path, StandinImage (*paint)()) {
  return {path, StandinKind::Jpeg, kPictureSize, kPictureSize, 24, paint, nullptr};
}

constexpr StandinFile Mesh(const char* path, MeshFileDesc (*build)()) {
  return {path, StandinKind::Mesh, 0, 0, 0, nullptr, build};
}

const StandinFile kFiles[] = {
    // Scene 0
    Mesh("data/part01_max.bin", BuildBasinFile),
    Mesh("data/part01_max2.bin", BuildCrystalFile),
    Tga("data/texpart01/meadow.tga", PaintMeadowTexture),
    Tga("data/texpart01/rock.tga", PaintRockTexture),
    Tga("data/texpart01/snow.tga", PaintSnowTexture),
    Tga("data/texpart01/petal.tga", PaintPetalTexture),
    // Scene 1
    Jpeg("data/texpart02/pelto.jpg", PaintFieldPhoto),
    Jpeg("data/texpart02/sarv.jpg", PaintLakePhoto),
    Jpeg("data/texpart02/kel.jpg", PaintMountainPhoto),
    Jpeg("data/birdie.jpg", PaintBirdPicture),
    // Scene 2
    Mesh("data/part03_max.bin", BuildCloudCameraFile),
    Mesh("data/part03_max2.bin", BuildSpriteFile),
    Tga("data/texpart03/spark.tga", PaintSparkSprite),
    Tga("data/texpart03/glow.tga", PaintGlowSprite),
    Tga("data/texpart03/texture02.tga", PaintFrameOverlay),
    Tga("data/texpart03/texture03.tga", PaintFrameOverlayMask),
    Jpeg("data/texpart03/dikt.jpg", PaintPoemStrip),
    // Scene 3
    Mesh("data/part04_max.bin", BuildGardenCameraFile),
    Mesh("data/part04_max2.bin", BuildGardenFile),
    Tga("data/texpart04/slate.tga", PaintSlateTexture),
    Tga("data/texpart04/marble.tga", PaintMarbleTexture),
    Tga("data/texpart04/bronze.tga", PaintBronzeTexture),
    Tga("data/texpart04/texture04.tga", PaintGlassTexture),
    Tga("data/texpart04/texture05.tga", PaintGlassAlpha),
    Tga("data/texpart04/texture07.tga", PaintGoldGlow),
    Tga("data/texpart04/woman.tga", PaintFigurePicture),
    Tga("data/texpart04/womana.tga", PaintFigureMask),
    // Scene 4
    Mesh("data/part06_max.bin", BuildTunnelFile),
    Tga("data/texpart06/caustic.tga", PaintCausticTexture),
    Tga("data/texpart06/ripple.tga", PaintRippleTexture),
    Jpeg("data/texpart06/frog00.jpg", PaintPondPicture),
    Jpeg("data/texpart06/frog01.jpg", PaintFrogMoonPicture),
    Jpeg("data/texpart06/frog02.jpg", PaintFrogFacePicture),
    Jpeg("data/texpart06/frog03.jpg", PaintFirefliesPicture),
    // Scene 5
    Tga("data/texpart05/bee.tga", PaintHoneycombBackground),
    Tga("data/texpart05/frame01.tga", PaintSunflowerFrame),
    Tga("data/texpart05/framea.tga", PaintFrameMask),
    Tga("data/texpart05/frame02.tga", PaintLavenderFrame),
    Tga("data/texpart05/frame03.tga", PaintSailFrame),
    Tga("data/texpart05/frame04.tga", PaintMoonFrame),
    Jpeg("data/texpart05/s0.jpg", PaintBeachPhoto),
    Jpeg("data/texpart05/s1.jpg", PaintPoppyPhoto),
    Jpeg("data/texpart05/s2.jpg", PaintSunrisePhoto),
    Jpeg("data/texpart05/s3.jpg", PaintForestPhoto),
    Jpeg("data/texpart05/s4.jpg", PaintAuroraPhoto),
    // Music, made by the synthesiser.
    {kMusicFileName, StandinKind::Music, 0, 0, 0, nullptr, nullptr},
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

bool WriteBytesFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::error_code error;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), error);
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool whole = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  const bool closed = std::fclose(f) == 0;
  return whole && closed;
}

}  // namespace velkor
