#include "shell/params_setup.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "host/pf_errors.h"
#include "hostsim/command_driver.h"
#include "shell/param_index.h"
#include "support/host_fixture.h"
#include "support/linked_module.h"

namespace {

class ParamsSetupTest : public HostTest {
 protected:
  hostsim::CommandDriver driver_{host_, LinkedModule()};
};

struct Slider {
  int index;
  const char* name;
  int id;
  double dflt;
  float valid_min, valid_max;
  short precision;
};

const Slider SLIDERS[] = {
    {3, "Light Intensity", 4, 100.0, 0.0f, 100.0f, 0}, {5, "Refraction", 5, 70.0, -100.0f, 100.0f, 1},
    {6, "Depth", 6, 40.0, 0.0f, 100.0f, 1},            {7, "Dispersion", 7, 50.0, 0.0f, 100.0f, 1},
    {8, "Frost", 8, 0.0, 0.0f, 100.0f, 1},             {9, "Splay", 9, 0.0, 0.0f, 100.0f, 1},
    {11, "Magnify", 22, 0.0, -100.0f, 100.0f, 1},      {12, "Effect Scale", 10, 1.0, 0.1f, 4.0f, 1},
    {13, "Rim Scale", 24, 1.0, 0.1f, 4.0f, 1},
};

void ExpectSliderFields(const PF_ParamDef& def, const Slider& s) {
  EXPECT_EQ(std::string(def.name), s.name);
  EXPECT_EQ(def.flags, 0);
  EXPECT_EQ(def.u.fs_d.value, s.dflt);
  EXPECT_EQ(def.u.fs_d.dephault, static_cast<float>(s.dflt));
  EXPECT_EQ(def.u.fs_d.valid_min, s.valid_min);
  EXPECT_EQ(def.u.fs_d.valid_max, s.valid_max);
  EXPECT_EQ(def.u.fs_d.slider_min, s.valid_min);
  EXPECT_EQ(def.u.fs_d.slider_max, s.valid_max);
  EXPECT_EQ(def.u.fs_d.precision, s.precision);
  EXPECT_EQ(def.u.fs_d.display_flags, 0);
  EXPECT_EQ(def.u.fs_d.curve_tolerance, 0.0f);
  EXPECT_EQ(def.u.fs_d.phase, 0.0);
  EXPECT_EQ(def.u.fs_d.fs_flags, 0);
  EXPECT_EQ(def.u.fs_d.value_desc[0], '\0');
}

TEST_F(ParamsSetupTest, DeclaresFourteenParametersInIndexOrder) {
  driver_.out_data().num_params = 0;
  ASSERT_EQ(driver_.ParamsSetup(), PF_Err_NONE);
  EXPECT_EQ(driver_.out_data().num_params, 15);
  const auto& defs = host_.added_params();
  ASSERT_EQ(defs.size(), 14u);
  for (PF_ParamIndex index : host_.added_param_indices()) EXPECT_EQ(index, -1);

  const struct {
    PF_ParamType type;
    int id;
  } expected[14] = {{13, 1}, {3, 3},  {10, 4},  {14, 2},  {10, 5},  {10, 6},  {10, 7},
                    {10, 8}, {10, 9}, {13, 13}, {10, 22}, {10, 10}, {10, 24}, {14, 14}};
  for (int i = 0; i < 14; ++i) {
    SCOPED_TRACE(i + 1);
    EXPECT_EQ(defs[static_cast<std::size_t>(i)].param_type, expected[i].type);
    EXPECT_EQ(defs[static_cast<std::size_t>(i)].uu.id, expected[i].id);
  }
  for (const Slider& s : SLIDERS) {
    SCOPED_TRACE(s.name);
    ExpectSliderFields(defs[static_cast<std::size_t>(s.index - 1)], s);
  }
  // 0.1 is the 32-bit float nearest to 0.1, not the double.
  EXPECT_EQ(defs[PARAM_EFFECT_SCALE - 1].u.fs_d.valid_min, 0.1f);

  const PF_ParamDef& light = defs[PARAM_LIGHT_GROUP_START - 1];
  EXPECT_STREQ(light.name, "Light");
  EXPECT_EQ(light.flags, 0);  // opens expanded
  const PF_ParamDef& adjustments = defs[PARAM_ADJUSTMENTS_GROUP_START - 1];
  EXPECT_STREQ(adjustments.name, "Adjustments");
  EXPECT_EQ(adjustments.flags, PF_ParamFlag_START_COLLAPSED);

  const PF_ParamDef& angle = defs[PARAM_LIGHT_ANGLE - 1];
  EXPECT_STREQ(angle.name, "Light Angle");
  EXPECT_EQ(angle.flags, PF_ParamFlag_START_COLLAPSED);
  EXPECT_EQ(static_cast<std::uint32_t>(angle.u.ad.value), 0xFFD30000u);
  EXPECT_EQ(static_cast<std::uint32_t>(angle.u.ad.dephault), 0xFFD30000u);
  EXPECT_EQ(angle.u.ad.valid_min, 0);
  EXPECT_EQ(angle.u.ad.valid_max, 0);
}

// A group end is the definition before it with only type and id changed.
TEST_F(ParamsSetupTest, GroupEndsKeepThePreviousDefinition) {
  ASSERT_EQ(driver_.ParamsSetup(), PF_Err_NONE);
  const auto& defs = host_.added_params();
  ASSERT_EQ(defs.size(), 14u);
  for (const auto& [end, before] : {std::pair{PARAM_LIGHT_GROUP_END, PARAM_LIGHT_INTENSITY},
                                   std::pair{PARAM_ADJUSTMENTS_GROUP_END, PARAM_RIM_SCALE}}) {
    SCOPED_TRACE(end);
    PF_ParamDef expected = defs[static_cast<std::size_t>(before - 1)];
    expected.param_type = PF_Param_GROUP_END;
    expected.uu.id = end == PARAM_LIGHT_GROUP_END ? DISK_ID_LIGHT_GROUP_END : DISK_ID_ADJUSTMENTS_GROUP_END;
    EXPECT_EQ(std::memcmp(&defs[static_cast<std::size_t>(end - 1)], &expected, sizeof expected), 0);
  }
  EXPECT_STREQ(defs[PARAM_LIGHT_GROUP_END - 1].name, "Light Intensity");
  EXPECT_EQ(defs[PARAM_LIGHT_GROUP_END - 1].u.fs_d.value, 100.0);
  EXPECT_STREQ(defs[PARAM_ADJUSTMENTS_GROUP_END - 1].name, "Rim Scale");
  EXPECT_EQ(defs[PARAM_ADJUSTMENTS_GROUP_END - 1].u.fs_d.valid_max, 4.0f);
}

TEST_F(ParamsSetupTest, FailingAddStopsAtOnceAndLeavesTheCountAlone) {
  host_.FailAddParamAt(6, 77);  // "Depth"
  driver_.out_data().num_params = 3;
  EXPECT_EQ(driver_.ParamsSetup(), 77);
  EXPECT_EQ(host_.added_params().size(), 5u);
  EXPECT_STREQ(host_.added_params().back().name, "Refraction");
  EXPECT_EQ(driver_.out_data().num_params, 3);
}

TEST_F(ParamsSetupTest, MissingAddParamCallbackIsAnError) {
  driver_.in_data().inter.add_param = nullptr;
  EXPECT_EQ(driver_.ParamsSetup(), PF_Err_BAD_CALLBACK_PARAM);
}

}  // namespace
