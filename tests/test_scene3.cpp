// Scene 3: the glow ring and its noise offsets, the fade timeline, the three
// composed textures, and whole frames rendered from small generated data.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/shell.h"
#include "music/sequencer.h"
#include "platform/gl.h"
#include "proc/noise.h"
#include "scenes/scene3.h"
#include "scenes/scenes.h"
#include "support/gl_fixture.h"
#include "support/test_files.h"
#include "tools/image_writers.h"
#include "tools/mesh_writer.h"

namespace velkor {
namespace {

using test::PixelAt;

class GlowRingTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    SetRand15State(1);
    InitNoiseTables();
  }
};

TEST_F(GlowRingTest, GlowZeroStartsAtTheRingPointPlusItsNoise) {
  ComputeGlowPositions(0.0f);
  EXPECT_FLOAT_EQ(glowRingPositions[0][0], 120.0f);
  EXPECT_FLOAT_EQ(glowRingPositions[0][1], 0.0f);
  EXPECT_FLOAT_EQ(glowRingPositions[0][2], 40.0f);
  // At T = 0 every argument of glow 0 is a whole number: the lattice values themselves.
  EXPECT_FLOAT_EQ(glowPositions[0][0], 120.0f + 30.0f * NoiseLattice(100, 0, 0));
  EXPECT_FLOAT_EQ(glowPositions[0][1], 0.0f + 30.0f * NoiseLattice(100, 0, 100));
  EXPECT_FLOAT_EQ(glowPositions[0][2], 40.0f + 30.0f * NoiseLattice(100, 100, 50));
}

TEST_F(GlowRingTest, OffsetsFollowCosineNoiseAtTheirArguments) {
  for (float t : {0.000001f, 37.0f, 123.4f, 449.9f}) {
    ComputeGlowPositions(t);
    for (int i : {1, 7, 31, 49}) {
      const float fi = static_cast<float>(i);
      const float ox = 30.0f * CosineNoise3(t * 0.01f + 100.0f, fi * 3.141592f, fi * 0.01f);
      const float oy = 30.0f * CosineNoise3(t * 0.008f + 100.0f, fi * 3.141592f, fi * 0.01f + 100.0f);
      const float oz = 30.0f * CosineNoise3(t * 0.022f + 100.0f, fi * 3.141592f + 100.0f, fi * 0.01f + 50.0f);
      EXPECT_NEAR(glowPositions[i][0] - glowRingPositions[i][0], ox, 2e-3f) << t << " " << i;
      EXPECT_NEAR(glowPositions[i][1] - glowRingPositions[i][1], oy, 2e-3f) << t << " " << i;
      EXPECT_NEAR(glowPositions[i][2] - glowRingPositions[i][2], oz, 2e-3f) << t << " " << i;
      const double a = fi * 0.125664 + t * 0.015;
      EXPECT_NEAR(glowRingPositions[i][0], 120.0 * std::cos(a), 1e-3);
      EXPECT_NEAR(glowRingPositions[i][1], 120.0 * std::sin(a), 1e-3);
      EXPECT_EQ(glowRingPositions[i][2], 40.0f);
    }
  }
}

TEST_F(GlowRingTest, RingSpreadsFiftyGlowsRoundAndTurnsOnceIn419Ticks) {
  ComputeGlowPositions(0.0f);
  EXPECT_NEAR(glowRingPositions[25][0], -120.0f, 1e-3f);  // half way round
  EXPECT_NEAR(glowRingPositions[25][1], 0.0f, 1e-2f);
  const float turn = static_cast<float>(2.0 * M_PI / 0.015);  // about 418.9 ticks
  ComputeGlowPositions(turn);
  EXPECT_NEAR(glowRingPositions[0][0], 120.0f, 1e-2f);
  EXPECT_NEAR(glowRingPositions[0][1], 0.0f, 0.1f);
  ComputeGlowPositions(turn / 4.0f);
  EXPECT_NEAR(glowRingPositions[0][0], 0.0f, 0.1f);
  EXPECT_NEAR(glowRingPositions[0][1], 120.0f, 1e-2f);
}

TEST(Scene3TimelineTest, FadesInOverFiftyTicksAndOutAfter400) {
  const struct {
    float t, r, a;
  } cases[] = {{0, 0, 1}, {25, 0, 0.5f}, {50, 1, 0}, {400, 1, 0}, {425, 0, 0.5f}, {450, 0, 1}};
  for (const auto& c : cases) {
    const FadeColour f = Scene3Fade(c.t);
    EXPECT_EQ(f.r, c.r) << c.t;
    EXPECT_EQ(f.b, c.r) << c.t;
    EXPECT_NEAR(f.a, c.a, 1e-5f) << c.t;
  }
  EXPECT_EQ(Scene3Fade(49.99f).r, 0.0f);
  EXPECT_GT(Scene3Fade(400.5f).a, 0.0f);
}

TEST(Scene3TimelineTest, CameraRunsAtAFifthOfSceneTime) {
  EXPECT_FLOAT_EQ(Scene3CameraTime(100.0f), 20.0f);
  EXPECT_FLOAT_EQ(Scene3CameraTime(450.0f), 90.0f);
}

// ---- Generated data and rendered frames ----

using Rgb = std::array<std::uint8_t, 3>;
using PixelFn = std::function<Rgb(int x, int y)>;

std::vector<std::uint8_t> Tga(int size, const PixelFn& colour) {
  std::vector<std::uint8_t> rgb;
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x)
      for (std::uint8_t c : colour(x, y)) rgb.push_back(c);
  return EncodeTga(rgb, size, size, 24);
}

// The images vary only in their first 16 rows, which the composition checks
// read; the drawn quads sample the uniform rest.
Rgb Texture04(int x, int y) { return y < 16 ? Rgb{std::uint8_t(x), 200, std::uint8_t(255 - x)} : Rgb{200, 200, 200}; }
Rgb Texture05(int x, int y) { return y < 16 ? Rgb{std::uint8_t(x ^ 0x55), std::uint8_t(y), 9} : Rgb{128, 31, 7}; }
Rgb Texture07(int x, int y) {
  return y < 16 ? Rgb{std::uint8_t(x), std::uint8_t(255 - x), 77} : Rgb{255, 255, 255};
}
constexpr Rgb kWoman{30, 200, 90};
Rgb WomanMask(int x, int y) { return Rgb{std::uint8_t(x < 32 && y < 32 ? 255 : 0), 200, 100}; }

MeshDesc Quad(float x0, float x1, float y, float z0, float z1, const std::string& material) {
  MeshDesc m;
  const float corners[4][3] = {{x0, y, z0}, {x1, y, z0}, {x1, y, z1}, {x0, y, z1}};
  for (const auto& c : corners) {
    MeshVertexDesc v;
    std::copy(c, c + 3, v.position);
    m.vertices.push_back(v);
  }
  for (const auto& tri : {std::array<std::uint32_t, 3>{0, 1, 2}, std::array<std::uint32_t, 3>{0, 2, 3}}) {
    MeshFaceDesc f;
    std::copy(tri.begin(), tri.end(), f.vertex);
    f.normal[0] = 0, f.normal[1] = -1, f.normal[2] = 0;  // towards the camera
    for (int c = 0; c < 3; ++c) {
      f.s[c] = (tri[c] == 1 || tri[c] == 2) ? 1.0f : 0.0f;
      f.t[c] = 0.1f + ((tri[c] >= 2) ? 0.8f : 0.0f);
    }
    m.faces.push_back(f);
  }
  m.materialName = material;
  m.bitmapPath = "maps\\texture04.tga";
  return m;
}

// Camera 600 units in front of the origin, looking along +y with z up. Mesh 25
// (opaque) and mesh 26 (translucent) are quads mirrored about x = 0, above the ring.
constexpr float kBehindPoint[3] = {-100, 50, 160};
constexpr float kFrontPoint[3] = {-70, -50, 190};
constexpr float kOpenPoint[3] = {0, 0, -150};

void WriteSceneData(const test::TempDir& dir) {
  MeshFileDesc cameraFile;
  CameraDesc camera;
  camera.position[1] = -600.0f;
  camera.fov = 45.0f;
  cameraFile.cameras.push_back(camera);
  MeshFileDesc meshFile;
  for (int m = 0; m < 25; ++m) {
    MeshDesc empty;
    empty.materialName = "empty";
    empty.bitmapPath = "texture04.tga";
    meshFile.meshes.push_back(empty);
  }
  meshFile.meshes.push_back(Quad(-160, -40, 0, 100, 220, "opaque"));
  meshFile.meshes.push_back(Quad(40, 160, 0, 100, 220, "glass"));
  for (const float* p : {kBehindPoint, kFrontPoint, kOpenPoint}) {
    PointDesc point;
    std::copy(p, p + 3, point.position);
    meshFile.points.push_back(point);
  }
  dir.Write("data/part04_max.bin", BuildMeshFile(cameraFile));
  dir.Write("data/part04_max2.bin", BuildMeshFile(meshFile));
  dir.Write("data/texpart04/texture04.tga", Tga(256, Texture04));
  dir.Write("data/texpart04/texture05.tga", Tga(256, Texture05));
  dir.Write("data/texpart04/texture07.tga", Tga(256, Texture07));
  dir.Write("data/texpart04/woman.tga", Tga(256, [](int, int) { return kWoman; }));
  dir.Write("data/texpart04/womanA.tga", Tga(256, WomanMask));
}

void MaybeSavePng(const std::string& name) {
  if (const char* dir = std::getenv("VELKOR_FRAME_DIR")) test::SavePng(std::string(dir) + "/" + name, 640, 480);
}

// The state the show has reached when scene 3 begins: the global state, scene 0's
// lights (light 1 stays on for good) and unit 1 switched off, lighting left on by
// scene 2's frames, fog off.
void PrepareShowState() {
  SetRand15State(1);
  InitNoiseTables();
  SetGlobalGlState();
  ResizeViewport(640, 480);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  const float ambient[4] = {0.05f, 0.58f, 0.84f, 1.0f};
  const float diffuse[4] = {1.0f, 1.0f, 1.0f, 1.0f};
  const float position1[4] = {0.0f, 10000.0f, 0.0f, 1.0f};
  glLightfv(GL_LIGHT1, GL_AMBIENT, ambient);
  glLightfv(GL_LIGHT1, GL_DIFFUSE, diffuse);
  glLightfv(GL_LIGHT1, GL_POSITION, position1);
  glEnable(GL_LIGHTING);
  glEnable(GL_LIGHT1);
  glActiveTextureARB(GL_TEXTURE1_ARB);
  glDisable(GL_TEXTURE_2D);
  glActiveTextureARB(GL_TEXTURE0_ARB);
  glDisable(GL_FOG);
}

void ForgetSceneImages() {
  for (TextureRecord* r : {&texture04Image, &texture05Image, &texture07Image, &womanImage, &womanMaskImage})
    *r = TextureRecord{};
}

void DrawScene3At(float t) {
  sceneIndex = 3;
  sceneTicks = t;
  demoTicks = 900.0f + t;
  RenderFrame();
}

std::vector<std::uint8_t> TextureRgba(GLuint name) {
  std::vector<std::uint8_t> rgba(256 * 256 * 4);
  glActiveTextureARB(GL_TEXTURE0_ARB);
  glBindTexture(GL_TEXTURE_2D, name);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
  return rgba;
}

bool Near(const std::vector<int>& p, int r, int g, int b, int tolerance) {
  return std::abs(p[0] - r) <= tolerance && std::abs(p[1] - g) <= tolerance && std::abs(p[2] - b) <= tolerance;
}

// Screen pixel of a world point for the test camera (the view shifted 30 down).
std::array<int, 2> ScreenOf(const float p[3]) {
  const double depth = 600.0 + p[1];
  const double t = std::tan(22.5 * M_PI / 180.0);
  return {static_cast<int>(320 + p[0] / (depth * t * 4.0 / 3.0) * 320),
          static_cast<int>(240 + (p[2] - 30.0) / (depth * t) * 240)};
}

class Scene3FrameTest : public test::GlTest {
 protected:
  void Enter(bool withData = true) {
    if (withData) WriteSceneData(dir_);
    cwd_ = std::make_unique<test::ScopedWorkingDirectory>(dir_.path());
    ForgetSceneImages();
    PrepareShowState();
    sceneIndex = 3;
    SetupScene3();
  }
  test::TempDir dir_;
  std::unique_ptr<test::ScopedWorkingDirectory> cwd_;
};

TEST_F(Scene3FrameTest, CompositionsTakeTheirAlphaFromTheMaskRed) {
  Enter();
  ASSERT_NE(mesh26Texture, 0u);
  ASSERT_NE(spriteTexture, 0u);
  const auto mesh26 = TextureRgba(mesh26Texture);
  const auto sprite = TextureRgba(spriteTexture);
  const auto woman = TextureRgba(womanImage.textureId);
  for (int y = 0; y < 256; y += 5) {
    for (int x = 0; x < 256; x += 3) {
      const std::uint8_t* m = &mesh26[(y * 256 + x) * 4];
      const Rgb colour = Texture04(x, y);
      ASSERT_EQ(m[0], colour[0]);
      ASSERT_EQ(m[2], colour[2]);
      ASSERT_EQ(m[3], Texture05(x, y)[0]) << x << "," << y;
      const std::uint8_t* s = &sprite[(y * 256 + x) * 4];
      ASSERT_EQ(s[1], Texture07(x, y)[1]);
      ASSERT_EQ(s[3], Texture07(x, y)[0]) << x << "," << y;
      const std::uint8_t* w = &woman[(y * 256 + x) * 4];
      ASSERT_EQ(w[1], kWoman[1]);
      ASSERT_EQ(w[3], WomanMask(x, y)[0]) << x << "," << y;
    }
  }
  // texture04's own texture keeps its three channels.
  glBindTexture(GL_TEXTURE_2D, texture04Image.textureId);
  GLint alphaBits = -1;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_ALPHA_SIZE, &alphaBits);
  EXPECT_EQ(alphaBits, 0);
}

TEST_F(Scene3FrameTest, SetupLeavesEyeLightClearColourAndProjection) {
  Enter();
  GLfloat clear[4];
  glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
  EXPECT_NEAR(clear[1], 58 / 255.0f, 1e-6f);
  EXPECT_EQ(clear[3], 0.0f);
  EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
  EXPECT_TRUE(glIsEnabled(GL_LIGHT0));
  EXPECT_TRUE(glIsEnabled(GL_LIGHT1));
  GLfloat position[4], ambient[4];
  glGetLightfv(GL_LIGHT0, GL_POSITION, position);
  glGetLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
  EXPECT_EQ(position[0], 0.0f);
  EXPECT_EQ(position[2], 0.0f);
  EXPECT_EQ(position[3], 1.0f);
  EXPECT_EQ(ambient[0], 0.0f);
  GLfloat projection[16];
  glGetFloatv(GL_PROJECTION_MATRIX, projection);
  const double f = 1.0 / std::tan(22.5 * M_PI / 180.0);
  EXPECT_NEAR(projection[5], f, 1e-5);
  EXPECT_NEAR(projection[0], f * 0.75, 1e-5);
  ASSERT_NE(scene3Model.currentCamera, nullptr);
  EXPECT_EQ(scene3MeshModel.meshCount, 27u);
  EXPECT_EQ(scene3MeshModel.pointCount, 3u);
}

TEST_F(Scene3FrameTest, FirstFrameIsBlack) {
  Enter();
  DrawScene3At(0.000001f);
  MaybeSavePng("scene3_first.png");
  const auto pixels = test::ReadPixelsRgb(0, 0, 640, 480);
  int brightest = 0;
  for (std::uint8_t v : pixels) brightest = std::max<int>(brightest, v);
  EXPECT_LE(brightest, 1);
}

TEST_F(Scene3FrameTest, MeshTwentySixIsTranslucentAndSpritesBehindMeshesHidden) {
  Enter();
  DrawScene3At(100.0f);
  MaybeSavePng("scene3_t100.png");
  const float opaqueCentre[3] = {-130, 0, 130};
  const float glassCentre[3] = {130, 0, 130};
  const auto [ox, oy] = ScreenOf(opaqueCentre);
  const auto [gx, gy] = ScreenOf(glassCentre);
  const auto lit = PixelAt(ox, oy);
  const auto glass = PixelAt(gx, gy);
  // Both quads are lit alike; the glass lets half of the background through.
  const int clear[3] = {17, 58, 112};
  const double alpha = 128 / 255.0;
  EXPECT_GT(lit[0], 120);
  for (int c = 0; c < 3; ++c) EXPECT_NEAR(glass[c], alpha * lit[c] + (1 - alpha) * clear[c], 4) << c;
  // The sprite behind the opaque quad is hidden, the one in front shows.
  const auto [bx, by] = ScreenOf(kBehindPoint);
  const auto [fx, fy] = ScreenOf(kFrontPoint);
  const auto [px, py] = ScreenOf(kOpenPoint);
  EXPECT_TRUE(Near(PixelAt(bx, by), lit[0], lit[1], lit[2], 3));
  EXPECT_TRUE(Near(PixelAt(fx, fy), 255, 255, 255, 3));
  EXPECT_TRUE(Near(PixelAt(px, py), 255, 255, 255, 3));
  // The woman picture shows only where its mask is opaque (bottom-left corner).
  EXPECT_TRUE(Near(PixelAt(20, 20), kWoman[0], kWoman[1], kWoman[2], 3));
  EXPECT_TRUE(Near(PixelAt(620, 20), clear[0], clear[1], clear[2], 2));
  // The state handed on to the next frame and to scene 4.
  EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
  EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
  GLboolean depthWrites = GL_FALSE;
  glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
  EXPECT_EQ(depthWrites, GL_TRUE);
}

TEST_F(Scene3FrameTest, RingGlowsShowAroundTheCentre) {
  Enter();
  DrawScene3At(100.0f);
  ComputeGlowPositions(100.0f);
  int shown = 0;
  for (int i = 0; i < kGlowCount; ++i) {
    const auto [x, y] = ScreenOf(glowPositions[i]);
    if (x < 0 || x >= 640 || y < 0 || y >= 480) continue;
    if (Near(PixelAt(x, y), 255, 255, 255, 3)) ++shown;
  }
  // All fifty lie below the quads and in view; none may be lost.
  EXPECT_EQ(shown, kGlowCount);
}

TEST_F(Scene3FrameTest, FadeOutDarkensTheWholeFrame) {
  Enter();
  DrawScene3At(425.0f);
  MaybeSavePng("scene3_t425.png");
  EXPECT_TRUE(Near(PixelAt(620, 20), 8, 29, 56, 2));
  DrawScene3At(450.0f);
  EXPECT_TRUE(Near(PixelAt(620, 20), 0, 0, 0, 1));
}

TEST_F(Scene3FrameTest, MissingFilesKeepTheDefaultViewAndDrawNoLayer) {
  Enter(false);
  EXPECT_EQ(scene3Model.currentCamera, nullptr);
  EXPECT_EQ(scene3MeshModel.meshCount, 0u);
  DrawScene3At(100.0f);
  MaybeSavePng("scene3_no_files.png");
  // No woman picture could be composed: the layer is left out, the background shows.
  EXPECT_TRUE(Near(PixelAt(20, 20), 17, 58, 112, 2));
  EXPECT_TRUE(Near(PixelAt(620, 460), 17, 58, 112, 2));
  EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
}

TEST_F(Scene3FrameTest, WithoutItsMaskTheWomanPictureIsLeftOut) {
  WriteSceneData(dir_);
  dir_.Write("data/texpart04/womanA.tga", Tga(128, WomanMask));
  Enter(false);
  GLint alphaBits = -1;
  glBindTexture(GL_TEXTURE_2D, womanImage.textureId);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_ALPHA_SIZE, &alphaBits);
  EXPECT_EQ(alphaBits, 0);
  DrawScene3At(100.0f);
  EXPECT_TRUE(Near(PixelAt(620, 20), 17, 58, 112, 2));
  EXPECT_FALSE(Near(PixelAt(20, 20), kWoman[0], kWoman[1], kWoman[2], 10));
}

}  // namespace
}  // namespace velkor
