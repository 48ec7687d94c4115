// Shared ground for the scene tests (see scene_support.h).
#include "support/scene_support.h"

#include <algorithm>
#include <cmath>

#include "app/shell.h"
#include "assets/model.h"
#include "music/sequencer.h"
#include "platform/gl.h"
#include "platform/jpeg.h"
#include "proc/noise.h"
#include "scenes/scenes.h"
#include "tools/standin/image_writers.h"

namespace velkor::test {

void StartShowState() {
  SetRand15State(1);
  InitNoiseTables();
  SetGlobalGlState();
  ResizeViewport(640, 480);
  ResetSequencer();
  SetSceneTable(kShowScenes);
}

void StartAfterScene0() {
  StartShowState();
  SetupScene0();
  DrawSceneAt(0, 250.0f, 250.0f);
}

void DrawSceneAt(int index, float t, float demo) {
  sceneIndex = index;
  sceneTicks = t;
  demoTicks = demo;
  RenderFrame();
}

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

std::vector<std::uint8_t> TgaOf(int width, int height, const std::function<Rgb(int x, int y)>& colour) {
  std::vector<std::uint8_t> rgb;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      for (int c : colour(x, y)) rgb.push_back(static_cast<std::uint8_t>(c));
  return EncodeTga(rgb, width, height, 24);
}

std::vector<std::uint8_t> SolidTga(const Rgb& colour, int size) {
  return TgaOf(size, size, [&](int, int) { return colour; });
}

std::vector<std::uint8_t> SolidJpeg(const Rgb& colour, int size) {
  std::vector<std::uint8_t> rgb;
  for (int i = 0; i < size * size; ++i)
    for (int c : colour) rgb.push_back(static_cast<std::uint8_t>(c));
  return EncodeJpegRgb(rgb, size, size, 95);
}

MeshDesc QuadMesh(const std::array<std::array<float, 3>, 4>& corners, const std::array<std::array<float, 2>, 4>& st,
                  const std::string& material, const std::string& bitmapPath) {
  MeshDesc m;
  m.materialName = material;
  m.bitmapPath = bitmapPath;
  for (const auto& c : corners) std::copy(c.begin(), c.end(), m.vertices.emplace_back().position);
  for (std::uint32_t last : {2u, 3u}) {  // corners 0 1 2, then 0 2 3
    MeshFaceDesc f;
    const std::uint32_t corner[3] = {0, last - 1, last};
    f.normal[1] = -1, f.normal[2] = 0;
    for (int c = 0; c < 3; ++c) f.vertex[c] = corner[c], f.s[c] = st[corner[c]][0], f.t[c] = st[corner[c]][1];
    m.faces.push_back(f);
  }
  return m;
}

MeshFileDesc CameraFile(float y, float fov) {
  MeshFileDesc file;
  CameraDesc camera;
  camera.position[1] = y;
  camera.fov = fov;
  file.cameras.push_back(camera);
  return file;
}

float FirstTicksReaching(float ms) {
  float ticks = static_cast<float>(ms / 76.92307);
  while (MusicMsFromTicks(ticks) >= ms) ticks = std::nextafter(ticks, 0.0f);
  while (MusicMsFromTicks(ticks) < ms) ticks = std::nextafter(ticks, 1e9f);
  return ticks;
}

void SceneFrameTest::TearDown() {
  SetRand15State(1);
  InitNoiseTables();
  ResetSequencer();
  SetTextureDirectory("data\\");
}

}  // namespace velkor::test
