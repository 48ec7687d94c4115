// Shared ground for the scene frame tests (see scene_support.h).
#include "support/scene_support.h"

#include <algorithm>
#include <cmath>

#include "app/shell.h"
#include "music/sequencer.h"
#include "platform/gl.h"
#include "platform/jpeg.h"
#include "proc/noise.h"
#include "scenes/scenes.h"
#include "tools/standin/image_writers.h"

namespace velkor::test {

Rgb MeanRgb(int x, int y, int radius) {
  const int side = 2 * radius + 1;
  const auto pixels = ReadPixelsRgb(x - radius, y - radius, side, side);
  Rgb sum{0, 0, 0};
  for (std::size_t k = 0; k < pixels.size(); ++k) sum[k % 3] += pixels[k];
  for (int& c : sum) c = (c + side * side / 2) / (side * side);
  return sum;
}

int BrightestValue() {
  const auto pixels = ReadPixelsRgb(0, 0, 640, 480);
  return *std::max_element(pixels.begin(), pixels.end());
}

::testing::AssertionResult NearRgb(const Rgb& got, const Rgb& want, int tolerance) {
  for (int c = 0; c < 3; ++c)
    if (std::abs(got[c] - want[c]) > tolerance)
      return ::testing::AssertionFailure() << "got (" << got[0] << ", " << got[1] << ", " << got[2] << "), want ("
                                           << want[0] << ", " << want[1] << ", " << want[2] << ")";
  return ::testing::AssertionSuccess();
}

namespace {
std::vector<std::uint8_t> SolidRgb(const Rgb& colour, int size) {
  std::vector<std::uint8_t> rgb;
  for (int i = 0; i < size * size; ++i)
    for (int c : colour) rgb.push_back(static_cast<std::uint8_t>(c));
  return rgb;
}
}  // namespace

std::vector<std::uint8_t> SolidTga(const Rgb& colour, int size) {
  return EncodeTga(SolidRgb(colour, size), size, size, 24);
}

std::vector<std::uint8_t> SolidJpeg(const Rgb& colour, int size) {
  return EncodeJpegRgb(SolidRgb(colour, size), size, size, 95);
}

void SceneFrameTest::EnterScene(int index) {
  SetRand15State(1);
  InitNoiseTables();
  SetGlobalGlState();
  ResizeViewport(640, 480);
  ResetSequencer();
  SetSceneTable(kShowScenes);
  for (int k = 0; k <= index; ++k) {
    sceneIndex = k;
    sceneStartTicks = NominalSceneStartTicks(k);
    kShowScenes[k].setup();
    if (k < index) DrawAt(static_cast<float>(kSceneLengthTicks[k]));
  }
}

void SceneFrameTest::DrawAt(float t) {
  sceneTicks = t;
  demoTicks = static_cast<float>(sceneStartTicks) + t;
  RenderFrame();
}

}  // namespace velkor::test
