// The built module file, loaded as the host loads it.
#include <gtest/gtest.h>

#include "host/pf_commands.h"
#include "host/pf_errors.h"
#include "hostsim/command_driver.h"
#include "hostsim/module_entry_points.h"
#include "hostsim/registration_capture.h"
#include "support/host_fixture.h"

namespace {

class ModuleExportsTest : public HostTest {};

TEST_F(ModuleExportsTest, ExportsTheFourEntryPointsUnmangled) {
  hostsim::LoadedModule module(PRISMORA_MODULE_PATH);
  ASSERT_TRUE(module.ok()) << module.error();
  EXPECT_NE(module.entry_points().plugin_data_entry, nullptr);
  EXPECT_NE(module.entry_points().plugin_data_entry2, nullptr);
  EXPECT_NE(module.entry_points().entry_point, nullptr);
  EXPECT_NE(module.entry_points().effect_main, nullptr);
}

TEST_F(ModuleExportsTest, RegistersAndDispatchesThroughTheModule) {
  hostsim::LoadedModule module(PRISMORA_MODULE_PATH);
  ASSERT_TRUE(module.ok()) << module.error();
  hostsim::RegistrationRecord r;
  EXPECT_EQ(hostsim::RunRegistration(module.entry_points(), 2, r), 0);
  EXPECT_EQ(r.argument_count, 10);
  EXPECT_EQ(r.match_name, "VantrellePrismora");
  hostsim::CommandDriver driver(host_, module.entry_points());
  EXPECT_EQ(driver.Send(PF_Cmd_RENDER), PF_Err_NONE);
  EXPECT_EQ(driver.SequenceSetup(), PF_Err_NONE);
  EXPECT_NE(driver.in_data().sequence_data, nullptr);
  EXPECT_EQ(driver.SequenceSetdown(), PF_Err_NONE);
}

}  // namespace
