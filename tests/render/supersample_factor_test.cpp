// The supersampling factor against the memory budget at its boundary.
#include "render/supersample_factor.h"

#include <gtest/gtest.h>

namespace {

struct FactorCase {
  std::int32_t width, height, requested, expected;
};

TEST(ChooseSupersampleTest, LargestFactorWithinTheBudget) {
  // 4096 x 6144 x 64 is the budget exactly; one more row exceeds it.
  const FactorCase cases[] = {
      {200, 120, 2, 2},     {4096, 6144, 2, 2}, {4096, 6145, 2, 1}, {5017, 5017, 2, 1},
      {4096, 6144, 3, 2},   {2730, 4096, 3, 3}, {2731, 4096, 3, 2}, {200, 120, 4, 4},
      {200, 120, 1, 1},     {200, 120, 0, 0},   {200, 120, -3, -3}, {0, 0, 2, 2},
      {30000, 30000, 2, 1},
  };
  for (const FactorCase& c : cases) {
    EXPECT_EQ(ChooseSupersample(c.width, c.height, c.requested), c.expected)
        << c.width << "x" << c.height << " asking " << c.requested;
  }
}

}  // namespace
