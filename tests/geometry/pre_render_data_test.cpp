// The record's deleter as the host calls it: with the record's handle, at
// any time after the pre-render, through the process-wide basic suite.
#include "geometry/pre_render_data.h"

#include <gtest/gtest.h>

#include "shell/plugin_globals.h"
#include "support/host_fixture.h"

namespace {

class DeletePreRenderDataTest : public HostTest {
 protected:
  void SetUp() override { g_basic_suite = host_.basic_suite(); }
  void TearDown() override {
    g_basic_suite = nullptr;
    HostTest::TearDown();
  }
};

TEST_F(DeletePreRenderDataTest, DisposesTheHandleThroughTheHandleSuite) {
  PF_Handle h = host_.handles().New(MATTE_RASTER_OFFSET);
  DeletePreRenderData(h);
  EXPECT_FALSE(host_.handles().IsLive(h));
  EXPECT_EQ(host_.suites().AcquireCount("PF Handle Suite", 2), 1);
  EXPECT_EQ(host_.suites().ReleaseCount("PF Handle Suite", 2), 1);
}

TEST_F(DeletePreRenderDataTest, NullHandleDoesNothing) {
  DeletePreRenderData(nullptr);
  EXPECT_TRUE(host_.suites().AcquiredLog().empty());
  EXPECT_EQ(host_.handles().DisposeCount(), 0);
}

TEST_F(DeletePreRenderDataTest, NullBasicSuiteDoesNothing) {
  PF_Handle h = host_.handles().New(16);
  g_basic_suite = nullptr;
  DeletePreRenderData(h);
  EXPECT_TRUE(host_.handles().IsLive(h));
  EXPECT_EQ(host_.handles().DisposeCount(), 0);
  host_.handles().Dispose(h);
}

TEST_F(DeletePreRenderDataTest, MissingOrNullHandleSuiteDoesNotThrowToTheHost) {
  for (bool null_table : {false, true}) {
    PF_Handle h = host_.handles().New(16);
    if (null_table) {
      host_.suites().SetNullTable("PF Handle Suite", 2, true);
    } else {
      host_.suites().SetMissing("PF Handle Suite", 2, true);
    }
    DeletePreRenderData(h);  // must return, not throw
    EXPECT_TRUE(host_.handles().IsLive(h));
    host_.suites().SetMissing("PF Handle Suite", 2, false);
    host_.suites().SetNullTable("PF Handle Suite", 2, false);
    host_.handles().Dispose(h);
  }
}

}  // namespace
