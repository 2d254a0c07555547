#include <gtest/gtest.h>

#include <cstring>
#include <new>
#include <stdexcept>

#include "host/pf_commands.h"
#include "host/pf_errors.h"
#include "host/pf_out_flags.h"
#include "hostsim/command_driver.h"
#include "shell/exception_guard.h"
#include "support/host_fixture.h"
#include "support/linked_module.h"

namespace {

// The host's "refresh the user interface" out flag, bit 17 of out_flags.
constexpr PF_OutFlags REFRESH_UI_BIT = 1 << 17;

class EffectMainTest : public HostTest {
 protected:
  hostsim::CommandDriver driver_{host_, LinkedModule()};
};

TEST_F(EffectMainTest, UnhandledCommandsReturnZeroAndTouchNothing) {
  for (A_long cmd : {2, 3, 6, 7, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 25, 26, 1000, -1, -24}) {
    PF_OutData before;
    std::memset(&before, 0xA5, sizeof before);
    driver_.out_data() = before;
    EXPECT_EQ(driver_.Send(cmd), PF_Err_NONE) << "command " << cmd;
    EXPECT_EQ(std::memcmp(&driver_.out_data(), &before, sizeof before), 0) << "command " << cmd;
  }
  EXPECT_EQ(host_.handles().NewCount(), 0);
  EXPECT_TRUE(host_.suites().AcquiredLog().empty());
}

TEST_F(EffectMainTest, UnhandledCommandsAcceptNullRecords) {
  EXPECT_EQ(EffectMain(11, nullptr, nullptr, nullptr, nullptr, nullptr), PF_Err_NONE);
  EXPECT_EQ(EffectMain(-1, nullptr, nullptr, nullptr, nullptr, nullptr), PF_Err_NONE);
}

TEST_F(EffectMainTest, DispatchedCommandsWithNullRecordsReturnBadCallbackParam) {
  for (A_long cmd : {PF_Cmd_ABOUT, PF_Cmd_GLOBAL_SETUP, PF_Cmd_PARAMS_SETUP, PF_Cmd_SEQUENCE_SETUP,
                     PF_Cmd_SEQUENCE_SETDOWN, PF_Cmd_SMART_PRE_RENDER, PF_Cmd_SMART_RENDER}) {
    EXPECT_EQ(EffectMain(cmd, nullptr, &driver_.out_data(), nullptr, nullptr, nullptr), PF_Err_BAD_CALLBACK_PARAM)
        << cmd;
    EXPECT_EQ(EffectMain(cmd, &driver_.in_data(), nullptr, nullptr, nullptr, nullptr), PF_Err_BAD_CALLBACK_PARAM)
        << cmd;
  }
  // The SmartFX commands cannot do without their extra record.
  EXPECT_EQ(driver_.Send(PF_Cmd_SMART_PRE_RENDER, nullptr), PF_Err_BAD_CALLBACK_PARAM);
  EXPECT_EQ(driver_.Send(PF_Cmd_SMART_RENDER, nullptr), PF_Err_BAD_CALLBACK_PARAM);
}

TEST(ExceptionGuardTest, MapsEachKindOfException) {
  EXPECT_EQ(GuardedCall([]() -> PF_Err { throw 516; }), 516);
  EXPECT_EQ(GuardedCall([]() -> PF_Err { throw 7; }), 7);
  EXPECT_EQ(GuardedCall([]() -> PF_Err { throw std::bad_alloc(); }), PF_Err_OUT_OF_MEMORY);
  EXPECT_EQ(GuardedCall([]() -> PF_Err { throw std::runtime_error("x"); }), PF_Err_INTERNAL_STRUCT_DAMAGED);
  EXPECT_EQ(GuardedCall([]() -> PF_Err { throw 1.5; }), PF_Err_INTERNAL_STRUCT_DAMAGED);
  EXPECT_EQ(GuardedCall([]() -> PF_Err { return 33; }), 33);
}

TEST_F(EffectMainTest, SequenceSetupStoresAOneByteHandleHoldingOne) {
  driver_.out_data().out_flags = 1 << 10;
  ASSERT_EQ(driver_.SequenceSetup(), PF_Err_NONE);
  PF_Handle h = driver_.out_data().sequence_data;
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(host_.handles().SizeOf(h), 1u);
  EXPECT_EQ(host_.handles().Bytes(h), std::vector<std::uint8_t>{1});
  EXPECT_EQ(driver_.out_data().out_flags, (1 << 10) | REFRESH_UI_BIT);
  EXPECT_EQ(host_.handles().LockCount(), host_.handles().UnlockCount());
  ASSERT_EQ(driver_.SequenceSetdown(), PF_Err_NONE);
  EXPECT_EQ(driver_.in_data().sequence_data, nullptr);
  EXPECT_EQ(host_.handles().LiveCount(), 0);
}

TEST_F(EffectMainTest, SequenceSetupWithNullHandleStillSucceeds) {
  host_.handles().FailNextNew();
  driver_.out_data().out_flags = 0;
  EXPECT_EQ(driver_.SequenceSetup(), PF_Err_NONE);
  EXPECT_EQ(driver_.out_data().sequence_data, nullptr);
  EXPECT_EQ(driver_.out_data().out_flags, REFRESH_UI_BIT);
  EXPECT_EQ(host_.handles().LockCount(), 0);
}

TEST_F(EffectMainTest, SequenceSetupWithUnlockableHandleKeepsTheHandle) {
  host_.handles().FailNextLock();
  driver_.out_data().out_flags = 0;
  EXPECT_EQ(driver_.SequenceSetup(), PF_Err_NONE);
  EXPECT_NE(driver_.out_data().sequence_data, nullptr);
  EXPECT_EQ(driver_.out_data().out_flags, REFRESH_UI_BIT);
  EXPECT_EQ(driver_.SequenceSetdown(), PF_Err_NONE);
}

TEST_F(EffectMainTest, SecondSetdownDoesNothing) {
  ASSERT_EQ(driver_.SequenceSetup(), PF_Err_NONE);
  ASSERT_EQ(driver_.SequenceSetdown(), PF_Err_NONE);
  EXPECT_EQ(driver_.SequenceSetdown(), PF_Err_NONE);
  EXPECT_EQ(host_.handles().DisposeCount(), 1);
  EXPECT_EQ(host_.handles().BadDisposeCount(), 0);
}

TEST_F(EffectMainTest, EntryPointFuncForwardsToEffectMain) {
  PF_OutData a{}, b{};
  EXPECT_EQ(EntryPointFunc(PF_Cmd_SEQUENCE_SETUP, &driver_.in_data(), &a, nullptr, nullptr, nullptr),
            EffectMain(PF_Cmd_SEQUENCE_SETUP, &driver_.in_data(), &b, nullptr, nullptr, nullptr));
  EXPECT_EQ(a.out_flags, b.out_flags);
  ASSERT_NE(a.sequence_data, nullptr);
  ASSERT_NE(b.sequence_data, nullptr);
  host_.handles().Dispose(a.sequence_data);
  host_.handles().Dispose(b.sequence_data);
}

}  // namespace

namespace {

TEST_F(EffectMainTest, AboutWithoutTheAnsiSuiteReturns516) {
  host_.suites().SetMissing("PF ANSI Suite", 1, true);
  EXPECT_EQ(driver_.About(), PF_Err_BAD_CALLBACK_PARAM);
  EXPECT_EQ(host_.sprintf_outputs().size(), 0u);
}

}  // namespace
