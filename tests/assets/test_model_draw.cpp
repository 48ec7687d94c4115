// Drawing loaded models on a headless context: texture binding per mesh and a
// lit textured quad landing on screen.
#include <gtest/gtest.h>

#include "assets/model.h"
#include "music/sequencer.h"
#include "platform/gl.h"
#include "support/gl_fixture.h"

namespace velkor {
namespace {

GLuint MakeTexture(const std::vector<std::uint8_t>& rgb, int width) {
  GLuint name = 0;
  glGenTextures(1, &name);
  glBindTexture(GL_TEXTURE_2D, name);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, width, 1, 0, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
  return name;
}

GLint Get(GLenum what) {
  GLint value = -1;
  glGetIntegerv(what, &value);
  return value;
}

class DrawModelTest : public test::GlTest {
 protected:
  void SetUp() override {
    test::GlTest::SetUp();
    savedScene = sceneIndex;
    sceneIndex = 0;
    glGetError();
  }
  void TearDown() override {
    sceneIndex = savedScene;
    glActiveTextureARB(GL_TEXTURE0_ARB);
    for (GLenum cap : {GL_LIGHTING, GL_LIGHT0, GL_TEXTURE_2D}) glDisable(cap);
  }
  int savedScene = 0;
};

TEST_F(DrawModelTest, MeshesWithoutFacesStillBindTheirTexturesAndNoMeshesTouchNothing) {
  const GLuint a = MakeTexture({255, 0, 0}, 1), b = MakeTexture({0, 255, 0}, 1);
  glActiveTextureARB(GL_TEXTURE1_ARB);
  glBindTexture(GL_TEXTURE_2D, a);
  DrawSceneModel(SceneModel());
  EXPECT_EQ(Get(GL_ACTIVE_TEXTURE_ARB), GL_TEXTURE1_ARB);
  EXPECT_EQ(Get(GL_TEXTURE_BINDING_2D), static_cast<GLint>(a));

  SceneModel model;
  model.meshCount = model.materialCount = 2;
  model.materials[0].texture.textureId = a, model.materials[1].texture.textureId = b;
  model.meshes[1].materialIndex = 1;
  DrawSceneModel(model);
  EXPECT_EQ(Get(GL_ACTIVE_TEXTURE_ARB), GL_TEXTURE0_ARB);
  EXPECT_EQ(Get(GL_TEXTURE_BINDING_2D), static_cast<GLint>(b));
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));  // begin/end pairs balanced
}

// A square from (-1, -1) to (1, 1) in the z = 0 plane, s running 0..1 across x.
SceneModel LitSquare(GLuint texture, float normalZ) {
  SceneModel model;
  model.meshCount = model.materialCount = 1;
  model.materials[0].texture.textureId = texture;
  Mesh& mesh = model.meshes[0];
  const float corners[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
  mesh.vertexCount = 4;
  mesh.vertices.assign(4, Vertex{});
  for (int i = 0; i < 4; ++i) mesh.vertices[i].position[0] = corners[i][0], mesh.vertices[i].position[1] = corners[i][1];
  for (const auto& t : {std::array<std::uint32_t, 3>{0, 1, 2}, std::array<std::uint32_t, 3>{0, 2, 3}}) {
    Face f{};
    f.normal[2] = normalZ;
    for (int c = 0; c < 3; ++c) f.vertex[c] = t[c], f.s[c] = corners[t[c]][0] > 0, f.t[c] = corners[t[c]][1] > 0;
    mesh.faces.push_back(f);
  }
  mesh.faceCount = 2;
  ComputeVertexNormals(model);
  return model;
}

TEST_F(DrawModelTest, LitTexturedSquareAppearsWithItsTexels) {
  const GLuint texture = MakeTexture({255, 0, 0, 0, 255, 0}, 2);  // left texel red, right green
  glViewport(0, 0, 640, 480);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(-2, 2, -2, 2, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glClearColor(0, 0, 0, 0);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_CULL_FACE);
  for (GLenum cap : {GL_TEXTURE_2D, GL_LIGHTING, GL_LIGHT0}) glEnable(cap);  // light 0 shines down the view axis
  DrawSceneModel(LitSquare(texture, 1));
  test::SavePng(::testing::TempDir() + "model_draw_square.png", 640, 480);
  // The square covers the middle half of the screen in each direction.
  const std::vector<int> left = test::PixelAt(240, 240), right = test::PixelAt(400, 240);
  EXPECT_TRUE(left[0] > 180 && left[1] < 30) << left[0] << " " << left[1];
  EXPECT_TRUE(right[1] > 180 && right[0] < 30) << right[0] << " " << right[1];
  EXPECT_EQ(test::PixelAt(60, 240), (std::vector<int>{0, 0, 0}));
  // Turned away from the light, the same square is only lit by the ambient term.
  glClear(GL_COLOR_BUFFER_BIT);
  DrawSceneModel(LitSquare(texture, -1));
  EXPECT_LT(test::PixelAt(240, 240)[0], 80);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace
}  // namespace velkor
