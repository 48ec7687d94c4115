// Scene 3: setup and per-frame drawing. The meshes of the second model go out
// lit and alpha-blended (mesh 26 translucent), seen through the first model's
// animated camera; glow sprites circle on a noise-displaced ring and sit on
// every point of the mesh model, depth-tested but writing no depth; the masked
// woman picture lies over everything, then the fade.
#include "scenes/scene3.h"

#include <cmath>

#include "music/sequencer.h"
#include "platform/gl.h"
#include "proc/maths.h"
#include "proc/noise.h"
#include "scenes/billboard.h"
#include "scenes/scenes.h"

namespace velkor {

SceneModel scene3Model;
SceneModel scene3MeshModel;
TextureRecord texture04Image;
TextureRecord texture05Image;
TextureRecord texture07Image;
TextureRecord womanImage;
TextureRecord womanMaskImage;
GLuint spriteTexture = 0;

float glowRingPositions[kGlowCount][3];
float glowPositions[kGlowCount][3];

namespace {

constexpr float kLayerDepth = -2.4f;

// False when the woman picture could not be composed (an image missing or not
// 256 x 256 x 24): the layer is then left out, as drawn it would cover the whole
// frame with the opaque picture or an untextured quad.
bool womanComposed = false;

double Wide(float f) { return static_cast<double>(f); }

void SetEyeLight() {
  const float ambient[4] = {0.0f, 0.0f, 0.0f, 1.0f};
  const float diffuse[4] = {1.0f, 1.0f, 1.0f, 1.0f};
  const float position[4] = {0.0f, 0.0f, 0.0f, 1.0f};
  glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
  glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
  glLightfv(GL_LIGHT0, GL_POSITION, position);
  glEnable(GL_LIGHTING);
  glEnable(GL_LIGHT0);
}

void LoadSceneImages() {
  LoadTgaTexture(&texture04Image, "data\\texpart04\\texture04.tga");
  LoadTgaTexture(&texture05Image, "data\\texpart04\\texture05.tga");
  LoadTgaTexture(&texture07Image, "data\\texpart04\\texture07.tga");
  LoadTgaTexture(&womanImage, "data\\texpart04\\woman.tga");
  LoadTgaTexture(&womanMaskImage, "data\\texpart04\\womanA.tga");
}

// ComposeAlphaTexture skips images that are missing or not 256 x 256 x 24, which
// leaves a fresh name without an image and the woman picture as the loader made it.
void ComposeSceneTextures() {
  glGenTextures(1, &mesh26Texture);
  ComposeAlphaTexture(texture04Image, texture05Image, mesh26Texture);
  glGenTextures(1, &spriteTexture);
  ComposeAlphaTexture(texture07Image, texture07Image, spriteTexture);
  // Name 0 is the default texture: never upload the picture there.
  if (womanImage.textureId != 0) ComposeAlphaTexture(womanImage, womanMaskImage, womanImage.textureId);
  womanComposed = womanImage.textureId != 0 && IsComposableImage(womanImage) && IsComposableImage(womanMaskImage);
}

void LookThroughShiftedCamera() {
  glLoadIdentity();
  glDisable(GL_CULL_FACE);
  glTranslatef(0.0f, -kSceneShiftDown, 0.0f);
  LookThroughCamera(scene3Model.currentCamera);
}

void DrawMeshes() {
  glEnable(GL_BLEND);
  glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
  glEnable(GL_LIGHTING);
  DrawSceneModel(scene3MeshModel);
}

// Sprites are tested against the meshes' depth but write none, so they all blend.
void DrawGlows() {
  glDisable(GL_LIGHTING);
  glEnable(GL_BLEND);
  glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  float m[16];
  glGetFloatv(GL_MODELVIEW_MATRIX, m);
  // Unit 0 is active already after the meshes; selected again for a model without meshes.
  glActiveTextureARB(GL_TEXTURE0_ARB);
  glBindTexture(GL_TEXTURE_2D, spriteTexture);
  glDepthMask(GL_FALSE);
  const BillboardOffsets ring = BillboardOffsetsFrom(m, kRingGlowHalfSize);
  for (const auto& p : glowPositions) DrawBillboard(p, ring);
  const BillboardOffsets point = BillboardOffsetsFrom(m, kPointGlowHalfSize);
  for (const PointRecord& p : scene3MeshModel.points) DrawBillboard(p.position, point);
  glDepthMask(GL_TRUE);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}

void DrawWomanOverlay() {
  glLoadIdentity();
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_CULL_FACE);
  glBindTexture(GL_TEXTURE_2D, womanImage.textureId);
  if (womanComposed) DrawTexturedScreenQuad(kLayerDepth);
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_CULL_FACE);
}

void DrawFade(float t) {
  DrawFadeLayer(Scene3Fade(t));
  // Scene 4 runs unlit on what this leaves.
  glEnable(GL_TEXTURE_2D);
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_CULL_FACE);
  glDisable(GL_BLEND);
}

}  // namespace

float GlowRingAngle(int i, float t) {
  return static_cast<float>(static_cast<float>(i) * Wide(0.125664f) + Wide(t) * Wide(0.015f));
}

NoiseArguments GlowNoiseArguments(int axis, int i, float t) {
  const double fi = static_cast<double>(i);
  const double along = fi * Wide(static_cast<float>(kPiSixDecimals));
  const double across = fi * Wide(0.01f);
  switch (axis) {
    case 0:
      return NoiseArguments{static_cast<float>(Wide(t) * Wide(0.01f) + 100.0), static_cast<float>(along),
                            static_cast<float>(across)};
    case 1:
      return NoiseArguments{static_cast<float>(Wide(t) * Wide(0.008f) + 100.0), static_cast<float>(along),
                            static_cast<float>(across + 100.0)};
    default:
      return NoiseArguments{static_cast<float>(Wide(t) * Wide(0.022f) + 100.0),
                            static_cast<float>(along + 100.0), static_cast<float>(across + 50.0)};
  }
}

void ComputeGlowPositions(float t) {
  for (int i = 0; i < kGlowCount; ++i) {
    const double a = static_cast<double>(GlowRingAngle(i, t));
    float* ring = glowRingPositions[i];
    ring[0] = static_cast<float>(kGlowRingRadius * std::cos(a));
    ring[1] = static_cast<float>(kGlowRingRadius * std::sin(a));
    ring[2] = kGlowRingHeight;
    for (int axis = 0; axis < 3; ++axis) {
      const NoiseArguments n = GlowNoiseArguments(axis, i, t);
      glowPositions[i][axis] = ring[axis] + kGlowNoiseScale * CosineNoise3(n.x, n.y, n.z);
    }
  }
}

float Scene3CameraTime(float t) { return static_cast<float>(Wide(t) * Wide(0.2f)); }

FadeColour Scene3Fade(float t) {
  if (t < 50.0f) return BlackFade(1.0f - 0.02f * t);
  if (t > 400.0f) return BlackFade((t - 400.0f) * 0.02f);
  return kNoFade;
}

void SetupScene3() {
  ReleaseSceneModel(scene3Model);
  ReleaseSceneModel(scene3MeshModel);
  for (TextureRecord* image : {&texture04Image, &texture05Image, &texture07Image, &womanImage, &womanMaskImage})
    ReleaseTexture(*image);
  ReleaseTextureName(mesh26Texture);
  ReleaseTextureName(spriteTexture);
  SetUpSceneModel(scene3Model, "data\\texpart04\\", "data\\part04_max.bin");
  scene3MeshModel = LoadSceneModel("data\\part04_max2.bin");
  PrepareSceneModel(scene3MeshModel);
  glClearColor(0.06666667f, 0.22745098f, 0.4392157f, 0.0f);
  // Given under the identity modelview, so the light sits at the eye.
  SetEyeLight();
  LoadSceneImages();
  ComposeSceneTextures();
}

void RenderScene3() {
  const float t = sceneTicks;
  if (scene3Model.currentCamera) AnimateCamera(*scene3Model.currentCamera, Scene3CameraTime(t));
  ComputeGlowPositions(t);
  LookThroughShiftedCamera();
  DrawMeshes();
  DrawGlows();
  DrawWomanOverlay();
  DrawFade(t);
}

}  // namespace velkor
