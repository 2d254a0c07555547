#include "resources/pipl_resource.h"

#include <gtest/gtest.h>

#include "support/pipl_expectation.h"

namespace {

TEST(PiPLResourceTest, MatchesThePropertyTable) {
  const auto bytes = BuildPiPLResource();
  ExpectPiPLMatchesTable(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
}

}  // namespace
