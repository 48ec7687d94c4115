// The browser build's OpenGL 1.x: the fixed-function state the show sets
// (matrix stacks, sticky vertex attributes, lights, fog, two texture units,
// textures with GLU's mipmap chain) kept here, vertices transformed to eye
// space as they come and batched into triangles, and each batch drawn over
// WebGL through web/gl_backend when the state it was made under changes.
// Matrices and GLU's helpers follow Mesa's and GLU's arithmetic, in floats
// where they use floats, so the picture matches the desktop's.
#include "platform/web/gl.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <vector>

#include <GL/glu.h>

#include "platform/mipmap.h"
#include "platform/web/gl_backend.h"
#include "proc/maths.h"

namespace velkor {

namespace {

constexpr int kStackDepth = 32;
constexpr int kMaxLevels = 16;

struct Matrix {
  float m[16];
};

struct MatrixStack {
  Matrix entries[kStackDepth];
  int top = 0;
};

struct TextureObject {
  std::uint32_t handle = 0;
  int width[kMaxLevels] = {};
  int height[kMaxLevels] = {};
  GLenum minFilter = GL_NEAREST_MIPMAP_LINEAR;
  GLenum magFilter = GL_LINEAR;
};

struct Light {
  float ambient[4] = {0, 0, 0, 1};
  float diffuse[4] = {0, 0, 0, 1};
  float specular[4] = {0, 0, 0, 1};
  float position[4] = {0, 0, 1, 0};
  float attenuation[3] = {1, 0, 0};
  bool on = false;
};

struct State {
  MatrixStack modelview, projection;
  GLenum matrixMode = GL_MODELVIEW;
  bool inverseValid = false;
  float normalMatrix[9];  // inverse of the modelview's upper 3 x 3, rows first

  float colour[4] = {1, 1, 1, 1};
  float normal[3] = {0, 0, 1};
  float texCoord[2][4] = {{0, 0, 0, 1}, {0, 0, 0, 1}};
  int activeUnit = 0;
  bool textureOn[2] = {false, false};
  GLuint bound[2] = {0, 0};

  bool lighting = false;
  Light lights[kWebLights];
  bool fog = false;
  float fogStart = 0.0f, fogEnd = 1.0f;
  float fogColour[4] = {0, 0, 0, 0};

  float clearColour[4] = {0, 0, 0, 0};
  GLint unpackAlignment = 4;

  GLenum primitive = 0;  // between glBegin and glEnd
  bool inPrimitive = false;
  std::vector<float> primitiveVertices;
  std::vector<float> batch;
};

State s;
std::map<GLuint, TextureObject> textures;
GLuint nextTextureName = 1;

Matrix Identity() {
  Matrix r{};
  r.m[0] = r.m[5] = r.m[10] = r.m[15] = 1.0f;
  return r;
}

MatrixStack& CurrentStack() { return s.matrixMode == GL_PROJECTION ? s.projection : s.modelview; }
Matrix& Top(MatrixStack& stack) { return stack.entries[stack.top]; }

// a = a * b, column-major as OpenGL keeps them.
void MultiplyInto(Matrix& a, const float* b) {
  Matrix r;
  for (int col = 0; col < 4; ++col)
    for (int row = 0; row < 4; ++row)
      r.m[col * 4 + row] = a.m[row] * b[col * 4] + a.m[4 + row] * b[col * 4 + 1] + a.m[8 + row] * b[col * 4 + 2] +
                           a.m[12 + row] * b[col * 4 + 3];
  a = r;
}

void Flush();

// Every change to what a batch is drawn with draws the batch first. Only the
// modelview matrix and the vertex attributes are baked into the vertices.
void BeforeStateChange() {
  if (!s.inPrimitive) Flush();
}

void MatrixChanged() {
  if (s.matrixMode == GL_PROJECTION) BeforeStateChange();
  else s.inverseValid = false;
}

void MultiplyCurrent(const float* m) {
  MatrixChanged();
  MultiplyInto(Top(CurrentStack()), m);
}

void UpdateNormalMatrix() {
  if (s.inverseValid) return;
  const float* m = Top(s.modelview).m;
  // Upper 3 x 3 of the modelview (column-major) and its inverse by cofactors.
  const float a = m[0], b = m[4], c = m[8], d = m[1], e = m[5], f = m[9], g = m[2], h = m[6], i = m[10];
  const float A = e * i - f * h, B = -(d * i - f * g), C = d * h - e * g;
  const float det = a * A + b * B + c * C;
  const float k = det != 0.0f ? 1.0f / det : 0.0f;
  // n_eye = n * M^-1: row vector times the inverse.
  const float inv[9] = {A * k, -(b * i - c * h) * k, (b * f - c * e) * k,
                        B * k, (a * i - c * g) * k,  -(a * f - c * d) * k,
                        C * k, -(a * h - b * g) * k, (a * e - b * d) * k};
  std::memcpy(s.normalMatrix, inv, sizeof inv);
  s.inverseValid = true;
}

bool TextureComplete(GLuint name) {
  const auto it = textures.find(name);
  if (it == textures.end()) return false;
  const TextureObject& t = it->second;
  if (t.width[0] <= 0 || t.height[0] <= 0) return false;
  const bool mipmapped = t.minFilter != GL_NEAREST && t.minFilter != GL_LINEAR;
  if (!mipmapped) return true;
  for (int level = 1; level < kMaxLevels; ++level) {
    const int w = std::max(1, t.width[0] >> level), h = std::max(1, t.height[0] >> level);
    if (t.width[level] != w || t.height[level] != h) return false;
    if (w == 1 && h == 1) return true;
  }
  return false;
}

int HighestLevel(const TextureObject& t) {
  int level = 0;
  while (level + 1 < kMaxLevels && t.width[level + 1] > 0) ++level;
  return level;
}

void ApplyFilters(TextureObject& t) {
  WebBackendTextureFilters(t.handle, t.minFilter, t.magFilter, HighestLevel(t));
}

TextureObject& Texture(GLuint name) {
  TextureObject& t = textures[name];
  if (t.handle == 0) {
    t.handle = WebBackendCreateTexture();
    ApplyFilters(t);
  }
  return t;
}

void Flush() {
  if (s.batch.empty()) return;
  WebDrawState d{};
  std::memcpy(d.projection, Top(s.projection).m, sizeof d.projection);
  d.lighting = s.lighting;
  const float sceneAmbient[4] = {0.2f, 0.2f, 0.2f, 1.0f};
  const float materialAmbient[4] = {0.2f, 0.2f, 0.2f, 1.0f};
  const float materialDiffuse[4] = {0.8f, 0.8f, 0.8f, 1.0f};
  std::memcpy(d.sceneAmbient, sceneAmbient, sizeof sceneAmbient);
  std::memcpy(d.materialAmbient, materialAmbient, sizeof materialAmbient);
  std::memcpy(d.materialDiffuse, materialDiffuse, sizeof materialDiffuse);
  for (int i = 0; i < kWebLights; ++i) {
    const Light& l = s.lights[i];
    d.lightOn[i] = l.on;
    std::memcpy(d.lightAmbient[i], l.ambient, sizeof l.ambient);
    std::memcpy(d.lightDiffuse[i], l.diffuse, sizeof l.diffuse);
    std::memcpy(d.lightPosition[i], l.position, sizeof l.position);
    std::memcpy(d.lightAttenuation[i], l.attenuation, sizeof l.attenuation);
  }
  d.fog = s.fog;
  d.fogStart = s.fogStart;
  d.fogEnd = s.fogEnd;
  std::memcpy(d.fogColour, s.fogColour, sizeof d.fogColour);
  // A unit whose texture is incomplete is off, as in OpenGL 1.x.
  for (int unit = 0; unit < 2; ++unit) {
    d.textureOn[unit] = s.textureOn[unit] && TextureComplete(s.bound[unit]);
    d.texture[unit] = d.textureOn[unit] ? Texture(s.bound[unit]).handle : 0;
  }
  WebBackendDrawTriangles(d, s.batch.data(), static_cast<int>(s.batch.size() / kWebVertexFloats));
  s.batch.clear();
}

void AppendVertex(std::vector<float>& to, const float* vertex) { to.insert(to.end(), vertex, vertex + kWebVertexFloats); }

// The primitive's vertices as triangles; quads split as Mesa's draw module does.
void EmitPrimitive() {
  const std::vector<float>& v = s.primitiveVertices;
  const int n = static_cast<int>(v.size() / kWebVertexFloats);
  auto at = [&](int i) { return v.data() + i * kWebVertexFloats; };
  auto triangle = [&](int a, int b, int c) {
    AppendVertex(s.batch, at(a));
    AppendVertex(s.batch, at(b));
    AppendVertex(s.batch, at(c));
  };
  switch (s.primitive) {
    case GL_TRIANGLES:
      for (int i = 0; i + 2 < n; i += 3) triangle(i, i + 1, i + 2);
      break;
    case GL_QUADS:
      for (int i = 0; i + 3 < n; i += 4) {
        triangle(i, i + 1, i + 3);
        triangle(i + 1, i + 2, i + 3);
      }
      break;
    case GL_TRIANGLE_STRIP:
      for (int i = 0; i + 2 < n; ++i) {
        if (i % 2 == 0) triangle(i, i + 1, i + 2);
        else triangle(i + 1, i, i + 2);
      }
      break;
    case GL_QUAD_STRIP:
      for (int i = 0; i + 3 < n; i += 2) {
        triangle(i, i + 1, i + 3);
        triangle(i, i + 3, i + 2);
      }
      break;
    case GL_TRIANGLE_FAN:
    case GL_POLYGON:
      for (int i = 1; i + 1 < n; ++i) triangle(0, i, i + 1);
      break;
    default: break;  // points and lines are not drawn by the show
  }
}

int UnitIndex(GLenum unit) { return unit == GL_TEXTURE1_ARB ? 1 : 0; }

void SetTexCoord(int unit, float a, float b, float c, float d) {
  float* t = s.texCoord[unit];
  t[0] = a;
  t[1] = b;
  t[2] = c;
  t[3] = d;
}

int LightIndex(GLenum light) {
  const int i = static_cast<int>(light) - GL_LIGHT0;
  return i >= 0 && i < kWebLights ? i : -1;
}

void SetCapability(GLenum cap, bool on) {
  BeforeStateChange();
  switch (cap) {
    case GL_TEXTURE_2D: s.textureOn[s.activeUnit] = on; return;
    case GL_LIGHTING: s.lighting = on; return;
    case GL_FOG: s.fog = on; return;
    case GL_BLEND:
    case GL_DEPTH_TEST:
    case GL_CULL_FACE:
    case GL_SCISSOR_TEST: WebBackendCapability(cap, on); return;
    default: break;
  }
  const int light = LightIndex(cap);
  if (light >= 0) s.lights[light].on = on;
}

// Source pixels as OpenGL unpacks them (rows padded to `alignment`), into
// tight rows of `components` bytes: RGB gains an opaque alpha, RGBA loses its
// alpha for a three-component texture.
std::vector<std::uint8_t> UnpackPixels(int width, int height, GLenum format, int components, const void* pixels,
                                       int alignment) {
  const int sourceComponents = format == GL_RGBA ? 4 : 3;
  alignment = std::max(1, alignment);
  const std::size_t rowBytes =
      (static_cast<std::size_t>(width) * sourceComponents + alignment - 1) / alignment * alignment;
  std::vector<std::uint8_t> out(static_cast<std::size_t>(width) * height * components);
  const std::uint8_t* source = static_cast<const std::uint8_t*>(pixels);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      for (int c = 0; c < components; ++c) {
        const std::size_t to = (static_cast<std::size_t>(y) * width + x) * components + c;
        out[to] = c < sourceComponents ? source[y * rowBytes + x * sourceComponents + c] : 255;
      }
  return out;
}

int ComponentsOf(GLint internalFormat) {
  return internalFormat == 4 || internalFormat == GL_RGBA || internalFormat == GL_RGBA8 ? 4 : 3;
}

void StoreLevel(GLuint name, int level, int components, int width, int height, const std::uint8_t* pixels) {
  if (level < 0 || level >= kMaxLevels) return;
  TextureObject& t = Texture(name);
  t.width[level] = width;
  t.height[level] = height;
  WebBackendTextureImage(t.handle, level, components, width, height, pixels);
  ApplyFilters(t);
}

}  // namespace

bool StartWebGl() {
  if (!WebBackendStart()) return false;
  s = State{};
  s.modelview.entries[0] = Identity();
  s.projection.entries[0] = Identity();
  textures.clear();
  nextTextureName = 1;
  WebBackendDepthFunc(GL_LESS);
  return true;
}

void FlushWebGl() { Flush(); }

bool FetchMultitextureEntryPoints() { return true; }
void* PlatformGetProcAddress(const char*) { return nullptr; }

// No proxy textures over WebGL; the largest size is all there is to ask.
bool PlatformHasProxyTextures() { return false; }
bool PlatformProxyTextureFits(GLint, GLint, GLsizei, GLsizei, GLenum) { return true; }
// Its programs are built apart from the drawing, so there is nothing to warm.
bool PlatformGlNeedsWarmUp() { return false; }

void glPushAttrib(GLbitfield) {}
void glPopAttrib() {}
void glTexEnvi(GLenum, GLenum, GLint) {}

void glEnable(GLenum cap) { SetCapability(cap, true); }
void glDisable(GLenum cap) { SetCapability(cap, false); }
void glHint(GLenum, GLenum) {}
void glShadeModel(GLenum) {}  // smooth is all the show uses

void glBlendFunc(GLenum sfactor, GLenum dfactor) {
  BeforeStateChange();
  WebBackendBlendFunc(sfactor, dfactor);
}

void glDepthFunc(GLenum func) {
  BeforeStateChange();
  WebBackendDepthFunc(func);
}

void glDepthMask(GLboolean flag) {
  BeforeStateChange();
  WebBackendDepthMask(flag != GL_FALSE);
}

void glCullFace(GLenum mode) {
  BeforeStateChange();
  WebBackendCullFace(mode);
}

void glViewport(GLint x, GLint y, GLsizei width, GLsizei height) {
  BeforeStateChange();
  WebBackendViewport(x, y, width, height);
}

void glScissor(GLint x, GLint y, GLsizei width, GLsizei height) {
  BeforeStateChange();
  WebBackendScissor(x, y, width, height);
}

void glClearColor(GLfloat r, GLfloat g, GLfloat b, GLfloat a) {
  const float c[4] = {r, g, b, a};
  for (int i = 0; i < 4; ++i) s.clearColour[i] = std::clamp(c[i], 0.0f, 1.0f);
  WebBackendClearColour(s.clearColour[0], s.clearColour[1], s.clearColour[2], s.clearColour[3]);
}

void glClearDepth(GLclampd depth) { WebBackendClearDepth(static_cast<float>(depth)); }

void glClear(GLbitfield mask) {
  BeforeStateChange();
  WebBackendClear(mask & (GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT));
}

void glFlush() {
  Flush();
  WebBackendFlush();
}

void glFinish() { glFlush(); }

void glGetFloatv(GLenum pname, GLfloat* params) {
  switch (pname) {
    case GL_MODELVIEW_MATRIX: std::memcpy(params, Top(s.modelview).m, 16 * sizeof(float)); break;
    case GL_PROJECTION_MATRIX: std::memcpy(params, Top(s.projection).m, 16 * sizeof(float)); break;
    case GL_COLOR_CLEAR_VALUE: std::memcpy(params, s.clearColour, 4 * sizeof(float)); break;
    case GL_CURRENT_COLOR: std::memcpy(params, s.colour, 4 * sizeof(float)); break;
    default: break;
  }
}

void glGetIntegerv(GLenum pname, GLint* params) {
  if (pname == GL_UNPACK_ALIGNMENT) *params = s.unpackAlignment;
  else if (pname == GL_MAX_TEXTURE_SIZE) *params = 4096;
}

void glPixelStorei(GLenum pname, GLint param) {
  if (pname == GL_UNPACK_ALIGNMENT && (param == 1 || param == 2 || param == 4 || param == 8)) s.unpackAlignment = param;
}

void glMatrixMode(GLenum mode) {
  if (mode == GL_MODELVIEW || mode == GL_PROJECTION) s.matrixMode = mode;
}

void glLoadIdentity() {
  MatrixChanged();
  Top(CurrentStack()) = Identity();
}

void glPushMatrix() {
  MatrixStack& stack = CurrentStack();
  if (stack.top + 1 >= kStackDepth) return;  // stack overflow: ignored, as GL does
  stack.entries[stack.top + 1] = stack.entries[stack.top];
  ++stack.top;
}

void glPopMatrix() {
  MatrixStack& stack = CurrentStack();
  if (stack.top == 0) return;
  MatrixChanged();
  --stack.top;
}

void glLoadMatrixf(const GLfloat* m) {
  MatrixChanged();
  std::memcpy(Top(CurrentStack()).m, m, 16 * sizeof(float));
}

void glMultMatrixf(const GLfloat* m) { MultiplyCurrent(m); }

void glTranslatef(GLfloat x, GLfloat y, GLfloat z) {
  MatrixChanged();
  float* m = Top(CurrentStack()).m;
  for (int row = 0; row < 4; ++row) m[12 + row] = m[row] * x + m[4 + row] * y + m[8 + row] * z + m[12 + row];
}

void glScalef(GLfloat x, GLfloat y, GLfloat z) {
  MatrixChanged();
  float* m = Top(CurrentStack()).m;
  for (int row = 0; row < 4; ++row) {
    m[row] *= x;
    m[4 + row] *= y;
    m[8 + row] *= z;
  }
}

void glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z) {
  const float radians = angle * static_cast<float>(kPi / 180.0);
  const float sine = std::sin(radians), c = std::cos(radians);
  const float length = std::sqrt(x * x + y * y + z * z);
  if (length <= 1.0e-4f) return;
  x /= length;
  y /= length;
  z /= length;
  const float xx = x * x, yy = y * y, zz = z * z, xy = x * y, yz = y * z, zx = z * x;
  const float xs = x * sine, ys = y * sine, zs = z * sine, oneC = 1.0f - c;
  const float r[16] = {oneC * xx + c,  oneC * xy + zs, oneC * zx - ys, 0,
                       oneC * xy - zs, oneC * yy + c,  oneC * yz + xs, 0,
                       oneC * zx + ys, oneC * yz - xs, oneC * zz + c,  0,
                       0,              0,              0,              1};
  MultiplyCurrent(r);
}

void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar) {
  const double radians = fovy / 2.0 * kPi / 180.0;
  const double deltaZ = zFar - zNear, sine = std::sin(radians);
  if (deltaZ == 0.0 || sine == 0.0 || aspect == 0.0) return;
  const double cotangent = std::cos(radians) / sine;
  const float m[16] = {static_cast<float>(cotangent / aspect), 0, 0, 0, 0, static_cast<float>(cotangent), 0, 0, 0, 0,
                       static_cast<float>(-(zFar + zNear) / deltaZ), -1, 0, 0,
                       static_cast<float>(-2.0 * zNear * zFar / deltaZ), 0};
  MultiplyCurrent(m);
}

namespace {

void Normalise(float v[3]) {
  const float r = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
  if (r == 0.0f) return;
  v[0] /= r;
  v[1] /= r;
  v[2] /= r;
}

void Cross(const float a[3], const float b[3], float out[3]) {
  out[0] = a[1] * b[2] - a[2] * b[1];
  out[1] = a[2] * b[0] - a[0] * b[2];
  out[2] = a[0] * b[1] - a[1] * b[0];
}

}  // namespace

void gluLookAt(GLdouble eyeX, GLdouble eyeY, GLdouble eyeZ, GLdouble centerX, GLdouble centerY, GLdouble centerZ,
               GLdouble upX, GLdouble upY, GLdouble upZ) {
  float forward[3] = {static_cast<float>(centerX - eyeX), static_cast<float>(centerY - eyeY),
                      static_cast<float>(centerZ - eyeZ)};
  float up[3] = {static_cast<float>(upX), static_cast<float>(upY), static_cast<float>(upZ)};
  Normalise(forward);
  float side[3];
  Cross(forward, up, side);
  Normalise(side);
  Cross(side, forward, up);
  const float m[16] = {side[0], up[0], -forward[0], 0, side[1], up[1], -forward[1], 0,
                       side[2], up[2], -forward[2], 0, 0,       0,     0,           1};
  MultiplyCurrent(m);
  glTranslatef(static_cast<float>(-eyeX), static_cast<float>(-eyeY), static_cast<float>(-eyeZ));
}

void glBegin(GLenum mode) {
  if (s.inPrimitive) return;
  s.primitive = mode;
  s.inPrimitive = true;
  s.primitiveVertices.clear();
}

void glEnd() {
  if (!s.inPrimitive) return;
  s.inPrimitive = false;
  EmitPrimitive();
}

void glVertex3f(GLfloat x, GLfloat y, GLfloat z) {
  if (!s.inPrimitive) return;
  const float* m = Top(s.modelview).m;
  float v[kWebVertexFloats];
  for (int row = 0; row < 4; ++row) v[row] = m[row] * x + m[4 + row] * y + m[8 + row] * z + m[12 + row];
  if (s.lighting) {
    UpdateNormalMatrix();
    const float* n = s.normal;
    const float* k = s.normalMatrix;
    for (int col = 0; col < 3; ++col) v[4 + col] = n[0] * k[col] + n[1] * k[3 + col] + n[2] * k[6 + col];
  } else {
    v[4] = v[5] = 0.0f;
    v[6] = 1.0f;
  }
  std::memcpy(v + 7, s.colour, 4 * sizeof(float));
  v[11] = s.texCoord[0][0];
  v[12] = s.texCoord[0][1];
  v[13] = s.texCoord[1][0];
  v[14] = s.texCoord[1][1];
  AppendVertex(s.primitiveVertices, v);
}

void glNormal3f(GLfloat x, GLfloat y, GLfloat z) {
  s.normal[0] = x;
  s.normal[1] = y;
  s.normal[2] = z;
}

void glColor4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a) {
  s.colour[0] = r;
  s.colour[1] = g;
  s.colour[2] = b;
  s.colour[3] = a;
}

void glTexCoord1f(GLfloat a) { SetTexCoord(0, a, 0, 0, 1); }
void glTexCoord2f(GLfloat a, GLfloat b) { SetTexCoord(0, a, b, 0, 1); }
void glTexCoord3f(GLfloat a, GLfloat b, GLfloat c) { SetTexCoord(0, a, b, c, 1); }
void glTexCoord4f(GLfloat a, GLfloat b, GLfloat c, GLfloat d) { SetTexCoord(0, a, b, c, d); }
void glMultiTexCoord1fARB(GLenum unit, GLfloat a) { SetTexCoord(UnitIndex(unit), a, 0, 0, 1); }
void glMultiTexCoord2fARB(GLenum unit, GLfloat a, GLfloat b) { SetTexCoord(UnitIndex(unit), a, b, 0, 1); }
void glMultiTexCoord3fARB(GLenum unit, GLfloat a, GLfloat b, GLfloat c) { SetTexCoord(UnitIndex(unit), a, b, c, 1); }
void glMultiTexCoord4fARB(GLenum unit, GLfloat a, GLfloat b, GLfloat c, GLfloat d) {
  SetTexCoord(UnitIndex(unit), a, b, c, d);
}
void glActiveTextureARB(GLenum unit) { s.activeUnit = UnitIndex(unit); }
void glClientActiveTextureARB(GLenum) {}

void glLightf(GLenum light, GLenum pname, GLfloat param) {
  const int i = LightIndex(light);
  if (i < 0) return;
  BeforeStateChange();
  if (pname == GL_CONSTANT_ATTENUATION) s.lights[i].attenuation[0] = param;
  else if (pname == GL_LINEAR_ATTENUATION) s.lights[i].attenuation[1] = param;
  else if (pname == GL_QUADRATIC_ATTENUATION) s.lights[i].attenuation[2] = param;
}

void glLightfv(GLenum light, GLenum pname, const GLfloat* params) {
  const int i = LightIndex(light);
  if (i < 0) return;
  BeforeStateChange();
  Light& l = s.lights[i];
  switch (pname) {
    case GL_AMBIENT: std::memcpy(l.ambient, params, sizeof l.ambient); break;
    case GL_DIFFUSE: std::memcpy(l.diffuse, params, sizeof l.diffuse); break;
    case GL_SPECULAR: std::memcpy(l.specular, params, sizeof l.specular); break;
    case GL_POSITION: {
      // Kept in eye coordinates: the modelview of the moment moves it.
      const float* m = Top(s.modelview).m;
      for (int row = 0; row < 4; ++row)
        l.position[row] = m[row] * params[0] + m[4 + row] * params[1] + m[8 + row] * params[2] + m[12 + row] * params[3];
      break;
    }
    default: glLightf(light, pname, params[0]); break;
  }
}

void glFogf(GLenum pname, GLfloat param) {
  BeforeStateChange();
  if (pname == GL_FOG_START) s.fogStart = param;
  else if (pname == GL_FOG_END) s.fogEnd = param;
}

void glFogi(GLenum pname, GLint param) {
  if (pname == GL_FOG_START || pname == GL_FOG_END) glFogf(pname, static_cast<float>(param));
  // GL_FOG_MODE: linear is the one mode the show uses.
}

void glFogfv(GLenum pname, const GLfloat* params) {
  BeforeStateChange();
  if (pname == GL_FOG_COLOR)
    for (int i = 0; i < 4; ++i) s.fogColour[i] = std::clamp(params[i], 0.0f, 1.0f);
  else glFogf(pname, params[0]);
}

void glGenTextures(GLsizei n, GLuint* names) {
  for (GLsizei i = 0; i < n; ++i) {
    names[i] = nextTextureName++;
    Texture(names[i]);
  }
}

void glDeleteTextures(GLsizei n, const GLuint* names) {
  BeforeStateChange();
  for (GLsizei i = 0; i < n; ++i) {
    const auto it = textures.find(names[i]);
    if (names[i] == 0 || it == textures.end()) continue;
    WebBackendDeleteTexture(it->second.handle);
    textures.erase(it);
    for (GLuint& bound : s.bound)
      if (bound == names[i]) bound = 0;
  }
}

void glBindTexture(GLenum, GLuint name) {
  BeforeStateChange();
  s.bound[s.activeUnit] = name;
}

void glTexParameteri(GLenum, GLenum pname, GLint param) {
  BeforeStateChange();
  TextureObject& t = Texture(s.bound[s.activeUnit]);
  if (pname == GL_TEXTURE_MIN_FILTER) t.minFilter = static_cast<GLenum>(param);
  else if (pname == GL_TEXTURE_MAG_FILTER) t.magFilter = static_cast<GLenum>(param);
  else return;
  ApplyFilters(t);
}

void glTexParameterf(GLenum target, GLenum pname, GLfloat param) {
  glTexParameteri(target, pname, static_cast<GLint>(param));
}

void glTexImage2D(GLenum, GLint level, GLint internalFormat, GLsizei width, GLsizei height, GLint, GLenum format,
                  GLenum type, const void* pixels) {
  if (type != GL_UNSIGNED_BYTE || width <= 0 || height <= 0 || !pixels) return;
  BeforeStateChange();
  const int components = ComponentsOf(internalFormat);
  const std::vector<std::uint8_t> tight = UnpackPixels(width, height, format, components, pixels, s.unpackAlignment);
  StoreLevel(s.bound[s.activeUnit], level, components, width, height, tight.data());
}

GLint gluBuild2DMipmaps(GLenum, GLint internalFormat, GLint width, GLint height, GLenum format, GLenum type,
                        const void* data) {
  if (width < 1 || height < 1) return GLU_INVALID_VALUE;
  if (type != GL_UNSIGNED_BYTE || (format != GL_RGB && format != GL_RGBA)) return GLU_INVALID_ENUM;
  BeforeStateChange();
  // GLU filters the pixels as they come and GL converts each level it is
  // handed to the internal format, so the chain is built in the source's
  // format and converted level by level.
  const int sourceComponents = format == GL_RGBA ? 4 : 3;
  const int components = ComponentsOf(internalFormat);
  const std::vector<std::uint8_t> image = UnpackPixels(width, height, format, sourceComponents, data, s.unpackAlignment);
  const int w = NearestPowerOfTwo(width), h = NearestPowerOfTwo(height);
  const MipmapChain chain = BuildMipmapChain(image.data(), width, height, sourceComponents, w, h, false);
  const GLuint name = s.bound[s.activeUnit];
  for (std::size_t level = 0; level < chain.levels.size(); ++level) {
    const std::vector<std::uint8_t>& pixels = chain.levels[level].empty() ? image : chain.levels[level];
    const int levelWidth = MipmapSide(w, static_cast<int>(level));
    const int levelHeight = MipmapSide(h, static_cast<int>(level));
    std::vector<std::uint8_t> converted;
    if (components != sourceComponents)
      converted = UnpackPixels(levelWidth, levelHeight, format, components, pixels.data(), 1);
    StoreLevel(name, static_cast<int>(level), components, levelWidth, levelHeight,
               converted.empty() ? pixels.data() : converted.data());
  }
  return 0;
}

}  // namespace velkor
