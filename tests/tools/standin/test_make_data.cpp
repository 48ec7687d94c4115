// make-data: the stand-in data set is exactly the table of files, comes out
// byte for byte the same on every run, opens as the scenes spell its files,
// loads through the show's own loaders in the sizes and depths the scenes
// need, and has camera tracks over each scene's time span.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "assets/model.h"
#include "assets/texture.h"
#include "platform/jpeg.h"
#include "platform/paths.h"
#include "support/tool_support.h"
#include "tools/standin/standin_files.h"
#include "tools/standin/standin_meshes.h"

namespace velkor {
namespace {

namespace fs = std::filesystem;
using namespace velkor::test;

std::vector<StandinFile> Table() {
  std::size_t count = 0;
  const StandinFile* files = StandinFiles(&count);
  return std::vector<StandinFile>(files, files + count);
}

// Every file below dir by its relative path, with its bytes.
std::map<std::string, std::vector<std::uint8_t>> Contents(const std::string& dir) {
  std::map<std::string, std::vector<std::uint8_t>> files;
  for (const auto& e : fs::recursive_directory_iterator(dir))
    if (e.is_regular_file()) files[fs::relative(e.path(), dir).generic_string()] = ReadFileBytes(e.path().string());
  return files;
}

class MakeDataTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(dir_.empty()) << "velkor-tools make-data failed"; }
  // A mesh file of the set, loaded with the texture directory its scene uses.
  SceneModel LoadModel(const char* relative, std::string* error = nullptr) {
    const char* textures = MeshTextureDirectory(relative);
    const std::vector<std::uint8_t> bytes = ReadFileBytes(dir_ + "/" + relative);
    return ParseSceneModel(bytes.data(), bytes.size(), textures != nullptr ? textures : "data\\", error);
  }
  const std::string dir_ = StandinDataDir();
};

// The second run of make-data for this tool build; the first made the cached set.
TEST_F(MakeDataTest, WritesTheSameBytesEveryRun) {
  TempDir second;
  const CommandResult run = RunTool("make-data " + Quote(second.path()));
  ASSERT_EQ(run.status, 0) << run.output;
  const auto first = Contents(dir_);
  EXPECT_EQ(first.size(), Table().size());
  EXPECT_TRUE(first == Contents(second.path())) << "the data set differs between runs";
  std::size_t total = 0;
  for (const auto& file : first) total += file.second.size();
  EXPECT_LT(total, 25u << 20);
  EXPECT_NE(RunTool("make-data").status, 0);
  EXPECT_NE(RunTool("make-data a b").status, 0);
}

TEST_F(MakeDataTest, EveryFileTheScenesOpenExistsAndLoadsWithItsSizeAndDepth) {
  static const char* const kOpened[] = {
      "mirok6.mp3", "data\\part01_max.bin", "data\\part01_max2.bin", "data\\texpart02\\pelto.jpg",
      "data\\texpart02\\sarv.jpg", "data\\texpart02\\kel.jpg", "data\\birdie.jpg", "data\\part03_max.bin",
      "data\\part03_max2.bin", "data\\texpart03\\texture02.tga", "data\\texpart03\\texture03.tga",
      "data\\texpart03\\dikt.jpg", "data\\part04_max.bin", "data\\part04_max2.bin", "data\\texpart04\\texture04.tga",
      "data\\texpart04\\texture05.tga", "data\\texpart04\\texture07.tga", "data\\texpart04\\woman.tga",
      "data\\texpart04\\womanA.tga", "data\\part06_max.bin", "data\\texpart06\\frog00.jpg",
      "data\\texpart06\\frog01.jpg", "data\\texpart06\\frog02.jpg", "data\\texpart06\\frog03.jpg",
      "data\\texpart05\\bee.tga", "data\\texpart05\\frame01.tga", "data\\texpart05\\frame02.tga",
      "data\\texpart05\\frame03.tga", "data\\texpart05\\frame04.tga", "data\\texpart05\\frameA.tga",
      "data\\texpart05\\s0.jpg", "data\\texpart05\\s1.jpg", "data\\texpart05\\s2.jpg", "data\\texpart05\\s3.jpg",
      "data\\texpart05\\s4.jpg",
  };
  ScopedWorkingDirectory cwd(dir_);
  for (const char* path : kOpened) {
    std::vector<std::uint8_t> bytes;
    EXPECT_EQ(ReadDataFile(path, 1u << 26, bytes), ReadFileResult::Ok) << path;
  }
  for (const StandinFile& f : Table()) {
    const std::vector<std::uint8_t> bytes = ReadFileBytes(f.path);
    if (f.kind == StandinKind::Tga) {
      // Every TGA can join the scenes' compositions: 256 x 256, 24 bits.
      TextureRecord record{};
      const char* error = DecodeTga(bytes.data(), bytes.size(), record);
      ASSERT_EQ(error, nullptr) << f.path << ": " << error;
      EXPECT_TRUE(IsComposableImage(record)) << f.path;
    } else if (f.kind == StandinKind::Jpeg) {
      // GL 1.1 textures: power-of-two sides.
      JpegImage image;
      ASSERT_EQ(DecodeJpegRgb(bytes.data(), bytes.size(), image), kJpegOk) << f.path;
      EXPECT_EQ(image.width & (image.width - 1), 0) << f.path;
      EXPECT_EQ(image.height & (image.height - 1), 0) << f.path;
      EXPECT_EQ(image.channels, 3) << f.path;
    }
  }
}

TEST_F(MakeDataTest, MeshesHoldWhatTheScenesUseAndCamerasSpanTheirScenes) {
  ScopedWorkingDirectory cwd(dir_);
  for (const StandinFile& f : Table()) {
    if (f.kind != StandinKind::Mesh) continue;
    std::string error;
    SceneModel model = LoadModel(f.path, &error);
    EXPECT_EQ(error, "") << f.path;
    EXPECT_GT(model.meshCount + model.cameraCount, 0u) << f.path;
    for (std::uint32_t m = 0; m < model.materialCount; ++m) {
      const StandinFile* texture = FindStandinFile(ResolveDataPath(model.materials[m].path).c_str());
      EXPECT_TRUE(texture != nullptr && texture->kind == StandinKind::Tga) << model.materials[m].path;
    }
    for (std::uint32_t m = 0; m < model.meshCount; ++m)
      EXPECT_TRUE(model.meshes[m].vertexCount > 0 && model.meshes[m].faceCount > 0) << f.path << " mesh " << m;
  }
  // What the scenes index into.
  const SceneModel basin = LoadModel("data/part01_max.bin");
  EXPECT_GE(basin.meshCount, 10u);
  EXPECT_EQ(basin.materialCount, 3u);
  EXPECT_GE(LoadModel("data/part01_max2.bin").meshCount, 1u);
  const SceneModel sprites = LoadModel("data/part03_max2.bin");
  ASSERT_GE(sprites.meshCount, 2u);
  EXPECT_NE(std::string(sprites.materials[sprites.meshes[1].materialIndex].path).find("glow.tga"), std::string::npos);
  const SceneModel garden = LoadModel("data/part04_max2.bin");
  ASSERT_GE(garden.meshCount, 28u);
  EXPECT_GT(garden.pointCount, 0u);
  EXPECT_NE(std::string(garden.materials[garden.meshes[26].materialIndex].path).find("texture04.tga"),
            std::string::npos);
  EXPECT_EQ(LoadModel("data/part06_max.bin").meshCount, 2u);
  // The camera times each scene evaluates lie strictly inside its keys.
  const struct {
    const char* file;
    float first, last;
  } spans[] = {{"data/part01_max.bin", -4.2f, 250.0f * 0.75f}, {"data/part03_max.bin", 0.0f, 300.0f},
               {"data/part04_max.bin", 0.0f, 450.0f * 0.2f}, {"data/part06_max.bin", 0.0f, 300.0f}};
  for (const auto& span : spans) {
    SceneModel model = LoadModel(span.file);
    const Camera* camera = FirstCamera(model);
    ASSERT_NE(camera, nullptr) << span.file;
    for (const auto* keys : {&camera->positionKeys, &camera->targetKeys}) {
      ASSERT_GE(keys->size(), 4u) << span.file;
      EXPECT_LT(keys->front().time, span.first) << span.file;
      EXPECT_GT(keys->back().time, span.last) << span.file;
      for (std::size_t k = 1; k < keys->size(); ++k) EXPECT_LT((*keys)[k - 1].time, (*keys)[k].time) << span.file;
    }
  }
}

}  // namespace
}  // namespace velkor
