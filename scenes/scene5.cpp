// Scene 5: setup and per-frame drawing. Flat textured quads in eye space, no
// model and no camera: the background, the rising photo column (both added
// with GL_ONE, GL_ONE_MINUS_SRC_COLOR) and the alpha-masked tumbling frame.
// Projection, black clear colour and fog are the ones scene 4 left.
#include "scenes/scene5.h"

#include <cmath>

#include "music/sequencer.h"
#include "proc/maths.h"
#include "scenes/layers.h"
#include "scenes/scenes.h"

namespace velkor {

TextureRecord beeImage;
TextureRecord frameImages[kFramePictureCount];
TextureRecord frameMaskImage;
GLuint photoColumnTextures[kColumnPhotoCount] = {0, 0, 0, 0, 0};
std::uint8_t frameIndex = 0;
float frameSwitchArmed = 0.0f;

namespace {

constexpr float kBackgroundDepth = -2.4f;
constexpr float kColumnX = -1.12f;
constexpr float kColumnZ = -4.0f;
constexpr float kFrameAxisY = 1.0f;
constexpr float kFrameAxisZ = -5.0f;
constexpr float kFrameCentreX = 1.3f;
constexpr float kFrameHalfWidth = 1.33f;
constexpr float kFrameHalfHeight = 1.0f;
constexpr float kPhotoSteps[kColumnPhotoCount] = {0.0f, 1.5f, 1.9f, 1.8f, 1.8f};

// Switches fall 9 degrees after each edge-on pass; re-arming happens while the
// frame faces the viewer or shows its back.
constexpr int kFirstSwitchTick = 99;
constexpr int kSecondSwitchTick = 279;
constexpr int kTurnTicks = 360;

const char* const kPhotoPaths[kColumnPhotoCount] = {"data\\texpart05\\s0.jpg", "data\\texpart05\\s1.jpg",
                                              "data\\texpart05\\s2.jpg", "data\\texpart05\\s3.jpg",
                                              "data\\texpart05\\s4.jpg"};

const float kCornerTexCoords[4][2] = {{0.0f, 0.0f}, {0.0f, 1.0f}, {1.0f, 1.0f}, {1.0f, 0.0f}};

void AdvanceFramePicture() {
  frameIndex = static_cast<std::uint8_t>(frameIndex + 1);
  if (frameIndex > kFramePictureCount - 1) frameIndex = 0;
  frameSwitchArmed = 1.0f;
}

void DrawTexturedQuad(float halfWidth, float halfHeight) {
  const float corners[4][2] = {
      {-halfWidth, -halfHeight}, {-halfWidth, halfHeight}, {halfWidth, halfHeight}, {halfWidth, -halfHeight}};
  glBegin(GL_QUADS);
  for (int i = 0; i < 4; ++i) {
    glMultiTexCoord2fARB(GL_TEXTURE0_ARB, kCornerTexCoords[i][0], kCornerTexCoords[i][1]);
    glVertex3f(corners[i][0], corners[i][1], 0.0f);
  }
  glEnd();
}

// Layers whose picture failed to load are left out: untextured they would lay
// plain white over the frame.
void DrawBackground() {
  glDisable(GL_CULL_FACE);
  glBindTexture(GL_TEXTURE_2D, beeImage.textureId);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_LIGHTING);
  glEnable(GL_BLEND);
  glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_COLOR);
  if (beeImage.textureId != 0) DrawTexturedScreenQuad(kBackgroundDepth);
}

void DrawPhotoColumn(float t) {
  glLoadIdentity();
  glTranslatef(kColumnX, PhotoColumnY(t), kColumnZ);
  for (int k = 0; k < kColumnPhotoCount; ++k) {
    if (k >= 1) glTranslatef(0.0f, -PhotoStep(k), 0.0f);
    glBindTexture(GL_TEXTURE_2D, photoColumnTextures[k]);
    if (photoColumnTextures[k] != 0) DrawTexturedQuad(1.0f, 1.0f);
  }
}

// The picture is bound before the switching step, so a switch shows from the
// next frame on.
void DrawTumblingFrame(float t) {
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  const GLuint picture = frameImages[frameIndex % kFramePictureCount].textureId;
  glBindTexture(GL_TEXTURE_2D, picture);
  StepFrameSwitch(t);
  glLoadIdentity();
  glTranslatef(0.0f, kFrameAxisY, kFrameAxisZ);
  glRotatef(FrameTurnDegrees(t), 1.0f, 0.0f, 0.0f);
  glTranslatef(kFrameCentreX, 0.0f, 0.0f);
  if (picture != 0) DrawTexturedQuad(kFrameHalfWidth, kFrameHalfHeight);
}

}  // namespace

void ResetFrameSwitch() {
  frameIndex = 0;
  frameSwitchArmed = 0.0f;
}

void StepFrameSwitch(float t) {
  const int k = static_cast<int>(t) % kTurnTicks;
  if (k == kFirstSwitchTick && frameSwitchArmed == 0.0f) AdvanceFramePicture();
  if (k == kSecondSwitchTick && frameSwitchArmed == 0.0f) AdvanceFramePicture();
  if (k < 10 || (k >= 181 && k <= 184)) frameSwitchArmed = 0.0f;
}

float PhotoColumnY(float t) { return t * 0.011f - 2.0f; }

float PhotoStep(int k) { return (k >= 1 && k < kColumnPhotoCount) ? kPhotoSteps[k] : 0.0f; }

float PhotoCentreY(float t, int k) {
  float y = PhotoColumnY(t);
  for (int i = 1; i <= k && i < kColumnPhotoCount; ++i) y -= PhotoStep(i);
  return y;
}

float FrameTurnDegrees(float t) { return t; }

FrameCorners TumblingFrameCorners(float t) {
  const double a = static_cast<double>(FrameTurnDegrees(t)) * kPi / 180.0;
  const double c = std::cos(a), s = std::sin(a);
  const float local[4][2] = {{-kFrameHalfWidth, -kFrameHalfHeight},
                             {-kFrameHalfWidth, kFrameHalfHeight},
                             {kFrameHalfWidth, kFrameHalfHeight},
                             {kFrameHalfWidth, -kFrameHalfHeight}};
  FrameCorners out;
  for (int i = 0; i < 4; ++i) {
    // Rotation about x turns (y, 0) into (y cos a, y sin a).
    const double y = local[i][1];
    out.corner[i][0] = kFrameCentreX + local[i][0];
    out.corner[i][1] = static_cast<float>(kFrameAxisY + y * c);
    out.corner[i][2] = static_cast<float>(kFrameAxisZ + y * s);
  }
  return out;
}

void SetupScene5() {
  ReleaseTexture(beeImage);
  ReleaseTexture(frameMaskImage);
  for (TextureRecord& picture : frameImages) ReleaseTexture(picture);
  for (GLuint& name : photoColumnTextures) ReleaseTextureName(name);
  ResetFrameSwitch();
  LoadTgaTexture(&beeImage, "data\\texpart05\\bee.tga");
  LoadTgaTexture(&frameImages[0], "data\\texpart05\\frame01.tga");
  LoadTgaTexture(&frameMaskImage, "data\\texpart05\\frameA.tga");
  LoadTgaTexture(&frameImages[1], "data\\texpart05\\frame02.tga");
  LoadTgaTexture(&frameImages[2], "data\\texpart05\\frame03.tga");
  LoadTgaTexture(&frameImages[3], "data\\texpart05\\frame04.tga");
  for (int k = 0; k < kColumnPhotoCount; ++k) LoadJpegTextureMipmapped(kPhotoPaths[k], &photoColumnTextures[k]);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  // Into the loaders' own names; name 0 (a picture that failed) is the default
  // texture and must never receive one.
  for (TextureRecord& picture : frameImages)
    if (picture.textureId != 0) ComposeAlphaTexture(picture, frameMaskImage, picture.textureId);
}

void RenderScene5() {
  const float t = sceneTicks;
  DrawBackground();
  DrawPhotoColumn(t);
  DrawTumblingFrame(t);
  glDisable(GL_BLEND);
}

}  // namespace velkor
