// The simulated Comp, Item and Layer suites answer from the scene model,
// reject references that are not in it, and fail on demand.
#include <gtest/gtest.h>

#include "host/pf_errors.h"
#include "host/suites/aegp_comp_suite26.h"
#include "host/suites/aegp_item_suite14.h"
#include "host/suites/aegp_layer_suite11.h"
#include "host/suites/aegp_layer_suite15.h"
#include "shell/suite_handler.h"
#include "support/host_fixture.h"

namespace {

class SceneSuitesTest : public HostTest {
 protected:
  void SetUp() override {
    hostsim::SimComposition& first = host_.scene().AddComposition(7, 640, 360);
    first.AddLayer(11, AEGP_ObjectType_VECTOR, 0x201);
    first.AddLayer(12, AEGP_ObjectType_TEXT, 0x1);
    host_.scene().AddComposition(8);
  }
};

TEST_F(SceneSuitesTest, WalksFromTheMostRecentlyUsedCompositionToItsLayers) {
  SuiteHandler suites(host_.basic_suite());
  AEGP_CompH comp = nullptr;
  ASSERT_EQ(suites.CompSuiteV26()->AEGP_GetMostRecentlyUsedComp(&comp), A_Err_NONE);
  AEGP_ItemH item = nullptr;
  ASSERT_EQ(suites.CompSuiteV26()->AEGP_GetItemFromComp(comp, &item), A_Err_NONE);
  A_long id = 0, w = 0, h = 0;
  AEGP_ItemType type = AEGP_ItemType_NONE;
  EXPECT_EQ(suites.ItemSuiteV14()->AEGP_GetItemID(item, &id), A_Err_NONE);
  EXPECT_EQ(suites.ItemSuiteV14()->AEGP_GetItemType(item, &type), A_Err_NONE);
  EXPECT_EQ(suites.ItemSuiteV14()->AEGP_GetItemDimensions(item, &w, &h), A_Err_NONE);
  EXPECT_EQ(id, 7);
  EXPECT_EQ(type, AEGP_ItemType_COMP);
  EXPECT_EQ(w, 640);
  EXPECT_EQ(h, 360);
  AEGP_CompH back = nullptr;
  EXPECT_EQ(suites.CompSuiteV26()->AEGP_GetCompFromItem(item, &back), A_Err_NONE);
  EXPECT_EQ(back, comp);

  A_long n = 0;
  ASSERT_EQ(suites.LayerSuiteV11()->AEGP_GetCompNumLayers(comp, &n), A_Err_NONE);
  ASSERT_EQ(n, 2);
  AEGP_LayerH layer = nullptr;
  ASSERT_EQ(suites.LayerSuiteV11()->AEGP_GetCompLayerByIndex(comp, 1, &layer), A_Err_NONE);
  AEGP_ObjectType object_type = -1;
  AEGP_LayerFlags flags = 0;
  AEGP_LayerIDVal layer_id = 0;
  EXPECT_EQ(suites.LayerSuiteV11()->AEGP_GetLayerObjectType(layer, &object_type), A_Err_NONE);
  EXPECT_EQ(suites.LayerSuiteV11()->AEGP_GetLayerFlags(layer, &flags), A_Err_NONE);
  EXPECT_EQ(suites.LayerSuiteV15()->AEGP_GetLayerID(layer, &layer_id), A_Err_NONE);
  EXPECT_EQ(object_type, AEGP_ObjectType_TEXT);
  EXPECT_EQ(flags, 0x1);
  EXPECT_EQ(layer_id, 12u);
  EXPECT_NE(suites.LayerSuiteV11()->AEGP_GetCompLayerByIndex(comp, 2, &layer), A_Err_NONE);
  EXPECT_EQ(layer, nullptr);
  EXPECT_EQ(host_.calls().Count("AEGP_GetCompLayerByIndex"), 2);
}

TEST_F(SceneSuitesTest, NoRecentCompositionIsNullWithoutError) {
  host_.scene().most_recently_used = -1;
  SuiteHandler suites(host_.basic_suite());
  AEGP_CompH comp = reinterpret_cast<AEGP_CompH>(&suites);
  EXPECT_EQ(suites.CompSuiteV26()->AEGP_GetMostRecentlyUsedComp(&comp), A_Err_NONE);
  EXPECT_EQ(comp, nullptr);
}

TEST_F(SceneSuitesTest, ReferencesOutsideTheSceneAreRejected) {
  SuiteHandler suites(host_.basic_suite());
  int not_a_layer = 0;
  AEGP_LayerFlags flags = 0;
  EXPECT_NE(suites.LayerSuiteV11()->AEGP_GetLayerFlags(reinterpret_cast<AEGP_LayerH>(&not_a_layer), &flags),
            A_Err_NONE);
  A_long n = 0;
  EXPECT_NE(suites.LayerSuiteV11()->AEGP_GetCompNumLayers(nullptr, &n), A_Err_NONE);
}

TEST_F(SceneSuitesTest, SwitchesFailOneCallEverywhereOrForOneObject) {
  SuiteHandler suites(host_.basic_suite());
  AEGP_CompH comp = reinterpret_cast<AEGP_CompH>(host_.scene().compositions[0].get());
  AEGP_LayerH top = reinterpret_cast<AEGP_LayerH>(&host_.scene().compositions[0]->layers[0]);
  AEGP_LayerH second = reinterpret_cast<AEGP_LayerH>(&host_.scene().compositions[0]->layers[1]);
  AEGP_LayerFlags flags = 0;

  host_.calls().Fail("AEGP_GetLayerFlags", 7, 1);  // the next call only
  EXPECT_EQ(suites.LayerSuiteV11()->AEGP_GetLayerFlags(top, &flags), 7);
  EXPECT_EQ(suites.LayerSuiteV11()->AEGP_GetLayerFlags(top, &flags), A_Err_NONE);

  host_.scene().compositions[0]->layers[0].failing_calls.insert("AEGP_GetLayerFlags");
  EXPECT_NE(suites.LayerSuiteV11()->AEGP_GetLayerFlags(top, &flags), A_Err_NONE);
  EXPECT_EQ(suites.LayerSuiteV11()->AEGP_GetLayerFlags(second, &flags), A_Err_NONE);

  host_.calls().Fail("AEGP_GetMostRecentlyUsedComp");
  EXPECT_NE(suites.CompSuiteV26()->AEGP_GetMostRecentlyUsedComp(&comp), A_Err_NONE);
  EXPECT_NE(suites.CompSuiteV26()->AEGP_GetMostRecentlyUsedComp(&comp), A_Err_NONE);
  host_.calls().Clear("AEGP_GetMostRecentlyUsedComp");
  EXPECT_EQ(suites.CompSuiteV26()->AEGP_GetMostRecentlyUsedComp(&comp), A_Err_NONE);

  host_.calls().Throw("AEGP_GetCompNumLayers");
  A_long n = 0;
  EXPECT_THROW(suites.LayerSuiteV11()->AEGP_GetCompNumLayers(comp, &n), std::runtime_error);
}

}  // namespace
