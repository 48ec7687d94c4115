// Keeping freed memory: glibc's thresholds for handing memory back and for
// serving large blocks from their own mappings, and a reserve touched in steps.
#include "platform/memory.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace velkor {

namespace {

// Blocks below glibc's smallest mapping threshold, so that they come from the
// heap the later allocations are served from.
constexpr std::size_t kReserveBlockBytes = 64 * 1024;
// The largest block glibc will take from the heap; larger ones are always mapped.
constexpr int kLargestHeapBlock = 32 * 1024 * 1024;
// Free memory at the top of the heap above this is handed back; nothing the show frees comes near it.
constexpr int kKeptFreeBytes = 1024 * 1024 * 1024;

struct MemoryState {
  bool keeping = false;
  bool reserveDone = false;
  std::vector<void*> reserve;
};
MemoryState memory;

void FreeReserve() {
  for (void* block : memory.reserve) std::free(block);
  memory.reserve.clear();
  memory.reserve.shrink_to_fit();
  memory.reserveDone = true;
}

}  // namespace

bool KeepFreedMemory() {
#if defined(__GLIBC__)
  if (!memory.keeping)
    memory.keeping =
        mallopt(M_MMAP_THRESHOLD, kLargestHeapBlock) == 1 && mallopt(M_TRIM_THRESHOLD, kKeptFreeBytes) == 1;
#endif
  return memory.keeping;
}

bool TouchMemoryReserve(std::size_t stepBytes, std::size_t totalBytes) {
  if (memory.reserveDone) return true;
  if (!memory.keeping) {
    FreeReserve();
    return true;
  }
  const std::size_t blocks = totalBytes / kReserveBlockBytes;
  const std::size_t step = std::max<std::size_t>(1, stepBytes / kReserveBlockBytes);
  memory.reserve.reserve(blocks);
  for (std::size_t i = 0; i < step && memory.reserve.size() < blocks; ++i) {
    void* block = std::malloc(kReserveBlockBytes);
    if (!block) {  // short of memory: the reserve is given up, not the show
      FreeReserve();
      return true;
    }
    // Not zero: malloc and a zero fill would become calloc, which leaves fresh pages untouched.
    std::memset(block, 0xa5, kReserveBlockBytes);
    memory.reserve.push_back(block);
  }
  if (memory.reserve.size() < blocks) return false;
  FreeReserve();
  return true;
}

void RenewMemoryReserve() {
  FreeReserve();
  memory.reserveDone = false;
}

}  // namespace velkor
