// Frames drawn at a size of their own and scaled to the screen: the drawn
// picture is the offline renderer's frame of that size, pixel for pixel, in
// a framebuffer object and in the back buffer's corner; the scaled copy lands
// upright in the centred 4:3 area with black bars; the layout follows window
// switches; multisampling reaches the picture.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/picture_buffer.h"
#include "app/shell.h"
#include "assets/prepare.h"
#include "music/music.h"
#include "music/sequencer.h"
#include "platform/gl.h"
#include "platform/paths.h"
#include "platform/window.h"
#include "proc/noise.h"
#include "scenes/scenes.h"
#include "support/test_files.h"
#include "support/tool_support.h"

namespace velkor {
namespace {

// A drawable wider than 4:3, with room for an exact 2x picture and bars.
constexpr int kDrawableWidth = 1440, kDrawableHeight = 960;
constexpr int kPicturedX = 80, kPictureWidth = 1280;
// Passes at 5 frames a second: scene 0, then scene 1 (from 19.2 s) after its setup.
constexpr int kPassMs = 200;
const std::vector<int> kComparedPasses = {3, 40, 100, 120};

using Rgb = std::vector<std::uint8_t>;

// The offline renderer's 640 x 480 frames of kComparedPasses, top row first.
const std::vector<test::Image>& OfflineFrames() {
  static std::vector<test::Image> frames;
  static test::TempDir dir;
  if (!frames.empty()) return frames;
  std::string list;
  for (int pass : kComparedPasses) list += (list.empty() ? "" : ",") + std::to_string(pass);
  const test::CommandResult r = test::RunTool("render --data " + test::Quote(test::StandinDataDir()) +
                                              " --fps 5 --size 640x480 --frames " + list + " --out " +
                                              test::Quote(dir.path()));
  EXPECT_EQ(r.status, 0) << r.output;
  for (const std::string& name : test::FileNames(dir.path())) frames.push_back(test::LoadPng(dir.path() + "/" + name));
  return frames;
}

Rgb WindowPixels(int x, int y, int width, int height) {
  Rgb rows(static_cast<size_t>(width) * height * 3);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(x, y, width, height, GL_RGB, GL_UNSIGNED_BYTE, rows.data());
  return rows;
}

int DifferingPixels(const std::string& a, const std::vector<std::uint8_t>& b) {
  if (a.size() != b.size()) return -1;
  int differing = 0;
  for (size_t i = 0; i < a.size(); i += 3)
    if (a[i] != static_cast<char>(b[i]) || a[i + 1] != static_cast<char>(b[i + 1]) ||
        a[i + 2] != static_cast<char>(b[i + 2]))
      ++differing;
  return differing;
}

class PictureBufferTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    opened_ = PlatformOpenHeadless(kDrawableWidth, kDrawableHeight);
    if (opened_) FetchMultitextureEntryPoints();
  }
  void SetUp() override {
    ASSERT_TRUE(opened_) << "no headless GL context";
    int width = 0, height = 0;
    PlatformDrawableSize(&width, &height);
    ASSERT_EQ(width * 10000 + height, kDrawableWidth * 10000 + kDrawableHeight);
    data_ = test::StandinDataDir();
    ASSERT_FALSE(data_.empty());
    ASSERT_EQ(OfflineFrames().size(), kComparedPasses.size());
  }
  void TearDown() override {
    StopPictureBuffer();
    StopPreparation();
    SetDataDirectory("");
    SetClockSource(ClockSource::SoundDevice);
    SetSceneTable(nullptr);
    ResetSequencer();
  }

  // The show from its start, as the player begins it fullscreen, with the picture buffer.
  void StartShow(const PictureBufferSettings& settings) {
    SetDataDirectory(data_);
    SetClockSource(ClockSource::Virtual);
    SetVirtualClockMs(0);
    SetRand15State(1);
    ResetSequencer();
    SetPreparationWaits(true);
    PrepareSceneAhead(0);
    SetKeepPictureAspect(true);
    ResizeViewport(kDrawableWidth, kDrawableHeight);
    ASSERT_TRUE(InitRenderer());
    StartPictureBuffer(settings);
  }
  // Passes as the offline renderer draws them, up to and including lastPass;
  // the drawn pictures of the compared passes are kept.
  std::vector<std::string> DrawPasses(int lastPass) {
    std::vector<std::string> kept;
    for (int pass = 0; pass <= lastPass; ++pass) {
      SetVirtualClockMs(pass * kPassMs);
      StepClock(MusicPositionMs());
      ClearOutsidePicture();
      RenderFrame();
      for (int compared : kComparedPasses)
        if (compared == pass) kept.push_back(ReadDrawnPicture());
      glFinish();
    }
    return kept;
  }
  void ExpectOfflineFrames(const std::vector<std::string>& drawn) {
    ASSERT_EQ(drawn.size(), kComparedPasses.size());
    for (size_t i = 0; i < drawn.size(); ++i)
      EXPECT_EQ(DifferingPixels(drawn[i], OfflineFrames()[i].rgb), 0) << "pass " << kComparedPasses[i];
  }
  // After ShowPicture with the nearest filter: every pixel of the 2x picture
  // is its drawn pixel, upright, and the bars are black.
  void ExpectExactDoubleWithBars(const std::string& drawn) {
    ShowPicture();
    const Rgb shown = WindowPixels(0, 0, kDrawableWidth, kDrawableHeight);
    ReturnToPicture();
    int wrong = 0, lit = 0;
    for (int y = 0; y < kDrawableHeight; ++y)
      for (int x = 0; x < kDrawableWidth; ++x) {
        const std::uint8_t* p = &shown[(static_cast<size_t>(y) * kDrawableWidth + x) * 3];
        const bool inside = x >= kPicturedX && x < kPicturedX + kPictureWidth;
        if (!inside) {
          wrong += p[0] + p[1] + p[2] != 0;
          continue;
        }
        // Window rows count from the bottom, the drawn rows from the top.
        const int dx = (x - kPicturedX) / 2, dy = (kDrawableHeight - 1 - y) / 2;
        const char* d = &drawn[(static_cast<size_t>(dy) * 640 + dx) * 3];
        wrong += p[0] != static_cast<std::uint8_t>(d[0]) || p[1] != static_cast<std::uint8_t>(d[1]) ||
                 p[2] != static_cast<std::uint8_t>(d[2]);
        lit += p[0] + p[1] + p[2] > 30;
      }
    EXPECT_EQ(wrong, 0);
    EXPECT_GT(lit, kPictureWidth * kDrawableHeight / 4) << "the picture is mostly dark: nothing was copied";
  }

  static bool opened_;
  std::string data_;
};
bool PictureBufferTest::opened_ = false;

TEST_F(PictureBufferTest, AFramebufferObjectHoldsTheOfflineFramesAndIsShownDoubledUpright) {
  PictureBufferSettings settings;
  settings.request.mode = ResolutionMode::Original;
  settings.linear = false;
  StartShow(settings);
  ASSERT_TRUE(PictureBufferInUse()) << PictureBufferDescription();
  EXPECT_NE(PictureBufferDescription().find("640x480 in a framebuffer object, shown at 1280x960 of 1440x960"),
            std::string::npos)
      << PictureBufferDescription();
  GLint viewport[4];
  glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_EQ(viewport[2] * 10000 + viewport[3], 640 * 10000 + 480);
  const std::vector<std::string> drawn = DrawPasses(kComparedPasses.back());
  ExpectOfflineFrames(drawn);
  ExpectExactDoubleWithBars(drawn.back());
}

TEST_F(PictureBufferTest, WithoutFramebufferObjectsTheBackBuffersCornerHoldsTheSameFrames) {
  PictureBufferSettings settings;
  settings.request.mode = ResolutionMode::Original;
  settings.linear = false;
  settings.framebufferObjects = false;
  StartShow(settings);
  ASSERT_TRUE(PictureBufferInUse()) << PictureBufferDescription();
  EXPECT_NE(PictureBufferDescription().find("in the back buffer's corner"), std::string::npos);
  const std::vector<std::string> drawn = DrawPasses(kComparedPasses.back());
  ExpectOfflineFrames(drawn);
  ExpectExactDoubleWithBars(drawn.back());
  // The copy over the picture leaves the show's own state as it was.
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
  EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  // A drawable too small for the corner is drawn at its own pixels instead.
  LayoutPicture(320, 240);
  EXPECT_FALSE(PictureDrawnApart());
  EXPECT_TRUE(ReadDrawnPicture().empty());
  LayoutPicture(kDrawableWidth, kDrawableHeight);
  EXPECT_TRUE(PictureDrawnApart());
}

TEST_F(PictureBufferTest, LinearScalingKeepsThePictureAndSwitchesKeepTheDrawnSize) {
  PictureBufferSettings settings;
  settings.request.mode = ResolutionMode::Original;
  StartShow(settings);
  const std::vector<std::string> drawn = DrawPasses(kComparedPasses[1]);
  ShowPicture();
  const Rgb shown = WindowPixels(0, 0, kDrawableWidth, kDrawableHeight);
  ReturnToPicture();
  // Window pixels top row first, for the box averages.
  test::Image screen{kDrawableWidth, kDrawableHeight, {}};
  for (int y = kDrawableHeight - 1; y >= 0; --y)
    screen.rgb.insert(screen.rgb.end(), shown.begin() + static_cast<long>(y) * kDrawableWidth * 3,
                      shown.begin() + static_cast<long>(y + 1) * kDrawableWidth * 3);
  const test::Image picture{640, 480, std::vector<std::uint8_t>(drawn.back().begin(), drawn.back().end())};
  EXPECT_LT(test::MaxDifference(test::BoxAverage(screen, kPicturedX, 0, kPictureWidth, kDrawableHeight, 64, 48),
                                test::BoxAverage(picture, 0, 0, 640, 480, 64, 48)),
            4.0);
  EXPECT_LT(test::MaxDifference(test::BoxAverage(screen, 0, 0, kPicturedX, kDrawableHeight, 1, 1), {0, 0, 0}), 0.01);
  // A window switch moves where the picture is seen, not the size it is drawn at.
  SetKeepPictureAspect(false);
  LayoutPicture(640, 480);
  const PictureRect seen = SeenPicture();
  EXPECT_EQ(seen.width * 10000 + seen.height, 640 * 10000 + 480);
  GLint viewport[4];
  glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_EQ(viewport[2] * 10000 + viewport[3], 640 * 10000 + 480);
  EXPECT_EQ(ReadDrawnPicture().size(), drawn.back().size());
}

TEST_F(PictureBufferTest, MultisamplingSmoothsTheDrawnPictureOnly) {
  PictureBufferSettings settings;
  settings.request.mode = ResolutionMode::Original;
  settings.msaa = 4;
  StartShow(settings);
  const std::vector<std::string> drawn = DrawPasses(kComparedPasses[1]);
  ASSERT_EQ(drawn.size(), 2u);
  const int differing = DifferingPixels(drawn.back(), OfflineFrames()[1].rgb);
  EXPECT_GT(differing, 0) << "no edge was smoothed";
  const test::Image picture{640, 480, std::vector<std::uint8_t>(drawn.back().begin(), drawn.back().end())};
  EXPECT_LT(test::MaxDifference(test::BoxAverage(picture, 0, 0, 640, 480, 32, 24),
                                test::BoxAverage(OfflineFrames()[1], 0, 0, 640, 480, 32, 24)),
            8.0);
}

TEST_F(PictureBufferTest, NativeDrawsStraightIntoTheDrawable) {
  PictureBufferSettings settings;
  settings.request.mode = ResolutionMode::Native;
  StartShow(settings);
  EXPECT_FALSE(PictureBufferInUse());
  EXPECT_TRUE(ReadDrawnPicture().empty());
  GLint viewport[4];
  glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_EQ(viewport[0] * 10000 + viewport[2], kPicturedX * 10000 + kPictureWidth);
}

}  // namespace
}  // namespace velkor
