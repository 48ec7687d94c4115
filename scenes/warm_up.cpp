// Drawing warm-up: each scene's draw states as a fixed table (read off the
// scenes' drawing code; a test records the states the show really draws with
// and checks that every one was met before its scene began), and the
// scissored draws that make a GL build its code for them ahead of the switch.
#include "scenes/warm_up.h"

#include "music/timeline.h"
#include "platform/memory.h"

namespace velkor {

namespace {

using T = DrawTexture;
constexpr GLenum kOne = GL_ONE, kZero = GL_ZERO, kSrcAlpha = GL_SRC_ALPHA;
constexpr GLenum kOneMinusSrcAlpha = GL_ONE_MINUS_SRC_ALPHA, kOneMinusSrcColour = GL_ONE_MINUS_SRC_COLOR;
constexpr unsigned kBlend = kDrawBlend, kDepthWrite = kDrawDepth | kDrawDepthWrite, kFog = kDrawFog;

const DrawState kScene0States[] = {
    {GL_TRIANGLES, kDrawCull | kDepthWrite | kFog | kDrawLighting, 0, 0, T::RgbMipmapped},  // the landscape
    {GL_QUADS, kBlend | kFog, kSrcAlpha, kOneMinusSrcAlpha, T::None},                       // fades
};
const DrawState kScene1States[] = {
    {GL_QUADS, kDepthWrite, 0, 0, T::Rgb},                             // the photo grid
    {GL_QUADS, kBlend, kSrcAlpha, kOneMinusSrcAlpha, T::None},         // the curtain
    {GL_QUADS, kBlend, kSrcAlpha, kOneMinusSrcAlpha, T::Rgb},          // the bird
};
const DrawState kScene2States[] = {
    {GL_QUADS, kBlend, kOne, kOneMinusSrcColour, T::RgbMipmapped},     // the cloud
    {GL_QUADS, kBlend, kSrcAlpha, kOneMinusSrcAlpha, T::RgbaMipmapped},  // the masked frame
    {GL_QUADS, kBlend, kOne, kOneMinusSrcColour, T::Rgb},              // the text strip
    {GL_QUADS, kBlend, kZero, kOneMinusSrcColour, T::None},            // the dark band
    {GL_QUADS, kBlend, kSrcAlpha, kOneMinusSrcAlpha, T::None},         // fades
};
const DrawState kScene3States[] = {
    {GL_TRIANGLES, kBlend | kDepthWrite | kDrawLighting, kSrcAlpha, kOneMinusSrcAlpha, T::RgbMipmapped},
    {GL_TRIANGLES, kBlend | kDepthWrite | kDrawLighting, kSrcAlpha, kOneMinusSrcAlpha, T::RgbaMipmapped},
    {GL_QUADS, kBlend | kDrawDepth, kOne, kOneMinusSrcAlpha, T::RgbaMipmapped},  // sprites, depth kept
    {GL_QUADS, kBlend, kSrcAlpha, kOneMinusSrcAlpha, T::RgbaMipmapped},           // overlays
    {GL_QUADS, kBlend, kSrcAlpha, kOneMinusSrcAlpha, T::None},                    // fades
};
const DrawState kScene4States[] = {
    {GL_TRIANGLES, kFog, 0, 0, T::RgbMipmapped},
    {GL_TRIANGLES, kBlend | kFog, kZero, kOneMinusSrcColour, T::RgbMipmapped},
    {GL_TRIANGLES, kBlend | kFog, kSrcAlpha, kOneMinusSrcAlpha, T::RgbMipmapped},
    {GL_QUADS, kBlend | kFog, kSrcAlpha, kOneMinusSrcAlpha, T::Rgb},
    {GL_QUADS, kBlend | kFog, kSrcAlpha, kOneMinusSrcAlpha, T::None},
};
const DrawState kScene5States[] = {
    {GL_QUADS, kBlend | kFog, kOne, kOneMinusSrcColour, T::RgbMipmapped},
    {GL_QUADS, kBlend | kFog, kSrcAlpha, kOneMinusSrcAlpha, T::RgbaMipmapped},
};

template <int N>
constexpr DrawStateList ListOf(const DrawState (&states)[N]) {
  return {states, N};
}
const DrawStateList kSceneStates[kSceneCount] = {ListOf(kScene0States), ListOf(kScene1States),
                                                 ListOf(kScene2States), ListOf(kScene3States),
                                                 ListOf(kScene4States), ListOf(kScene5States)};

// Room touched ahead for the switch into each scene, 2 MB a pass: for its
// textures, and into scene 1 for the photo grid's nine hundred draws, whose
// state takes a software GL some 32 MB in the first frame.
constexpr std::size_t kReserveBytes[kSceneCount] = {24u << 20, 64u << 20, 24u << 20,
                                                    24u << 20, 24u << 20, 24u << 20};
constexpr std::size_t kReserveStepBytes = 2u << 20;

struct WarmUpState {
  int scene = -1;
  int next = 0;  // the next state to draw
  GLuint textures[5] = {};  // per DrawTexture, 0 for None
};
WarmUpState warm;

// 2 x 2 images, padded rows included, and their 1 x 1 mipmap.
const unsigned char kPixels[16] = {};

GLuint MakeTexture(GLint components, bool mipmapped) {
  GLuint name = 0;
  glGenTextures(1, &name);
  glBindTexture(GL_TEXTURE_2D, name);
  const GLenum format = components == 3 ? GL_RGB : GL_RGBA;
  glTexImage2D(GL_TEXTURE_2D, 0, components, 2, 2, 0, format, GL_UNSIGNED_BYTE, kPixels);
  if (mipmapped) glTexImage2D(GL_TEXTURE_2D, 1, components, 1, 1, 0, format, GL_UNSIGNED_BYTE, kPixels);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, mipmapped ? GL_LINEAR_MIPMAP_NEAREST : GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  return name;
}

void MakeTextures() {
  static const struct {
    DrawTexture kind;
    GLint components;
    bool mipmapped;
  } kKinds[] = {{T::Rgb, 3, false}, {T::RgbMipmapped, 3, true}, {T::Rgba, 4, false}, {T::RgbaMipmapped, 4, true}};
  if (warm.textures[static_cast<int>(T::Rgb)] != 0) return;
  for (const auto& k : kKinds) warm.textures[static_cast<int>(k.kind)] = MakeTexture(k.components, k.mipmapped);
}

void SetFeature(GLenum cap, bool on) {
  if (on) {
    glEnable(cap);
  } else {
    glDisable(cap);
  }
}

void ApplyLighting(bool on) {
  static const GLfloat kPositional[4] = {0.0f, 0.0f, 1.0f, 1.0f};
  SetFeature(GL_LIGHTING, on);
  for (GLenum light = GL_LIGHT0; light < GL_LIGHT0 + 8; ++light) SetFeature(light, on && light <= GL_LIGHT1);
  if (on) {
    glLightfv(GL_LIGHT0, GL_POSITION, kPositional);
    glLightfv(GL_LIGHT1, GL_POSITION, kPositional);
  }
}

void ApplyDrawState(const DrawState& s) {
  SetFeature(GL_BLEND, (s.features & kDrawBlend) != 0);
  if (s.features & kDrawBlend) glBlendFunc(s.blendSource, s.blendDestination);
  SetFeature(GL_CULL_FACE, (s.features & kDrawCull) != 0);
  SetFeature(GL_DEPTH_TEST, (s.features & kDrawDepth) != 0);
  glDepthFunc(GL_LEQUAL);
  glDepthMask((s.features & kDrawDepthWrite) ? GL_TRUE : GL_FALSE);
  SetFeature(GL_FOG, (s.features & kDrawFog) != 0);
  glFogi(GL_FOG_MODE, GL_LINEAR);
  ApplyLighting((s.features & kDrawLighting) != 0);
  glDisable(GL_ALPHA_TEST);
  glDisable(GL_COLOR_MATERIAL);
  glDisable(GL_NORMALIZE);
  glShadeModel(GL_SMOOTH);
  glActiveTextureARB(GL_TEXTURE1_ARB);
  glDisable(GL_TEXTURE_2D);
  glActiveTextureARB(GL_TEXTURE0_ARB);
  SetFeature(GL_TEXTURE_2D, s.texture != T::None);
  glBindTexture(GL_TEXTURE_2D, warm.textures[static_cast<int>(s.texture)]);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
}

// One primitive in the middle of the view, sent with the attributes the
// show's own draws of that kind send.
void DrawPrimitive(const DrawState& s) {
  const bool triangles = s.primitive == GL_TRIANGLES;
  const bool textured = s.texture != T::None;
  const int corners = triangles ? 3 : 4;
  static const float kCorners[4][2] = {{-0.5f, -0.5f}, {0.5f, -0.5f}, {0.5f, 0.5f}, {-0.5f, 0.5f}};
  glBegin(s.primitive);
  for (int i = 0; i < corners; ++i) {
    if (triangles) glNormal3f(0.0f, 0.0f, 1.0f);
    if (triangles || textured) glMultiTexCoord2fARB(GL_TEXTURE0_ARB, kCorners[i][0], kCorners[i][1]);
    glVertex3f(kCorners[i][0], kCorners[i][1], 0.0f);
  }
  glEnd();
}

}  // namespace

DrawStateList SceneDrawStates(int scene) {
  if (scene < 0 || scene >= kSceneCount) return {nullptr, 0};
  return kSceneStates[scene];
}

void ScheduleWarmUp(int scene) {
  warm.scene = scene;
  warm.next = 0;
  RenewMemoryReserve();
}

bool WarmUpStep() {
  const DrawStateList list = SceneDrawStates(warm.scene);
  if (list.count == 0) return false;  // nothing scheduled
  const bool reserved = TouchMemoryReserve(kReserveStepBytes, kReserveBytes[warm.scene]);
  if (warm.next < list.count) WarmUpDrawState(list.states[warm.next++]);
  return !reserved || warm.next < list.count;
}

void WarmUpDrawState(const DrawState& state) {
  if (!PlatformGlNeedsWarmUp()) return;
  glPushAttrib(GL_ALL_ATTRIB_BITS);
  MakeTextures();
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  glEnable(GL_SCISSOR_TEST);
  glScissor(0, 0, 0, 0);
  ApplyDrawState(state);
  DrawPrimitive(state);
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
  glPopAttrib();
}

}  // namespace velkor
