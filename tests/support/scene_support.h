// Shared ground for the scene tests: the GL state earlier scenes hand over,
// small generated pictures and meshes, and pixel averaging.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "music/sequencer.h"
#include "platform/gl.h"
#include "proc/noise.h"
#include "scenes/scenes.h"
#include "support/gl_fixture.h"
#include "support/test_files.h"
#include "tools/standin/mesh_writer.h"

namespace velkor::test {

using Rgb = std::array<int, 3>;

// Generator at its start with the noise tables built (4096 draws), the global
// GL state, a 640 x 480 viewport and the sequencer reset.
void StartShowState();
// StartShowState plus what scene 0 leaves: its setup, run without its data
// files, and its last frame (lights, lighting and fog on, unit 1 switched off
// and unit 0 active).
void StartAfterScene0();
// One frame of scene `index` at scene time t and show time demo.
void DrawSceneAt(int index, float t, float demo);

// Mean colour of the (2 radius + 1)^2 pixels around (x, y).
Rgb MeanRgb(int x, int y, int radius = 1);
// The largest channel value anywhere in the frame.
int BrightestValue();
::testing::AssertionResult NearRgb(const Rgb& got, const Rgb& want, int tolerance);

// A 24-bit TGA from colour(x, y), row y = 0 at the bottom.
std::vector<std::uint8_t> TgaOf(int width, int height, const std::function<Rgb(int x, int y)>& colour);
std::vector<std::uint8_t> SolidTga(const Rgb& colour, int size = 8);
std::vector<std::uint8_t> SolidJpeg(const Rgb& colour, int size = 64);
// A quad of two faces (corners 0 1 2 and 0 2 3) with a normal towards -y.
MeshDesc QuadMesh(const std::array<std::array<float, 3>, 4>& corners, const std::array<std::array<float, 2>, 4>& st,
                  const std::string& material, const std::string& bitmapPath);
// A mesh file holding one camera at (0, y, 0) looking at the origin.
MeshFileDesc CameraFile(float y, float fov = 45.0f);

// The smallest float tick count whose music time reaches ms.
float FirstTicksReaching(float ms);

// A GL test working in a fresh data directory; the generator, noise tables and
// sequencer are restored afterwards.
class SceneFrameTest : public GlTest {
 protected:
  void TearDown() override;
  TempDir dir_;
  ScopedWorkingDirectory cwd_{dir_.path()};
};

}  // namespace velkor::test
