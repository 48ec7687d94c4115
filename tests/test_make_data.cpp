// make-data: the stand-in data set is complete, loads through the show's own
// loaders, has the sizes and depths the scenes need, frames its cameras over
// each scene's time span, and comes out byte for byte the same on every run.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>

#include "assets/model.h"
#include "assets/texture.h"
#include "platform/jpeg.h"
#include "platform/paths.h"
#include "support/test_files.h"
#include "tools/bitmap_font.h"
#include "tools/standin_files.h"
#include "tools/standin_images.h"
#include "tools/standin_meshes.h"

namespace velkor {
namespace {

namespace fs = std::filesystem;

bool PowerOfTwo(std::uint32_t n) { return n != 0 && (n & (n - 1)) == 0; }

// One generated data set, shared by the checks below. Running the generator
// is slow, so one test makes the set twice and runs every check on it.
struct DataSet {
  static test::CommandResult Generate(const std::string& dir) {
    return test::RunCommand("\"" + test::ProgramPath("VELKOR_TOOLS") + "\" make-data \"" + dir + "\"");
  }
  static std::string PathOf(const char* relative) { return dir_->path() + "/" + relative; }
  static std::vector<std::uint8_t> Bytes(const char* relative) { return test::ReadFileBytes(PathOf(relative)); }

  // Loads a mesh file of the set with the texture directory its scene uses.
  static SceneModel LoadModel(const char* relative) {
    const char* dir = MeshTextureDirectory(relative);
    SetTextureDirectory(dir != nullptr ? dir : "data\\");
    const std::vector<std::uint8_t> bytes = Bytes(relative);
    return ParseSceneModel(bytes.data(), bytes.size());
  }

  static TextureRecord LoadTga(const char* relative, const char** error) {
    const std::vector<std::uint8_t> bytes = Bytes(relative);
    TextureRecord record{};
    *error = DecodeTga(bytes.data(), bytes.size(), record);
    return record;
  }

  static test::TempDir* dir_;
  static test::CommandResult* result_;
};

test::TempDir* DataSet::dir_ = nullptr;
test::CommandResult* DataSet::result_ = nullptr;

using D = DataSet;

void CheckWritesExactlyTheTableWithProgressLines() {
  std::size_t count = 0;
  const StandinFile* files = StandinFiles(&count);
  std::set<std::string> expected;
  for (std::size_t i = 0; i < count; ++i) {
    expected.insert(files[i].path);
    EXPECT_NE(D::result_->output.find(std::string("wrote ") + files[i].path + " ("), std::string::npos) << files[i].path;
  }
  std::set<std::string> written;
  std::uintmax_t total = 0;
  for (const auto& entry : fs::recursive_directory_iterator(D::dir_->path())) {
    if (!entry.is_regular_file()) continue;
    written.insert(fs::relative(entry.path(), D::dir_->path()).generic_string());
    total += entry.file_size();
  }
  EXPECT_EQ(written, expected);
  EXPECT_LT(total, 25u << 20);
  for (const std::string& path : written) {
    for (char c : path) EXPECT_FALSE(c >= 'A' && c <= 'Z') << path;
  }
  EXPECT_FALSE(D::Bytes("mirok6.mp3").empty());

  // Every file as the scenes spell it opens from the set's root.
  static const char* const kOpened[] = {
      "mirok6.mp3", "data\\part01_max.bin", "data\\part01_max2.bin", "data\\texpart02\\pelto.jpg",
      "data\\texpart02\\sarv.jpg", "data\\texpart02\\kel.jpg", "data\\birdie.jpg", "data\\part03_max.bin",
      "data\\part03_max2.bin", "data\\texpart03\\texture02.tga", "data\\texpart03\\texture03.tga",
      "data\\texpart03\\dikt.jpg", "data\\part04_max.bin", "data\\part04_max2.bin",
      "data\\texpart04\\texture04.tga", "data\\texpart04\\texture05.tga", "data\\texpart04\\texture07.tga",
      "data\\texpart04\\woman.tga", "data\\texpart04\\womanA.tga", "data\\part06_max.bin",
      "data\\texpart06\\frog00.jpg", "data\\texpart06\\frog01.jpg", "data\\texpart06\\frog02.jpg",
      "data\\texpart06\\frog03.jpg", "data\\texpart05\\bee.tga", "data\\texpart05\\frame01.tga",
      "data\\texpart05\\frame02.tga", "data\\texpart05\\frame03.tga", "data\\texpart05\\frame04.tga",
      "data\\texpart05\\frameA.tga", "data\\texpart05\\s0.jpg", "data\\texpart05\\s1.jpg",
      "data\\texpart05\\s2.jpg", "data\\texpart05\\s3.jpg", "data\\texpart05\\s4.jpg",
  };
  test::ScopedWorkingDirectory cwd(D::dir_->path());
  for (const char* path : kOpened) {
    std::vector<std::uint8_t> bytes;
    EXPECT_EQ(ReadDataFile(path, 1u << 26, bytes), ReadFileResult::Ok) << path;
    EXPECT_FALSE(bytes.empty()) << path;
  }
}

void CheckEveryImageLoadsWithTheSizeAndDepthItsSceneNeeds() {
  std::size_t count = 0;
  const StandinFile* files = StandinFiles(&count);
  int tgas = 0, jpegs = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const StandinFile& f = files[i];
    if (f.kind == StandinKind::Tga) {
      ++tgas;
      const char* error = nullptr;
      TextureRecord record = D::LoadTga(f.path, &error);
      ASSERT_EQ(error, nullptr) << f.path << ": " << error;
      EXPECT_EQ(record.width, 256u) << f.path;
      EXPECT_EQ(record.height, 256u) << f.path;
      EXPECT_EQ(record.bitsPerPixel, 24u) << f.path;
      EXPECT_TRUE(IsComposableImage(record)) << f.path;
      ReleaseTexturePixels(record);
    } else if (f.kind == StandinKind::Jpeg) {
      ++jpegs;
      const std::vector<std::uint8_t> bytes = D::Bytes(f.path);
      JpegImage image;
      ASSERT_EQ(DecodeJpegRgb(bytes.data(), bytes.size(), image), kJpegOk) << f.path;
      EXPECT_EQ(image.width, f.width) << f.path;
      EXPECT_EQ(image.height, f.height) << f.path;
      EXPECT_TRUE(PowerOfTwo(image.width) && PowerOfTwo(image.height)) << f.path;
      EXPECT_EQ(image.channels, 3) << f.path;
    }
  }
  // 4 + 4 + 8 + 6 + 2 TGA and 4 + 1 + 4 + 5 JPEG files.
  EXPECT_EQ(tgas, 24);
  EXPECT_EQ(jpegs, 14);
  // The photo column is read as 512 x 512 images.
  for (const char* photo : {"data/texpart05/s0.jpg", "data/texpart05/s4.jpg"}) {
    const StandinFile* f = FindStandinFile(photo);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->width, 512);
    EXPECT_EQ(f->height, 512);
  }
}

void CheckPicturesAreStoredSoThatTheShowDrawsThemUpright() {
  // TGA: the first stored row is the bottom of the picture, exactly.
  const char* error = nullptr;
  TextureRecord bee = D::LoadTga("data/texpart05/bee.tga", &error);
  ASSERT_EQ(error, nullptr);
  const StandinImage painted = PaintHoneycombBackground();
  const std::size_t row = 256 * 3;
  EXPECT_EQ(0, std::memcmp(bee.pixels, painted.rgb.data() + 255 * row, row));
  EXPECT_EQ(0, std::memcmp(bee.pixels + 255 * row, painted.rgb.data(), row));
  ReleaseTexturePixels(bee);

  // JPEG: stored upside down, so the decoded first row is the painted bottom
  // row (an orange sunset glow), not the painted top row (deep purple sky).
  const std::vector<std::uint8_t> bytes = D::Bytes("data/birdie.jpg");
  JpegImage image;
  ASSERT_EQ(DecodeJpegRgb(bytes.data(), bytes.size(), image), kJpegOk);
  const StandinImage bird = PaintBirdPicture();
  auto meanRed = [](const std::uint8_t* rgb, int width) {
    double sum = 0;
    for (int x = 0; x < width; ++x) sum += rgb[3 * x];
    return sum / width;
  };
  const std::size_t wide = static_cast<std::size_t>(bird.width) * 3;
  const double storedFirst = meanRed(image.rgb.data(), image.width);
  const double paintedBottom = meanRed(bird.rgb.data() + (bird.height - 1) * wide, bird.width);
  const double paintedTop = meanRed(bird.rgb.data(), bird.width);
  EXPECT_NEAR(storedFirst, paintedBottom, 8.0);
  EXPECT_GT(std::fabs(storedFirst - paintedTop), 60.0);
}

void CheckMasksAndSpritesHaveTheShapesTheirBlendingNeeds() {
  const char* error = nullptr;
  auto red = [](const TextureRecord& r, int x, int y) { return r.pixels[(y * 256 + x) * 3]; };

  // Overlay frame of scene 2: opaque border, transparent middle.
  TextureRecord frameMask = D::LoadTga("data/texpart03/texture03.tga", &error);
  ASSERT_EQ(error, nullptr);
  EXPECT_EQ(red(frameMask, 128, 128), 0);
  EXPECT_GT(red(frameMask, 2, 128), 200);
  EXPECT_GT(red(frameMask, 128, 253), 200);
  // The part a 45-degree view shows of that quad (its middle 83 percent)
  // still holds the border.
  EXPECT_GT(red(frameMask, 26, 128), 200);
  EXPECT_GT(red(frameMask, 128, 229), 200);
  ReleaseTexturePixels(frameMask);

  // Cameo mask of scene 5: opaque centre, transparent corners.
  TextureRecord cameo = D::LoadTga("data/texpart05/framea.tga", &error);
  ASSERT_EQ(error, nullptr);
  EXPECT_EQ(red(cameo, 128, 128), 255);
  EXPECT_EQ(red(cameo, 1, 1), 0);
  EXPECT_EQ(red(cameo, 254, 254), 0);
  ReleaseTexturePixels(cameo);

  // Figure mask: partly opaque, partly clear.
  TextureRecord figure = D::LoadTga("data/texpart04/womana.tga", &error);
  ASSERT_EQ(error, nullptr);
  int opaque = 0, clear = 0;
  for (int p = 0; p < 256 * 256; ++p) {
    opaque += figure.pixels[3 * p] > 200;
    clear += figure.pixels[3 * p] == 0;
  }
  EXPECT_GT(opaque, 256 * 256 / 10);
  EXPECT_GT(clear, 256 * 256 / 2);
  ReleaseTexturePixels(figure);

  // Sprites: black along the edges so the quads never show; the scene 3 glow
  // is premultiplied (its red is its alpha, green and blue never exceed it).
  for (const char* sprite : {"data/texpart03/glow.tga", "data/texpart04/texture07.tga"}) {
    TextureRecord glow = D::LoadTga(sprite, &error);
    ASSERT_EQ(error, nullptr) << sprite;
    for (int k = 0; k < 256; ++k) {
      EXPECT_EQ(glow.pixels[k * 3], 0) << sprite;                          // bottom row
      EXPECT_EQ(glow.pixels[(k * 256) * 3 + 1], 0) << sprite;              // left column
    }
    EXPECT_GT(red(glow, 128, 128), 60) << sprite;
    ReleaseTexturePixels(glow);
  }
  TextureRecord gold = D::LoadTga("data/texpart04/texture07.tga", &error);
  ASSERT_EQ(error, nullptr);
  for (int p = 0; p < 256 * 256; ++p) {
    ASSERT_LE(gold.pixels[3 * p + 1], gold.pixels[3 * p]);
    ASSERT_LE(gold.pixels[3 * p + 2], gold.pixels[3 * p]);
  }
  ReleaseTexturePixels(gold);
}

void CheckMeshFilesHoldWhatTheScenesUseAndNameExistingTextures() {
  test::ScopedWorkingDirectory cwd(D::dir_->path());
  std::size_t count = 0;
  const StandinFile* files = StandinFiles(&count);
  for (std::size_t i = 0; i < count; ++i) {
    if (files[i].kind != StandinKind::Mesh) continue;
    SceneModel model = D::LoadModel(files[i].path);
    EXPECT_STREQ(LastModelLoadError(), "") << files[i].path;
    EXPECT_GT(model.meshCount + model.cameraCount, 0u) << files[i].path;
    EXPECT_LT(D::Bytes(files[i].path).size(), 800000u) << files[i].path;
    for (std::uint32_t m = 0; m < model.materialCount; ++m) {
      const std::string resolved = ResolveDataPath(model.materials[m].path);
      EXPECT_TRUE(fs::exists(resolved)) << model.materials[m].path;
      const StandinFile* texture = FindStandinFile(resolved.c_str());
      ASSERT_NE(texture, nullptr) << resolved;
      EXPECT_EQ(texture->kind, StandinKind::Tga) << resolved;
    }
    for (std::uint32_t m = 0; m < model.meshCount; ++m) {
      EXPECT_GT(model.meshes[m].vertexCount, 0u) << files[i].path << " mesh " << m;
      EXPECT_GT(model.meshes[m].faceCount, 0u) << files[i].path << " mesh " << m;
    }
  }
  const SceneModel basin = D::LoadModel("data/part01_max.bin");
  EXPECT_GE(basin.meshCount, 10u);
  EXPECT_EQ(basin.materialCount, 3u);
  EXPECT_GE(D::LoadModel("data/part01_max2.bin").meshCount, 1u);
  const SceneModel sprites = D::LoadModel("data/part03_max2.bin");
  ASSERT_GE(sprites.meshCount, 2u);
  EXPECT_NE(std::string(sprites.materials[sprites.meshes[1].materialIndex].path).find("glow.tga"), std::string::npos);
  const SceneModel garden = D::LoadModel("data/part04_max2.bin");
  EXPECT_GE(garden.meshCount, 28u);
  EXPECT_GT(garden.pointCount, 0u);
  EXPECT_NE(std::string(garden.materials[garden.meshes[26].materialIndex].path).find("texture04.tga"),
            std::string::npos);
  EXPECT_EQ(D::LoadModel("data/part06_max.bin").meshCount, 2u);
}

struct CameraSpan {
  const char* file;
  float first, last;  // the camera times the scene evaluates
};

void CheckCameraTracksSpanEachSceneAndKeepTheFieldOfViewNarrow() {
  const CameraSpan spans[] = {
      {"data/part01_max.bin", -4.2f, 250.0f * 0.75f},
      {"data/part03_max.bin", 0.0f, 300.0f},
      {"data/part04_max.bin", 0.0f, 450.0f * 0.2f},
      {"data/part06_max.bin", 0.0f, 300.0f},
  };
  for (const CameraSpan& span : spans) {
    SceneModel model = D::LoadModel(span.file);
    Camera* camera = FirstCamera(model);
    ASSERT_NE(camera, nullptr) << span.file;
    // Full-screen layers at z = -2.4 cover the view only up to this angle.
    EXPECT_LE(camera->fov, 2.0 * std::atan(1.0 / 2.4) * 180.0 / 3.141592653589793) << span.file;
    EXPECT_GT(camera->fov, 20.0f) << span.file;
    for (const auto* keys : {&camera->positionKeys, &camera->targetKeys}) {
      ASSERT_GE(keys->size(), 4u) << span.file;
      EXPECT_LT(keys->front().time, span.first) << span.file;
      EXPECT_GT(keys->back().time, span.last) << span.file;
      for (std::size_t k = 1; k < keys->size(); ++k) EXPECT_LT((*keys)[k - 1].time, (*keys)[k].time) << span.file;
    }
  }
}

// Evaluates the first camera of a file at times first, first + step, ... last.
template <typename Check>
void WalkCamera(SceneModel& model, float first, float last, float step, Check check) {
  Camera* camera = FirstCamera(model);
  ASSERT_NE(camera, nullptr);
  for (float t = first; t <= last; t += step) {
    AnimateCamera(*camera, t + 0.37f);  // off the key times
    check(t, camera->position, camera->target);
  }
}

void CheckCamerasStayWhereTheirScenesCanBeSeen() {
  // Scene 0: above the ground and among the drifting crystals' columns.
  SceneModel basin = D::LoadModel("data/part01_max.bin");
  WalkCamera(basin, -4.0f, 190.0f, 1.0f, [](float t, const float* p, const float* q) {
    EXPECT_GT(p[2], BasinHeight(p[0], p[1]) + 40.0) << t;
    EXPECT_LT(std::sqrt(p[0] * p[0] + p[1] * p[1]), 400.0) << t;
    const float dx = q[0] - p[0], dy = q[1] - p[1], dz = q[2] - p[2];
    EXPECT_GT(std::sqrt(dx * dx + dy * dy), 2.0f * std::fabs(dz)) << t;  // looks ahead, not down
  });
  // Scene 2: far enough for the three cloud copies, near enough for the far plane.
  SceneModel cloud = D::LoadModel("data/part03_max.bin");
  WalkCamera(cloud, 0.0f, 300.0f, 2.0f, [](float t, const float* p, const float* q) {
    const float dx = q[0] - p[0], dy = q[1] - p[1], dz = q[2] - p[2];
    const float distance = std::sqrt(dx * dx + dy * dy + dz * dz);
    EXPECT_GT(distance, 600.0f) << t;
    EXPECT_LT(distance + 200.0f, 1000.0f) << t;
  });
  // Scene 3: outside the sculpture and the glow ring, looking at its middle.
  SceneModel garden = D::LoadModel("data/part04_max.bin");
  WalkCamera(garden, 0.0f, 90.0f, 1.0f, [](float t, const float* p, const float* q) {
    EXPECT_GT(std::sqrt(p[0] * p[0] + p[1] * p[1]), 200.0f) << t;
    EXPECT_LT(std::sqrt(q[0] * q[0] + q[1] * q[1]), 30.0f) << t;
  });
  // Scene 4: inside the tube, even the pass drawn at 0.7 width.
  SceneModel tunnel = D::LoadModel("data/part06_max.bin");
  WalkCamera(tunnel, 0.0f, 300.0f, 2.0f, [](float t, const float* p, const float* q) {
    EXPECT_LT(std::sqrt(p[0] * p[0] + p[2] * p[2]), 0.7f * 45.0f * 0.9f) << t;
    EXPECT_LT(std::fabs(p[1]), 0.7f * 800.0f) << t;
    EXPECT_GT(q[1], p[1]) << t;
  });
}

void CheckSecondRunWritesTheSameBytes() {
  test::TempDir second;
  const test::CommandResult again = D::Generate(second.path());
  ASSERT_EQ(again.status, 0) << again.output;
  std::size_t count = 0;
  const StandinFile* files = StandinFiles(&count);
  for (std::size_t i = 0; i < count; ++i) {
    const std::vector<std::uint8_t> a = D::Bytes(files[i].path);
    const std::vector<std::uint8_t> b = test::ReadFileBytes(second.path() + "/" + files[i].path);
    EXPECT_FALSE(a.empty()) << files[i].path;
    EXPECT_TRUE(a == b) << files[i].path << " differs between runs";
  }
}

TEST(MakeDataTest, GeneratedSetIsCompleteLoadableFramedAndRepeatable) {
  test::TempDir dir;
  test::CommandResult result = D::Generate(dir.path());
  D::dir_ = &dir;
  D::result_ = &result;
  ASSERT_EQ(result.status, 0) << result.output;
  {
    SCOPED_TRACE("files");
    CheckWritesExactlyTheTableWithProgressLines();
  }
  {
    SCOPED_TRACE("images");
    CheckEveryImageLoadsWithTheSizeAndDepthItsSceneNeeds();
    CheckPicturesAreStoredSoThatTheShowDrawsThemUpright();
    CheckMasksAndSpritesHaveTheShapesTheirBlendingNeeds();
  }
  {
    SCOPED_TRACE("meshes and cameras");
    CheckMeshFilesHoldWhatTheScenesUseAndNameExistingTextures();
    CheckCameraTracksSpanEachSceneAndKeepTheFieldOfViewNarrow();
    CheckCamerasStayWhereTheirScenesCanBeSeen();
  }
  {
    SCOPED_TRACE("determinism");
    CheckSecondRunWritesTheSameBytes();
  }
  D::dir_ = nullptr;
  D::result_ = nullptr;
}

TEST(MakeDataCommandTest, RefusesAMissingOrExtraArgument) {
  const std::string tool = "\"" + test::ProgramPath("VELKOR_TOOLS") + "\" make-data";
  EXPECT_NE(test::RunCommand(tool).status, 0);
  EXPECT_NE(test::RunCommand(tool + " a b").status, 0);
}

// Mean absolute difference between column a and column b (or rows).
double LineDifference(const StandinImage& image, int a, int b, bool columns) {
  double sum = 0;
  for (int k = 0; k < image.width; ++k) {
    const int pa = columns ? k * image.width + a : a * image.width + k;
    const int pb = columns ? k * image.width + b : b * image.width + k;
    for (int c = 0; c < 3; ++c) sum += std::fabs(image.rgb[3 * pa + c] - static_cast<double>(image.rgb[3 * pb + c]));
  }
  return sum / (3.0 * image.width);
}

TEST(StandinImageTest, RepeatingTexturesHaveNoSeams) {
  // The terrain and the tunnel repeat these across their faces: the step from
  // the last column to the first must look like any step inside the picture.
  const struct {
    const char* name;
    StandinImage (*paint)();
  } textures[] = {{"meadow", PaintMeadowTexture}, {"rock", PaintRockTexture}, {"snow", PaintSnowTexture},
                  {"caustic", PaintCausticTexture}, {"ripple", PaintRippleTexture}};
  for (const auto& t : textures) {
    const StandinImage image = t.paint();
    ASSERT_EQ(image.width, 256) << t.name;
    for (bool columns : {true, false}) {
      double inside = 0;
      for (int k = 0; k < 255; ++k) inside += LineDifference(image, k, k + 1, columns);
      inside /= 255;
      EXPECT_LT(LineDifference(image, 255, 0, columns), 2.0 * inside + 2.0) << t.name << (columns ? " columns" : " rows");
    }
  }
}

TEST(StandinTextTest, GlyphDotsLandWhereTheFontPutsThem) {
  // 'T': the whole top row, then only the middle column.
  for (int c = 0; c < kGlyphWidth; ++c) EXPECT_TRUE(GlyphDot('T', c, 0));
  EXPECT_TRUE(GlyphDot('T', 2, 6));
  EXPECT_FALSE(GlyphDot('T', 0, 6));
  EXPECT_FALSE(GlyphDot('T', -1, 0));
  EXPECT_FALSE(GlyphDot('T', 0, kGlyphHeight));
  EXPECT_TRUE(GlyphDot('t', 2, 3));  // lower case is drawn as capitals
  for (int r = 0; r < kGlyphHeight; ++r) EXPECT_FALSE(GlyphDot('~', 2, r));

  const char* const lines[] = {"T"};
  const int dot = 4;
  const std::vector<double> field = TextCoverage(lines, 1, 40, 40, dot, 40, 4);
  // The line is centred: the glyph's five columns start at (40 - 20) / 2 = 10.
  auto at = [&](int x, int y) { return field[y * 40 + x]; };
  EXPECT_GT(at(10 + 2, 4 + 2), 0.9);        // top-left dot of the bar
  EXPECT_GT(at(10 + 2 * dot + 2, 4 + 6 * dot + 2), 0.9);  // bottom of the stem
  EXPECT_LT(at(10 + 2, 4 + 6 * dot + 2), 0.1);            // no dot at bottom left
  EXPECT_EQ(at(0, 39), 0.0);
}

}  // namespace
}  // namespace velkor
