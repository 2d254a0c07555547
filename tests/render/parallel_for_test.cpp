// ParallelFor: the thread count for machines of several sizes, the inline
// threshold, the chunk split, and what reaches the caller when a body or a
// worker start fails. Machine sizes are faked through the test seam.
#include "render/parallel_for.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <limits>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace {

struct Call {
  std::int32_t begin;
  std::int32_t end;
  std::thread::id thread;
};

// Records every invocation; the lock is the test's, not the code's.
struct Recorder {
  mutable std::mutex mutex;
  mutable std::vector<Call> calls;

  void operator()(std::int32_t begin, std::int32_t end) const {
    std::lock_guard<std::mutex> lock(mutex);
    calls.push_back({begin, end, std::this_thread::get_id()});
  }
  std::vector<Call> Sorted() const {
    std::vector<Call> sorted = calls;
    std::sort(sorted.begin(), sorted.end(), [](const Call& a, const Call& b) { return a.begin < b.begin; });
    return sorted;
  }
};

class ParallelForTest : public ::testing::Test {
 protected:
  void TearDown() override {
    SetHardwareConcurrencyOverride(-1);
    SetFailingWorkerStart(-1);
  }
};

TEST_F(ParallelForTest, ThreadCountFollowsTheMachineSize) {
  const std::pair<int, std::int32_t> cases[] = {{0, 1}, {1, 1}, {2, 1}, {3, 1}, {4, 2},
                                                {5, 3}, {10, 8}, {11, 8}, {16, 8}, {64, 8}};
  for (const auto& [cores, threads] : cases) {
    SetHardwareConcurrencyOverride(cores);
    EXPECT_EQ(ParallelThreadCount(), threads) << cores << " cores";
  }
}

TEST_F(ParallelForTest, SmallPassesAndSmallMachinesRunInline) {
  struct Case {
    int cores;
    std::int32_t count;
  };
  for (const Case c : {Case{64, 255}, Case{10, 1}, Case{3, 5000}, Case{0, 5000}, Case{2, 256}}) {
    SetHardwareConcurrencyOverride(c.cores);
    Recorder recorder;
    ParallelFor(c.count, recorder);
    ASSERT_EQ(recorder.calls.size(), 1u) << c.cores << " cores, " << c.count << " items";
    EXPECT_EQ(recorder.calls[0].begin, 0);
    EXPECT_EQ(recorder.calls[0].end, c.count);
    EXPECT_EQ(recorder.calls[0].thread, std::this_thread::get_id());
  }
}

TEST_F(ParallelForTest, EmptyOrNegativeCountGivesOneEmptyCall) {
  SetHardwareConcurrencyOverride(16);
  for (const std::int32_t count : {0, -1, -300}) {
    Recorder recorder;
    ParallelFor(count, recorder);
    ASSERT_EQ(recorder.calls.size(), 1u) << count;
    EXPECT_EQ(recorder.calls[0].begin, 0);
    EXPECT_EQ(recorder.calls[0].end, count);
    EXPECT_EQ(recorder.calls[0].thread, std::this_thread::get_id());
  }
}

// Chunks are contiguous, in order, cover [0, count) once, one per worker,
// and none runs on the calling thread.
void ExpectSplit(int cores, std::int32_t count, const std::vector<std::pair<std::int32_t, std::int32_t>>& expected) {
  SetHardwareConcurrencyOverride(cores);
  Recorder recorder;
  ParallelFor(count, recorder);
  const std::vector<Call> calls = recorder.Sorted();
  ASSERT_EQ(calls.size(), expected.size()) << count << " items on " << cores << " cores";
  for (std::size_t i = 0; i < calls.size(); ++i) {
    EXPECT_EQ(calls[i].begin, expected[i].first) << "chunk " << i;
    EXPECT_EQ(calls[i].end, expected[i].second) << "chunk " << i;
    EXPECT_NE(calls[i].thread, std::this_thread::get_id()) << "chunk " << i;
    for (std::size_t j = 0; j < i; ++j) EXPECT_NE(calls[i].thread, calls[j].thread) << i << " and " << j;
  }
}

TEST_F(ParallelForTest, ChunkSplits) {
  ExpectSplit(4, 1081, {{0, 541}, {541, 1081}});
  std::vector<std::pair<std::int32_t, std::int32_t>> eighths;
  for (std::int32_t i = 0; i < 8; ++i) eighths.push_back({i * 135, (i + 1) * 135});
  ExpectSplit(10, 1080, eighths);
  std::vector<std::pair<std::int32_t, std::int32_t>> smallest;
  for (std::int32_t i = 0; i < 8; ++i) smallest.push_back({i * 32, (i + 1) * 32});
  ExpectSplit(64, 256, smallest);
  // 3 threads: chunk 86, the last takes the remainder.
  ExpectSplit(5, 256, {{0, 86}, {86, 172}, {172, 256}});
}

// A pixel pass of a plane just under 2^31 elements: the chunk arithmetic
// must not overflow 32 bits.
TEST_F(ParallelForTest, CountNearTheLimitSplitsWithoutOverflow) {
  constexpr std::int32_t count = std::numeric_limits<std::int32_t>::max();
  constexpr std::int32_t chunk = 268435456;  // ceil((2^31 - 1) / 8)
  std::vector<std::pair<std::int32_t, std::int32_t>> expected;
  for (std::int32_t i = 0; i < 7; ++i) expected.push_back({i * chunk, (i + 1) * chunk});
  expected.push_back({7 * chunk, count});
  ExpectSplit(10, count, expected);
}

// Throws an int when its range holds item 100; every call that does not
// throw waits a little before it counts itself finished, so a caller that
// did not join would see it unfinished.
struct ThrowsAtItem100 {
  std::atomic<int>& started;
  std::atomic<int>& finished;
  void operator()(std::int32_t begin, std::int32_t end) const {
    started.fetch_add(1);
    if (begin <= 100 && 100 < end) throw 7;
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    finished.fetch_add(1);
  }
};

TEST_F(ParallelForTest, BodyFailureOnAWorkerBecomesBadAllocAfterAllJoin) {
  SetHardwareConcurrencyOverride(10);
  std::atomic<int> started{0};
  std::atomic<int> finished{0};
  const ThrowsAtItem100 body{started, finished};
  bool caught = false;
  try {
    ParallelFor(1080, body);
  } catch (const std::bad_alloc& e) {
    caught = true;
    EXPECT_STREQ(e.what(), "bad allocation");
    EXPECT_EQ(started.load(), 8);
    EXPECT_EQ(finished.load(), 7);
  } catch (...) {
    ADD_FAILURE() << "expected std::bad_alloc";
  }
  EXPECT_TRUE(caught);
}

TEST_F(ParallelForTest, BodyFailureInlinePassesThroughUnchanged) {
  SetHardwareConcurrencyOverride(10);
  std::atomic<int> started{0};
  std::atomic<int> finished{0};
  const ThrowsAtItem100 body{started, finished};
  int thrown = 0;
  try {
    ParallelFor(255, body);
  } catch (int value) {
    thrown = value;
  }
  EXPECT_EQ(thrown, 7);
  EXPECT_EQ(started.load(), 1);
}

// Worker 3 of 8 cannot start: the three already running are joined before
// the error reaches the caller, and no later worker is started.
TEST_F(ParallelForTest, WorkerThatCannotStartRaisesSystemErrorAfterJoiningTheOthers) {
  SetHardwareConcurrencyOverride(10);
  SetFailingWorkerStart(3);
  std::atomic<int> started{0};
  std::atomic<int> finished{0};
  std::mutex mutex;
  std::vector<std::int32_t> begins;
  auto body = [&](std::int32_t begin, std::int32_t) {
    started.fetch_add(1);
    {
      std::lock_guard<std::mutex> lock(mutex);
      begins.push_back(begin);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    finished.fetch_add(1);
  };
  bool caught = false;
  try {
    ParallelFor(1080, body);
  } catch (const std::system_error& e) {
    caught = true;
    EXPECT_EQ(e.code(), std::errc::resource_unavailable_try_again);
    EXPECT_EQ(finished.load(), 3);
  }
  EXPECT_TRUE(caught);
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(started.load(), 3);
  std::sort(begins.begin(), begins.end());
  EXPECT_EQ(begins, (std::vector<std::int32_t>{0, 135, 270}));
}

TEST_F(ParallelForTest, FirstWorkerThatCannotStartLeavesNothingRunning) {
  SetHardwareConcurrencyOverride(4);
  SetFailingWorkerStart(0);
  std::atomic<int> started{0};
  auto body = [&](std::int32_t, std::int32_t) { started.fetch_add(1); };
  EXPECT_THROW(ParallelFor(300, body), std::system_error);
  EXPECT_EQ(started.load(), 0);
  // The seam names one worker; with it cleared the same pass runs.
  SetFailingWorkerStart(-1);
  ParallelFor(300, body);
  EXPECT_EQ(started.load(), 2);
}

}  // namespace
