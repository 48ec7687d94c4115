// Keeping freed memory in the process for reuse. A scene switch frees and
// allocates tens of megabytes (textures, decoded images), and a frame with
// many draws makes a software GL ask for tens more for its per-draw state.
// Memory handed back to the system comes back as fresh pages, each one a
// fault, a clear and some accounting, and it comes back on exactly those
// frames. So freed memory is kept, and room for the next switch is touched
// ahead, a piece at a time, while a scene plays.
#pragma once

#include <cstddef>

namespace velkor {

// From now on memory that is freed stays with the process for later
// allocations, large blocks included, instead of going back to the system.
// Returns whether the allocator agreed: without a C library that allows this
// (or under a sanitizer's allocator), does nothing and returns false.
bool KeepFreedMemory();

// Touches the next `stepBytes` of a reserve of `totalBytes`, in blocks of the
// size a renderer's own allocations come in. Once all of it has been touched
// it is freed into the kept memory and true is returned, then and on every
// later call until the next renewal; false while some is still to come. Where
// freed memory is not kept, touches nothing and returns true.
bool TouchMemoryReserve(std::size_t stepBytes, std::size_t totalBytes);

// Starts another round of the reserve. The blocks come first from the holes
// that freed memory left, then from the top of the heap: room that earlier
// rounds touched costs no new pages, room that long-lived allocations took
// since is found afresh.
void RenewMemoryReserve();

}  // namespace velkor
