// Worker threads on the desktop: POSIX threads' names, and on Linux a
// thread's own niceness, which the kernel keeps per thread.
#include "platform/thread.h"

#include <pthread.h>
#ifdef __linux__
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace velkor {

bool PlatformHasWorkerThreads() { return true; }

void PlatformNameThisThread(const char* name) { pthread_setname_np(pthread_self(), name); }

void PlatformLowerThisThreadPriority(int nice) {
#ifdef __linux__
  setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), nice);
#else
  (void)nice;
#endif
}

}  // namespace velkor
