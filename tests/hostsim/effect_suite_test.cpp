// The simulated Effect suite hands out counted references, looks match
// names up by installed key, and the host reports references left behind.
#include <gtest/gtest.h>

#include <string>

#include "host/pf_errors.h"
#include "host/suites/aegp_effect_suite4.h"
#include "shell/suite_handler.h"
#include "support/host_fixture.h"

namespace {

class EffectSuiteTest : public HostTest {
 protected:
  void SetUp() override {
    hostsim::SimLayer& layer = host_.scene().AddComposition(3).AddLayer(1);
    hostsim::SimEffect e;
    e.installed_key = 9;
    e.flags = 0;
    layer.effects.push_back(e);
    host_.scene().installed_effects[9] = std::string(60, 'M');
  }
  AEGP_LayerH layer() { return reinterpret_cast<AEGP_LayerH>(&host_.scene().compositions[0]->layers[0]); }
};

TEST_F(EffectSuiteTest, ReferencesAreCountedAndMatchNamesFitTheBuffer) {
  SuiteHandler suites(host_.basic_suite());
  const AEGP_EffectSuite4* fx = suites.EffectSuiteV4();
  AEGP_EffectRefH ref = nullptr;
  ASSERT_EQ(fx->AEGP_GetLayerEffectByIndex(0, layer(), 0, &ref), A_Err_NONE);
  EXPECT_EQ(host_.effect_refs().Live(), 1);
  AEGP_InstalledEffectKey key = 0;
  AEGP_EffectFlags flags = -1;
  EXPECT_EQ(fx->AEGP_GetInstalledKeyFromLayerEffect(ref, &key), A_Err_NONE);
  EXPECT_EQ(fx->AEGP_GetEffectFlags(ref, &flags), A_Err_NONE);
  EXPECT_EQ(key, 9);
  EXPECT_EQ(flags, 0);
  char name[AEGP_MAX_EFFECT_MATCH_NAME_SIZE + 2];
  name[AEGP_MAX_EFFECT_MATCH_NAME_SIZE + 1] = 'X';
  EXPECT_EQ(fx->AEGP_GetEffectMatchName(key, name), A_Err_NONE);
  EXPECT_EQ(std::string(name), std::string(AEGP_MAX_EFFECT_MATCH_NAME_SIZE, 'M'));
  EXPECT_EQ(name[AEGP_MAX_EFFECT_MATCH_NAME_SIZE + 1], 'X');
  EXPECT_NE(fx->AEGP_GetEffectMatchName(12345, name), A_Err_NONE);
  AEGP_EffectRefH past_end = nullptr;
  EXPECT_NE(fx->AEGP_GetLayerEffectByIndex(0, layer(), 1, &past_end), A_Err_NONE);
  EXPECT_EQ(past_end, nullptr);
  EXPECT_EQ(host_.effect_refs().Created(), 1);
  EXPECT_EQ(fx->AEGP_DisposeEffect(ref), A_Err_NONE);
}

TEST_F(EffectSuiteTest, UndisposedAndDoubleDisposedReferencesAreLeaks) {
  {
    SuiteHandler suites(host_.basic_suite());
    const AEGP_EffectSuite4* fx = suites.EffectSuiteV4();
    AEGP_EffectRefH ref = nullptr;
    ASSERT_EQ(fx->AEGP_GetLayerEffectByIndex(0, layer(), 0, &ref), A_Err_NONE);
    EXPECT_EQ(host_.Leaks().size(), 2u);  // the suite and the reference
    ASSERT_EQ(fx->AEGP_DisposeEffect(ref), A_Err_NONE);
    EXPECT_NE(fx->AEGP_DisposeEffect(ref), A_Err_NONE);
  }
  ASSERT_EQ(host_.Leaks().size(), 1u);
  EXPECT_NE(host_.Leaks()[0].find("effect reference"), std::string::npos);
  SkipLeakCheck();
}

}  // namespace
