// Shared ground for the scene frame tests: scenes entered as the show enters
// them, one-colour pictures and pixel averaging.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

#include "support/gl_fixture.h"
#include "support/test_files.h"
#include "tools/standin/mesh_writer.h"

namespace velkor::test {

using Rgb = std::array<int, 3>;

// Mean colour of the (2 radius + 1)^2 pixels around (x, y).
Rgb MeanRgb(int x, int y, int radius = 1);
// The largest channel value anywhere in the frame.
int BrightestValue();
::testing::AssertionResult NearRgb(const Rgb& got, const Rgb& want, int tolerance);

// Square pictures of one colour: a 24-bit TGA and a JPEG.
std::vector<std::uint8_t> SolidTga(const Rgb& colour, int size = 8);
std::vector<std::uint8_t> SolidJpeg(const Rgb& colour, int size = 64);

// A GL test working in a fresh data directory.
class SceneFrameTest : public GlTest {
 protected:
  // Scene `index` entered as in the show: from the start state (generator,
  // noise tables, GL state, 640 x 480 viewport) the earlier scenes are set up
  // and their last frames drawn, then its own setup runs.
  void EnterScene(int index);
  // One frame t ticks into the current scene.
  void DrawAt(float t);

  TempDir dir_;
  ScopedWorkingDirectory cwd_{dir_.path()};
};

}  // namespace velkor::test
