// The idle hook over simulated time in a simulated composition. The clock
// and the command stream are replaced, so no dialog is shown and no test
// waits; every warning the hook would show is recorded instead.
#include "shell/idle_hook.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "host/pf_errors.h"
#include "host/suites/aegp_effect_suite4.h"
#include "hostsim/command_driver.h"
#include "shell/command_runner.h"
#include "shell/global_setup.h"
#include "shell/plugin_globals.h"
#include "shell/steady_clock.h"
#include "shell/warning_command.h"
#include "support/host_fixture.h"
#include "support/linked_module.h"

namespace {

double g_now = 0.0;
std::vector<std::string> g_commands;
std::vector<std::string> g_modes;
int g_closes = 0;

double FakeNow() { return g_now; }
std::FILE* FakeOpen(const char* command, const char* mode) {
  g_commands.emplace_back(command);
  g_modes.emplace_back(mode);
  return std::tmpfile();
}
int FakeClose(std::FILE* stream) {
  ++g_closes;
  return std::fclose(stream);
}
const CommandPipeFunctions FAKE_PIPE = {FakeOpen, FakeClose};

constexpr double T0 = 100.0;
constexpr AEGP_ItemID COMP_ID = 7;
constexpr AEGP_InstalledEffectKey PRISMORA_KEY = 40;
constexpr AEGP_InstalledEffectKey OTHER_KEY = 41;

class IdleHookTest : public HostTest {
 protected:
  void SetUp() override {
    ResetGlobalSetupStateForTest();
    ResetIdleHookStateForTest();
    g_now = 0.0;
    g_commands.clear();
    g_modes.clear();
    g_closes = 0;
    SetSteadyClockForTest(FakeNow);
    SetCommandPipeFunctionsForTest(&FAKE_PIPE);
    host_.scene().installed_effects[PRISMORA_KEY] = "VantrellePrismora";
    host_.scene().installed_effects[OTHER_KEY] = "ADBE Gaussian Blur 2";
    comp_ = &host_.scene().AddComposition(COMP_ID);
    ASSERT_EQ(driver_.GlobalSetup(), PF_Err_NONE);
    ASSERT_EQ(host_.idle_hooks().size(), 1u);
  }
  void TearDown() override {
    SetSteadyClockForTest(nullptr);
    SetCommandPipeFunctionsForTest(nullptr);
    ResetGlobalSetupStateForTest();
    ResetIdleHookStateForTest();
    HostTest::TearDown();
  }

  static hostsim::SimEffect Effect(AEGP_InstalledEffectKey key, AEGP_EffectFlags flags = AEGP_EffectFlags_ACTIVE) {
    hostsim::SimEffect e;
    e.installed_key = key;
    e.flags = flags;
    return e;
  }
  // A shape layer with the effect on and its Adjustment switch off.
  hostsim::SimLayer& AddWarnedLayer(AEGP_LayerIDVal id) {
    hostsim::SimLayer& layer = comp_->AddLayer(id, AEGP_ObjectType_VECTOR, AEGP_LayerFlag_VIDEO_ACTIVE);
    layer.effects.push_back(Effect(PRISMORA_KEY));
    return layer;
  }
  hostsim::SimLayer& Layer(std::size_t i) { return comp_->layers[i]; }

  // One idle call at simulated time T0 + t. The hook's times start at 0, so
  // simulated time starts well past the warning spacing, as the real
  // monotonic clock does.
  void IdleAt(double t) {
    g_now = T0 + t;
    A_long max_sleep = 123;
    EXPECT_EQ(host_.RunIdleHooks(&max_sleep), A_Err_NONE);
    EXPECT_EQ(max_sleep, 123);
  }
  int Warnings() const { return static_cast<int>(g_commands.size()); }

  hostsim::CommandDriver driver_{host_, LinkedModule()};
  hostsim::SimComposition* comp_ = nullptr;
};

TEST_F(IdleHookTest, BeforeGlobalSetupTheHookReturnsAtOnce) {
  ResetGlobalSetupStateForTest();
  AddWarnedLayer(1);
  g_now = 5.0;
  EXPECT_EQ(IdleHook(nullptr, nullptr, nullptr), A_Err_NONE);
  EXPECT_EQ(Warnings(), 0);
  EXPECT_EQ(host_.calls().Count("AEGP_GetMostRecentlyUsedComp"), 0);
  EXPECT_EQ(g_last_run, 0.0);
}

TEST_F(IdleHookTest, WarnsOnceWithTheWindowsCommandAndWaitsForIt) {
  AddWarnedLayer(5);
  IdleAt(1.0);
  ASSERT_EQ(Warnings(), 1);
  EXPECT_EQ(g_commands[0],
            "powershell -NoProfile -WindowStyle Hidden -Command \"(New-Object -ComObject WScript.Shell).Popup('Prismora "
            "needs this layer to be an Adjustment Layer to render glass. Turn on its Adjustment switch in the "
            "timeline.',60,'Prismora',64)\" ");
  EXPECT_EQ(g_commands[0], WARNING_COMMAND_WINDOWS);
  EXPECT_EQ(g_modes[0], "r");
  EXPECT_EQ(g_closes, 1);
  EXPECT_EQ(g_flagged_layers, (std::vector<std::uint64_t>{(std::uint64_t{COMP_ID} << 32) | 5u}));
  EXPECT_EQ(g_last_popup, T0 + 1.0);
  // The same layer in later scans is not new.
  for (double t : {2.0, 5.0, 9.0, 20.0}) IdleAt(t);
  EXPECT_EQ(Warnings(), 1);
  EXPECT_EQ(host_.effect_refs().Created(), 5);
}

TEST_F(IdleHookTest, ThrottlesRunsAndScans) {
  AddWarnedLayer(5);
  IdleAt(1.0);
  const int mru = host_.calls().Count("AEGP_GetMostRecentlyUsedComp");
  const int scans = host_.calls().Count("AEGP_GetLayerObjectType");
  EXPECT_EQ(mru, 1);
  EXPECT_EQ(scans, 1);
  IdleAt(1.1);  // within 0.2 s: not even the composition lookup
  EXPECT_EQ(host_.calls().Count("AEGP_GetMostRecentlyUsedComp"), 1);
  EXPECT_EQ(g_last_run, T0 + 1.0);
  EXPECT_TRUE(host_.suites().AcquiredLog().size() > 0);
  const std::size_t acquired = host_.suites().AcquiredLog().size();
  IdleAt(1.15);
  EXPECT_EQ(host_.suites().AcquiredLog().size(), acquired);
  IdleAt(1.3);  // runs, looks the composition up, but does not rescan before 1.7
  EXPECT_EQ(host_.calls().Count("AEGP_GetMostRecentlyUsedComp"), 2);
  EXPECT_EQ(host_.calls().Count("AEGP_GetItemID"), 2);
  EXPECT_EQ(host_.calls().Count("AEGP_GetLayerObjectType"), 1);
  IdleAt(1.69);
  EXPECT_EQ(host_.calls().Count("AEGP_GetLayerObjectType"), 1);
  IdleAt(2.4);
  EXPECT_EQ(host_.calls().Count("AEGP_GetLayerObjectType"), 2);
  EXPECT_EQ(g_last_scan, T0 + 2.4);
}

// A call exactly one interval after the last run (or scan) is not too
// early. The times start at 0, so calls at exactly 0.2 s and 0.7 s measure
// the intervals without rounding.
TEST_F(IdleHookTest, ACallExactlyOneIntervalLaterRunsAndScans) {
  AddWarnedLayer(5);
  AddWarnedLayer(6);
  AddWarnedLayer(7);
  g_now = 0.2;
  EXPECT_EQ(host_.RunIdleHooks(), A_Err_NONE);
  EXPECT_EQ(g_last_run, 0.2);
  EXPECT_EQ(host_.calls().Count("AEGP_GetMostRecentlyUsedComp"), 1);
  EXPECT_EQ(host_.calls().Count("AEGP_GetCompNumLayers"), 0);  // 0.2 s after the last scan: too early
  g_now = 0.7;
  EXPECT_EQ(host_.RunIdleHooks(), A_Err_NONE);
  EXPECT_EQ(g_last_scan, 0.7);
  // The layer count is read once for the loop and again before each layer.
  EXPECT_EQ(host_.calls().Count("AEGP_GetCompNumLayers"), 4);
  EXPECT_EQ(g_flagged_layers.size(), 3u);
  // 0.7 s after the last warning time is not more than 3 s.
  EXPECT_EQ(Warnings(), 0);
}

TEST_F(IdleHookTest, WarnsAgainAfterTheLayerLeftAndReenteredTheList) {
  AddWarnedLayer(5);
  IdleAt(1.0);
  ASSERT_EQ(Warnings(), 1);
  Layer(0).flags |= AEGP_LayerFlag_ADJUSTMENT_LAYER;
  IdleAt(2.0);
  EXPECT_TRUE(g_flagged_layers.empty());
  Layer(0).flags &= ~AEGP_LayerFlag_ADJUSTMENT_LAYER;
  IdleAt(3.0);  // re-entered, but the last warning is only 2 s old
  EXPECT_EQ(Warnings(), 1);
  IdleAt(6.0);  // still listed: not new any more
  EXPECT_EQ(Warnings(), 1);
  Layer(0).effects[0].flags = AEGP_EffectFlags_NONE;
  IdleAt(7.0);
  Layer(0).effects[0].flags = AEGP_EffectFlags_ACTIVE;
  IdleAt(8.0);  // re-entered more than 3 s after the last warning
  EXPECT_EQ(Warnings(), 2);
  EXPECT_EQ(g_last_popup, T0 + 8.0);
}

TEST_F(IdleHookTest, WarningSpacingIsMoreThanThreeSeconds) {
  AddWarnedLayer(5);
  IdleAt(1.0);
  AddWarnedLayer(6);
  IdleAt(4.0);  // exactly 3 s: not more
  EXPECT_EQ(Warnings(), 1);
  AddWarnedLayer(7);
  IdleAt(4.7);
  EXPECT_EQ(Warnings(), 2);
}

TEST_F(IdleHookTest, LayerFoundSoonAfterAWarningIsNotWarnedAboutLater) {
  AddWarnedLayer(5);
  IdleAt(1.0);
  AddWarnedLayer(6);
  IdleAt(2.0);
  for (double t : {5.0, 9.0, 14.0}) IdleAt(t);
  EXPECT_EQ(Warnings(), 1);
  EXPECT_EQ(g_flagged_layers.size(), 2u);
}

TEST_F(IdleHookTest, SeveralNewLayersInOneScanGiveOneWarning) {
  AddWarnedLayer(5);
  AddWarnedLayer(6);
  AddWarnedLayer(7);
  IdleAt(1.0);
  EXPECT_EQ(Warnings(), 1);
  EXPECT_EQ(g_flagged_layers.size(), 3u);
}

TEST_F(IdleHookTest, LayersThatRenderCorrectlyOrLackTheEffectAreNeverFlagged) {
  struct Case {
    const char* what;
    AEGP_ObjectType type;
    AEGP_LayerFlags flags;
    AEGP_InstalledEffectKey key;
    AEGP_EffectFlags effect_flags;
    AEGP_LayerIDVal id;
  };
  const Case cases[] = {
      {"effect switched off", AEGP_ObjectType_VECTOR, AEGP_LayerFlag_VIDEO_ACTIVE, PRISMORA_KEY, 0, 1},
      {"hidden layer", AEGP_ObjectType_VECTOR, 0, PRISMORA_KEY, AEGP_EffectFlags_ACTIVE, 2},
      {"adjustment layer", AEGP_ObjectType_AV, AEGP_LayerFlag_VIDEO_ACTIVE | AEGP_LayerFlag_ADJUSTMENT_LAYER,
       PRISMORA_KEY, AEGP_EffectFlags_ACTIVE, 3},
      {"light", AEGP_ObjectType_LIGHT, AEGP_LayerFlag_VIDEO_ACTIVE, PRISMORA_KEY, AEGP_EffectFlags_ACTIVE, 4},
      {"camera", AEGP_ObjectType_CAMERA, AEGP_LayerFlag_VIDEO_ACTIVE, PRISMORA_KEY, AEGP_EffectFlags_ACTIVE, 5},
      {"another effect", AEGP_ObjectType_VECTOR, AEGP_LayerFlag_VIDEO_ACTIVE, OTHER_KEY, AEGP_EffectFlags_ACTIVE, 6},
      {"layer id 0", AEGP_ObjectType_VECTOR, AEGP_LayerFlag_VIDEO_ACTIVE, PRISMORA_KEY, AEGP_EffectFlags_ACTIVE, 0},
  };
  for (const Case& c : cases) {
    hostsim::SimLayer& layer = comp_->AddLayer(c.id, c.type, c.flags);
    layer.effects.push_back(Effect(c.key, c.effect_flags));
  }
  // A match name that only begins with ours.
  host_.scene().installed_effects[42] = "VantrellePrismora2";
  comp_->AddLayer(8, AEGP_ObjectType_TEXT).effects.push_back(Effect(42));
  IdleAt(1.0);
  EXPECT_EQ(Warnings(), 0);
  EXPECT_TRUE(g_flagged_layers.empty());
  // Text and AV layers do count.
  comp_->AddLayer(9, AEGP_ObjectType_TEXT).effects.push_back(Effect(PRISMORA_KEY));
  comp_->AddLayer(10, AEGP_ObjectType_AV, AEGP_LayerFlag_VIDEO_ACTIVE | AEGP_LayerFlag_LOCKED)
      .effects.push_back(Effect(PRISMORA_KEY));
  IdleAt(2.0);
  EXPECT_EQ(Warnings(), 1);
  EXPECT_EQ(g_flagged_layers, (std::vector<std::uint64_t>{LayerKey(COMP_ID, 9), LayerKey(COMP_ID, 10)}));
}

TEST_F(IdleHookTest, TheEffectAnywhereInTheStackIsFoundAndEveryReferenceDisposed) {
  hostsim::SimLayer& layer = comp_->AddLayer(3, AEGP_ObjectType_VECTOR);
  layer.effects = {Effect(OTHER_KEY), Effect(PRISMORA_KEY, 0), Effect(PRISMORA_KEY), Effect(OTHER_KEY)};
  IdleAt(1.0);
  EXPECT_EQ(Warnings(), 1);
  // The search stops at the first match.
  EXPECT_EQ(host_.effect_refs().Created(), 3);
  EXPECT_EQ(host_.effect_refs().Disposed(), 3);
}

// The host hands out a layer's effects to a registered plug-in: the hook asks
// under the id that global setup received.
std::vector<AEGP_PluginID> g_effect_lookup_ids;
A_Err (*g_sim_effect_by_index)(AEGP_PluginID, AEGP_LayerH, AEGP_EffectIndex, AEGP_EffectRefH*) = nullptr;

TEST_F(IdleHookTest, EffectsAreLookedUpUnderThePluginIdOfGlobalSetup) {
  const void* table = nullptr;
  ASSERT_EQ(host_.basic_suite()->AcquireSuite("AEGP Effect Suite", 4, &table), 0);
  host_.basic_suite()->ReleaseSuite("AEGP Effect Suite", 4);
  static AEGP_EffectSuite4 recording;
  recording = *static_cast<const AEGP_EffectSuite4*>(table);
  g_sim_effect_by_index = recording.AEGP_GetLayerEffectByIndex;
  g_effect_lookup_ids.clear();
  recording.AEGP_GetLayerEffectByIndex = [](AEGP_PluginID id, AEGP_LayerH layer, AEGP_EffectIndex index,
                                            AEGP_EffectRefH* effect) -> A_Err {
    g_effect_lookup_ids.push_back(id);
    return g_sim_effect_by_index(id, layer, index, effect);
  };
  host_.suites().Register("AEGP Effect Suite", 4, &recording);
  AddWarnedLayer(5);
  IdleAt(1.0);
  EXPECT_EQ(Warnings(), 1);
  ASSERT_EQ(g_effect_lookup_ids.size(), 1u);
  EXPECT_EQ(g_effect_lookup_ids[0], hostsim::Host::FIRST_PLUGIN_ID);
  EXPECT_EQ(g_effect_lookup_ids[0], g_plugin_id);
}

TEST_F(IdleHookTest, ReturningToACompositionMakesItsLayersNewAgain) {
  AddWarnedLayer(5);
  host_.scene().AddComposition(8).AddLayer(5, AEGP_ObjectType_VECTOR).effects.push_back(Effect(PRISMORA_KEY));
  IdleAt(1.0);
  host_.scene().most_recently_used = 1;
  IdleAt(5.0);  // same layer id in another composition: another key
  EXPECT_EQ(Warnings(), 2);
  EXPECT_EQ(g_flagged_layers, (std::vector<std::uint64_t>{LayerKey(8, 5)}));
  host_.scene().most_recently_used = 0;
  IdleAt(9.0);
  EXPECT_EQ(Warnings(), 3);
}

// Host errors skip what they concern and nothing more. Each case names the
// failing call on the first of two layers carrying the effect (or, for the
// composition-level calls, everywhere) and whether the second is still found.
TEST_F(IdleHookTest, FailingHostCallsSkipOnlyWhatTheyConcern) {
  struct Case {
    const char* call;
    bool on_first_layer;  // else fails for every object
    std::size_t expect_found;
  };
  const Case cases[] = {
      {"AEGP_GetMostRecentlyUsedComp", false, 0},
      {"AEGP_GetItemFromComp", false, 0},
      {"AEGP_GetCompNumLayers", false, 0},
      {"AEGP_GetCompLayerByIndex", false, 0},
      {"AEGP_GetLayerObjectType", true, 1},
      {"AEGP_GetLayerFlags", true, 1},
      {"AEGP_GetLayerNumEffects", true, 1},
      {"AEGP_GetLayerEffectByIndex", true, 1},
      {"AEGP_GetEffectFlags", true, 1},
      {"AEGP_GetInstalledKeyFromLayerEffect", true, 1},
      {"AEGP_GetLayerID", true, 1},
      {"AEGP_GetEffectMatchName", false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.call);
    hostsim::Host host;
    hostsim::CommandDriver driver(host, LinkedModule());
    ResetGlobalSetupStateForTest();
    ResetIdleHookStateForTest();
    g_commands.clear();
    host.scene().installed_effects[PRISMORA_KEY] = "VantrellePrismora";
    hostsim::SimComposition& comp = host.scene().AddComposition(COMP_ID);
    for (AEGP_LayerIDVal id : {1u, 2u}) {
      comp.AddLayer(id, AEGP_ObjectType_VECTOR).effects.push_back(Effect(PRISMORA_KEY));
    }
    if (c.on_first_layer) {
      comp.layers[0].failing_calls.insert(c.call);
      comp.layers[0].effects[0].failing_calls.insert(c.call);
    } else {
      host.calls().Fail(c.call);
    }
    ASSERT_EQ(driver.GlobalSetup(), PF_Err_NONE);
    g_now = T0 + 1.0;
    EXPECT_EQ(host.RunIdleHooks(), A_Err_NONE);
    EXPECT_GT(host.calls().Count(c.call), 0);
    ASSERT_EQ(g_flagged_layers.size(), c.expect_found);
    if (c.expect_found == 1) {
      EXPECT_EQ(g_flagged_layers[0], LayerKey(COMP_ID, 2));
    }
    EXPECT_EQ(Warnings(), c.expect_found > 0 ? 1 : 0);
    ResetGlobalSetupStateForTest();
    EXPECT_TRUE(host.Leaks().empty()) << host.Leaks().front();
  }
}

TEST_F(IdleHookTest, FailingItemIdStillScansUnderIdZero) {
  AddWarnedLayer(5);
  host_.calls().Fail("AEGP_GetItemID");
  IdleAt(1.0);
  EXPECT_EQ(Warnings(), 1);
  EXPECT_EQ(g_flagged_layers, (std::vector<std::uint64_t>{LayerKey(0, 5)}));
}

TEST_F(IdleHookTest, FailedCompositionLookupEndsTheCallBeforeTheScan) {
  AddWarnedLayer(5);
  host_.calls().Fail("AEGP_GetMostRecentlyUsedComp", 1, 1);
  IdleAt(1.0);
  EXPECT_EQ(g_last_run, T0 + 1.0);
  EXPECT_EQ(g_last_scan, 0.0);
  host_.scene().most_recently_used = -1;  // no composition: the same
  IdleAt(1.5);
  EXPECT_EQ(g_last_scan, 0.0);
  host_.scene().most_recently_used = 0;
  IdleAt(2.0);
  EXPECT_EQ(g_last_scan, T0 + 2.0);
  EXPECT_EQ(Warnings(), 1);
}

TEST_F(IdleHookTest, MissingSuiteMidScanEndsTheCallQuietly) {
  AddWarnedLayer(5);
  IdleAt(1.0);
  AddWarnedLayer(6);
  host_.suites().SetMissing("AEGP Layer Suite", 15, true);
  IdleAt(5.0);
  EXPECT_EQ(Warnings(), 1);
  EXPECT_EQ(g_last_scan, T0 + 5.0);
  // The previous scan's keys are kept.
  EXPECT_EQ(g_flagged_layers, (std::vector<std::uint64_t>{LayerKey(COMP_ID, 5)}));
  host_.suites().SetMissing("AEGP Layer Suite", 15, false);
  IdleAt(6.0);
  EXPECT_EQ(Warnings(), 2);
}

TEST_F(IdleHookTest, ExceptionsNeverReachTheHostAndReferencesAreStillDisposed) {
  AddWarnedLayer(5);
  host_.calls().Throw("AEGP_GetEffectFlags");
  IdleAt(1.0);  // would fail the test if anything escaped
  EXPECT_EQ(Warnings(), 0);
  EXPECT_EQ(host_.effect_refs().Created(), 1);
  EXPECT_EQ(host_.effect_refs().Live(), 0);
  host_.calls().Clear("AEGP_GetEffectFlags");
  IdleAt(2.0);
  EXPECT_EQ(Warnings(), 1);
}

TEST_F(IdleHookTest, WarningThatCannotStartIsIgnored) {
  static const CommandPipeFunctions no_start = {
      [](const char* command, const char*) -> std::FILE* {
        g_commands.emplace_back(command);
        return nullptr;
      },
      [](std::FILE*) -> int {
        ++g_closes;
        return 0;
      }};
  SetCommandPipeFunctionsForTest(&no_start);
  AddWarnedLayer(5);
  IdleAt(1.0);
  EXPECT_EQ(Warnings(), 1);
  EXPECT_EQ(g_closes, 0);
  EXPECT_EQ(g_last_popup, T0 + 1.0);
  EXPECT_EQ(g_flagged_layers.size(), 1u);
}

}  // namespace
