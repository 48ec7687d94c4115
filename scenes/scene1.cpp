// Scene 1: loading the four pictures, then per frame the shimmering photo grid,
// the closing curtain and the dissolving bird picture.
#include "scenes/scene1.h"

#include <cmath>

#include "music/sequencer.h"
#include "platform/gl.h"
#include "proc/noise.h"
#include "scenes/scenes.h"

namespace velkor {

TextureRecord photoTextures[kPhotoCount];
TextureRecord birdTexture;

namespace {

const char* const kPhotoFiles[kPhotoCount] = {"data\\texpart02\\pelto.jpg", "data\\texpart02\\sarv.jpg",
                                              "data\\texpart02\\kel.jpg"};
const char* const kBirdFile = "data\\birdie.jpg";

constexpr float kCurtainStartTicks = 300.0f;

void DrawGridCell(int i, int j, float t) {
  glLoadIdentity();
  const float b = GridBrightness(i, j, t);
  glColor4f(b, b, b, 0.0f);
  const CellOrigin o = CellPosition(i, j);
  glTranslatef(o.x, o.y, kGridDepth);
  const CellTexRect r = CellTexCoords(i, j);
  // Clockwise as seen by the viewer: culling is off while the grid is drawn.
  glBegin(GL_QUADS);
  glMultiTexCoord2fARB(GL_TEXTURE0_ARB, r.s0, r.t0);
  glVertex3f(0.0f, 0.0f, 0.0f);
  glMultiTexCoord2fARB(GL_TEXTURE0_ARB, r.s0, r.t1);
  glVertex3f(0.0f, kCellHeight, 0.0f);
  glMultiTexCoord2fARB(GL_TEXTURE0_ARB, r.s1, r.t1);
  glVertex3f(kCellWidth, kCellHeight, 0.0f);
  glMultiTexCoord2fARB(GL_TEXTURE0_ARB, r.s1, r.t0);
  glVertex3f(kCellWidth, 0.0f, 0.0f);
  glEnd();
}

void DrawPhotoGrid(float t) {
  glDisable(GL_CULL_FACE);
  glDisable(GL_LIGHTING);
  glBindTexture(GL_TEXTURE_2D, photoTextures[PhotoIndexAt(t)].textureId);
  for (int j = 0; j < kGridRows; ++j)
    for (int i = 0; i < kGridColumns; ++i) DrawGridCell(i, j, t);
}

void DrawCurtain(float t) {
  glEnable(GL_BLEND);
  DrawFadeLayer(CurtainColour(t));
  glEnable(GL_LIGHTING);
  glEnable(GL_TEXTURE_2D);
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_CULL_FACE);
}

// Blending is still on from the curtain.
void DrawBirdPicture(float t) {
  glColor4f(1.0f, 1.0f, 1.0f, BirdAlpha(t));
  glBindTexture(GL_TEXTURE_2D, birdTexture.textureId);
  glLoadIdentity();
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_CULL_FACE);
  glDisable(GL_LIGHTING);
  DrawTexturedScreenQuad(kGridDepth);
  glEnable(GL_LIGHTING);
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_CULL_FACE);
}

}  // namespace

float GridBrightness(int i, int j, float t) {
  const float noise = CosineNoise3(static_cast<float>(i * static_cast<double>(0.1f)),
                                   static_cast<float>(j * static_cast<double>(0.1f)),
                                   static_cast<float>(t * static_cast<double>(0.04f)));
  const double band = (std::sin(t * static_cast<double>(0.06f) + j * static_cast<double>(0.1f)) + 1.0) * 0.5;
  return static_cast<float>((noise + band) * static_cast<double>(0.6f) + static_cast<double>(0.4f));
}

int PhotoIndexAt(float t) {
  if (t < 100.0f) return 0;
  if (t < 200.0f) return 1;
  return 2;
}

// The curtain also has an opening branch for 50 < t < 100 whose alpha,
// 1 - t * 0.02, is always negative there: it never shows, so it is left out.
FadeColour CurtainColour(float t) {
  if (t > kCurtainStartTicks) return BlackFade((t - kCurtainStartTicks) * 0.02f);
  return kNoFade;
}

float BirdAlpha(float t) { return 1.0f - t * 0.02f; }

CellTexRect CellTexCoords(int i, int j) {
  const float s0 = static_cast<float>(i) * kCellTexStep;
  const float t0 = static_cast<float>(j) * kCellTexStep;
  return CellTexRect{s0, t0, s0 + kCellTexStep, t0 + kCellTexStep};
}

CellOrigin CellPosition(int i, int j) {
  return CellOrigin{static_cast<float>(i) * kCellWidth + kGridLeft, static_cast<float>(j) * kCellHeight + kGridBottom};
}

void SetupScene1() {
  for (TextureRecord& photo : photoTextures) ReleaseTexture(photo);
  ReleaseTexture(birdTexture);
  glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
  glDisable(GL_FOG);
  glDisable(GL_LIGHTING);
  // A picture that fails to load keeps name 0, the default texture.
  for (int k = 0; k < kPhotoCount; ++k) LoadJpegTexture(kPhotoFiles[k], &photoTextures[k].textureId);
  LoadJpegTexture(kBirdFile, &birdTexture.textureId);
}

void RenderScene1() {
  const float t = sceneTicks;
  DrawPhotoGrid(t);
  DrawCurtain(t);
  DrawBirdPicture(t);
  glDisable(GL_BLEND);
}

}  // namespace velkor
