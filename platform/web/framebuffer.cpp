// The page draws straight into its canvas: no framebuffer objects there.
#include "platform/framebuffer.h"

namespace velkor {

bool FetchFramebufferEntryPoints() { return false; }
bool FramebufferObjectsAvailable() { return false; }
bool MakeOffscreenBuffer(int, int, int, bool, OffscreenBuffer* buffer) {
  *buffer = OffscreenBuffer();
  return false;
}
void DeleteOffscreenBuffer(OffscreenBuffer* buffer) { *buffer = OffscreenBuffer(); }
void BindDrawFramebuffer(unsigned) {}
void BindReadFramebuffer(unsigned) {}
void BlitColour(const BlitRect&, const BlitRect&, bool) {}
bool SetUpperLeftOrigin(bool) { return false; }

}  // namespace velkor
