// Every allocation of a frame failed in turn, on every road, at 8 and at 16
// bits, with Frost off and on: the 1st, then the 2nd, and so on until a run
// reaches the end with none failed. Each run must end as the renderer
// promises (the out-of-memory error only when the two pane planes cannot be
// had, else a completed frame), leave nothing with the host, and leak
// nothing (the sanitizer build checks the heap at exit). The sites each road
// reaches are counted; a road that reaches fewer than before means an
// allocation left the seam, and the sweep would no longer fail it.
#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <set>
#include <string>
#include <vector>

#include "host/pf_errors.h"
#include "render/allocation_seam.h"
#include "support/fresh_host_frame.h"
#include "support/road_scenes.h"

namespace {

struct SweepResult {
  std::set<std::string> reached;         // every site any run went through
  std::set<std::string> failed;          // every site a run failed at
  std::set<std::string> out_of_memory;   // the sites whose failure gave error 4
  int first_sweep_out_of_memory = 0;     // runs of the first sweep that gave it
};

// One run with the nth allocation failed (and the mth, when m > 0); false
// when the run made fewer than max(n, m) allocations, so the last armed
// failure never happened.
bool RunFailing(const hostsim::SceneDesc& scene, const FreshFrame& reference, std::int64_t n, std::int64_t m,
                SweepResult& result, std::set<std::string>* sites_of_run = nullptr) {
  SCOPED_TRACE(testing::Message() << "allocation " << n << (m > 0 ? " and " : "") << (m > 0 ? std::to_string(m) : ""));
  ResetAllocationSeamCount();
  if (m > 0) {
    ArmAllocationFailures(n, m);
  } else {
    ArmAllocationFailure(n);
  }
  const FreshFrame frame = RenderFreshFrame(scene);
  DisarmAllocationFailure();
  const std::int64_t allocations = AllocationSeamCount();
  for (const std::string& site : AllocationSeamSites()) {
    result.reached.insert(site);
    if (sites_of_run != nullptr) sites_of_run->insert(site);
  }
  const std::string failed = AllocationSeamFailedSite();
  for (const std::string& leak : frame.leaks) ADD_FAILURE() << "host leak: " << leak;
  EXPECT_EQ(frame.input_checkins, frame.input_checkouts);
  EXPECT_EQ(frame.pre_render_err, PF_Err_NONE);
  if (allocations < std::max(n, m)) {
    if (m == 0) {
      // The sweep's end: nothing failed, and the frame is the one without
      // any fault.
      EXPECT_TRUE(failed.empty());
      EXPECT_EQ(frame.render_err, PF_Err_NONE);
      EXPECT_EQ(frame.bytes, reference.bytes);
    }
    return false;
  }
  EXPECT_FALSE(failed.empty());
  result.failed.insert(failed);
  if (frame.render_err == PF_Err_OUT_OF_MEMORY) {
    result.out_of_memory.insert(failed);
    if (m == 0) ++result.first_sweep_out_of_memory;
  } else {
    EXPECT_EQ(frame.render_err, PF_Err_NONE) << failed;
  }
  return true;
}

constexpr std::int64_t RUN_LIMIT = 100000;

// Fails allocation 1, 2, ... until a run has none failed; then, for each
// site that only a fall-back reached (after an earlier failure), the runs
// that opened the fall-back again with every later allocation failed in
// turn as the second.
void Sweep(const hostsim::SceneDesc& scene, SweepResult& result) {
  ResetAllocationSeamCount();
  const FreshFrame reference = RenderFreshFrame(scene);
  ASSERT_EQ(reference.pre_render_err, PF_Err_NONE);
  ASSERT_EQ(reference.render_err, PF_Err_NONE);
  ASSERT_GT(AllocationSeamCount(), 0);
  std::vector<std::set<std::string>> sites_of_run(1);
  std::int64_t n = 1;
  for (; n < RUN_LIMIT; ++n) {
    sites_of_run.emplace_back();
    if (!RunFailing(scene, reference, n, 0, result, &sites_of_run.back())) break;
  }
  ASSERT_LT(n, RUN_LIMIT) << "the sweep did not end";
  std::set<std::int64_t> openers;
  for (const std::string& site : result.reached) {
    if (result.failed.count(site) != 0) continue;
    for (std::int64_t k = 1; k < n; ++k) {
      if (sites_of_run[static_cast<std::size_t>(k)].count(site) != 0) {
        openers.insert(k);
        break;
      }
    }
  }
  for (const std::int64_t k : openers) {
    std::int64_t m = k + 1;
    while (m < RUN_LIMIT && RunFailing(scene, reference, k, m, result)) ++m;
    ASSERT_LT(m, RUN_LIMIT) << "the second sweep did not end";
  }
}

// The distinct sites (source lines) each road reached when this test was
// written, over both depths and both Frost settings. A count may grow with
// new allocations (raise the floor then); it must not fall.
int SiteFloor(Road road) {
  switch (road) {
    case Road::ONE_BOX: return 3;
    case Road::SEVERAL_SHAPES: return 5;
    case Road::MASKS: return 12;
    case Road::FREE_PATHS: return 17;
    case Road::TEXT: return 17;
    case Road::ITEM_MATTE: return 18;
    case Road::LAYER_MATTE: return 18;
  }
  return 0;
}

class AllocationSweepTest : public testing::TestWithParam<Road> {};

TEST_P(AllocationSweepTest, EveryAllocationFailedInTurnEndsAsPromised) {
  const Road road = GetParam();
  if (!RoadAvailable(road)) GTEST_SKIP() << "no glyph loader or no DejaVu Sans in this build";
  SweepResult result;
  for (const bool deep : {false, true}) {
    for (const bool frost : {false, true}) {
      SCOPED_TRACE(testing::Message() << (deep ? "16" : "8") << " bits, Frost " << (frost ? "on" : "off"));
      SweepResult one;
      Sweep(RoadScene(road, deep, frost), one);
      if (HasFatalFailure()) return;
      // Only the two pane planes give error 4: two runs, both at the one
      // line of the pipeline that allocates them.
      EXPECT_EQ(one.first_sweep_out_of_memory, 2);
      EXPECT_EQ(one.out_of_memory.size(), 1u);
      for (const std::string& site : one.out_of_memory) {
        EXPECT_NE(site.find("render_refraction.cpp"), std::string::npos) << site;
      }
      result.reached.insert(one.reached.begin(), one.reached.end());
      result.failed.insert(one.failed.begin(), one.failed.end());
      result.out_of_memory.insert(one.out_of_memory.begin(), one.out_of_memory.end());
    }
  }
  // Every site the frames went through was failed by some run.
  for (const std::string& site : result.reached) {
    EXPECT_TRUE(result.failed.count(site) == 1) << "never failed: " << site;
  }
  std::cout << "[ sweep ] " << RoadName(road) << ": " << result.reached.size() << " sites reached, "
            << result.failed.size() << " failed\n";
  EXPECT_GE(static_cast<int>(result.reached.size()), SiteFloor(road));
}

INSTANTIATE_TEST_SUITE_P(EveryRoad, AllocationSweepTest, testing::ValuesIn(AllRoads()),
                         [](const testing::TestParamInfo<Road>& info) {
                           std::string name = RoadName(info.param);
                           for (char& ch : name) ch = ch == ' ' ? '_' : ch;
                           return name;
                         });

}  // namespace
