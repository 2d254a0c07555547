#include "shell/global_setup.h"

#include <gtest/gtest.h>

#include "host/pf_errors.h"
#include "hostsim/command_driver.h"
#include "shell/idle_hook.h"
#include "shell/plugin_globals.h"
#include "support/host_fixture.h"
#include "support/linked_module.h"

namespace {

class GlobalSetupTest : public HostTest {
 protected:
  void SetUp() override {
    ResetGlobalSetupStateForTest();
    ResetIdleHookStateForTest();
  }
  void TearDown() override {
    // The stored basic suite belongs to this test's host.
    ResetGlobalSetupStateForTest();
    HostTest::TearDown();
  }
  hostsim::CommandDriver driver_{host_, LinkedModule()};
};

TEST_F(GlobalSetupTest, DeclaresVersionAndFlagsAndRegisters) {
  driver_.out_data().out_flags = 0x7FFFFFFF;  // assigned, not or-ed
  driver_.out_data().out_flags2 = 0x1;
  ASSERT_EQ(driver_.GlobalSetup(), PF_Err_NONE);
  EXPECT_EQ(driver_.out_data().my_version, 0x0008065Eu);
  EXPECT_EQ(driver_.out_data().out_flags, 0x06000444);
  EXPECT_EQ(driver_.out_data().out_flags2, 0x08200488);

  ASSERT_EQ(host_.plugin_registrations().size(), 1u);
  EXPECT_EQ(host_.plugin_registrations()[0].name, "Prismora");
  EXPECT_EQ(host_.plugin_registrations()[0].global_refcon, nullptr);
  EXPECT_EQ(g_plugin_id, hostsim::Host::FIRST_PLUGIN_ID);
  EXPECT_EQ(g_basic_suite, host_.basic_suite());

  ASSERT_EQ(host_.idle_hooks().size(), 1u);
  EXPECT_EQ(host_.idle_hooks()[0].plugin_id, g_plugin_id);
  EXPECT_EQ(host_.idle_hooks()[0].hook, &IdleHook);
  EXPECT_EQ(host_.idle_hooks()[0].refcon, nullptr);
  EXPECT_EQ(g_idle_hook_registered, 1);
}

TEST_F(GlobalSetupTest, RepeatedSetupRegistersAgainButHooksIdleOnce) {
  ASSERT_EQ(driver_.GlobalSetup(), PF_Err_NONE);
  ASSERT_EQ(driver_.GlobalSetup(), PF_Err_NONE);
  ASSERT_EQ(driver_.GlobalSetup(), PF_Err_NONE);
  EXPECT_EQ(host_.calls().Count("AEGP_RegisterWithAEGP"), 3);
  // Each registration's id is kept: the last one.
  EXPECT_EQ(g_plugin_id, hostsim::Host::FIRST_PLUGIN_ID + 2);
  EXPECT_EQ(host_.calls().Count("AEGP_RegisterIdleHook"), 1);
  EXPECT_EQ(host_.idle_hooks().size(), 1u);
}

TEST_F(GlobalSetupTest, FailedIdleHookRegistrationIsRetriedNextTime) {
  host_.calls().Fail("AEGP_RegisterIdleHook", 9, 1);
  ASSERT_EQ(driver_.GlobalSetup(), PF_Err_NONE);
  EXPECT_EQ(g_idle_hook_registered, 0);
  EXPECT_TRUE(host_.idle_hooks().empty());
  ASSERT_EQ(driver_.GlobalSetup(), PF_Err_NONE);
  EXPECT_EQ(g_idle_hook_registered, 1);
  EXPECT_EQ(host_.idle_hooks().size(), 1u);
  EXPECT_EQ(host_.calls().Count("AEGP_RegisterIdleHook"), 2);
}

TEST_F(GlobalSetupTest, AFailedRegistrationWithThePluginServicesIsIgnored) {
  host_.calls().Fail("AEGP_RegisterWithAEGP", 5, 1);
  ASSERT_EQ(driver_.GlobalSetup(), PF_Err_NONE);
  EXPECT_EQ(host_.calls().Count("AEGP_RegisterWithAEGP"), 1);
  EXPECT_EQ(g_basic_suite, host_.basic_suite());
  EXPECT_EQ(g_idle_hook_registered, 1);
  EXPECT_EQ(driver_.out_data().out_flags, 0x06000444);
}

TEST_F(GlobalSetupTest, MissingRegisterSuiteLeavesOnlyTheIdleHookOut) {
  host_.suites().SetMissing("AEGP Register Suite", 6, true);
  ASSERT_EQ(driver_.GlobalSetup(), PF_Err_NONE);
  EXPECT_EQ(g_idle_hook_registered, 0);
  EXPECT_EQ(g_basic_suite, host_.basic_suite());
  EXPECT_EQ(host_.plugin_registrations().size(), 1u);
}

TEST_F(GlobalSetupTest, MissingUtilitySuiteFailsWith516AndNoIdleHook) {
  host_.suites().SetMissing("AEGP Utility Suite", 13, true);
  EXPECT_EQ(driver_.GlobalSetup(), PF_Err_BAD_CALLBACK_PARAM);
  // Version and flags were already written.
  EXPECT_EQ(driver_.out_data().my_version, 0x0008065Eu);
  EXPECT_EQ(driver_.out_data().out_flags, 0x06000444);
  EXPECT_EQ(g_idle_hook_registered, 0);
  EXPECT_EQ(g_basic_suite, nullptr);
  EXPECT_EQ(host_.calls().Count("AEGP_RegisterIdleHook"), 0);
  EXPECT_TRUE(host_.idle_hooks().empty());
}

TEST_F(GlobalSetupTest, NullBasicSuiteFailsWith516) {
  driver_.in_data().pica_basicP = nullptr;
  EXPECT_EQ(driver_.GlobalSetup(), PF_Err_BAD_CALLBACK_PARAM);
  EXPECT_EQ(g_basic_suite, nullptr);
}

TEST_F(GlobalSetupTest, PremiereOnlyDeclaresTheVersionAndSwitchesCachingOff) {
  driver_.in_data().appl_id = APPL_ID_PREMIERE_PRO;
  driver_.in_data().effect_ref = reinterpret_cast<PF_ProgPtr>(&driver_);
  driver_.out_data().out_flags = 0x12;
  driver_.out_data().out_flags2 = 0x34;
  ASSERT_EQ(driver_.GlobalSetup(), PF_Err_NONE);
  EXPECT_EQ(driver_.out_data().my_version, 0x0008065Eu);
  EXPECT_EQ(driver_.out_data().out_flags, 0x12);
  EXPECT_EQ(driver_.out_data().out_flags2, 0x34);
  ASSERT_EQ(host_.cache_on_load_calls().size(), 1u);
  EXPECT_EQ(host_.cache_on_load_calls()[0].effect_ref, driver_.in_data().effect_ref);
  EXPECT_EQ(host_.cache_on_load_calls()[0].effect_available, 0);
  EXPECT_EQ(host_.suites().AcquireCount("PF Cache On Load Suite", 1), 1);
  EXPECT_TRUE(host_.plugin_registrations().empty());
  EXPECT_TRUE(host_.idle_hooks().empty());
  EXPECT_EQ(g_basic_suite, nullptr);
  EXPECT_EQ(g_plugin_id, 0);
}

TEST_F(GlobalSetupTest, PremiereWithoutTheCacheSuiteIsNoError) {
  driver_.in_data().appl_id = APPL_ID_PREMIERE_PRO;
  for (bool null_table : {false, true}) {
    host_.suites().SetMissing("PF Cache On Load Suite", 1, !null_table);
    host_.suites().SetNullTable("PF Cache On Load Suite", 1, null_table);
    EXPECT_EQ(driver_.GlobalSetup(), PF_Err_NONE);
    EXPECT_TRUE(host_.cache_on_load_calls().empty());
  }
  EXPECT_TRUE(host_.suites().ReleasedLog().empty());
}

}  // namespace
