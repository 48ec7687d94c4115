// Drawing loaded models on a headless context: texture binding per mesh, the
// translucent scene-3 form, and a lit textured quad landing on screen; also
// material textures read from the scene's texture directory.
#include <gtest/gtest.h>

#include <cmath>

#include "assets/model.h"
#include "music/sequencer.h"
#include "platform/gl.h"
#include "support/gl_fixture.h"
#include "support/test_files.h"

namespace velkor {
namespace {

GLuint MakeTexture(const std::vector<std::uint8_t>& rgb, int width, int height) {
  GLuint name = 0;
  glGenTextures(1, &name);
  glBindTexture(GL_TEXTURE_2D, name);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, width, height, 0, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
  return name;
}

GLint BoundTexture() {
  GLint name = -1;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &name);
  return name;
}

GLint ActiveUnit() {
  GLint unit = -1;
  glGetIntegerv(GL_ACTIVE_TEXTURE_ARB, &unit);
  return unit;
}

// meshCount meshes, each using material m % materialCount, no faces.
SceneModel EmptyMeshes(int meshCount, const std::vector<GLuint>& textures) {
  SceneModel model;
  model.meshCount = meshCount;
  model.materialCount = static_cast<std::uint32_t>(textures.size());
  for (std::size_t i = 0; i < textures.size(); ++i) model.materials[i].texture.textureId = textures[i];
  for (int m = 0; m < meshCount; ++m) model.meshes[m].materialIndex = m % textures.size();
  return model;
}

class DrawModelTest : public test::GlTest {
 protected:
  void SetUp() override {
    test::GlTest::SetUp();
    savedScene = sceneIndex;
    glGetError();
  }
  void TearDown() override {
    sceneIndex = savedScene;
    glActiveTextureARB(GL_TEXTURE0_ARB);
    glDisable(GL_BLEND);
    glDisable(GL_LIGHTING);
    glDisable(GL_LIGHT0);
    glDisable(GL_TEXTURE_2D);
  }
  int savedScene = 0;
};

TEST_F(DrawModelTest, ModelWithoutMeshesTouchesNoState) {
  const GLuint probe = MakeTexture({1, 2, 3}, 1, 1);
  glActiveTextureARB(GL_TEXTURE1_ARB);
  glBindTexture(GL_TEXTURE_2D, probe);
  glDisable(GL_BLEND);
  for (int scene : {0, 3}) {
    sceneIndex = scene;
    DrawSceneModel(SceneModel());
    EXPECT_EQ(ActiveUnit(), GL_TEXTURE1_ARB);
    EXPECT_EQ(BoundTexture(), static_cast<GLint>(probe));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
  }
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(DrawModelTest, MeshWithoutFacesStillBindsItsTexture) {
  const GLuint a = MakeTexture({255, 0, 0}, 1, 1), b = MakeTexture({0, 255, 0}, 1, 1);
  glActiveTextureARB(GL_TEXTURE1_ARB);
  sceneIndex = 0;
  DrawSceneModel(EmptyMeshes(2, {a, b}));
  EXPECT_EQ(ActiveUnit(), GL_TEXTURE0_ARB);
  EXPECT_EQ(BoundTexture(), static_cast<GLint>(b));
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));  // begin/end pairs balanced
}

TEST_F(DrawModelTest, SceneThreeBlendsAndGivesMesh26ItsOwnTexture) {
  const GLuint a = MakeTexture({255, 0, 0}, 1, 1), special = MakeTexture({0, 0, 255}, 1, 1);
  const GLuint saved = mesh26Texture;
  mesh26Texture = special;
  glDisable(GL_BLEND);
  glBlendFunc(GL_ONE, GL_ZERO);
  sceneIndex = 3;
  DrawSceneModel(EmptyMeshes(27, {a}));
  EXPECT_EQ(BoundTexture(), static_cast<GLint>(special));  // mesh 26 is the last
  EXPECT_TRUE(glIsEnabled(GL_BLEND));
  GLint src = 0, dst = 0;
  glGetIntegerv(GL_BLEND_SRC, &src);
  glGetIntegerv(GL_BLEND_DST, &dst);
  EXPECT_EQ(src, GL_SRC_ALPHA);
  EXPECT_EQ(dst, GL_ONE_MINUS_SRC_ALPHA);

  DrawSceneModel(EmptyMeshes(26, {a}));  // fewer than 27 meshes
  EXPECT_EQ(BoundTexture(), static_cast<GLint>(a));

  glDisable(GL_BLEND);
  sceneIndex = 4;
  DrawSceneModel(EmptyMeshes(27, {a}));
  EXPECT_EQ(BoundTexture(), static_cast<GLint>(a));
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  mesh26Texture = saved;
}

// A unit square of two faces in the z = 0 plane, normals up, s running 0..1 across x.
SceneModel LitSquare(GLuint texture) {
  SceneModel model;
  model.meshCount = 1;
  model.materialCount = 1;
  model.materials[0].texture.textureId = texture;
  Mesh& mesh = model.meshes[0];
  const float corners[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
  mesh.vertexCount = 4;
  mesh.vertices.assign(4, Vertex{});
  for (int i = 0; i < 4; ++i) {
    mesh.vertices[i].position[0] = corners[i][0];
    mesh.vertices[i].position[1] = corners[i][1];
  }
  const std::uint32_t tri[2][3] = {{0, 1, 2}, {0, 2, 3}};
  for (const auto& t : tri) {
    Face f{};
    f.normal[2] = 1;
    for (int c = 0; c < 3; ++c) {
      f.vertex[c] = t[c];
      f.s[c] = corners[t[c]][0] > 0 ? 1.0f : 0.0f;
      f.t[c] = corners[t[c]][1] > 0 ? 1.0f : 0.0f;
    }
    mesh.faces.push_back(f);
  }
  mesh.faceCount = 2;
  ComputeVertexNormals(model);
  return model;
}

TEST_F(DrawModelTest, LitTexturedSquareAppearsWithItsTexels) {
  // Left texel red, right texel green.
  const GLuint texture = MakeTexture({255, 0, 0, 0, 255, 0}, 2, 1);
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
  glEnable(GL_TEXTURE_2D);
  glEnable(GL_LIGHTING);
  glEnable(GL_LIGHT0);  // default: white, shining down the view axis
  sceneIndex = 0;
  DrawSceneModel(LitSquare(texture));
  test::SavePng(::testing::TempDir() + "model_draw_square.png", 640, 480);
  // The square covers the middle half of the screen in each direction.
  const std::vector<int> left = test::PixelAt(240, 240), right = test::PixelAt(400, 240);
  const std::vector<int> outside = test::PixelAt(60, 240);
  EXPECT_GT(left[0], 180) << left[0];
  EXPECT_LT(left[1], 30);
  EXPECT_GT(right[1], 180) << right[1];
  EXPECT_LT(right[0], 30);
  EXPECT_EQ(outside, (std::vector<int>{0, 0, 0}));
  // Turned away from the light, the same square is only lit by the ambient term.
  SceneModel flipped = LitSquare(texture);
  for (Face& f : flipped.meshes[0].faces) f.normal[2] = -1;
  ComputeVertexNormals(flipped);
  glClear(GL_COLOR_BUFFER_BIT);
  DrawSceneModel(flipped);
  EXPECT_LT(test::PixelAt(240, 240)[0], 80);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(DrawModelTest, MaterialTexturesComeFromTheirPathsInOrder) {
  test::TempDir dir;
  const test::ScopedWorkingDirectory cwd(dir.path());
  // 2 x 1 uncompressed 24-bit TGA.
  std::vector<std::uint8_t> tga = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 1, 0, 24, 0, 10, 20, 30, 40, 50, 60};
  dir.Write("data/texpart01/rock.tga", tga);
  dir.Write("data/texpart01/photo.jpg", std::string("\xff\xd8\xff\xe0 not a tga"));
  SceneModel model;
  model.materialCount = 3;
  std::snprintf(model.materials[0].path, kMaterialPathSize, "data\\texpart01\\rock.tga");
  std::snprintf(model.materials[1].path, kMaterialPathSize, "data\\texpart01\\photo.jpg");
  std::snprintf(model.materials[2].path, kMaterialPathSize, "data\\texpart01\\ROCK.TGA");
  LoadMaterialTextures(model);
  EXPECT_NE(model.materials[0].texture.textureId, 0u);
  EXPECT_EQ(model.materials[0].texture.width, 2u);
  EXPECT_EQ(model.materials[1].texture.textureId, 0u);
  EXPECT_NE(model.materials[2].texture.textureId, 0u);
  EXPECT_NE(model.materials[2].texture.textureId, model.materials[0].texture.textureId);
  EXPECT_EQ(BoundTexture(), static_cast<GLint>(model.materials[2].texture.textureId));  // the last one stays bound
  EXPECT_EQ(model.materials[3].texture.textureId, 0u);  // entries past the count are left alone
}

std::vector<double> Matrix(GLenum which) {
  std::vector<double> m(16);
  glGetDoublev(which, m.data());
  return m;
}

TEST_F(DrawModelTest, ProjectionAndViewComeFromTheCameraWhenThereIsOne) {
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glTranslatef(5, 5, 5);
  SetCameraProjection(nullptr);  // no camera: the default 45-degree view
  std::vector<double> p = Matrix(GL_PROJECTION_MATRIX);
  EXPECT_NEAR(p[5], 1.0 / std::tan(22.5 * M_PI / 180.0), 1e-6);
  EXPECT_NEAR(p[0], p[5] * 0.75, 1e-6);
  EXPECT_EQ(Matrix(GL_MODELVIEW_MATRIX)[12], 0.0);  // modelview current and reset
  GLint mode = 0;
  glGetIntegerv(GL_MATRIX_MODE, &mode);
  EXPECT_EQ(mode, GL_MODELVIEW);

  LookThroughCamera(nullptr);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(Matrix(GL_MODELVIEW_MATRIX)[i], i % 5 == 0 ? 1.0 : 0.0) << i;

  Camera camera{};
  camera.fov = 60.0f;
  camera.position[1] = -10.0f;  // looking along +y at the origin, z up
  SetCameraProjection(&camera);
  p = Matrix(GL_PROJECTION_MATRIX);
  EXPECT_NEAR(p[5], 1.0 / std::tan(30.0 * M_PI / 180.0), 1e-6);
  LookThroughCamera(&camera);
  const std::vector<double> v = Matrix(GL_MODELVIEW_MATRIX);
  EXPECT_NEAR(v[14], -10.0, 1e-6);  // the target lies 10 units ahead
  EXPECT_NEAR(v[9], 1.0, 1e-6);     // model z is screen up
}

}  // namespace
}  // namespace velkor
