#include "render/allocation_seam.h"

#ifdef PRISMORA_TEST_SEAMS
#include <atomic>

namespace {

std::atomic<std::int64_t> g_failure_countdown{0};
std::atomic<std::int64_t> g_allocation_count{0};

}  // namespace

void ArmAllocationFailure(std::int64_t nth) noexcept { g_failure_countdown.store(nth); }
void DisarmAllocationFailure() noexcept { g_failure_countdown.store(0); }
std::int64_t AllocationSeamCount() noexcept { return g_allocation_count.load(); }
void ResetAllocationSeamCount() noexcept { g_allocation_count.store(0); }

bool AllocationSeamFails() noexcept {
  g_allocation_count.fetch_add(1);
  std::int64_t left = g_failure_countdown.load();
  while (left > 0) {
    if (g_failure_countdown.compare_exchange_weak(left, left - 1)) return left == 1;
  }
  return false;
}
#endif
