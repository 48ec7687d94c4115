// Threads beside the main one, as far as the target differs: whether it has
// them at all, and how a worker is named and made to give way to the drawing.
#pragma once

namespace velkor {

// Whether the target runs threads beside the main one (the page does not).
bool PlatformHasWorkerThreads();

// Names the calling thread for profilers and process lists, which otherwise
// show it as the program. name: at most 15 characters.
void PlatformNameThisThread(const char* name);

// Lets the calling thread give way to the others on a busy machine: niceness
// `nice` (1 to 19, higher gives way more) where the system counts niceness per
// thread, a lower priority where it has priority classes instead.
void PlatformLowerThisThreadPriority(int nice);

}  // namespace velkor
