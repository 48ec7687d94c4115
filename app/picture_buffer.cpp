// The offscreen picture: its choice, the framebuffer object or back-buffer
// corner it is drawn in, and its scaled copy to the screen at each swap.
#include "app/picture_buffer.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "app/shell.h"
#include "platform/framebuffer.h"
#include "platform/gl.h"

namespace velkor {

namespace {

enum class Where { Window, Framebuffer, Corner };

struct PictureBufferState {
  Where where = Where::Window;
  bool linear = true;
  int width = 0, height = 0;
  OffscreenBuffer drawn;     // where the show draws; multisampled with msaa
  OffscreenBuffer resolved;  // msaa only: its samples resolved, to be scaled
  bool upperLeft = false;    // drawn turned over: see SetUpperLeftOrigin
  GLuint cornerTexture = 0;  // the corner's copy, a power of two on each side
  int textureWidth = 0, textureHeight = 0;
  std::string description;
};
PictureBufferState picture;

int PowerOfTwoAtLeast(int n) {
  int p = 1;
  while (p < n) p *= 2;
  return p;
}

std::string SizeText(int width, int height) { return std::to_string(width) + "x" + std::to_string(height); }

bool MakeFramebuffers(int samples) {
  if (samples > 0) {
    GLint most = 0;
    glGetIntegerv(GL_MAX_SAMPLES, &most);
    if (samples > most) samples = most;
  }
  bool ok = MakeOffscreenBuffer(picture.width, picture.height, samples, true, &picture.drawn);
  if (ok && samples > 0) ok = MakeOffscreenBuffer(picture.width, picture.height, 0, false, &picture.resolved);
  if (ok) return true;
  DeleteOffscreenBuffer(&picture.drawn);
  DeleteOffscreenBuffer(&picture.resolved);
  return false;
}

bool MakeCornerTexture() {
  GLint most = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &most);
  picture.textureWidth = PowerOfTwoAtLeast(picture.width);
  picture.textureHeight = PowerOfTwoAtLeast(picture.height);
  if (picture.textureWidth > most || picture.textureHeight > most) return false;
  GLint bound = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  glGenTextures(1, &picture.cornerTexture);
  glBindTexture(GL_TEXTURE_2D, picture.cornerTexture);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB8, picture.textureWidth, picture.textureHeight, 0, GL_RGB, GL_UNSIGNED_BYTE,
               nullptr);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
  const GLint filter = picture.linear ? GL_LINEAR : GL_NEAREST;
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
  glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(bound));
  return glGetError() == GL_NO_ERROR;
}

// The corner's lowest row in the drawable (see LayoutPicture).
int CornerY() {
  int width = 0, height = 0;
  DrawableOfPicture(&width, &height);
  return height - picture.height;
}

void Relayout() {
  int width = 0, height = 0;
  DrawableOfPicture(&width, &height);
  LayoutPicture(width, height);
}

// The whole drawable, though the picture then covers most of it: a clear of
// everything is the cheapest there is (Mesa's software renderer marks its
// tiles cleared, 1.0 ms at 1920 x 1080 here, where clearing the two bars
// through the scissor took 1.4 ms), and no driver does it slower.
void BlackenBars() {
  GLfloat clearColour[4];
  glGetFloatv(GL_COLOR_CLEAR_VALUE, clearColour);
  const GLboolean scissor = glIsEnabled(GL_SCISSOR_TEST);
  glClearColor(0, 0, 0, 1);
  glDisable(GL_SCISSOR_TEST);
  glClear(GL_COLOR_BUFFER_BIT);
  if (scissor) glEnable(GL_SCISSOR_TEST);
  glClearColor(clearColour[0], clearColour[1], clearColour[2], clearColour[3]);
}

void ShowFromFramebuffer() {
  unsigned source = picture.drawn.framebuffer;
  const BlitRect whole{0, 0, picture.width, picture.height};
  if (picture.resolved.framebuffer) {
    BindReadFramebuffer(picture.drawn.framebuffer);
    BindDrawFramebuffer(picture.resolved.framebuffer);
    BlitColour(whole, whole, false);
    source = picture.resolved.framebuffer;
  }
  BindReadFramebuffer(source);
  BindDrawFramebuffer(0);
  BlackenBars();
  const PictureRect seen = SeenPicture();
  // Drawn turned over, its first row is the picture's top.
  const BlitRect to = picture.upperLeft
                          ? BlitRect{seen.x, seen.y + seen.height, seen.x + seen.width, seen.y}
                          : BlitRect{seen.x, seen.y, seen.x + seen.width, seen.y + seen.height};
  BlitColour(whole, to, picture.linear);
  BindReadFramebuffer(0);
}

// Everything the show may have left set is saved and put back around the
// one textured quad, so the next frame starts from the state this one left.
void DrawCornerTextureOver(const PictureRect& seen) {
  glPushAttrib(GL_ALL_ATTRIB_BITS);
  glMatrixMode(GL_TEXTURE);
  glPushMatrix();
  glLoadIdentity();
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  glActiveTextureARB(GL_TEXTURE1_ARB);
  glDisable(GL_TEXTURE_2D);
  glActiveTextureARB(GL_TEXTURE0_ARB);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_CULL_FACE);
  glDisable(GL_BLEND);
  glDisable(GL_LIGHTING);
  glDisable(GL_FOG);
  glDisable(GL_ALPHA_TEST);
  glDisable(GL_TEXTURE_GEN_S);
  glDisable(GL_TEXTURE_GEN_T);
  glDisable(GL_SCISSOR_TEST);
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, picture.cornerTexture);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
  glViewport(seen.x, seen.y, seen.width, seen.height);
  const float s = static_cast<float>(picture.width) / picture.textureWidth;
  const float t = static_cast<float>(picture.height) / picture.textureHeight;
  glColor4f(1, 1, 1, 1);
  glBegin(GL_QUADS);
  glTexCoord2f(0, 0), glVertex2f(-1, -1);
  glTexCoord2f(s, 0), glVertex2f(1, -1);
  glTexCoord2f(s, t), glVertex2f(1, 1);
  glTexCoord2f(0, t), glVertex2f(-1, 1);
  glEnd();
  glMatrixMode(GL_TEXTURE);
  glPopMatrix();
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
  glPopAttrib();
}

void ShowFromCorner() {
  // A drawable smaller than the picture cannot hold it: drawn native then.
  if (!PictureDrawnApart()) return;
  GLint bound = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  glBindTexture(GL_TEXTURE_2D, picture.cornerTexture);
  glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, CornerY(), picture.width, picture.height);
  glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(bound));
  BlackenBars();
  DrawCornerTextureOver(SeenPicture());
}

void DescribeChoice(const ResolutionChoice& choice, const char* how) {
  int width = 0, height = 0;
  DrawableOfPicture(&width, &height);
  const PictureRect seen = SeenPicture();
  if (picture.where == Where::Window) {
    picture.description = "drawn at the drawable's pixels, " + SizeText(seen.width, seen.height) + " of " +
                          SizeText(width, height) + " (native: " + choice.why + ")";
    return;
  }
  picture.description = "drawn at " + SizeText(picture.width, picture.height) + " " + how + ", shown at " +
                        SizeText(seen.width, seen.height) + " of " + SizeText(width, height) +
                        (picture.linear ? " (linear" : " (nearest") + "; " + choice.why + ")";
}

}  // namespace

void StartPictureBuffer(const PictureBufferSettings& settings) {
  StopPictureBuffer();
  const char* renderer = settings.renderer.empty() ? reinterpret_cast<const char*>(glGetString(GL_RENDERER))
                                                   : settings.renderer.c_str();
  const ResolutionChoice choice = ChooseResolution(settings.request, renderer);
  picture.linear = settings.linear;
  picture.width = choice.width;
  picture.height = choice.height;
  const char* how = "";
  std::string refused;
  GLint windowSamples = 0;
  glGetIntegerv(GL_SAMPLE_BUFFERS, &windowSamples);
  if (choice.offscreen && windowSamples > 0) {
    refused = "the window is multisampled";
  } else if (choice.offscreen) {
    if (settings.framebufferObjects && FetchFramebufferEntryPoints()) {
      if (MakeFramebuffers(settings.msaa)) picture.where = Where::Framebuffer, how = "in a framebuffer object";
      else refused = "no framebuffer object of " + SizeText(picture.width, picture.height);
    } else if (MakeCornerTexture()) {
      picture.where = Where::Corner, how = "in the back buffer's corner";
    } else {
      refused = "no texture of " + SizeText(picture.width, picture.height);
    }
  }
  if (picture.where == Where::Framebuffer) {
    BindDrawFramebuffer(picture.drawn.framebuffer);
    picture.upperLeft = SetUpperLeftOrigin(true);
  }
  if (picture.where != Where::Window)
    SetDrawnPictureSize(picture.width, picture.height, picture.where == Where::Corner);
  Relayout();
  ResolutionChoice said = choice;
  if (!refused.empty()) said.why = refused + ", so native instead";
  DescribeChoice(said, how);
}

bool WindowWantsSamples(const PictureBufferSettings& settings) {
  return settings.msaa > 0 && !ChooseResolution(settings.request, settings.renderer.c_str()).offscreen;
}

std::string PictureBufferDescription() { return picture.description; }
bool PictureBufferInUse() { return picture.where != Where::Window; }

void ShowPicture() {
  if (picture.where == Where::Framebuffer) ShowFromFramebuffer();
  else if (picture.where == Where::Corner) ShowFromCorner();
}

void ReturnToPicture() {
  if (picture.where == Where::Framebuffer) BindDrawFramebuffer(picture.drawn.framebuffer);
}

std::string ReadDrawnPicture() {
  if (!PictureDrawnApart()) return "";
  const int rowBytes = picture.width * 3;
  std::vector<std::uint8_t> rows(static_cast<size_t>(rowBytes) * picture.height);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  if (picture.where == Where::Framebuffer) {
    const OffscreenBuffer& source = picture.resolved.framebuffer ? picture.resolved : picture.drawn;
    if (picture.resolved.framebuffer) {
      BindReadFramebuffer(picture.drawn.framebuffer);
      BindDrawFramebuffer(picture.resolved.framebuffer);
      const BlitRect whole{0, 0, picture.width, picture.height};
      BlitColour(whole, whole, false);
      BindDrawFramebuffer(picture.drawn.framebuffer);
    }
    BindReadFramebuffer(source.framebuffer);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
  }
  const int lowestRow = picture.where == Where::Corner ? CornerY() : 0;
  glReadPixels(0, lowestRow, picture.width, picture.height, GL_RGB, GL_UNSIGNED_BYTE, rows.data());
  if (picture.where == Where::Framebuffer) BindReadFramebuffer(0);
  std::string topFirst(rows.size(), '\0');
  for (int y = 0; y < picture.height; ++y) {
    const int from = picture.upperLeft ? y : picture.height - 1 - y;
    std::copy(rows.begin() + static_cast<long>(from) * rowBytes, rows.begin() + static_cast<long>(from + 1) * rowBytes,
              topFirst.begin() + static_cast<long>(y) * rowBytes);
  }
  return topFirst;
}

void StopPictureBuffer() {
  if (picture.where == Where::Framebuffer) {
    SetUpperLeftOrigin(false);
    BindDrawFramebuffer(0);
    BindReadFramebuffer(0);
    DeleteOffscreenBuffer(&picture.drawn);
    DeleteOffscreenBuffer(&picture.resolved);
  }
  if (picture.cornerTexture) glDeleteTextures(1, &picture.cornerTexture);
  const bool relayout = picture.where != Where::Window;
  picture = PictureBufferState();
  SetDrawnPictureSize(0, 0, false);
  if (relayout) Relayout();
}

}  // namespace velkor
