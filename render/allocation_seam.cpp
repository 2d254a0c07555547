#include "render/allocation_seam.h"

#ifdef PRISMORA_TEST_SEAMS
#include <atomic>
#include <mutex>
#include <set>

namespace {

std::atomic<std::int64_t> g_failure_countdown{0};
std::atomic<std::int64_t> g_second_failure_countdown{0};
std::atomic<std::int64_t> g_allocation_count{0};
// Allocations run on workers too; the record of sites is the test's, so a
// lock is no cost to the module.
std::mutex g_sites_lock;
std::set<std::string> g_sites;
std::string g_failed_site;

std::string SiteName(const char* file, int line) { return std::string(file) + ":" + std::to_string(line); }

}  // namespace

void ArmAllocationFailure(std::int64_t nth) noexcept {
  g_second_failure_countdown.store(0);
  g_failure_countdown.store(nth);
}
void ArmAllocationFailures(std::int64_t nth, std::int64_t mth) noexcept {
  g_second_failure_countdown.store(mth);
  g_failure_countdown.store(nth);
}
void DisarmAllocationFailure() noexcept {
  g_failure_countdown.store(0);
  g_second_failure_countdown.store(0);
}
std::int64_t AllocationSeamCount() noexcept { return g_allocation_count.load(); }

void ResetAllocationSeamCount() noexcept {
  g_allocation_count.store(0);
  std::lock_guard<std::mutex> lock(g_sites_lock);
  g_sites.clear();
  g_failed_site.clear();
}

std::vector<std::string> AllocationSeamSites() {
  std::lock_guard<std::mutex> lock(g_sites_lock);
  return {g_sites.begin(), g_sites.end()};
}

std::string AllocationSeamFailedSite() {
  std::lock_guard<std::mutex> lock(g_sites_lock);
  return g_failed_site;
}

namespace {

// Counts one allocation off a countdown; true when it reaches 0 here.
bool CountDown(std::atomic<std::int64_t>& countdown) noexcept {
  std::int64_t left = countdown.load();
  while (left > 0) {
    if (countdown.compare_exchange_weak(left, left - 1)) return left == 1;
  }
  return false;
}

}  // namespace

bool AllocationSeamFails(const char* file, int line) noexcept {
  g_allocation_count.fetch_add(1);
  const bool first = CountDown(g_failure_countdown);
  const bool second = CountDown(g_second_failure_countdown);
  const bool fails = first || second;
  try {
    std::lock_guard<std::mutex> lock(g_sites_lock);
    std::string name = SiteName(file, line);
    if (fails) g_failed_site = name;
    g_sites.insert(std::move(name));
  } catch (...) {
    // The record is only for tests; an allocation failure here loses a site.
  }
  return fails;
}
#endif
