// The player's controls: options, the key table, seek targets, the
// sequencer's seeks with their setups, and scripted key sequences through the
// main loop: pause, seeks, scene jumps, the loop, and what repeated setups
// leave behind in GL textures and memory.
#include <gtest/gtest.h>

#include <malloc.h>

#include <string>
#include <vector>

#include "app/options.h"
#include "app/player.h"
#include "app/shell.h"
#include "assets/prepare.h"
#include "music/music.h"
#include "music/sequencer.h"
#include "platform/gl.h"
#include "platform/memory.h"
#include "platform/paths.h"
#include "proc/noise.h"
#include "scenes/scenes.h"
#include "support/gl_fixture.h"
#include "support/tool_support.h"

namespace velkor {
namespace {

bool Parse(std::vector<const char*> args, PlayerOptions* o, std::string* error) {
  args.insert(args.begin(), "velkor");
  return ParsePlayerOptions(static_cast<int>(args.size()), const_cast<char**>(args.data()), o, error);
}

TEST(PlayerOptionsTest, DefaultsAreTheOriginalsAndEveryFlagIsRead) {
  PlayerOptions o;
  std::string error;
  ASSERT_TRUE(Parse({}, &o, &error));
  EXPECT_TRUE(o.fullscreen && o.vsync && !o.silent && !o.loop);
  EXPECT_EQ(o.maxFps + o.msaa + o.display, 0);
  ASSERT_TRUE(Parse({"--windowed", "--silent", "--loop", "--display", "1", "--vsync", "off", "--max-fps", "60",
                     "--msaa", "4", "--data", "/tmp/x"},
                    &o, &error))
      << error;
  EXPECT_TRUE(!o.fullscreen && o.silent && o.loop && !o.vsync);
  EXPECT_EQ(o.display * 1000000 + o.maxFps * 100 + o.msaa, 1006004);
  EXPECT_EQ(o.dataDir, "/tmp/x");
}

TEST(PlayerOptionsTest, RefusesWhatItDoesNotKnowOrCannotUse) {
  const std::vector<std::vector<const char*>> bad = {
      {"--bogus"},        {"--msaa", "3"},   {"--msaa", "16"},   {"--msaa", "1"},   {"--vsync", "maybe"},
      {"--max-fps", "-1"}, {"--max-fps"},    {"--display", "x"}, {"--data"},        {"--data", ""},
      {"windowed"},
  };
  for (const auto& args : bad) {
    PlayerOptions o;
    o.loop = true;  // untouched on failure
    std::string error;
    EXPECT_FALSE(Parse(args, &o, &error)) << args[0];
    EXPECT_NE(error.find(args[0]), std::string::npos) << error;
    EXPECT_TRUE(o.loop);
  }
}

TEST(PlayerKeysTest, TableMapsKeysWithTheirModifiers) {
  const struct { int key; bool shift, alt; PlayerAction action; } cases[] = {
      {13, false, true, PlayerAction::ToggleFullscreen}, {13, false, false, PlayerAction::None},
      {0x7A, false, false, PlayerAction::ToggleFullscreen}, {32, false, false, PlayerAction::Pause},
      {0x25, false, false, PlayerAction::Back5},         {0x25, true, false, PlayerAction::Back30},
      {0x27, false, false, PlayerAction::Forward5},      {0x27, true, false, PlayerAction::Forward30},
      {0x21, false, false, PlayerAction::SceneStart},    {0x22, true, false, PlayerAction::NextScene},
      {0x24, false, false, PlayerAction::ShowStart},     {27, false, false, PlayerAction::None},
      {'Z', false, false, PlayerAction::None},           {0x25, false, true, PlayerAction::None},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ActionForKey(c.key, c.shift, c.alt), c.action) << c.key << " shift " << c.shift << " alt " << c.alt;
}

std::vector<int> scenesBegun;

// Without a scene table a seek only moves the sequencer's clock.
TEST(SeekTargetTest, SeekTargetsStayInsideTheShow) {
  SetSceneTable(nullptr);
  ResetSequencer();
  SeekSequencer(SceneStartMs(2) + 500);  // in scene 2's first second
  const int ms = SceneStartMs(2) + 500;
  EXPECT_EQ(SeekTargetMs(PlayerAction::Back5, ms), ms - 5000);
  EXPECT_EQ(SeekTargetMs(PlayerAction::Forward30, ms), ms + 30000);
  EXPECT_EQ(SeekTargetMs(PlayerAction::SceneStart, ms), SceneStartMs(1));
  EXPECT_EQ(SeekTargetMs(PlayerAction::NextScene, ms), SceneStartMs(3));
  EXPECT_EQ(SeekTargetMs(PlayerAction::ShowStart, ms), 0);
  EXPECT_EQ(SeekTargetMs(PlayerAction::Back30, 1000), 0);
  EXPECT_EQ(SeekTargetMs(PlayerAction::Pause, ms), -1);
  SeekSequencer(SceneStartMs(2) + 3000);  // later in the scene: its own start
  EXPECT_EQ(SeekTargetMs(PlayerAction::SceneStart, SceneStartMs(2) + 3000), SceneStartMs(2));
  // Near the end a seek forward stops short of it, and the last scene has no next one.
  SeekSequencer(210000);
  const int last = SeekTargetMs(PlayerAction::Forward30, 210000);
  EXPECT_FALSE(StepClock(last)) << "a seek must not end the show";
  EXPECT_TRUE(StepClock(last + 2));
  EXPECT_EQ(SeekTargetMs(PlayerAction::NextScene, 210000), -1);
}

// Live texture names, and the bytes the process holds allocated. Resident
// memory is no measure of leaks: the allocator keeps freed pages in per-thread
// arenas, and the driver starts a thread per core, so it settles at a level
// that depends on the machine. Under AddressSanitizer the allocator is its own
// and reports nothing, so only the texture count is checked there.
int LiveTextures() {
  int live = 0;
  for (GLuint name = 1; name < 4000; ++name) live += glIsTexture(name) ? 1 : 0;
  return live;
}

#ifdef __SANITIZE_ADDRESS__
constexpr bool kHeapMeasured = false;
#else
constexpr bool kHeapMeasured = true;
#endif
// Far below one scene's pictures or meshes, far above the driver's own drift.
constexpr long kHeapBoundKiB = 1024;

// The files prepared for the next scene are held until it begins, and how far
// the worker has got is a matter of timing; so is how far the memory reserve
// (up to 64 MB, touched 2 MB a frame while a scene plays) has got. The heap is
// measured without either.
long HeapInUseKiB() {
  DiscardPreparation();
  RenewMemoryReserve();
  const struct mallinfo2 info = mallinfo2();
  return static_cast<long>((info.uordblks + info.hblkhd) / 1024);
}

// The real scenes on the stand-in data, the clock virtual, the loop scripted.
class PlayerLoopTest : public test::GlTest {
 protected:
  void SetUp() override {
    test::GlTest::SetUp();
    data_ = test::StandinDataDir();
    ASSERT_FALSE(data_.empty());
    SetDataDirectory(data_);
    SetClockSource(ClockSource::Virtual);
    SetVirtualClockMs(0);
    for (bool& k : keyDown) k = false;
    windowActive = true;
    SetRand15State(1);
    ResetSequencer();
    ASSERT_TRUE(InitRenderer());
    ResizeViewport(640, 480);
    keys_.clear();
    passes_ = swaps_ = rounds_ = 0;
    step_ = 40;
  }
  void TearDown() override {
    // The worker reads data paths: it stops before they change meaning.
    StopPreparation();
    SetDataDirectory("");
    SetClockSource(ClockSource::SoundDevice);
    SetSceneTable(nullptr);
    ResetSequencer();
  }

  // The virtual clock advances by step_ ms per pass unless paused, like the sound clock.
  static int Position() {
    ++passes_;
    if (!MusicPaused()) SetVirtualClockMs(MusicPositionMs() + step_);
    return MusicPositionMs();
  }
  // Keys queued for given passes, as press and release events.
  static bool Poll(PlatformEvent* event) {
    for (auto it = keys_.begin(); it != keys_.end(); ++it)
      if (it->first <= passes_) {
        *event = PlatformEvent{PlatformEventType::KeyDown, it->second, false, 0, 0};
        keyDown[it->second] = false;  // taken as a tap
        keys_.erase(it);
        return true;
      }
    return false;
  }
  // A real swap hands the frame to the driver; without it the commands pile up.
  static void Swap() {
    ++swaps_;
    glFinish();
  }
  static void PressAt(int pass, int key) { keys_.push_back({pass, key}); }

  std::string data_;
  static std::vector<std::pair<int, int>> keys_;
  static int passes_, swaps_, rounds_, step_, texturesAtRound3_;
  static long heapAtRound3_;
};
std::vector<std::pair<int, int>> PlayerLoopTest::keys_;
int PlayerLoopTest::passes_, PlayerLoopTest::swaps_, PlayerLoopTest::rounds_, PlayerLoopTest::step_,
    PlayerLoopTest::texturesAtRound3_;
long PlayerLoopTest::heapAtRound3_;

TEST_F(PlayerLoopTest, PauseStopsClockAndFramesAndSeeksMoveBoth) {
  PressAt(5, ' ');      // pause
  PressAt(40, 0x27);    // +5 s while paused
  PressAt(45, ' ');     // resume
  PressAt(50, 0x22);    // next scene
  PressAt(60, 0x24);    // back to the start: scene 0 again
  PressAt(70, 27);      // Escape
  MainLoopIo io{Poll, Position, Swap};
  io.sceneBegan = [](int scene, int) { scenesBegun.push_back(scene); };
  scenesBegun.clear();
  // Escape is a held key to the original loop: set it when its event arrives.
  io.pollEvent = [](PlatformEvent* e) {
    if (!Poll(e)) return false;
    if (e->key == 27) keyDown[27] = true;
    return true;
  };
  EXPECT_EQ(RunMainLoop(io), 0);
  // Passes 5 .. 44 drew nothing and the clock stood, but for the seek.
  EXPECT_LE(swaps_, passes_ - 38);
  EXPECT_EQ(scenesBegun, (std::vector<int>{0, 1, 0}));
  EXPECT_EQ(sceneIndex, 0);
  EXPECT_LT(MusicPositionMs(), 10 * step_ + 1);
}

// One round of thirty seeks back and forth across the scenes, each drawing a frame.
void SeekAround() {
  for (int i = 0; i < 30; ++i) {
    SeekShow(SceneStartMs(1 + i % 5) + 200);
    if (i % 3 == 0) SeekShow(i % 2 ? 0 : SceneStartMs(2) + 50);
    RenderFrame();
    glFinish();
  }
}

// The driver frees texture memory when it gets round to it, so what is held
// depends on the seeks before; after the same round of seeks it must be the
// same again, however many rounds ran between.
TEST_F(PlayerLoopTest, HundredSeeksLeaveTexturesAndMemoryBounded) {
  SeekAround();
  const int textures = LiveTextures();
  const long heap = HeapInUseKiB();
  for (int round = 0; round < 4; ++round) SeekAround();
  EXPECT_LE(LiveTextures(), textures);
  EXPECT_GT(textures, 20) << "the stand-in scenes load their pictures";
  if (kHeapMeasured) {
    EXPECT_LT(HeapInUseKiB() - heap, kHeapBoundKiB);
  }
}

TEST_F(PlayerLoopTest, LoopRunsRoundAfterRoundWithBoundedTexturesAndMemory) {
  step_ = 1000;
  MainLoopIo io{[](PlatformEvent* e) {
                  // Quit once the sixth round has begun.
                  if (rounds_ < 6) return false;
                  *e = PlatformEvent{PlatformEventType::Quit, 0, false, 0, 0};
                  return true;
                },
                Position, Swap};
  io.sceneBegan = [](int scene, int) {
    // The allocator and the driver settle during the first rounds.
    if (scene == 0 && ++rounds_ == 3) texturesAtRound3_ = LiveTextures(), heapAtRound3_ = HeapInUseKiB();
  };
  io.loop = true;
  EXPECT_EQ(RunMainLoop(io), 0);
  EXPECT_EQ(rounds_, 6);
  EXPECT_GT(swaps_, 5 * 200);
  EXPECT_LE(LiveTextures(), texturesAtRound3_);
  if (kHeapMeasured) {
    EXPECT_LT(HeapInUseKiB() - heapAtRound3_, kHeapBoundKiB);
  }
}

}  // namespace
}  // namespace velkor
