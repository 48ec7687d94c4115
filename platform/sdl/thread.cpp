// Worker threads on the desktop: POSIX threads' names (winpthreads on
// Windows), and a lower priority for background work: on Linux the thread's
// own niceness, which the kernel keeps per thread; on Windows the thread's
// priority one step below normal.
#include "platform/thread.h"

#include <pthread.h>
#ifdef __linux__
#include <sys/resource.h>
#include <unistd.h>
#elif defined(_WIN32)
#include <windows.h>
#endif

namespace velkor {

bool PlatformHasWorkerThreads() { return true; }

void PlatformNameThisThread(const char* name) { pthread_setname_np(pthread_self(), name); }

void PlatformLowerThisThreadPriority(int nice) {
#ifdef __linux__
  setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), nice);
#elif defined(_WIN32)
  if (nice > 0) SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
#else
  (void)nice;
#endif
}

}  // namespace velkor
