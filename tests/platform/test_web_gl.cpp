// The browser build's fixed-function layer (platform/web/gl.cpp), built here
// for the desktop over a recording stand-in for WebGL: its matrices and GLU
// helpers against Mesa's own on a headless context, its mipmap chain against
// GLU's, and what it hands to WebGL (triangles, eye coordinates, batches).
#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <GL/glu.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/web/gl.h"
#include "platform/web/gl_backend.h"

namespace velkor {

// What the layer asked of WebGL.
struct Draw {
  WebDrawState state;
  std::vector<float> vertices;
};
struct Level {
  int level, components, width, height;
  std::vector<std::uint8_t> pixels;
};
std::vector<Draw> draws;
std::vector<Level> levels;

bool WebBackendStart() { return true; }
void WebBackendDrawTriangles(const WebDrawState& state, const float* vertices, int vertexCount) {
  draws.push_back(Draw{state, std::vector<float>(vertices, vertices + vertexCount * kWebVertexFloats)});
}
void WebBackendCapability(unsigned, bool) {}
void WebBackendBlendFunc(unsigned, unsigned) {}
void WebBackendDepthFunc(unsigned) {}
void WebBackendDepthMask(bool) {}
void WebBackendCullFace(unsigned) {}
void WebBackendViewport(int, int, int, int) {}
void WebBackendScissor(int, int, int, int) {}
void WebBackendClearColour(float, float, float, float) {}
void WebBackendClearDepth(float) {}
void WebBackendClear(unsigned) {}
void WebBackendFlush() {}
std::uint32_t WebBackendCreateTexture() { return 7; }
void WebBackendDeleteTexture(std::uint32_t) {}
void WebBackendTextureImage(std::uint32_t, int level, int components, int width, int height,
                            const std::uint8_t* pixels) {
  levels.push_back(Level{level, components, width, height,
                         std::vector<std::uint8_t>(pixels, pixels + width * height * components)});
}
void WebBackendTextureFilters(std::uint32_t, unsigned, unsigned, int) {}

namespace {

// Mesa's GL on a hidden window (the offscreen driver without a display).
bool MesaContext() {
  static int state = 0;
  if (state != 0) return state > 0;
  const char* display = std::getenv("DISPLAY");
  if (!display || !*display) SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
  state = -1;
  if (SDL_Init(SDL_INIT_VIDEO) != 0) return false;
  SDL_Window* window = SDL_CreateWindow("test", 0, 0, 64, 64, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
  if (!window || !SDL_GL_CreateContext(window)) return false;
  state = 1;
  return true;
}

void ExpectMatricesNear(const float* ours, const float* mesa) {
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(ours[i], mesa[i], 1e-5 * (1.0 + std::fabs(mesa[i]))) << "element " << i;
}

class WebGlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(StartWebGl());
    draws.clear();
    levels.clear();
  }
};

TEST_F(WebGlTest, CameraMatricesMatchMesaAndGlu) {
  if (!MesaContext()) GTEST_SKIP() << "no GL context";
  for (int side = 0; side < 2; ++side) {
    const bool mesa = side == 1;
    mesa ? ::glMatrixMode(GL_PROJECTION) : glMatrixMode(GL_PROJECTION);
    mesa ? ::glLoadIdentity() : glLoadIdentity();
    mesa ? ::gluPerspective(45.0, 4.0 / 3.0, 1.0, 10000.0) : gluPerspective(45.0, 4.0 / 3.0, 1.0, 10000.0);
    mesa ? ::glMatrixMode(GL_MODELVIEW) : glMatrixMode(GL_MODELVIEW);
    mesa ? ::glLoadIdentity() : glLoadIdentity();
    mesa ? ::gluLookAt(120.0, -340.0, 75.0, 10.0, 20.0, 5.0, 0.0, 0.0, 1.0)
         : gluLookAt(120.0, -340.0, 75.0, 10.0, 20.0, 5.0, 0.0, 0.0, 1.0);
    mesa ? ::glPushMatrix() : glPushMatrix();
    mesa ? ::glTranslatef(3.0f, -7.5f, 12.0f) : glTranslatef(3.0f, -7.5f, 12.0f);
    mesa ? ::glRotatef(137.25f, 0.3f, -0.5f, 0.8f) : glRotatef(137.25f, 0.3f, -0.5f, 0.8f);
    mesa ? ::glScalef(0.7f, 0.7f, 1.5f) : glScalef(0.7f, 0.7f, 1.5f);
  }
  float ours[16], theirs[16];
  glGetFloatv(GL_PROJECTION_MATRIX, ours);
  ::glGetFloatv(GL_PROJECTION_MATRIX, theirs);
  ExpectMatricesNear(ours, theirs);
  glGetFloatv(GL_MODELVIEW_MATRIX, ours);
  ::glGetFloatv(GL_MODELVIEW_MATRIX, theirs);
  ExpectMatricesNear(ours, theirs);
  glPopMatrix();
  ::glPopMatrix();
  glGetFloatv(GL_MODELVIEW_MATRIX, ours);
  ::glGetFloatv(GL_MODELVIEW_MATRIX, theirs);
  ExpectMatricesNear(ours, theirs);
}

// GLU scales an image to the nearest powers of two (or takes it as it is) and
// halves from there, and GL converts each level to the internal format: every
// level must come out byte for byte as Mesa's GLU and GL make it, whatever the
// unpack alignment and whether the source or the texture has an alpha.
TEST_F(WebGlTest, MipmapChainMatchesGlu) {
  if (!MesaContext()) GTEST_SKIP() << "no GL context";
  const struct {
    int width, height;
    GLenum format;
    GLint internalFormat, alignment;
    std::size_t levelCount;
  } cases[] = {
      {96, 40, GL_RGB, 3, 1, 8},    // to 128 x 32: one side up, the other down
      {64, 16, GL_RGBA, 3, 4, 7},   // the source is level 0; its alpha is dropped
      {33, 17, GL_RGB, 4, 4, 6},    // padded rows, scaled, an opaque alpha added
      {100, 60, GL_RGBA, 4, 1, 8},  // scaled with its alpha
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height) + " into " +
                 std::to_string(c.internalFormat) + " components, alignment " + std::to_string(c.alignment));
    const int sourceComponents = c.format == GL_RGBA ? 4 : 3;
    const std::size_t rowBytes =
        (static_cast<std::size_t>(c.width) * sourceComponents + c.alignment - 1) / c.alignment * c.alignment;
    std::vector<std::uint8_t> source(rowBytes * c.height);
    for (std::size_t i = 0; i < source.size(); ++i) source[i] = static_cast<std::uint8_t>((i * 37 + i / 291 * 11) & 255);
    GLuint name = 0;
    ::glGenTextures(1, &name);
    ::glBindTexture(GL_TEXTURE_2D, name);
    ::glPixelStorei(GL_UNPACK_ALIGNMENT, c.alignment);
    ASSERT_EQ(::gluBuild2DMipmaps(GL_TEXTURE_2D, c.internalFormat, c.width, c.height, c.format, GL_UNSIGNED_BYTE,
                                  source.data()),
              0);
    levels.clear();
    glPixelStorei(GL_UNPACK_ALIGNMENT, c.alignment);
    GLuint ours = 0;
    glGenTextures(1, &ours);
    glBindTexture(GL_TEXTURE_2D, ours);
    ASSERT_EQ(gluBuild2DMipmaps(GL_TEXTURE_2D, c.internalFormat, c.width, c.height, c.format, GL_UNSIGNED_BYTE,
                                source.data()),
              0);
    ASSERT_EQ(levels.size(), c.levelCount);  // down to 1 x 1
    const int components = c.internalFormat;
    ::glPixelStorei(GL_PACK_ALIGNMENT, 1);
    for (std::size_t i = 0; i < levels.size(); ++i) {
      const Level& l = levels[i];
      ASSERT_EQ(l.level, static_cast<int>(i));
      ASSERT_EQ(l.components, components);
      GLint w = 0, h = 0;
      ::glGetTexLevelParameteriv(GL_TEXTURE_2D, l.level, GL_TEXTURE_WIDTH, &w);
      ::glGetTexLevelParameteriv(GL_TEXTURE_2D, l.level, GL_TEXTURE_HEIGHT, &h);
      ASSERT_EQ(l.width, w) << "level " << l.level;
      ASSERT_EQ(l.height, h) << "level " << l.level;
      std::vector<std::uint8_t> mesa(static_cast<std::size_t>(w) * h * components);
      ::glGetTexImage(GL_TEXTURE_2D, l.level, components == 4 ? GL_RGBA : GL_RGB, GL_UNSIGNED_BYTE, mesa.data());
      std::size_t differing = 0;
      for (std::size_t b = 0; b < mesa.size(); ++b) differing += mesa[b] != l.pixels[b];
      EXPECT_EQ(differing, 0u) << "bytes of level " << l.level << " of " << w << " x " << h;
    }
    ::glDeleteTextures(1, &name);
    glDeleteTextures(1, &ours);
  }
}

TEST_F(WebGlTest, QuadsBecomeTrianglesInEyeSpaceAndBatchAcrossModelviewChanges) {
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glTranslatef(0.0f, 0.0f, -10.0f);
  glColor4f(0.25f, 0.5f, 0.75f, 1.0f);
  for (int quad = 0; quad < 2; ++quad) {
    glBegin(GL_QUADS);
    glMultiTexCoord2fARB(GL_TEXTURE0_ARB, 0.0f, 0.0f);
    glVertex3f(0.0f, 0.0f, 0.0f);
    glVertex3f(1.0f, 0.0f, 0.0f);
    glMultiTexCoord2fARB(GL_TEXTURE0_ARB, 1.0f, 1.0f);
    glVertex3f(1.0f, 1.0f, 0.0f);
    glVertex3f(0.0f, 1.0f, 0.0f);
    glEnd();
    glTranslatef(5.0f, 0.0f, 0.0f);
  }
  EXPECT_TRUE(draws.empty());  // nothing drawn until the state changes
  glEnable(GL_BLEND);
  ASSERT_EQ(draws.size(), 1u);
  const std::vector<float>& v = draws[0].vertices;
  ASSERT_EQ(v.size(), 12u * kWebVertexFloats);
  auto vertex = [&](int i) { return &v[i * kWebVertexFloats]; };
  EXPECT_FLOAT_EQ(vertex(0)[2], -10.0f);  // eye z
  EXPECT_FLOAT_EQ(vertex(2)[1], 1.0f);    // the third triangle corner is the quad's fourth vertex
  EXPECT_FLOAT_EQ(vertex(6)[0], 5.0f);    // the second quad moved by the translation between
  EXPECT_FLOAT_EQ(vertex(4)[11], 1.0f);   // texture coordinates stick to later vertices
  EXPECT_FLOAT_EQ(vertex(4)[8], 0.5f);    // and the colour to all of them
}

TEST_F(WebGlTest, UnitWithIncompleteTextureIsOffAndLightsAreKeptInEyeSpace) {
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glTranslatef(0.0f, 0.0f, -100.0f);
  const float position[4] = {0.0f, 10.0f, 0.0f, 1.0f};
  glLightfv(GL_LIGHT1, GL_POSITION, position);
  glEnable(GL_LIGHTING);
  glEnable(GL_LIGHT1);
  GLuint name = 0;
  glGenTextures(1, &name);
  glBindTexture(GL_TEXTURE_2D, name);  // no image: incomplete
  glEnable(GL_TEXTURE_2D);
  glRotatef(90.0f, 0.0f, 0.0f, 1.0f);
  glScalef(2.0f, 1.0f, 1.0f);
  glBegin(GL_TRIANGLES);
  glNormal3f(1.0f, 0.0f, 0.0f);
  for (int i = 0; i < 3; ++i) glVertex3f(static_cast<float>(i), 0.0f, 0.0f);
  glEnd();
  glFlush();
  ASSERT_EQ(draws.size(), 1u);
  // The normal turns with the model and, unnormalised as without GL_NORMALIZE,
  // shrinks where the model is stretched (the inverse transpose).
  const float* normal = &draws[0].vertices[4];
  EXPECT_NEAR(normal[0], 0.0f, 1e-6f);
  EXPECT_NEAR(normal[1], 0.5f, 1e-6f);
  EXPECT_NEAR(normal[2], 0.0f, 1e-6f);
  const WebDrawState& s = draws[0].state;
  EXPECT_FALSE(s.textureOn[0]);
  EXPECT_TRUE(s.lighting);
  EXPECT_TRUE(s.lightOn[1]);
  EXPECT_FLOAT_EQ(s.lightPosition[1][2], -100.0f);
  EXPECT_FLOAT_EQ(s.lightAttenuation[1][0], 1.0f);
  EXPECT_FLOAT_EQ(s.materialDiffuse[0], 0.8f);  // the default material: lit alpha stays 1
  EXPECT_FLOAT_EQ(s.materialDiffuse[3], 1.0f);
}

}  // namespace

}  // namespace velkor
