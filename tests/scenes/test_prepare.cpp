// Scene setups on the stand-in data with their files prepared ahead: each
// setup takes every file and mipmap chain from the preparation; files damaged
// or removed after preparation give exactly the messages of an unprepared
// setup; only the latest preparation, and only for its own scene, is taken.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "assets/prepare.h"
#include "music/sequencer.h"
#include "platform/log.h"
#include "scenes/scenes.h"
#include "support/scene_support.h"
#include "support/tool_support.h"
#include "tools/standin/image_writers.h"

namespace velkor::test {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> logged;

void (*const kSetups[kSceneCount])() = {SetupScene0, SetupScene1, SetupScene2, SetupScene3, SetupScene4, SetupScene5};

class PrepareTest : public SceneFrameTest {
 protected:
  void SetUp() override {
    SceneFrameTest::SetUp();
    const std::string data = StandinDataDir();
    ASSERT_FALSE(data.empty());
    fs::copy(data, dir_.path(), fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    SetPreparationEnabled(true);
    SetPreparationWaits(false);
    SetLogSink([](const char* line) { logged.emplace_back(line); });
    logged.clear();
  }
  void TearDown() override {
    StopPreparation();
    SetLogSink(nullptr);
  }

  // Runs scene k's setup as the sequencer does, after its preparation has finished.
  void SetUpPrepared(int k) {
    PrepareSceneAhead(k);
    WaitForPreparation();
    sceneIndex = k;
    kSetups[k]();
  }
};

TEST_F(PrepareTest, EverySetupTakesAllItsFilesFromThePreparation) {
  for (int k = 0; k < kSceneCount; ++k) {
    SetUpPrepared(k);
    const PreparationCounts use = PreparationUse();
    EXPECT_EQ(use.filesMissed, 0) << "scene " << k;
    EXPECT_EQ(use.chainsMissed, 0) << "scene " << k;
    EXPECT_GE(use.filesTaken, 2) << "scene " << k;
    if (k != 1) {
      EXPECT_GE(use.chainsTaken, 1) << "scene " << k << " builds mipmaps";
    }
  }
  EXPECT_TRUE(logged.empty()) << logged.front();
}

// Scenes 2 and 5 cover every kind: meshes, TGA and JPEG files, mipmapped
// JPEG files and compositions of two TGA files.
TEST_F(PrepareTest, FilesChangedAfterPreparationGiveTheMessagesOfAnUnpreparedSetup) {
  const fs::path keep = dir_.path() + "/../" + fs::path(dir_.path()).filename().string() + "-pristine";
  fs::copy(dir_.path() + "/data", keep, fs::copy_options::recursive | fs::copy_options::overwrite_existing);
  auto damage = [&] {
    fs::resize_file(dir_.path() + "/data/texpart03/texture02.tga", 100);
    fs::remove(dir_.path() + "/data/texpart03/dikt.jpg");
    fs::resize_file(dir_.path() + "/data/part03_max2.bin", 10);
    fs::remove(dir_.path() + "/data/texpart05/s1.jpg");
    const std::vector<std::uint8_t> small(8 * 8 * 3, 90);
    dir_.Write("data/texpart05/frame02.tga", EncodeTga(small, 8, 8, 24));
  };
  auto restore = [&] {
    fs::copy(keep, dir_.path() + "/data", fs::copy_options::recursive | fs::copy_options::overwrite_existing);
  };
  for (const int k : {2, 5}) {
    SetPreparationEnabled(false);
    damage();
    logged.clear();
    sceneIndex = k;
    kSetups[k]();
    const std::vector<std::string> unprepared = logged;
    ASSERT_GE(unprepared.size(), 2u) << "scene " << k;

    restore();
    SetPreparationEnabled(true);
    PrepareSceneAhead(k);
    WaitForPreparation();
    damage();
    logged.clear();
    sceneIndex = k;
    kSetups[k]();
    EXPECT_EQ(logged, unprepared) << "scene " << k;
    const PreparationCounts use = PreparationUse();
    EXPECT_GE(use.filesMissed, 1) << "scene " << k;
    EXPECT_GE(use.filesTaken, 1) << "scene " << k << ": the files left alone still come prepared";
    restore();
  }
  fs::remove_all(keep);
}

TEST_F(PrepareTest, OnlyTheLatestPreparationIsTakenAndOnlyByItsScene) {
  // A seek: scene 1's preparation is dropped while under way, scene 4's is kept.
  PrepareSceneAhead(1);
  PrepareSceneAhead(4);
  WaitForPreparation();
  sceneIndex = 3;
  SetupScene3();
  EXPECT_EQ(PreparationUse().filesTaken + PreparationUse().filesMissed, 0) << "scene 3 has no preparation";
  sceneIndex = 4;
  SetupScene4();
  EXPECT_EQ(PreparationUse().filesMissed, 0);
  EXPECT_EQ(PreparationUse().filesTaken, 4 + 1 + 2) << "four pictures, the model and its two material images";

  DiscardPreparation();
  SetupScene4();
  EXPECT_EQ(PreparationUse().filesTaken, 0) << "nothing prepared after a discard";
  EXPECT_TRUE(logged.empty()) << logged.front();
}

}  // namespace
}  // namespace velkor::test
