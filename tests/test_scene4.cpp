// Scene 4: picture choice at its millisecond bounds, the texture slide that
// stays in the faces while the second pass's offset does not, the fades, the
// setup's GL state, and whole frames rendered from small generated data.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/shell.h"
#include "music/sequencer.h"
#include "platform/gl.h"
#include "platform/jpeg.h"
#include "scenes/scene4.h"
#include "scenes/scenes.h"
#include "support/gl_fixture.h"
#include "support/test_files.h"
#include "tools/image_writers.h"
#include "tools/mesh_writer.h"

namespace velkor {
namespace {

using test::PixelAt;

// The smallest float tick count whose music time (ticks * 76.92307f) reaches ms.
float FirstTicksReaching(float ms) {
  float ticks = static_cast<float>(ms / 76.92307);
  while (MusicMsFromTicks(ticks) >= ms) ticks = std::nextafter(ticks, 0.0f);
  while (MusicMsFromTicks(ticks) < ms) ticks = std::nextafter(ticks, 1e9f);
  return ticks;
}

TEST(FrogPictureTest, EachBoundBelongsToTheNextPicture) {
  const float bounds[4] = {106866.0f, 108712.0f, 110558.0f, 112404.0f};
  for (int i = 0; i < 4; ++i) {
    const float at = FirstTicksReaching(bounds[i]);
    const float before = std::nextafter(at, 0.0f);
    ASSERT_LT(MusicMsFromTicks(before), bounds[i]);
    ASSERT_GE(MusicMsFromTicks(at), bounds[i]);
    EXPECT_EQ(FrogPictureIndex(MusicMsFromTicks(before)), i) << bounds[i];
    EXPECT_EQ(FrogPictureIndex(MusicMsFromTicks(at)), i + 1 < 4 ? i + 1 : -1) << bounds[i];
  }
}

TEST(FrogPictureTest, TickCountsGivingTheExactMillisecondValues) {
  // The first tick count whose product reaches each value; products step by
  // under 0.01 ms here, so it lands on the value or just past it.
  const struct {
    float ms;
    int picture;
  } cases[] = {{106865.0f, 0}, {106866.0f, 1}, {108712.0f, 2}, {110558.0f, 3}, {112404.0f, -1}};
  for (const auto& c : cases) {
    const float ticks = FirstTicksReaching(c.ms);
    const float ms = MusicMsFromTicks(ticks);
    EXPECT_LT(ms - c.ms, 0.02f) << c.ms;
    EXPECT_EQ(FrogPictureIndex(ms), c.picture) << c.ms << " from ticks " << ticks;
  }
  EXPECT_EQ(FrogPictureIndex(106865.99f), 0);
  EXPECT_EQ(FrogPictureIndex(106866.0f), 1);
  EXPECT_EQ(FrogPictureIndex(112403.99f), 3);
  EXPECT_EQ(FrogPictureIndex(112404.0f), -1);
  // Through the clock: a position of exactly 106866 ms and of 112404 ms.
  EXPECT_EQ(FrogPictureIndex(MusicMsFromTicks(DemoTicksFromMs(106865))), 0);
  EXPECT_EQ(FrogPictureIndex(MusicMsFromTicks(DemoTicksFromMs(106866))), 1);
  EXPECT_EQ(FrogPictureIndex(MusicMsFromTicks(DemoTicksFromMs(112403))), 3);
  EXPECT_EQ(FrogPictureIndex(MusicMsFromTicks(DemoTicksFromMs(112404))), -1);
  // The scene's first moments and its end.
  EXPECT_EQ(FrogPictureIndex(MusicMsFromTicks(1350.0f)), 0);
  EXPECT_EQ(FrogPictureIndex(MusicMsFromTicks(1650.0f)), -1);
}

std::unique_ptr<SceneModel> ModelWithCorners(const std::vector<std::array<float, 6>>& faces, int meshes) {
  auto model = std::make_unique<SceneModel>();
  model->meshCount = static_cast<std::uint32_t>(meshes);
  for (int m = 0; m < meshes; ++m) {
    Mesh& mesh = model->meshes[m];
    for (const auto& st : faces) {
      Face f{};
      for (int c = 0; c < 3; ++c) {
        f.s[c] = st[c] + static_cast<float>(m);
        f.t[c] = st[3 + c] - static_cast<float>(m);
      }
      mesh.faces.push_back(f);
    }
    mesh.faceCount = static_cast<std::uint32_t>(mesh.faces.size());
  }
  return model;
}

TEST(TextureDriftTest, DriftAccumulatesWhileTheSecondPassOffsetLeavesOnlyRounding) {
  auto model = ModelWithCorners({{0.0f, 0.25f, 1.0f, 0.0f, 0.75f, 1.0f}, {-3.5f, 12.125f, 0.1f, 7.3f, -0.6f, 40.0f}}, 3);
  auto driftOnly = ModelWithCorners({{0.0f, 0.25f, 1.0f, 0.0f, 0.75f, 1.0f}, {-3.5f, 12.125f, 0.1f, 7.3f, -0.6f, 40.0f}}, 3);
  auto start = ModelWithCorners({{0.0f, 0.25f, 1.0f, 0.0f, 0.75f, 1.0f}, {-3.5f, 12.125f, 0.1f, 7.3f, -0.6f, 40.0f}}, 3);
  constexpr int kFrames = 600;
  for (int frame = 0; frame < kFrames; ++frame) {
    DriftFaceTexCoords(*model);
    ShiftFaceTexCoords(*model, kSecondPassOffsetS, kSecondPassOffsetT);
    ShiftFaceTexCoords(*model, -kSecondPassOffsetS, -kSecondPassOffsetT);
    DriftFaceTexCoords(*driftOnly);
  }
  for (int m = 0; m < 3; ++m) {
    for (std::size_t f = 0; f < model->meshes[m].faces.size(); ++f) {
      const Face& got = model->meshes[m].faces[f];
      const Face& ref = driftOnly->meshes[m].faces[f];
      const Face& from = start->meshes[m].faces[f];
      for (int c = 0; c < 3; ++c) {
        // Adding and taking back 0.54 (0.44) in float can each lose half a unit
        // in the last place of the shifted value: bounded per frame, never a drift.
        const float ulpS = std::nextafter(std::fabs(ref.s[c]) + 1.0f, 1e9f) - (std::fabs(ref.s[c]) + 1.0f);
        const float ulpT = std::nextafter(std::fabs(ref.t[c]) + 1.0f, 1e9f) - (std::fabs(ref.t[c]) + 1.0f);
        EXPECT_NEAR(got.s[c], ref.s[c], kFrames * ulpS) << m << " " << f << " " << c;
        EXPECT_NEAR(got.t[c], ref.t[c], kFrames * ulpT) << m << " " << f << " " << c;
        // The slide itself: 0.002 up in s and 0.01 down in t per frame.
        EXPECT_NEAR(ref.s[c], from.s[c] + kFrames * 0.002, 2e-3) << m << " " << f << " " << c;
        EXPECT_NEAR(ref.t[c], from.t[c] - kFrames * 0.01, 2e-3) << m << " " << f << " " << c;
      }
    }
  }
}

TEST(TextureDriftTest, OneFrameMovesEveryCornerOfEveryMeshByOneStep) {
  auto model = ModelWithCorners({{0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f}}, 2);
  DriftFaceTexCoords(*model);
  for (int m = 0; m < 2; ++m)
    for (int c = 0; c < 3; ++c) {
      EXPECT_FLOAT_EQ(model->meshes[m].faces[0].s[c], 0.5f + m + 0.002f);
      EXPECT_FLOAT_EQ(model->meshes[m].faces[0].t[c], 0.5f - m - 0.01f);
    }
  // Meshes past meshCount are not the model's: left alone.
  model->meshCount = 1;
  const float before = model->meshes[1].faces[0].s[0];
  DriftFaceTexCoords(*model);
  EXPECT_EQ(model->meshes[1].faces[0].s[0], before);
}

TEST(Scene4TimelineTest, PictureFadesByOneSixHundredthPerTick) {
  EXPECT_EQ(FrogPictureAlpha(0.0f), 1.0f);  // fully opaque at the start
  EXPECT_NEAR(FrogPictureAlpha(0.000001f), 1.0f, 1e-6f);
  EXPECT_NEAR(FrogPictureAlpha(150.0f), 0.75f, 1e-6f);
  EXPECT_NEAR(FrogPictureAlpha(300.0f), 0.5f, 1e-6f);
}

TEST(Scene4TimelineTest, FadesInFromBlackOverFiftyTicksOnly) {
  const struct {
    float t, r, a;
  } cases[] = {{0, 0, 1}, {25, 0, 0.5f}, {49.9f, 0, 0.002f}, {50, 1, 0}, {200, 1, 0}, {300, 1, 0}};
  for (const auto& c : cases) {
    const FadeColour f = Scene4Fade(c.t);
    EXPECT_EQ(f.r, c.r) << c.t;
    EXPECT_EQ(f.b, c.r) << c.t;
    EXPECT_NEAR(f.a, c.a, 1e-5f) << c.t;
  }
}

// ---- Setup and rendered frames ----

using Rgb = std::array<std::uint8_t, 3>;

std::vector<std::uint8_t> Jpeg(const Rgb& colour) {
  std::vector<std::uint8_t> rgb;
  for (int i = 0; i < 64 * 64; ++i) rgb.insert(rgb.end(), colour.begin(), colour.end());
  return EncodeJpegRgb(rgb, 64, 64, 95);
}

const Rgb kFrogColours[4] = {{{220, 30, 30}}, {{30, 200, 30}}, {{30, 30, 220}}, {{220, 220, 30}}};

// A 64-wide texture: white for s < 0.5, mid grey from there on.
std::vector<std::uint8_t> SplitTexture() {
  std::vector<std::uint8_t> rgb;
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) {
      const std::uint8_t v = x < 32 ? 255 : 128;
      rgb.insert(rgb.end(), {v, v, v});
    }
  return EncodeTga(rgb, 64, 64, 24);
}

// A 40 x 30 quad in the x-z plane (z up in the model files), 50 units in front
// of the camera, every corner at s = 0.1 (white) so the offset pass samples
// s = 0.64 (grey).
MeshFileDesc QuadModel(float fov) {
  MeshDesc mesh;
  const float corners[4][3] = {{-20, 0, -15}, {20, 0, -15}, {20, 0, 15}, {-20, 0, 15}};
  for (const auto& p : corners) {
    MeshVertexDesc v;
    std::memcpy(v.position, p, sizeof v.position);
    mesh.vertices.push_back(v);
  }
  for (const auto& tri : {std::array<std::uint32_t, 3>{0, 1, 2}, std::array<std::uint32_t, 3>{0, 2, 3}}) {
    MeshFaceDesc f;
    for (int c = 0; c < 3; ++c) {
      f.vertex[c] = tri[c];
      f.s[c] = 0.1f;
      f.t[c] = 0.5f;
    }
    mesh.faces.push_back(f);
  }
  mesh.materialName = "split";
  mesh.bitmapPath = "d:\\art\\split.tga";
  MeshFileDesc file;
  file.meshes.push_back(mesh);
  CameraDesc camera;
  camera.position[1] = -50.0f;
  camera.fov = fov;
  file.cameras.push_back(camera);
  return file;
}

void WriteSceneData(const test::TempDir& dir, bool withModel, float fov = 45.0f) {
  for (int i = 0; i < 4; ++i) dir.Write("data/texpart06/frog0" + std::to_string(i) + ".jpg", Jpeg(kFrogColours[i]));
  if (withModel) {
    dir.Write("data/part06_max.bin", BuildMeshFile(QuadModel(fov)));
    dir.Write("data/texpart06/split.tga", SplitTexture());
  }
}

void MaybeSavePng(const std::string& name) {
  if (const char* dir = std::getenv("VELKOR_FRAME_DIR")) test::SavePng(std::string(dir) + "/" + name, 640, 480);
}

// What scene 3's last frame leaves: lighting and blending off, black fade colour,
// unit 0 active with texturing on, depth test and culling on.
void PrepareShowState() {
  SetGlobalGlState();
  ResizeViewport(640, 480);
  glActiveTextureARB(GL_TEXTURE1_ARB);
  glDisable(GL_TEXTURE_2D);
  glActiveTextureARB(GL_TEXTURE0_ARB);
  glDisable(GL_LIGHTING);
  glDisable(GL_BLEND);
  glDisable(GL_FOG);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glColor4f(0.0f, 0.0f, 0.0f, 1.0f);
  glClearColor(0.06666667f, 0.22745098f, 0.4392157f, 0.0f);
}

// One frame of scene 4 at scene time t and music position ms.
void DrawScene4At(float t, int ms) {
  sceneIndex = 4;
  sceneTicks = t;
  demoTicks = DemoTicksFromMs(ms);
  RenderFrame();
}

bool Near(const std::vector<int>& p, int r, int g, int b, int tolerance) {
  return std::abs(p[0] - r) <= tolerance && std::abs(p[1] - g) <= tolerance && std::abs(p[2] - b) <= tolerance;
}

std::string Show(const std::vector<int>& p) {
  return "(" + std::to_string(p[0]) + ", " + std::to_string(p[1]) + ", " + std::to_string(p[2]) + ")";
}

class Scene4FrameTest : public test::GlTest {
 protected:
  void Enter(bool withModel, float fov = 45.0f) {
    WriteSceneData(dir_, withModel, fov);
    cwd_ = std::make_unique<test::ScopedWorkingDirectory>(dir_.path());
    PrepareShowState();
    sceneIndex = 4;
    SetupScene4();
  }
  void TearDown() override {
    ResetSequencer();
    SetTextureDirectory("data\\");
  }
  test::TempDir dir_;
  std::unique_ptr<test::ScopedWorkingDirectory> cwd_;
};

TEST_F(Scene4FrameTest, SetupSetsBlackFogClearColourPicturesAndTheCameraProjection) {
  Enter(true, 40.0f);
  EXPECT_STREQ(textureDirectory, "data\\texpart06\\");
  EXPECT_TRUE(glIsEnabled(GL_FOG));
  GLint mode = 0;
  glGetIntegerv(GL_FOG_MODE, &mode);
  EXPECT_EQ(mode, GL_LINEAR);
  GLfloat start = 0, end = 0, fogColour[4] = {1, 1, 1, 1}, clear[4] = {1, 1, 1, 1};
  glGetFloatv(GL_FOG_START, &start);
  glGetFloatv(GL_FOG_END, &end);
  glGetFloatv(GL_FOG_COLOR, fogColour);
  glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
  EXPECT_EQ(start, 100.0f);
  EXPECT_EQ(end, 300.0f);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(fogColour[i], 0.0f) << i;
    EXPECT_EQ(clear[i], 0.0f) << i;
  }
  for (int i = 0; i < 4; ++i) EXPECT_NE(frogTextures[i], 0u) << i;
  ASSERT_NE(scene4Model.currentCamera, nullptr);
  EXPECT_EQ(scene4Model.currentCamera, &scene4Model.cameras[0]);
  // The material texture came from the scene's own directory.
  EXPECT_NE(scene4Model.materials[scene4Model.meshes[0].materialIndex].texture.textureId, 0u);
  GLfloat projection[16];
  glGetFloatv(GL_PROJECTION_MATRIX, projection);
  EXPECT_NEAR(projection[5], 1.0 / std::tan(20.0 * M_PI / 180.0), 1e-5);
  EXPECT_NEAR(projection[0], projection[5] * 0.75, 1e-5);
  GLint matrixMode = 0;
  glGetIntegerv(GL_MATRIX_MODE, &matrixMode);
  EXPECT_EQ(matrixMode, GL_MODELVIEW);
  // Lighting, culling and the texture units are left as scene 3 had them.
  EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
  EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
}

TEST_F(Scene4FrameTest, FadesInFromBlackAndShowsThePicturesInOrder) {
  Enter(false);
  DrawScene4At(0.000001f, 103850);
  MaybeSavePng("scene4_first.png");
  const auto pixels = test::ReadPixelsRgb(0, 0, 640, 480);
  int brightest = 0;
  for (std::uint8_t v : pixels) brightest = std::max<int>(brightest, v);
  EXPECT_LE(brightest, 1);
  // Half way through the fade: the picture (alpha 1 - 25/600) under a half-black layer.
  DrawScene4At(25.0f, 105800);
  const double half = (1.0 - 25.0 / 600.0) * 0.5;
  EXPECT_TRUE(Near(PixelAt(320, 240), int(220 * half), int(30 * half), int(30 * half), 4)) << Show(PixelAt(320, 240));
  // Past the fade, each picture in its window over the black model-less frame.
  const struct {
    float t;
    int ms;
    int picture;
  } frames[] = {{60, 106500, 0}, {90, 107000, 1}, {120, 109000, 2}, {150, 111000, 3}};
  for (const auto& f : frames) {
    DrawScene4At(f.t, f.ms);
    MaybeSavePng("scene4_picture" + std::to_string(f.picture) + ".png");
    const double a = 1.0 - f.t / 600.0;
    const Rgb& c = kFrogColours[f.picture];
    for (const auto& xy : {std::array<int, 2>{5, 5}, {320, 240}, {634, 474}}) {
      const auto p = PixelAt(xy[0], xy[1]);
      EXPECT_TRUE(Near(p, int(c[0] * a), int(c[1] * a), int(c[2] * a), 4)) << f.picture << " " << Show(p);
    }
  }
  // From 112404 ms on no picture and no fade: only the (missing) model, so black.
  DrawScene4At(170.0f, 112404);
  EXPECT_TRUE(Near(PixelAt(320, 240), 0, 0, 0, 1)) << Show(PixelAt(320, 240));
}

TEST_F(Scene4FrameTest, FrameEndingAtTheLastPictureLeavesItsBlendingAndColour) {
  Enter(false);
  DrawScene4At(120.0f, 113000);
  EXPECT_TRUE(glIsEnabled(GL_BLEND));
  GLint src = 0, dst = 0;
  glGetIntegerv(GL_BLEND_SRC, &src);
  glGetIntegerv(GL_BLEND_DST, &dst);
  EXPECT_EQ(src, GL_SRC_ALPHA);
  EXPECT_EQ(dst, GL_ONE_MINUS_SRC_ALPHA);
  GLfloat colour[4];
  glGetFloatv(GL_CURRENT_COLOR, colour);
  EXPECT_EQ(colour[0], 1.0f);
  EXPECT_EQ(colour[1], 1.0f);
  EXPECT_EQ(colour[2], 1.0f);
  EXPECT_NEAR(colour[3], 1.0f - 120.0f / 600.0f, 1e-6f);
  EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
  EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
  GLfloat modelview[16];
  glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(modelview[i], (i % 5 == 0) ? 1.0f : 0.0f) << i;
  // A frame that runs to the end turns blending off and depth test and culling on.
  DrawScene4At(100.0f, 111000);
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
  EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
  glGetFloatv(GL_CURRENT_COLOR, colour);
  EXPECT_EQ(colour[3], 0.0f);
}

// Past the pictures the frame shows the model alone: the first pass in the
// texture's white (s = 0.1), the second, scaled to 0.7 across, multiplying it
// by one minus the grey it samples at s = 0.64.
TEST_F(Scene4FrameTest, SecondPassDarkensTheScaledModelThroughItsShiftedCoordinates) {
  Enter(true);
  DrawScene4At(100.0f, 111000);  // ends normally: colour (1, 1, 1, 0), blending off
  DrawScene4At(101.0f, 112500);
  MaybeSavePng("scene4_model.png");
  // Quad edges at x = 320 +- 232 px, the scaled second pass at +- 162 px.
  EXPECT_TRUE(Near(PixelAt(320, 240), 127, 127, 127, 3)) << Show(PixelAt(320, 240));
  EXPECT_TRUE(Near(PixelAt(520, 240), 255, 255, 255, 2)) << Show(PixelAt(520, 240));
  EXPECT_TRUE(Near(PixelAt(120, 300), 255, 255, 255, 2)) << Show(PixelAt(120, 300));
  EXPECT_TRUE(Near(PixelAt(20, 240), 0, 0, 0, 1)) << Show(PixelAt(20, 240));
  EXPECT_TRUE(Near(PixelAt(320, 440), 0, 0, 0, 1)) << Show(PixelAt(320, 440));
  // This frame ended early: the next frame's first pass is blended at alpha
  // 1 - 101/600 over the black clear.
  DrawScene4At(102.0f, 112600);
  const int firstPass = static_cast<int>(255 * (1.0 - 101.0 / 600.0) + 0.5);
  EXPECT_TRUE(Near(PixelAt(520, 240), firstPass, firstPass, firstPass, 3)) << Show(PixelAt(520, 240));
  EXPECT_NEAR(PixelAt(320, 240)[0], firstPass * (1.0 - 128 / 255.0), 3);
}

TEST_F(Scene4FrameTest, FirstFrameDrawsTheModelInScene3sBlackFadeColour) {
  Enter(true);
  // A late first frame (after a slow load) that already lies past the pictures.
  DrawScene4At(0.000001f, 112500);
  EXPECT_TRUE(Near(PixelAt(320, 240), 0, 0, 0, 1)) << Show(PixelAt(320, 240));
  EXPECT_TRUE(Near(PixelAt(520, 240), 0, 0, 0, 1)) << Show(PixelAt(520, 240));
}

TEST_F(Scene4FrameTest, FramesKeepTheSlideButNotTheOffsetInTheFaces) {
  Enter(true);
  const Face before = scene4Model.meshes[0].faces[1];
  for (int frame = 0; frame < 10; ++frame) DrawScene4At(60.0f + frame, frame % 2 ? 107000 : 113000);
  const Face& after = scene4Model.meshes[0].faces[1];
  for (int c = 0; c < 3; ++c) {
    EXPECT_NEAR(after.s[c], before.s[c] + 10 * 0.002f, 1e-5f) << c;
    EXPECT_NEAR(after.t[c], before.t[c] - 10 * 0.01f, 1e-5f) << c;
  }
}

TEST_F(Scene4FrameTest, MissingModelAndPicturesDrawNoModelAndNoWhiteLayer) {
  for (GLuint& name : frogTextures) name = 0;
  cwd_ = std::make_unique<test::ScopedWorkingDirectory>(dir_.path());
  PrepareShowState();
  sceneIndex = 4;
  SetupScene4();
  EXPECT_EQ(scene4Model.meshCount, 0u);
  EXPECT_EQ(scene4Model.currentCamera, nullptr);
  for (GLuint name : frogTextures) EXPECT_EQ(name, 0u);
  // No camera: the default 45-degree projection stays.
  GLfloat projection[16];
  glGetFloatv(GL_PROJECTION_MATRIX, projection);
  EXPECT_NEAR(projection[5], 1.0 / std::tan(22.5 * M_PI / 180.0), 1e-5);
  DrawScene4At(100.0f, 107000);
  MaybeSavePng("scene4_no_files.png");
  EXPECT_TRUE(Near(PixelAt(320, 240), 0, 0, 0, 1)) << Show(PixelAt(320, 240));
  DrawScene4At(120.0f, 113000);
  EXPECT_TRUE(Near(PixelAt(320, 240), 0, 0, 0, 1)) << Show(PixelAt(320, 240));
}

}  // namespace
}  // namespace velkor
