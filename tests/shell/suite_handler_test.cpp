#include "shell/suite_handler.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "host/pf_errors.h"
#include "support/host_fixture.h"

namespace {

// Distinct fake tables; the handler only hands the pointers around.
int g_table_a = 0, g_table_b = 0, g_table_c = 0;

class SuiteHandlerTest : public HostTest {
 protected:
  void SetUp() override {
    host_.suites().Register("AEGP Layer Suite", 11, &g_table_a);
    host_.suites().Register("AEGP Layer Suite", 15, &g_table_b);
    host_.suites().Register("PF ANSI Suite", 1, &g_table_c);
  }
};

TEST_F(SuiteHandlerTest, AccessorAcquiresOnceAndCaches) {
  {
    SuiteHandler suites(host_.basic_suite());
    const void* first = suites.LayerSuiteV11();
    const void* second = suites.LayerSuiteV11();
    EXPECT_EQ(first, &g_table_a);
    EXPECT_EQ(first, second);
    EXPECT_EQ(host_.suites().AcquireCount("AEGP Layer Suite", 11), 1);
    EXPECT_EQ(host_.suites().ReleaseCount("AEGP Layer Suite", 11), 0);
  }
  EXPECT_EQ(host_.suites().ReleaseCount("AEGP Layer Suite", 11), 1);
}

TEST_F(SuiteHandlerTest, UnusedHandlerReleasesNothing) {
  { SuiteHandler suites(host_.basic_suite()); }
  EXPECT_TRUE(host_.suites().ReleasedLog().empty());
}

TEST_F(SuiteHandlerTest, TwoVersionsOfOneSuiteAreReleasedEachWithItsOwnVersion) {
  {
    SuiteHandler suites(host_.basic_suite());
    EXPECT_EQ(static_cast<const void*>(suites.LayerSuiteV11()), &g_table_a);
    EXPECT_EQ(static_cast<const void*>(suites.LayerSuiteV15()), &g_table_b);
  }
  const auto released = host_.suites().ReleasedLog();
  ASSERT_EQ(released.size(), 2u);
  std::multiset<hostsim::SuiteKey> got(released.begin(), released.end());
  EXPECT_EQ(got.count({"AEGP Layer Suite", 11}), 1u);
  EXPECT_EQ(got.count({"AEGP Layer Suite", 15}), 1u);
}

TEST_F(SuiteHandlerTest, MissingAndNullSuitesThrow516AndCacheNothing) {
  SuiteHandler suites(host_.basic_suite());
  // Missing from the host: it answers with an error.
  host_.suites().SetMissing("AEGP Comp Suite", 25, true);
  try {
    suites.CompSuiteV25();
    FAIL() << "expected a throw";
  } catch (int err) {
    EXPECT_EQ(err, PF_Err_BAD_CALLBACK_PARAM);
  }
  // Answered with success but a null table.
  host_.suites().SetNullTable("PF ANSI Suite", 1, true);
  EXPECT_THROW(suites.ANSISuiteV1(), int);
  host_.suites().SetNullTable("PF ANSI Suite", 1, false);
  // Nothing was cached: the next call asks the host again and succeeds.
  EXPECT_EQ(static_cast<const void*>(suites.ANSISuiteV1()), &g_table_c);
}

TEST_F(SuiteHandlerTest, NullBasicSuiteThrows516) {
  try {
    SuiteHandler suites(nullptr);
    FAIL() << "expected a throw";
  } catch (int err) {
    EXPECT_EQ(err, PF_Err_BAD_CALLBACK_PARAM);
  }
}

TEST_F(SuiteHandlerTest, SuitesAcquiredBeforeAnExceptionAreReleased) {
  host_.suites().SetMissing("AEGP World Suite", 3, true);
  try {
    SuiteHandler suites(host_.basic_suite());
    suites.LayerSuiteV11();
    suites.LayerSuiteV15();
    suites.ANSISuiteV1();
    suites.WorldSuiteV3();  // missing
    FAIL() << "expected a throw";
  } catch (int err) {
    EXPECT_EQ(err, PF_Err_BAD_CALLBACK_PARAM);
  }
  EXPECT_EQ(host_.suites().ReleasedLog().size(), 3u);
}

// The release list as the host knows it, spelled exactly, and the four
// further pairs: a misspelt name or a wrong version is a suite the host never
// hands out or never gets back.
TEST(SuiteTableTest, KnowsExactlyTheReleaseListAndTheFourFurtherPairs) {
  struct Row {
    const char* name;
    std::vector<int> versions;
  };
  const Row rows[] = {
      {"AEGP Marker Suite", {1, 2, 3}},
      {"AEGP Layer Suite", {5, 8, 10, 11, 12, 13, 14}},
      {"AEGP Stream Suite", {4, 7, 8, 9, 10, 11}},
      {"AEGP Dynamic Stream Suite", {2, 3, 5}},
      {"AEGP Keyframe Suite", {1, 3, 4, 5}},
      {"AEGP Comp Suite", {4, 9, 11, 14, 15, 18, 19, 21, 25}},
      {"AEGP Canvas Suite", {10, 11, 13, 14}},
      {"AEGP Camera Suite", {2}},
      {"AEGP Register Suite", {6}},
      {"AEGP Item View Suite", {1}},
      {"AEGP Item Suite", {3, 7, 10, 11, 13}},
      {"AEGP PF Interface Suite", {1}},
      {"AEGP Math Suite", {1}},
      {"PF AE Adv Time Suite", {4}},
      {"PF Path Query Suite", {1}},
      {"AEGP Memory Suite", {1}},
      {"PF Path Data Suite", {1}},
      {"PF Param Utils Suite", {3}},
      {"PF AE App Suite", {1, 6, 7}},
      {"PF AE Adv App Suite", {1, 2}},
      {"AEGP Light Suite", {1, 2, 3}},
      {"AEGP Effect Suite", {1, 2, 3, 4, 5}},
      {"AEGP Layer Mask Suite", {2, 5, 6, 7}},
      {"AEGP Mask Outline Suite", {2, 3, 5}},
      {"AEGP Command Suite", {1}},
      {"AEGP Utility Suite", {3, 7, 10, 11, 13}},
      {"AEGP Render Suite", {1, 2, 3, 5, 8}},
      {"PF ANSI Suite", {1}},
      {"PF Handle Suite", {2}},
      {"PF Fill Matte Suite", {2}},
      {"PF World Transform Suite", {1}},
      {"AEGP QueryXform Suite", {4}},
      {"AEGP Composite Suite", {4}},
      {"PF World Suite", {1}},
      {"AEGP IO In Suite", {5}},
      {"AEGP IO Out Suite", {7}},
      {"AEGP Render Queue Suite", {1}},
      {"AEGP Render Queue Item Suite", {3, 4}},
      {"AEGP Output Module Suite", {4}},
      {"AEGP File Import Manager Suite", {3}},
      {"PF Sampling8 Suite", {1}},
      {"PF Sampling16 Suite", {1}},
      {"PF Iterate8 Suite", {1, 2}},
      {"PF iterate16 Suite", {1, 2}},
      {"PF iterateFloat Suite", {1, 2}},
      {"AEGP Collection Suite", {1, 2}},
      {"AEGP Text Document Suite", {1}},
      {"AEGP Sound Data Suite", {1}},
      {"AEGP Text Layer Suite", {1}},
      {"AEGP Artisan Util Suite", {1}},
      {"AEGP World Suite", {2, 3}},
      {"AEGP Render Options Suite", {1, 2}},
      {"AEGP Tracker Suite", {1}},
      {"AEGP Tracker Utility Suite", {1}},
      {"AE Plugin Helper Suite2", {2}},
      {"PF AE Adv Item Suite", {1}},
      {"AEGP Layer Render Options Suite", {1, 2}},
      {"AEGP Render Asyc Manager Suite", {1}},
      {"AEGP Proj Suite", {8, 9}},
      {"AEGP Footage Suite", {11}},
      {"AEGP Persistent Data Suite", {3, 4}},
      {"PF Color Settings Suite", {1, 3, 4, 5}},
      {"PF ColorParamSuite", {1}},
      {"PF SamplingFloat Suite", {1}},
      {"PF Effect Custom UI Suite", {1, 2}},
      {"PF Effect Custom UI Overlay Theme Suite", {1}},
      {"DRAWBOT Draw Suite", {1}},
      {"DRAWBOT Supplier Suite", {1}},
      {"DRAWBOT Surface Suite", {2}},
      {"DRAWBOT Path Suite", {1}},
      {"SP Suites Suite", {2}},
      {"AEGP Comp Suite", {26}},
      {"AEGP Item Suite", {14}},
      {"AEGP Layer Suite", {15}},
      {"AEGP Render Options Suite", {3}},
  };
  std::multiset<std::pair<std::string, int>> expected;
  std::set<std::string> expected_names;
  for (const Row& row : rows) {
    expected_names.insert(row.name);
    for (int v : row.versions) expected.insert({row.name, v});
  }
  ASSERT_EQ(expected.size(), 144u);
  ASSERT_EQ(expected_names.size(), 71u);

  std::multiset<std::pair<std::string, int>> known;
  for (const KnownSuite& s : KNOWN_SUITES) known.insert({s.name, s.version});
  for (const auto& p : expected) EXPECT_EQ(known.count(p), 1u) << "missing: " << p.first << " " << p.second;
  for (const auto& p : known) EXPECT_EQ(expected.count(p), 1u) << "unexpected: " << p.first << " " << p.second;
}

// Every accessor asks for its own name and version.
TEST_F(SuiteHandlerTest, EachAccessorAcquiresItsOwnPair) {
  static int table = 0;
  struct Row {
    const char* name;
    int version;
    const void* (*call)(SuiteHandler&);
  };
  const Row rows[] = {
      {"AEGP Comp Suite", 25, [](SuiteHandler& s) -> const void* { return s.CompSuiteV25(); }},
      {"AEGP Comp Suite", 26, [](SuiteHandler& s) -> const void* { return s.CompSuiteV26(); }},
      {"AEGP Dynamic Stream Suite", 5, [](SuiteHandler& s) -> const void* { return s.DynamicStreamSuiteV5(); }},
      {"AEGP Effect Suite", 4, [](SuiteHandler& s) -> const void* { return s.EffectSuiteV4(); }},
      {"AEGP Footage Suite", 11, [](SuiteHandler& s) -> const void* { return s.FootageSuiteV11(); }},
      {"PF Handle Suite", 2, [](SuiteHandler& s) -> const void* { return s.HandleSuiteV2(); }},
      {"AEGP Item Suite", 14, [](SuiteHandler& s) -> const void* { return s.ItemSuiteV14(); }},
      {"AEGP Layer Suite", 11, [](SuiteHandler& s) -> const void* { return s.LayerSuiteV11(); }},
      {"AEGP Layer Suite", 13, [](SuiteHandler& s) -> const void* { return s.LayerSuiteV13(); }},
      {"AEGP Layer Suite", 15, [](SuiteHandler& s) -> const void* { return s.LayerSuiteV15(); }},
      {"AEGP Layer Mask Suite", 7, [](SuiteHandler& s) -> const void* { return s.LayerMaskSuiteV7(); }},
      {"AEGP Layer Render Options Suite", 2,
       [](SuiteHandler& s) -> const void* { return s.LayerRenderOptionsSuiteV2(); }},
      {"AEGP Mask Outline Suite", 5, [](SuiteHandler& s) -> const void* { return s.MaskOutlineSuiteV5(); }},
      {"AEGP Memory Suite", 1, [](SuiteHandler& s) -> const void* { return s.MemorySuiteV1(); }},
      {"AEGP PF Interface Suite", 1, [](SuiteHandler& s) -> const void* { return s.PFInterfaceSuiteV1(); }},
      {"AEGP Register Suite", 6, [](SuiteHandler& s) -> const void* { return s.RegisterSuiteV6(); }},
      {"AEGP Render Options Suite", 3, [](SuiteHandler& s) -> const void* { return s.RenderOptionsSuiteV3(); }},
      {"AEGP Render Suite", 8, [](SuiteHandler& s) -> const void* { return s.RenderSuiteV8(); }},
      {"AEGP Stream Suite", 10, [](SuiteHandler& s) -> const void* { return s.StreamSuiteV10(); }},
      {"AEGP Stream Suite", 11, [](SuiteHandler& s) -> const void* { return s.StreamSuiteV11(); }},
      {"AEGP Text Layer Suite", 1, [](SuiteHandler& s) -> const void* { return s.TextLayerSuiteV1(); }},
      {"AEGP Utility Suite", 13, [](SuiteHandler& s) -> const void* { return s.UtilitySuiteV13(); }},
      {"AEGP World Suite", 3, [](SuiteHandler& s) -> const void* { return s.WorldSuiteV3(); }},
      {"PF ANSI Suite", 1, [](SuiteHandler& s) -> const void* { return s.ANSISuiteV1(); }},
      {"PF Path Data Suite", 1, [](SuiteHandler& s) -> const void* { return s.PathDataSuiteV1(); }},
  };
  for (const Row& row : rows) {
    hostsim::Host host;
    host.suites().Register(row.name, row.version, &table);
    {
      SuiteHandler suites(host.basic_suite());
      EXPECT_EQ(row.call(suites), &table) << row.name << " " << row.version;
    }
    EXPECT_EQ(host.suites().AcquireCount(row.name, row.version), 1) << row.name;
    EXPECT_EQ(host.suites().ReleaseCount(row.name, row.version), 1) << row.name;
    EXPECT_TRUE(host.suites().Imbalances().empty()) << row.name;
  }
}

}  // namespace
