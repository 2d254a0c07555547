#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "render/ordered_dither.h"
#include "render/rim_angle_profile.h"

namespace {

TEST(RimTablesTest, AngleProfileEntries) {
  struct Entry {
    int index;
    float value;
  };
  const Entry entries[] = {{0, 0.9831f},   {1, 0.9778f},   {31, 0.0259f},  {32, 0.0201f},  {33, 0.0f},
                           {61, 0.0f},     {62, 0.0228f},  {63, 0.0291f},  {64, 0.0385f},  {100, 0.6738f},
                           {110, 0.684f},  {111, 0.6834f}, {112, 0.684f},  {159, 0.0312f}, {160, 0.0241f},
                           {161, 0.0f},    {190, 0.0f},    {191, 0.0236f}, {192, 0.0327f}, {223, 0.985f},
                           {224, 0.9878f}, {238, 1.0f},    {254, 0.9885f}, {255, 0.985f}};
  for (const Entry& e : entries) EXPECT_EQ(RIM_ANGLE_PROFILE[static_cast<std::size_t>(e.index)], e.value) << e.index;
}

TEST(RimTablesTest, AngleProfileShape) {
  const auto* peak = std::max_element(RIM_ANGLE_PROFILE.begin(), RIM_ANGLE_PROFILE.end());
  EXPECT_EQ(peak - RIM_ANGLE_PROFILE.begin(), 238);
  for (int i = 0; i < RIM_ANGLE_PROFILE_SIZE; ++i) {
    const float v = RIM_ANGLE_PROFILE[static_cast<std::size_t>(i)];
    const bool zero_band = (i >= 33 && i <= 61) || (i >= 161 && i <= 190);
    if (zero_band) {
      EXPECT_EQ(v, 0.0f) << i;
    } else {
      EXPECT_GT(v, 0.0f) << i;
      EXPECT_LE(v, 1.0f) << i;
    }
  }
  // The second lobe's top lies between the two zero bands.
  const auto* second = std::max_element(RIM_ANGLE_PROFILE.begin() + 62, RIM_ANGLE_PROFILE.begin() + 161);
  EXPECT_EQ(*second, 0.684f);
}

TEST(RimTablesTest, BayerMatrix) {
  EXPECT_EQ(BAYER_4X4[0], 0.0f);
  EXPECT_EQ(BAYER_4X4[1], 0.5f);
  EXPECT_EQ(BAYER_4X4[4], 0.75f);
  EXPECT_EQ(BAYER_4X4[10], 0.0625f);
  EXPECT_EQ(BAYER_4X4[12], 0.9375f);
  EXPECT_EQ(BAYER_4X4[15], 0.3125f);
  // Every sixteenth appears once.
  std::vector<float> sorted(BAYER_4X4.begin(), BAYER_4X4.end());
  std::sort(sorted.begin(), sorted.end());
  for (int k = 0; k < 16; ++k) EXPECT_EQ(sorted[static_cast<std::size_t>(k)], static_cast<float>(k) / 16.0f);
}

}  // namespace
