// Where the offline renderer draws: the headless context's own framebuffer,
// or a framebuffer object of `ssaa` times the output size with `msaa` samples
// per pixel, resolved to plain pixels before it is read back.
#pragma once

#include <cstdint>
#include <string>

namespace velkor {

struct DrawTargetSize {
  int width = 640, height = 480;  // the output frame
  int ssaa = 1;                   // drawn at ssaa x width by ssaa x height
  int msaa = 0;                   // samples per drawn pixel; 0: one, not multisampled
};

// Needs the context current. The context's framebuffer is used as it is for
// one sample at the output size, so plain renders stay what they always were.
// False, with *error naming the size and the limit, when this GL cannot hold
// the target: checked against the renderbuffer, viewport and sample limits
// before anything is allocated.
bool OpenDrawTarget(const DrawTargetSize& size, std::string* error);

// After the picture's viewport, and after each frame's scissor for the bars,
// are set: puts them where they cover the same pixels as in the context's own
// framebuffer (see the upper-left origin in draw_target.cpp).
void AlignDrawTargetViewport();
void AlignDrawTargetScissor();

// The drawn size: output size times ssaa.
int DrawWidth();
int DrawHeight();

// Reading frames back: StartReadback after a frame is drawn (resolving its
// samples first when multisampled) queues the read in a pixel buffer and
// returns, so the next frame can be drawn meanwhile; FinishReadback puts the
// oldest queued frame into rows, as RGB rows of DrawWidth() x DrawHeight(),
// waiting for it if need be. At most kReadbacksInFlight may be queued. The
// first row is the picture's top when DrawTargetTopRowFirst(), else its bottom.
constexpr int kReadbacksInFlight = 2;
void StartReadback();
bool FinishReadback(std::uint8_t* rows);
int ReadbacksPending();
bool DrawTargetTopRowFirst();

// Deletes the framebuffer objects; the context stays.
void CloseDrawTarget();

}  // namespace velkor
