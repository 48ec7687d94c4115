// The page is built without threads: nothing runs beside the main loop.
#include "platform/thread.h"

namespace velkor {

bool PlatformHasWorkerThreads() { return false; }
void PlatformNameThisThread(const char*) {}
void PlatformLowerThisThreadPriority(int) {}

}  // namespace velkor
