// Keeping freed memory, counted in page faults: once it is kept, memory
// handed back by free() and the touched reserve serve later allocations
// without fresh pages, large blocks included. Its own program, since the
// policy is process-wide.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/memory.h"

namespace velkor {
namespace {

// A sanitizer's allocator takes no such settings; its builds leave these tests out.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitizerAllocator = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
constexpr bool kSanitizerAllocator = true;
#else
constexpr bool kSanitizerAllocator = false;
#endif
#else
constexpr bool kSanitizerAllocator = false;
#endif

class MemoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (kSanitizerAllocator) GTEST_SKIP() << "a sanitizer's allocator";
    ASSERT_TRUE(KeepFreedMemory());
  }
};

long MinorFaults() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_minflt;
}

long Pages(std::size_t bytes) { return static_cast<long>(bytes / static_cast<std::size_t>(sysconf(_SC_PAGESIZE))); }

// Faults taken while `bytes` are allocated in `blockBytes` blocks and written; freed again after.
long FaultsToFill(std::size_t bytes, std::size_t blockBytes) {
  std::vector<void*> blocks;
  blocks.reserve(bytes / blockBytes);
  const long before = MinorFaults();
  for (std::size_t done = 0; done < bytes; done += blockBytes) {
    blocks.push_back(std::malloc(blockBytes));
    std::memset(blocks.back(), 1, blockBytes);
  }
  const long faults = MinorFaults() - before;
  for (void* block : blocks) std::free(block);
  return faults;
}

TEST_F(MemoryTest, TheReserveIsTouchedInStepsAndThenServesAllocations) {
  constexpr std::size_t kTotal = 16u << 20, kStep = 4u << 20;
  int calls = 1;
  while (!TouchMemoryReserve(kStep, kTotal)) ++calls;
  EXPECT_EQ(calls, 4);
  EXPECT_TRUE(TouchMemoryReserve(kStep, kTotal)) << "done stays done";
  // The renderer's kind of allocation: many blocks of tens of kilobytes.
  const long faults = FaultsToFill(kTotal, 48 * 1024);
  EXPECT_LT(faults, Pages(kTotal) / 10) << "fresh pages for memory the reserve had touched";
}

// A renewed round finds the room the first one touched; what a long-lived
// block took from it meanwhile is found afresh at the top of the heap.
TEST_F(MemoryTest, ARenewedReserveTouchesWhatLongLivedBlocksTookAgain) {
  constexpr std::size_t kTotal = 16u << 20;
  while (!TouchMemoryReserve(kTotal, kTotal)) {
  }
  void* texture = std::malloc(8u << 20);  // kept, as a scene keeps its textures
  std::memset(texture, 1, 8u << 20);
  RenewMemoryReserve();
  EXPECT_FALSE(TouchMemoryReserve(1u << 20, kTotal)) << "a new round has begun";
  while (!TouchMemoryReserve(kTotal, kTotal)) {
  }
  const long faults = FaultsToFill(kTotal, 48 * 1024);
  EXPECT_LT(faults, Pages(kTotal) / 10);
  std::free(texture);
}

TEST_F(MemoryTest, LargeFreedBlocksComeBackWithoutFreshPages) {
  constexpr std::size_t kImage = 6u << 20;  // a texture's worth
  FaultsToFill(kImage, kImage);
  const long again = FaultsToFill(kImage, kImage);
  EXPECT_LT(again, Pages(kImage) / 10) << "a freed large block was handed back to the system";
}

}  // namespace
}  // namespace velkor
