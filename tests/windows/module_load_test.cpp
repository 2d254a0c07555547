// The cross-built module, loaded with LoadLibrary the way the host loads it
// on Windows: its exports, the registration it passes, its command dispatch
// and the PiPL resource it carries.
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "host/pf_commands.h"
#include "host/pf_errors.h"
#include "hostsim/command_driver.h"
#include "hostsim/module_entry_points.h"
#include "hostsim/registration_capture.h"
#include "resources/pipl_resource.h"
#include "support/host_fixture.h"
#include "support/pipl_expectation.h"

namespace {

constexpr const char* MODULE_FILE = "Prismora.aex";

class WindowsModuleTest : public HostTest {};

TEST_F(WindowsModuleTest, LoadsAndExportsTheFourEntryPoints) {
  hostsim::LoadedModule module(MODULE_FILE);
  ASSERT_TRUE(module.ok()) << module.error();
  EXPECT_NE(module.entry_points().plugin_data_entry, nullptr);
  EXPECT_NE(module.entry_points().plugin_data_entry2, nullptr);
  EXPECT_NE(module.entry_points().entry_point, nullptr);
  EXPECT_NE(module.entry_points().effect_main, nullptr);
}

TEST_F(WindowsModuleTest, RegistrationExportsPassNineAndTenArguments) {
  hostsim::LoadedModule module(MODULE_FILE);
  ASSERT_TRUE(module.ok()) << module.error();
  hostsim::RegistrationRecord r1, r2;
  EXPECT_EQ(hostsim::RunRegistration(module.entry_points(), 1, r1, 0), 0);
  EXPECT_EQ(r1.argument_count, 9);
  EXPECT_EQ(r1.name, "Prismora");
  EXPECT_EQ(r1.match_name, "VantrellePrismora");
  EXPECT_EQ(r1.category, "Vantrelle");
  EXPECT_EQ(r1.entry_point_name, "EntryPointFunc");
  EXPECT_EQ(r1.kind, 0x65464B54);
  EXPECT_EQ(r1.api_major, 13);
  EXPECT_EQ(r1.api_minor, 27);
  EXPECT_EQ(r1.reserved_info, 8);
  EXPECT_EQ(hostsim::RunRegistration(module.entry_points(), 2, r2, 5), 5);
  EXPECT_EQ(r2.argument_count, 10);
  EXPECT_EQ(r2.api_minor, 28);
  EXPECT_EQ(r2.support_url, "");
}

TEST_F(WindowsModuleTest, DispatchTableThroughTheModule) {
  hostsim::LoadedModule module(MODULE_FILE);
  ASSERT_TRUE(module.ok()) << module.error();
  hostsim::CommandDriver driver(host_, module.entry_points());
  for (A_long cmd : {2, 3, 6, 7, 11, 14, 22, 25, -1}) EXPECT_EQ(driver.Send(cmd), PF_Err_NONE) << cmd;
  EXPECT_EQ(module.entry_points().effect_main(PF_Cmd_SEQUENCE_SETUP, nullptr, nullptr, nullptr, nullptr, nullptr),
            PF_Err_BAD_CALLBACK_PARAM);
  EXPECT_EQ(driver.SequenceSetup(), PF_Err_NONE);
  EXPECT_NE(driver.in_data().sequence_data, nullptr);
  EXPECT_EQ(driver.SequenceSetdown(), PF_Err_NONE);
  EXPECT_EQ(driver.in_data().sequence_data, nullptr);
}

TEST_F(WindowsModuleTest, CarriesThePiPLResource) {
  HMODULE module = LoadLibraryExA(MODULE_FILE, nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(module, nullptr);
  HRSRC info = FindResourceExA(module, "PIPL", MAKEINTRESOURCEA(PIPL_RESOURCE_ID),
                               static_cast<WORD>(PIPL_RESOURCE_LANGUAGE));
  ASSERT_NE(info, nullptr);
  const DWORD size = SizeofResource(module, info);
  HGLOBAL loaded = LoadResource(module, info);
  ASSERT_NE(loaded, nullptr);
  const auto* data = static_cast<const std::uint8_t*>(LockResource(loaded));
  ASSERT_NE(data, nullptr);
  std::vector<std::uint8_t> bytes(data, data + size);
  FreeLibrary(module);
  ExpectPiPLMatchesTable(bytes);
  const auto expected = BuildPiPLResource();
  EXPECT_EQ(bytes, std::vector<std::uint8_t>(expected.begin(), expected.end()));
}

}  // namespace
