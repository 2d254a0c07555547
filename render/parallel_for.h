// Splits the items [0, count) of a pass (rows, columns or pixels) into one
// contiguous chunk per worker thread and waits for all of them. No pool and
// no state between calls: each call starts its workers and joins them in the
// order they were started before it returns; the calling thread runs no
// chunk itself. Small passes and small machines run inline.
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

constexpr std::int32_t PARALLEL_MIN_ITEMS = 256;
constexpr unsigned PARALLEL_RESERVED_CORES = 2;
constexpr unsigned PARALLEL_MAX_THREADS = 8;

#ifdef PRISMORA_TEST_SEAMS
// Tests pretend to run on machines of other sizes, and make the start of a
// given worker fail; the shipped module asks the machine and never fails on
// purpose.
void SetHardwareConcurrencyOverride(int concurrency) noexcept;  // negative = the machine's
unsigned ParallelHardwareConcurrency() noexcept;
void SetFailingWorkerStart(int worker_index) noexcept;  // -1 = none
bool WorkerStartShouldFail(int worker_index) noexcept;
#else
inline unsigned ParallelHardwareConcurrency() noexcept { return std::thread::hardware_concurrency(); }
constexpr bool WorkerStartShouldFail(int) noexcept { return false; }
#endif

// Worker count for a pass on this machine, read afresh on every call.
inline std::int32_t ParallelThreadCount() noexcept {
  const unsigned hc = ParallelHardwareConcurrency();
  if (hc <= 2) return 1;
  unsigned threads = hc - PARALLEL_RESERVED_CORES;
  if (threads > PARALLEL_MAX_THREADS) threads = PARALLEL_MAX_THREADS;
  return static_cast<std::int32_t>(threads);
}

namespace parallel_for_detail {

template <typename Body>
struct WorkerRecord {
  std::int32_t begin;
  std::int32_t end;
  const Body* body;
  std::atomic<bool>* failed;
};

// What the caller sees when a body failed on a worker: a std::bad_alloc
// whatever the body threw, with the same message on every platform.
class WorkerFailure : public std::bad_alloc {
 public:
  const char* what() const noexcept override { return "bad allocation"; }
};

// Joins whatever was started, also when a later start throws, so no worker
// outlives the call.
struct JoinAll {
  std::vector<std::thread>& workers;
  ~JoinAll() {
    for (std::thread& t : workers) {
      if (t.joinable()) t.join();
    }
  }
};

}  // namespace parallel_for_detail

// body(begin, end) processes the half-open range; one body object runs on
// several workers at once, each writing only its own items. A body that
// throws on a worker is reported as std::bad_alloc once all are joined; on
// the inline path its own exception passes unchanged. A worker that cannot
// be started raises std::system_error after the earlier ones are joined.
template <typename Body>
void ParallelFor(std::int32_t count, const Body& body) {
  const std::int32_t threads = ParallelThreadCount();
  if (count < PARALLEL_MIN_ITEMS || threads < 2) {
    body(0, count);
    return;
  }
  // The ceiling of count / threads, and each chunk's end, in 64 bits: a
  // pixel pass may hold up to 2^31 - 1 items, where count - 1 + threads and
  // begin + chunk no longer fit in 32 bits.
  const std::int64_t chunk = (std::int64_t{count} - 1 + threads) / threads;
  std::atomic<bool> failed{false};
  std::vector<std::thread> workers;
  workers.reserve(static_cast<std::size_t>(threads));
  {
    parallel_for_detail::JoinAll join_all{workers};
    for (std::int32_t i = 0; i < threads; ++i) {
      const std::int64_t begin64 = i * chunk;
      const std::int64_t end64 = begin64 + chunk < count ? begin64 + chunk : count;
      if (begin64 >= end64) break;
      const auto begin = static_cast<std::int32_t>(begin64);
      const auto end = static_cast<std::int32_t>(end64);
      auto record = std::make_unique<parallel_for_detail::WorkerRecord<Body>>(
          parallel_for_detail::WorkerRecord<Body>{begin, end, &body, &failed});
      if (WorkerStartShouldFail(i)) {
        throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
      }
      workers.emplace_back([r = std::move(record)]() noexcept {
        try {
          (*r->body)(r->begin, r->end);
        } catch (...) {
          r->failed->store(true);
        }
      });
    }
  }
  if (failed.load()) throw parallel_for_detail::WorkerFailure();
}
