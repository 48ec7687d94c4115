// Scene 2: setup and per-frame drawing. A ball of lattice points whose surface
// is pushed in and out by drifting value noise, drawn as additive billboards in
// three places, under a masked frame, a slowly scrolling strip of text, a dark
// band that widens from the centre and the fades from and to black.
#include "scenes/scene2.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "music/sequencer.h"
#include "platform/gl.h"
#include "proc/noise.h"
#include "scenes/billboard.h"
#include "scenes/scenes.h"

namespace velkor {

float cloudPositions[kCloudCapacity][3];
std::uint8_t cloudBrightness[kCloudCapacity];

SceneModel scene2Model;
SceneModel scene2SpriteModel;
TextureRecord overlayColourImage;
TextureRecord overlayMaskImage;
GLuint scrollTexture = 0;
GLuint overlayTexture = 0;

namespace {

constexpr float kOverlayDepth = -2.0f;
constexpr float kStripHalfHeight = 0.25f;
constexpr float kLayerHalfWidth = 1.33f;

// False when the overlay could not be composed (missing or wrong-sized images):
// its texture then has no image and the layer is left out, rather than covering
// the frame with an opaque untextured quad.
bool overlayComposed = false;

// Noise arguments are formed wider than float and rounded once, as the call takes floats.
double Wide(float f) { return static_cast<double>(f); }

// The camera's position and target, or nothing when the model has no camera.
void AnimateSceneCamera(float t) {
  if (scene2Model.currentCamera) AnimateCamera(*scene2Model.currentCamera, t);
}

// One copy of the cloud, shifted in eye space before the camera transform.
void DrawCloudCopy(int k, int count) {
  const CloudCopy copy = CloudCopyPlacement(k);
  glLoadIdentity();
  glTranslatef(50.0f, 0.0f, 0.0f);
  glTranslatef(copy.shiftX, copy.shiftY, 0.0f);
  LookThroughCamera(scene2Model.currentCamera);
  glRotatef(copy.angle, 0.5f, 0.0f, 0.0f);
  float m[16];
  glGetFloatv(GL_MODELVIEW_MATRIX, m);
  glEnable(GL_TEXTURE_2D);
  if (count == 0) return;
  const BillboardOffsets offsets = BillboardOffsetsFrom(m, kCloudHalfSize);
  for (int i = 0; i < count; ++i) {
    const float g = CloudGrey(cloudBrightness[i]);
    glColor4f(g, g, g, 0.3f);
    DrawBillboard(cloudPositions[i], offsets);
  }
}

void DrawCloud(int count) {
  glEnable(GL_BLEND);
  glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_COLOR);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_LIGHTING);
  glActiveTextureARB(GL_TEXTURE0_ARB);
  glBindTexture(GL_TEXTURE_2D, CloudSpriteTexture(scene2SpriteModel));
  for (int k = 0; k < 3; ++k) DrawCloudCopy(k, count);
}

// Its state stays in force for the strip (the white colour among it).
void DrawFrameOverlay() {
  glDisable(GL_DEPTH_TEST);
  glLoadIdentity();
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glEnable(GL_BLEND);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  glBindTexture(GL_TEXTURE_2D, overlayTexture);
  if (overlayComposed) DrawTexturedScreenQuad(kOverlayDepth);
}

void DrawScrollStrip(float t) {
  glLoadIdentity();
  glEnable(GL_BLEND);
  glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_COLOR);
  glBindTexture(GL_TEXTURE_2D, scrollTexture);
  glScalef(0.8f, 1.0f, 1.0f);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_CULL_FACE);
  const StripWindow w = StripWindowAt(t);
  glBegin(GL_QUADS);
  glMultiTexCoord2fARB(GL_TEXTURE0_ARB, 0.0f, w.bottom);
  glVertex3f(-kLayerHalfWidth, -kStripHalfHeight, kOverlayDepth);
  glMultiTexCoord2fARB(GL_TEXTURE0_ARB, 0.0f, w.top);
  glVertex3f(-kLayerHalfWidth, kStripHalfHeight, kOverlayDepth);
  glMultiTexCoord2fARB(GL_TEXTURE0_ARB, 1.0f, w.top);
  glVertex3f(kLayerHalfWidth, kStripHalfHeight, kOverlayDepth);
  glMultiTexCoord2fARB(GL_TEXTURE0_ARB, 1.0f, w.bottom);
  glVertex3f(kLayerHalfWidth, -kStripHalfHeight, kOverlayDepth);
  glEnd();
}

// Halves the colour of everything inside it.
void DrawDarkBand(float t) {
  glLoadIdentity();
  glBlendFunc(GL_ZERO, GL_ONE_MINUS_SRC_COLOR);
  glColor4f(0.5f, 0.5f, 0.5f, 0.8f);
  glDisable(GL_TEXTURE_2D);
  const float w = BandHalfWidth(t);
  glBegin(GL_QUADS);
  glVertex3f(-w, -kStripHalfHeight, kOverlayDepth);
  glVertex3f(-w, kStripHalfHeight, kOverlayDepth);
  glVertex3f(w, kStripHalfHeight, kOverlayDepth);
  glVertex3f(w, -kStripHalfHeight, kOverlayDepth);
  glEnd();
}

void DrawFade(float t) {
  DrawFadeLayer(Scene2Fade(t));
}

}  // namespace

CloudNoiseArguments CloudNoiseArgumentsAt(float t, int x, int y, int z) {
  return CloudNoiseArguments{
      static_cast<float>(Wide(0.05f) * Wide(t) + Wide(0.25f) * x + 100.0),
      static_cast<float>(Wide(0.05f) * y + 500.0),
      static_cast<float>(Wide(0.25f) * z + 300.0)};
}

int GenerateCloud(float t) {
  std::memset(cloudBrightness, 0, sizeof cloudBrightness);
  int count = 0;
  for (int x = 0; x < kCloudGridSize; ++x) {
    for (int y = 0; y < kCloudGridSize; ++y) {
      for (int z = 0; z < kCloudGridSize; ++z) {
        const CloudNoiseArguments a = CloudNoiseArgumentsAt(t, x, y, z);
        const float n = LinearNoise3(a.x, a.y, a.z);
        const int dx = x - 10, dy = y - 10, dz = z - 10;
        const double r = std::sqrt(static_cast<double>(dx * dx + dy * dy + dz * dz));
        if (4.0 * n + r >= 8.0) continue;
        cloudBrightness[count] = 255;
        cloudPositions[count][0] = kCloudSpacing * static_cast<float>(dx);
        cloudPositions[count][1] = kCloudSpacing * static_cast<float>(dy);
        cloudPositions[count][2] = kCloudSpacing * static_cast<float>(dz);
        ++count;
      }
    }
  }
  return count;
}

float CloudGrey(std::uint8_t brightness) { return static_cast<float>(brightness) * 0.003921569f * 0.8f; }

CloudCopy CloudCopyPlacement(int k) {
  // The second and third copies turn by the same angle.
  static const CloudCopy kCopies[3] = {{-300.0f, 165.0f, 20.0f * 1131.009f},
                                       {-50.0f, 190.0f, 4.0f * 1131.009f},
                                       {300.0f, 190.0f, 4.0f * 1131.009f}};
  return kCopies[std::clamp(k, 0, 2)];
}

StripWindow StripWindowAt(float t) {
  const float f = std::min(0.004f * t, 1.0f);
  return StripWindow{0.8f - f, 1.0f - f};
}

float BandHalfWidth(float t) { return 0.02f * t; }

FadeColour Scene2Fade(float t) {
  if (t < 50.0f) return BlackFade(1.0f - 0.02f * t);
  if (t > 250.0f) return BlackFade(0.02f * (t - 250.0f));
  return kNoFade;
}

GLuint CloudSpriteTexture(const SceneModel& model) {
  if (model.meshCount < 2) return 0;
  const std::uint32_t material = model.meshes[1].materialIndex;
  if (material >= static_cast<std::uint32_t>(kMaxMaterials)) return 0;
  return model.materials[material].texture.textureId;
}

void SetupScene2() {
  ReleaseSceneModel(scene2Model);
  ReleaseSceneModel(scene2SpriteModel);
  ReleaseTexture(overlayColourImage);
  ReleaseTexture(overlayMaskImage);
  ReleaseTextureName(scrollTexture);
  ReleaseTextureName(overlayTexture);
  SetUpSceneModel(scene2Model, "data\\texpart03\\", "data\\part03_max.bin");
  scene2SpriteModel = LoadSceneModel("data\\part03_max2.bin");
  PrepareSceneModel(scene2SpriteModel);

  glClearColor(0.06666667f, 0.22745098f, 0.4392157f, 0.0f);
  glEnable(GL_CULL_FACE);
  glCullFace(GL_BACK);
  glDisable(GL_LIGHTING);
  glShadeModel(GL_SMOOTH);
  // Unit 1 stays the active unit; the renderer selects unit 0 before binding.
  glActiveTextureARB(GL_TEXTURE1_ARB);
  glDisable(GL_TEXTURE_2D);

  LoadTgaTexture(&overlayColourImage, "data\\texpart03\\texture02.tga");
  LoadTgaTexture(&overlayMaskImage, "data\\texpart03\\texture03.tga");
  LoadJpegTexture("data\\texpart03\\dikt.jpg", &scrollTexture);
  glGenTextures(1, &overlayTexture);
  // Skips images that are missing or not 256 x 256 x 24, leaving the name without an image.
  ComposeAlphaTexture(overlayColourImage, overlayMaskImage, overlayTexture);
  overlayComposed = IsComposableImage(overlayColourImage) && IsComposableImage(overlayMaskImage);
}

void RenderScene2() {
  const float t = sceneTicks;
  AnimateSceneCamera(t);
  glDisable(GL_FOG);
  glDisable(GL_LIGHTING);
  glDisable(GL_CULL_FACE);
  const int count = GenerateCloud(t);
  DrawCloud(count);
  DrawFrameOverlay();
  DrawScrollStrip(t);
  DrawDarkBand(t);
  glEnable(GL_TEXTURE_2D);
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_CULL_FACE);
  DrawFade(t);
  // What the next frame starts from.
  glEnable(GL_LIGHTING);
  glEnable(GL_TEXTURE_2D);
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_CULL_FACE);
  glDisable(GL_BLEND);
}

}  // namespace velkor
