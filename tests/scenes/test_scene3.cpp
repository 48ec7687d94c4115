// Scene 3 in frames rendered from small generated data: lit and translucent
// meshes, glow sprites hidden behind them, the masked woman picture and the fades.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "assets/model.h"
#include "scenes/scene3.h"
#include "support/scene_support.h"

namespace velkor::test {
namespace {

// Every composed texture takes its alpha from its mask's red: mesh 26 from
// texture05 (128), the sprites from texture07 itself (160), the woman from the
// bottom-left corner of womanA. The other channels tell a wrong pairing.
const Rgb kTexture04{200, 200, 200}, kTexture05{128, 31, 7}, kSprite{160, 200, 240};
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
  return QuadMesh({{{x0, 0, 100}, {x1, 0, 100}, {x1, 0, 220}, {x0, 0, 220}}},
                  {{{0, 0.1f}, {1, 0.1f}, {1, 0.9f}, {0, 0.9f}}}, material, "maps\\texture04.tga");
}

// Screen pixel of a world point for the test camera (the view shifted 30 down).
std::array<int, 2> ScreenOf(const float p[3]) {
  const double depth = 600.0 + p[1], t = std::tan(22.5 * M_PI / 180.0);
  return {static_cast<int>(320 + p[0] / (depth * t * 4.0 / 3.0) * 320),
          static_cast<int>(240 + (p[2] - 30.0) / (depth * t) * 240)};
}

class Scene3Frames : public SceneFrameTest {
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
    dir_.Write("data/part04_max.bin", BuildMeshFile(CameraFile(-600.0f)));
    dir_.Write("data/part04_max2.bin", BuildMeshFile(meshes));
    dir_.Write("data/texpart04/texture04.tga", SolidTga(kTexture04, 256));
    dir_.Write("data/texpart04/texture05.tga", SolidTga(kTexture05, 256));
    dir_.Write("data/texpart04/texture07.tga", SolidTga(kSprite, 256));
    dir_.Write("data/texpart04/woman.tga", SolidTga(kWoman, 256));
    dir_.Write("data/texpart04/womanA.tga", TgaOf(maskSize, maskSize, WomanMask));
  }
  // Scene 2's frames leave fog off; the images of an earlier run are forgotten.
  void Enter() {
    for (TextureRecord* r : {&texture04Image, &texture05Image, &texture07Image, &womanImage, &womanMaskImage})
      *r = TextureRecord{};
    StartAfterScene0();
    glDisable(GL_FOG);
    sceneIndex = 3;
    SetupScene3();
  }
  void DrawAt(float t) { DrawSceneAt(3, t, 900.0f + t); }
};

TEST_F(Scene3Frames, OpensBlackThenGlassIsTranslucentAndSpritesBehindMeshesHidden) {
  WriteData(256);
  Enter();
  DrawAt(0.000001f);
  EXPECT_LE(BrightestValue(), 1);
  DrawAt(100.0f);
  const float opaqueCentre[3] = {-130, 0, 130}, glassCentre[3] = {130, 0, 130};
  const auto [ox, oy] = ScreenOf(opaqueCentre);
  const auto [gx, gy] = ScreenOf(glassCentre);
  const Rgb lit = MeanRgb(ox, oy), glass = MeanRgb(gx, gy);
  // Both quads are lit alike; the glass (alpha 128) lets half the background through.
  EXPECT_GT(lit[0], 120);
  for (int c = 0; c < 3; ++c) EXPECT_NEAR(glass[c], (128 * lit[c] + 127 * kClear[c]) / 255.0, 4) << c;
  const auto [bx, by] = ScreenOf(kBehindPoint);
  EXPECT_TRUE(NearRgb(MeanRgb(bx, by), lit, 3)) << "the sprite behind the opaque quad is hidden";
  // Sprites add their colour to what lies behind, kept by one minus their alpha (95 / 255).
  const auto over = [&](const Rgb& behind) {
    Rgb out;
    for (int c = 0; c < 3; ++c) out[c] = std::min(255, static_cast<int>(kSprite[c] + behind[c] * 95 / 255.0 + 0.5));
    return out;
  };
  const auto [fx, fy] = ScreenOf(kFrontPoint);
  EXPECT_TRUE(NearRgb(MeanRgb(fx, fy), over(lit), 8)) << "in front of the opaque quad";
  const auto [x, y] = ScreenOf(kOpenPoint);
  EXPECT_TRUE(NearRgb(MeanRgb(x, y), over(kClear), 3)) << "over the background";
  // The woman picture shows only where its mask is opaque (bottom-left corner).
  EXPECT_TRUE(NearRgb(MeanRgb(20, 20), kWoman, 3));
  EXPECT_TRUE(NearRgb(MeanRgb(620, 20), kClear, 2));
  DrawAt(425.0f);
  EXPECT_TRUE(NearRgb(MeanRgb(620, 20), {9, 29, 56}, 2)) << "half way out to black after tick 400";
}

// Without files, or with a mask of the wrong size, the woman layer is left out.
TEST_F(Scene3Frames, MissingFilesOrAWrongSizedMaskLeaveTheWomanOut) {
  for (int maskSize : {0, 128}) {
    if (maskSize) WriteData(maskSize);
    Enter();
    EXPECT_EQ(scene3MeshModel.meshCount, maskSize ? 27u : 0u);
    EXPECT_EQ(scene3Model.currentCamera != nullptr, maskSize != 0);
    DrawAt(100.0f);
    EXPECT_TRUE(NearRgb(MeanRgb(620, 20), kClear, 2)) << maskSize;
    EXPECT_FALSE(NearRgb(MeanRgb(20, 20), kWoman, 10)) << maskSize;
    if (!maskSize) {
      EXPECT_TRUE(NearRgb(MeanRgb(20, 20), kClear, 2));
    }
  }
}

}  // namespace
}  // namespace velkor::test
