// Test-only knobs of the parallel-for; absent from the shipped module.
#include "render/parallel_for.h"

#ifdef PRISMORA_TEST_SEAMS
namespace {

std::atomic<int> g_concurrency_override{-1};
std::atomic<int> g_failing_worker{-1};

}  // namespace

void SetHardwareConcurrencyOverride(int concurrency) noexcept { g_concurrency_override.store(concurrency); }

unsigned ParallelHardwareConcurrency() noexcept {
  const int forced = g_concurrency_override.load();
  return forced >= 0 ? static_cast<unsigned>(forced) : std::thread::hardware_concurrency();
}

void SetFailingWorkerStart(int worker_index) noexcept { g_failing_worker.store(worker_index); }
bool WorkerStartShouldFail(int worker_index) noexcept { return g_failing_worker.load() == worker_index; }
#endif
