// Scene 4: setup and per-frame drawing. The model goes out twice through its
// animated camera: first with the colour and blending the previous frame left,
// then smaller and darkening what lies behind it, its texture coordinates
// shifted for that pass only. Over it lies one of four pictures picked by the
// music time, fading to let the model through, and the fade from black. The
// face coordinates keep a small per-frame slide for the rest of the run.
#include "scenes/scene4.h"

#include <algorithm>

#include "music/sequencer.h"
#include "scenes/scenes.h"

namespace velkor {

SceneModel scene4Model;
GLuint frogTextures[kFrogPictureCount] = {0, 0, 0, 0};

namespace {

constexpr float kPictureDepth = -2.0f;
constexpr float kFadeInTicks = 50.0f;

const char* const kFrogPaths[kFrogPictureCount] = {
    "data\\texpart06\\frog00.jpg", "data\\texpart06\\frog01.jpg", "data\\texpart06\\frog02.jpg",
    "data\\texpart06\\frog03.jpg"};

// Black linear fog from 100 to 300 units; scene 5 keeps it.
void SetScene4Fog() {
  const GLfloat black[4] = {0.0f, 0.0f, 0.0f, 0.0f};
  glFogfv(GL_FOG_COLOR, black);
  glFogi(GL_FOG_MODE, GL_LINEAR);
  glFogf(GL_FOG_START, 100.0f);
  glFogf(GL_FOG_END, 300.0f);
  glEnable(GL_FOG);
}

// Both passes take their colour from what was current before: the first also
// its blending, which the previous frame left (on only after an early end).
void DrawModelPasses() {
  DrawSceneModel(scene4Model);
  glEnable(GL_BLEND);
  glBlendFunc(GL_ZERO, GL_ONE_MINUS_SRC_COLOR);
  ShiftFaceTexCoords(scene4Model, kSecondPassOffsetS, kSecondPassOffsetT);
  glScalef(0.7f, 0.7f, 1.0f);
  DrawSceneModel(scene4Model);
  glDisable(GL_DEPTH_TEST);
  glLoadIdentity();
  ShiftFaceTexCoords(scene4Model, -kSecondPassOffsetS, -kSecondPassOffsetT);
}

// A picture that failed to load is left out rather than drawn as a white quad
// over the whole view.
void DrawPicture(GLuint texture) {
  glActiveTextureARB(GL_TEXTURE0_ARB);
  glBindTexture(GL_TEXTURE_2D, texture);
  if (texture != 0) DrawTexturedScreenQuad(kPictureDepth);
}

void DrawFade(float t) {
  DrawFadeLayer(Scene4Fade(t));
  glEnable(GL_TEXTURE_2D);
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_CULL_FACE);
  glDisable(GL_BLEND);
}

}  // namespace

int FrogPictureIndex(float musicMs) {
  for (int i = 0; i < kFrogPictureCount; ++i)
    if (musicMs < kFrogPictureEndsMs[i]) return i;
  return -1;
}

void ShiftFaceTexCoords(SceneModel& model, float ds, float dt) {
  const std::uint32_t meshCount = std::min<std::uint32_t>(model.meshCount, kMaxMeshes);
  for (std::uint32_t m = 0; m < meshCount; ++m) {
    for (Face& face : model.meshes[m].faces) {
      for (int c = 0; c < 3; ++c) {
        face.s[c] += ds;
        face.t[c] += dt;
      }
    }
  }
}

void DriftFaceTexCoords(SceneModel& model) { ShiftFaceTexCoords(model, kDriftPerFrameS, kDriftPerFrameT); }

float FrogPictureAlpha(float t) { return 1.0f - 0.0016666667f * t; }

FadeColour Scene4Fade(float t) {
  if (t < kFadeInTicks) return BlackFade(1.0f - 0.02f * t);
  return kNoFade;
}

void SetupScene4() {
  ReleaseSceneModel(scene4Model);
  for (GLuint& name : frogTextures) ReleaseTextureName(name);
  SetTextureDirectory("data\\texpart06\\");
  glEnable(GL_FOG);
  for (int i = 0; i < kFrogPictureCount; ++i) LoadJpegTexture(kFrogPaths[i], &frogTextures[i]);
  glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
  SetScene4Fog();
  scene4Model = LoadSceneModel("data\\part06_max.bin");
  scene4Model.currentCamera = FirstCamera(scene4Model);
  // Without a camera the default 45-degree view stays.
  SetCameraProjection(scene4Model.currentCamera);
  PrepareSceneModel(scene4Model);
}

// Runs unlit: scene 3's frames end with lighting off and nothing here turns it on.
void RenderScene4() {
  const float t = sceneTicks;
  if (scene4Model.currentCamera) AnimateCamera(*scene4Model.currentCamera, t);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_CULL_FACE);
  DriftFaceTexCoords(scene4Model);
  LookThroughCamera(scene4Model.currentCamera);
  DrawModelPasses();

  glDisable(GL_CULL_FACE);
  glEnable(GL_BLEND);
  glColor4f(1.0f, 1.0f, 1.0f, FrogPictureAlpha(t));
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  const int picture = FrogPictureIndex(MusicMsFromTicks(demoTicks));
  // Past the last picture the frame ends here, leaving this blending and colour
  // to the next frame's first pass.
  if (picture < 0) return;
  DrawPicture(frogTextures[picture]);
  DrawFade(t);
}

}  // namespace velkor
