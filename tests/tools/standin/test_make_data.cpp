// make-data: the stand-in data set is exactly the table of files, comes out
// byte for byte the same on every run, opens as the scenes spell its files,
// loads through the show's own loaders with the sizes and depths the scenes
// need, and has camera tracks over each scene's time span.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
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

bool PowerOfTwo(int n) { return n > 0 && (n & (n - 1)) == 0; }

// The second run of make-data for this tool build; the first made the cached set.
TEST(MakeDataTest, WritesExactlyTheTableAndTheSameBytesEveryRun) {
  const std::string first = StandinDataDir();
  ASSERT_FALSE(first.empty()) << "velkor-tools make-data failed";
  TempDir second;
  const CommandResult run = RunTool("make-data " + Quote(second.path()));
  ASSERT_EQ(run.status, 0) << run.output;
  std::set<std::string> expected, written;
  for (const StandinFile& f : Table()) {
    expected.insert(f.path);
    EXPECT_NE(run.output.find(std::string("wrote ") + f.path + " ("), std::string::npos) << f.path;
    const std::vector<std::uint8_t> a = ReadFileBytes(first + "/" + f.path);
    EXPECT_FALSE(a.empty()) << f.path;
    EXPECT_TRUE(a == ReadFileBytes(second.path() + "/" + f.path)) << f.path << " differs between runs";
  }
  std::uintmax_t total = 0;
  for (const auto& entry : fs::recursive_directory_iterator(second.path())) {
    if (!entry.is_regular_file()) continue;
    written.insert(fs::relative(entry.path(), second.path()).generic_string());
    total += entry.file_size();
  }
  EXPECT_EQ(written, expected);
  EXPECT_LT(total, 25u << 20);
  EXPECT_NE(RunTool("make-data").status, 0);
  EXPECT_NE(RunTool("make-data a b").status, 0);
}

class MakeDataContentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = StandinDataDir();
    ASSERT_FALSE(dir_.empty()) << "velkor-tools make-data failed";
  }
  std::vector<std::uint8_t> Bytes(const std::string& relative) { return ReadFileBytes(dir_ + "/" + relative); }
  // A mesh file of the set, with the texture directory its scene uses.
  SceneModel LoadModel(const char* relative, std::string* error = nullptr) {
    const char* textures = MeshTextureDirectory(relative);
    const std::vector<std::uint8_t> bytes = Bytes(relative);
    return ParseSceneModel(bytes.data(), bytes.size(), textures != nullptr ? textures : "data\\", error);
  }
  std::string dir_;
};

TEST_F(MakeDataContentTest, EveryFileTheScenesOpenExistsAndLoadsWithItsSizeAndDepth) {
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
  {
    ScopedWorkingDirectory cwd(dir_);
    for (const char* path : kOpened) {
      std::vector<std::uint8_t> bytes;
      EXPECT_EQ(ReadDataFile(path, 1u << 26, bytes), ReadFileResult::Ok) << path;
      EXPECT_FALSE(bytes.empty()) << path;
    }
  }
  int tgas = 0, jpegs = 0;
  for (const StandinFile& f : Table()) {
    const std::vector<std::uint8_t> bytes = Bytes(f.path);
    if (f.kind == StandinKind::Tga) {
      ++tgas;
      TextureRecord record{};
      const char* error = DecodeTga(bytes.data(), bytes.size(), record);
      ASSERT_EQ(error, nullptr) << f.path << ": " << error;
      EXPECT_EQ(record.width * 10000 + record.height, 2560256u) << f.path;
      EXPECT_EQ(record.bitsPerPixel, 24u) << f.path;
      EXPECT_TRUE(IsComposableImage(record)) << f.path;
    } else if (f.kind == StandinKind::Jpeg) {
      ++jpegs;
      JpegImage image;
      ASSERT_EQ(DecodeJpegRgb(bytes.data(), bytes.size(), image), kJpegOk) << f.path;
      EXPECT_EQ(image.width, f.width) << f.path;
      EXPECT_EQ(image.height, f.height) << f.path;
      EXPECT_TRUE(PowerOfTwo(image.width) && PowerOfTwo(image.height)) << f.path;
      EXPECT_EQ(image.channels, 3) << f.path;
    }
  }
  // 4 + 4 + 8 + 6 + 2 TGA and 4 + 1 + 4 + 5 JPEG files; the photo column is 512 x 512.
  EXPECT_EQ(tgas, 24);
  EXPECT_EQ(jpegs, 14);
  for (const char* photo : {"data/texpart05/s0.jpg", "data/texpart05/s4.jpg"}) {
    const StandinFile* f = FindStandinFile(photo);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->width * 1000 + f->height, 512512) << photo;
  }
}

TEST_F(MakeDataContentTest, MeshesHoldWhatTheScenesUseAndCamerasSpanTheirScenes) {
  ScopedWorkingDirectory cwd(dir_);
  for (const StandinFile& f : Table()) {
    if (f.kind != StandinKind::Mesh) continue;
    std::string error;
    SceneModel model = LoadModel(f.path, &error);
    EXPECT_EQ(error, "") << f.path;
    EXPECT_GT(model.meshCount + model.cameraCount, 0u) << f.path;
    for (std::uint32_t m = 0; m < model.materialCount; ++m) {
      const StandinFile* texture = FindStandinFile(ResolveDataPath(model.materials[m].path).c_str());
      ASSERT_NE(texture, nullptr) << model.materials[m].path;
      EXPECT_EQ(texture->kind, StandinKind::Tga) << model.materials[m].path;
    }
    for (std::uint32_t m = 0; m < model.meshCount; ++m)
      EXPECT_TRUE(model.meshes[m].vertexCount > 0 && model.meshes[m].faceCount > 0) << f.path << " mesh " << m;
  }
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
