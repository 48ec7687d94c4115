// Warm-up draws on the headless GL: with the frame and the GL state set to
// values no scene would leave, drawing every scene's warm-up states leaves
// each pixel, each depth value and each piece of state read back as it was;
// and a scheduled round of steps ends when its work is done.
#include <gtest/gtest.h>

#include <vector>

#include "music/timeline.h"
#include "platform/gl.h"
#include "scenes/warm_up.h"
#include "support/gl_fixture.h"

namespace velkor::test {
namespace {

class WarmUpTest : public GlTest {};

void AppendFloats(std::vector<double>& out, GLenum name, int count) {
  GLfloat values[16] = {};
  glGetFloatv(name, values);
  out.insert(out.end(), values, values + count);
}

void AppendUnitState(std::vector<double>& out, GLenum unit) {
  GLint active = 0;
  glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
  glActiveTextureARB(unit);
  out.push_back(glIsEnabled(GL_TEXTURE_2D));
  AppendFloats(out, GL_TEXTURE_BINDING_2D, 1);
  GLint env = 0;
  glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &env);
  out.push_back(env);
  AppendFloats(out, GL_CURRENT_TEXTURE_COORDS, 4);
  glActiveTextureARB(static_cast<GLenum>(active));
}

// Everything a warm-up draw sets, and the pixels and depths of the frame.
std::vector<double> Snapshot() {
  std::vector<double> s;
  for (GLenum cap : {GL_BLEND, GL_CULL_FACE, GL_DEPTH_TEST, GL_FOG, GL_LIGHTING, GL_LIGHT0, GL_LIGHT1, GL_LIGHT2,
                     GL_ALPHA_TEST, GL_COLOR_MATERIAL, GL_NORMALIZE, GL_SCISSOR_TEST})
    s.push_back(glIsEnabled(cap));
  for (GLenum name : {GL_BLEND_SRC, GL_BLEND_DST, GL_DEPTH_FUNC, GL_DEPTH_WRITEMASK, GL_FOG_MODE, GL_SHADE_MODEL,
                      GL_ACTIVE_TEXTURE, GL_MATRIX_MODE})
    AppendFloats(s, name, 1);
  AppendFloats(s, GL_SCISSOR_BOX, 4);
  AppendFloats(s, GL_CURRENT_COLOR, 4);
  AppendFloats(s, GL_CURRENT_NORMAL, 3);
  AppendFloats(s, GL_MODELVIEW_MATRIX, 16);
  AppendFloats(s, GL_PROJECTION_MATRIX, 16);
  GLfloat position[4] = {};
  glGetLightfv(GL_LIGHT0, GL_POSITION, position);
  s.insert(s.end(), position, position + 4);
  AppendUnitState(s, GL_TEXTURE0_ARB);
  AppendUnitState(s, GL_TEXTURE1_ARB);
  for (std::uint8_t v : ReadPixelsRgb(0, 0, 640, 480)) s.push_back(v);
  std::vector<GLfloat> depth(640 * 480);
  glReadPixels(0, 0, 640, 480, GL_DEPTH_COMPONENT, GL_FLOAT, depth.data());
  s.insert(s.end(), depth.begin(), depth.end());
  return s;
}

// A state no scene leaves behind: the opposite of what the warm-up sets wherever it can be.
void SetUnusualState(GLuint texture) {
  glClearColor(0.2f, 0.4f, 0.6f, 1.0f);
  glClearDepth(0.25);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glEnable(GL_BLEND);
  glBlendFunc(GL_DST_COLOR, GL_ZERO);
  glDisable(GL_DEPTH_TEST);
  glDepthFunc(GL_GREATER);
  glDepthMask(GL_FALSE);
  glEnable(GL_CULL_FACE);
  glEnable(GL_FOG);
  glFogi(GL_FOG_MODE, GL_EXP2);
  glDisable(GL_LIGHTING);
  glEnable(GL_LIGHT2);
  glShadeModel(GL_FLAT);
  glScissor(100, 80, 440, 320);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(-2.0, 3.0, -4.0, 5.0, 1.0, 9.0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glTranslatef(0.5f, -0.25f, -3.0f);
  const GLfloat position[4] = {1.0f, 2.0f, 3.0f, 0.0f};
  glLightfv(GL_LIGHT0, GL_POSITION, position);
  glColor4f(0.1f, 0.2f, 0.3f, 0.4f);
  glNormal3f(0.0f, 1.0f, 0.0f);
  glActiveTextureARB(GL_TEXTURE0_ARB);
  glBindTexture(GL_TEXTURE_2D, texture);
  glDisable(GL_TEXTURE_2D);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
  glMultiTexCoord2fARB(GL_TEXTURE0_ARB, 0.75f, 0.5f);
  glActiveTextureARB(GL_TEXTURE1_ARB);
  glEnable(GL_TEXTURE_2D);
  glMatrixMode(GL_PROJECTION);
}

TEST_F(WarmUpTest, DrawingEveryStateLeavesFrameAndStateAsTheyWere) {
  GLuint texture = 0;
  glGenTextures(1, &texture);
  SetUnusualState(texture);
  const std::vector<double> before = Snapshot();
  int drawn = 0;
  for (int scene = 0; scene < kSceneCount; ++scene) {
    const DrawStateList list = SceneDrawStates(scene);
    for (int i = 0; i < list.count; ++i, ++drawn) WarmUpDrawState(list.states[i]);
  }
  EXPECT_GE(drawn, 12);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  const std::vector<double> after = Snapshot();
  ASSERT_EQ(before.size(), after.size());
  std::size_t differing = 0, first = before.size();
  for (std::size_t i = 0; i < before.size(); ++i)
    if (before[i] != after[i] && differing++ == 0) first = i;
  EXPECT_EQ(differing, 0u) << "first at " << first << ": " << before[first] << " became " << after[first];
  glDeleteTextures(1, &texture);
}

// The steps say when a scene's round is over: not before its last state has
// been drawn, then for good until the next round is scheduled.
TEST_F(WarmUpTest, StepsReportWorkLeftUntilTheRoundIsDone) {
  constexpr int kBound = 1000;
  for (int scene = 0; scene < kSceneCount; ++scene) {
    for (int round = 0; round < 2; ++round) {
      ScheduleWarmUp(scene);
      int stepsWithWorkLeft = 0;
      while (stepsWithWorkLeft < kBound && WarmUpStep()) ++stepsWithWorkLeft;
      ASSERT_LT(stepsWithWorkLeft, kBound) << "scene " << scene << " never finishes";
      // The step that reports the end may have drawn the last state itself.
      EXPECT_GE(stepsWithWorkLeft + 1, SceneDrawStates(scene).count) << "scene " << scene;
      EXPECT_FALSE(WarmUpStep()) << "scene " << scene << ": a finished round started again";
    }
  }
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace
}  // namespace velkor::test
