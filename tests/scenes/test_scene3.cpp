// Scene 3: the glow ring and its noise offsets, the fade timeline, the three
// composed textures, and frames rendered from small generated data.
#include <gtest/gtest.h>

#include <cmath>

#include "assets/model.h"
#include "music/sequencer.h"
#include "platform/gl.h"
#include "proc/noise.h"
#include "scenes/scene3.h"
#include "scenes/scenes.h"
#include "support/scene_support.h"

namespace velkor {
namespace {

using test::MeanRgb;
using test::NearRgb;
using test::Rgb;

TEST(Scene3Glows, GlowZeroStartsAtTheRingPointAndOffsetsFollowCosineNoise) {
  SetRand15State(1);
  InitNoiseTables();
  ComputeGlowPositions(0.0f);
  // At T = 0 every argument of glow 0 is a whole number: the lattice values themselves.
  EXPECT_FLOAT_EQ(glowPositions[0][0], 120.0f + 30.0f * NoiseLattice(100, 0, 0));
  EXPECT_FLOAT_EQ(glowPositions[0][1], 0.0f + 30.0f * NoiseLattice(100, 0, 100));
  EXPECT_FLOAT_EQ(glowPositions[0][2], 40.0f + 30.0f * NoiseLattice(100, 100, 50));
  for (float t : {0.000001f, 37.0f, 123.4f, 449.9f}) {
    ComputeGlowPositions(t);
    for (int i : {1, 7, 31, 49}) {
      const float fi = static_cast<float>(i);
      const double a = fi * 0.125664 + t * 0.015;
      const float ring[3] = {static_cast<float>(120.0 * std::cos(a)), static_cast<float>(120.0 * std::sin(a)), 40.0f};
      const float offset[3] = {CosineNoise3(t * 0.01f + 100.0f, fi * 3.141592f, fi * 0.01f),
                               CosineNoise3(t * 0.008f + 100.0f, fi * 3.141592f, fi * 0.01f + 100.0f),
                               CosineNoise3(t * 0.022f + 100.0f, fi * 3.141592f + 100.0f, fi * 0.01f + 50.0f)};
      for (int k = 0; k < 3; ++k)
        EXPECT_NEAR(glowPositions[i][k], ring[k] + 30.0f * offset[k], 3e-3f) << t << " " << i << " " << k;
    }
  }
}

TEST(Scene3Timeline, FadesInOverFiftyTicksAndOutAfter400) {
  const struct {
    float t, rgb, a;
  } cases[] = {{0, 0, 1}, {25, 0, 0.5f}, {49.99f, 0, 0.0002f}, {50, 1, 0}, {400, 1, 0}, {425, 0, 0.5f}, {450, 0, 1}};
  for (const auto& c : cases) {
    const FadeColour f = Scene3Fade(c.t);
    EXPECT_EQ(f.r, c.rgb) << c.t;
    EXPECT_EQ(f.b, c.rgb) << c.t;
    EXPECT_NEAR(f.a, c.a, 1e-5f) << c.t;
  }
}

// ---- Generated data and rendered frames ----

// The images vary only in their first 16 rows, which the composition checks
// read; the drawn quads sample the uniform rest.
Rgb Texture04(int x, int y) { return y < 16 ? Rgb{x, 200, 255 - x} : Rgb{200, 200, 200}; }
Rgb Texture05(int x, int y) { return y < 16 ? Rgb{x ^ 0x55, y, 9} : Rgb{128, 31, 7}; }
Rgb Texture07(int x, int y) { return y < 16 ? Rgb{x, 255 - x, 77} : Rgb{255, 255, 255}; }
Rgb WomanMask(int x, int y) { return Rgb{x < 32 && y < 32 ? 255 : 0, 200, 100}; }
const Rgb kWoman{30, 200, 90};
const Rgb kClear{17, 58, 112};

// Camera 600 units in front of the origin looking along +y with z up. Mesh 25
// (opaque) and mesh 26 (translucent) are quads mirrored about x = 0, above the
// ring; three points carry glows behind, in front of and beside them.
constexpr float kBehindPoint[3] = {-100, 50, 160};
constexpr float kFrontPoint[3] = {-70, -50, 190};
constexpr float kOpenPoint[3] = {0, 0, -150};

MeshDesc Quad(float x0, float x1, const std::string& material) {
  return test::QuadMesh({{{x0, 0, 100}, {x1, 0, 100}, {x1, 0, 220}, {x0, 0, 220}}},
                        {{{0, 0.1f}, {1, 0.1f}, {1, 0.9f}, {0, 0.9f}}}, material, "maps\\texture04.tga");
}

// Screen pixel of a world point for the test camera (the view shifted 30 down).
std::array<int, 2> ScreenOf(const float p[3]) {
  const double depth = 600.0 + p[1], t = std::tan(22.5 * M_PI / 180.0);
  return {static_cast<int>(320 + p[0] / (depth * t * 4.0 / 3.0) * 320),
          static_cast<int>(240 + (p[2] - 30.0) / (depth * t) * 240)};
}

class Scene3Frames : public test::SceneFrameTest {
 protected:
  void WriteData(int maskSize) {
    MeshFileDesc meshes;
    meshes.meshes.resize(25);
    for (MeshDesc& m : meshes.meshes) m.materialName = "empty", m.bitmapPath = "texture04.tga";
    meshes.meshes.push_back(Quad(-160, -40, "opaque"));
    meshes.meshes.push_back(Quad(40, 160, "glass"));
    for (const float* p : {kBehindPoint, kFrontPoint, kOpenPoint}) {
      meshes.points.emplace_back();
      std::copy(p, p + 3, meshes.points.back().position);
    }
    dir_.Write("data/part04_max.bin", BuildMeshFile(test::CameraFile(-600.0f)));
    dir_.Write("data/part04_max2.bin", BuildMeshFile(meshes));
    dir_.Write("data/texpart04/texture04.tga", test::TgaOf(256, 256, Texture04));
    dir_.Write("data/texpart04/texture05.tga", test::TgaOf(256, 256, Texture05));
    dir_.Write("data/texpart04/texture07.tga", test::TgaOf(256, 256, Texture07));
    dir_.Write("data/texpart04/woman.tga", test::SolidTga(kWoman, 256));
    dir_.Write("data/texpart04/womanA.tga", test::TgaOf(maskSize, maskSize, WomanMask));
  }
  // Scene 2's frames leave fog off; the images of an earlier run are forgotten.
  void Enter() {
    for (TextureRecord* r : {&texture04Image, &texture05Image, &texture07Image, &womanImage, &womanMaskImage})
      *r = TextureRecord{};
    test::StartAfterScene0();
    glDisable(GL_FOG);
    sceneIndex = 3;
    SetupScene3();
  }
  void DrawAt(float t, const std::string& name) {
    test::DrawSceneAt(3, t, 900.0f + t);
    test::SaveFrame("scene3_" + name);
  }
};

TEST_F(Scene3Frames, CompositionsTakeTheirAlphaFromTheMaskRed) {
  WriteData(256);
  Enter();
  ASSERT_NE(mesh26Texture, 0u);
  ASSERT_NE(spriteTexture, 0u);
  const auto mesh26 = test::TextureRgba(mesh26Texture, 256);
  const auto sprite = test::TextureRgba(spriteTexture, 256);
  const auto woman = test::TextureRgba(womanImage.textureId, 256);  // replaced in place
  for (int y = 0; y < 256; y += 5)
    for (int x = 0; x < 256; x += 3) {
      const std::size_t k = (y * 256 + x) * 4;
      ASSERT_EQ(mesh26[k], Texture04(x, y)[0]);
      ASSERT_EQ(mesh26[k + 3], Texture05(x, y)[0]) << x << "," << y;
      ASSERT_EQ(sprite[k + 1], Texture07(x, y)[1]);
      ASSERT_EQ(sprite[k + 3], Texture07(x, y)[0]) << x << "," << y;
      ASSERT_EQ(woman[k + 1], kWoman[1]);
      ASSERT_EQ(woman[k + 3], WomanMask(x, y)[0]) << x << "," << y;
    }
}

TEST_F(Scene3Frames, OpensBlackThenGlassIsTranslucentAndSpritesBehindMeshesHidden) {
  WriteData(256);
  Enter();
  DrawAt(0.000001f, "first");
  EXPECT_LE(test::BrightestValue(), 1);
  DrawAt(100.0f, "t100");
  const float opaqueCentre[3] = {-130, 0, 130}, glassCentre[3] = {130, 0, 130};
  const auto [ox, oy] = ScreenOf(opaqueCentre);
  const auto [gx, gy] = ScreenOf(glassCentre);
  const Rgb lit = MeanRgb(ox, oy), glass = MeanRgb(gx, gy);
  // Both quads are lit alike; the glass (alpha 128) lets half the background through.
  EXPECT_GT(lit[0], 120);
  for (int c = 0; c < 3; ++c) EXPECT_NEAR(glass[c], (128 * lit[c] + 127 * kClear[c]) / 255.0, 4) << c;
  const auto [bx, by] = ScreenOf(kBehindPoint);
  EXPECT_TRUE(NearRgb(MeanRgb(bx, by), lit, 3)) << "the sprite behind the opaque quad is hidden";
  for (const float* p : {kFrontPoint, kOpenPoint}) {
    const auto [x, y] = ScreenOf(p);
    EXPECT_TRUE(NearRgb(MeanRgb(x, y), {255, 255, 255}, 3)) << p[0];
  }
  // The woman picture shows only where its mask is opaque (bottom-left corner).
  EXPECT_TRUE(NearRgb(MeanRgb(20, 20), kWoman, 3));
  EXPECT_TRUE(NearRgb(MeanRgb(620, 20), kClear, 2));
}

// Without files, or with a mask of the wrong size, the woman layer is left out.
TEST_F(Scene3Frames, MissingFilesOrAWrongSizedMaskLeaveTheWomanOut) {
  for (int maskSize : {0, 128}) {
    if (maskSize) WriteData(maskSize);
    Enter();
    EXPECT_EQ(scene3MeshModel.meshCount, maskSize ? 27u : 0u);
    EXPECT_EQ(scene3Model.currentCamera != nullptr, maskSize != 0);
    DrawAt(100.0f, "mask" + std::to_string(maskSize));
    EXPECT_TRUE(NearRgb(MeanRgb(620, 20), kClear, 2)) << maskSize;
    EXPECT_FALSE(NearRgb(MeanRgb(20, 20), kWoman, 10)) << maskSize;
    if (!maskSize) {
      EXPECT_TRUE(NearRgb(MeanRgb(20, 20), kClear, 2));
    }
  }
}

}  // namespace
}  // namespace velkor
