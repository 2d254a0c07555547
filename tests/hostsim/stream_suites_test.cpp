// The simulated stream suites: the property tree walk, names as UTF-16
// memory handles, values at a time and mode, outlines, and the accounting
// that the leak check relies on.
#include <gtest/gtest.h>

#include <string>

#include "host/suites/aegp_dynamic_stream_suite5.h"
#include "host/suites/aegp_mask_outline_suite5.h"
#include "host/suites/aegp_memory_suite1.h"
#include "host/suites/aegp_stream_suite10.h"
#include "host/suites/aegp_stream_suite11.h"
#include "hostsim/layer_ref.h"
#include "hostsim/shape_contents_builder.h"
#include "support/host_fixture.h"

namespace {

using namespace hostsim;

template <typename T>
const T* Suite(Host& host, const char* name, int version) {
  const void* p = nullptr;
  EXPECT_EQ(host.basic_suite()->AcquireSuite(name, version, &p), 0);
  return static_cast<const T*>(p);
}

class StreamSuitesTest : public HostTest {
 protected:
  void SetUp() override {
    stream10_ = Suite<AEGP_StreamSuite10>(host_, "AEGP Stream Suite", 10);
    stream11_ = Suite<AEGP_StreamSuite11>(host_, "AEGP Stream Suite", 11);
    dyn_ = Suite<AEGP_DynamicStreamSuite5>(host_, "AEGP Dynamic Stream Suite", 5);
    mem_ = Suite<AEGP_MemorySuite1>(host_, "AEGP Memory Suite", 1);
    outline_ = Suite<AEGP_MaskOutlineSuite5>(host_, "AEGP Mask Outline Suite", 5);
  }
  void TearDown() override {
    host_.basic_suite()->ReleaseSuite("AEGP Stream Suite", 10);
    host_.basic_suite()->ReleaseSuite("AEGP Stream Suite", 11);
    host_.basic_suite()->ReleaseSuite("AEGP Dynamic Stream Suite", 5);
    host_.basic_suite()->ReleaseSuite("AEGP Memory Suite", 1);
    host_.basic_suite()->ReleaseSuite("AEGP Mask Outline Suite", 5);
    HostTest::TearDown();
  }
  std::u16string Name(AEGP_StreamRefH ref, A_Boolean force_english) {
    AEGP_MemHandle h = nullptr;
    EXPECT_EQ(stream10_->AEGP_GetStreamName(0, ref, force_english, &h), 0);
    void* p = nullptr;
    EXPECT_EQ(mem_->AEGP_LockMemHandle(h, &p), 0);
    std::u16string out(static_cast<const char16_t*>(p));
    mem_->AEGP_UnlockMemHandle(h);
    mem_->AEGP_FreeMemHandle(h);
    return out;
  }

  const AEGP_StreamSuite10* stream10_ = nullptr;
  const AEGP_StreamSuite11* stream11_ = nullptr;
  const AEGP_DynamicStreamSuite5* dyn_ = nullptr;
  const AEGP_MemorySuite1* mem_ = nullptr;
  const AEGP_MaskOutlineSuite5* outline_ = nullptr;
};

TEST_F(StreamSuitesTest, LayerTransformStreamIsReadAtTheRequestedTimeAndMode) {
  SimLayer layer;
  layer.transform.position.value = {320.0, 240.0, 0.0};
  layer.transform.scale.evaluate = [](const A_Time& t, AEGP_LTimeMode mode) {
    return SimValue{100.0 + t.value, mode == AEGP_LTimeMode_CompTime ? 1.0 : 2.0, 0.0};
  };
  AEGP_StreamRefH pos = nullptr, scale = nullptr;
  ASSERT_EQ(stream11_->AEGP_GetNewLayerStream(0, LayerRef(layer), AEGP_LayerStream_POSITION, &pos), 0);
  ASSERT_EQ(stream11_->AEGP_GetNewLayerStream(0, LayerRef(layer), AEGP_LayerStream_SCALE, &scale), 0);
  const A_Time t{12, 24};
  AEGP_StreamValue2 v{};
  ASSERT_EQ(stream10_->AEGP_GetNewStreamValue(0, pos, AEGP_LTimeMode_LayerTime, &t, 0, &v), 0);
  EXPECT_EQ(v.val.two_d.x, 320.0);
  EXPECT_EQ(v.val.two_d.y, 240.0);
  EXPECT_EQ(stream10_->AEGP_DisposeStreamValue(&v), 0);
  ASSERT_EQ(stream10_->AEGP_GetNewStreamValue(0, scale, AEGP_LTimeMode_CompTime, &t, 0, &v), 0);
  EXPECT_EQ(v.val.two_d.x, 112.0);
  EXPECT_EQ(v.val.two_d.y, 1.0);
  EXPECT_EQ(stream10_->AEGP_DisposeStreamValue(&v), 0);
  EXPECT_EQ(stream10_->AEGP_DisposeStream(pos), 0);
  EXPECT_EQ(stream10_->AEGP_DisposeStream(scale), 0);

  const auto log = host_.streams().ReadLog();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].layer_stream, AEGP_LayerStream_POSITION);
  EXPECT_EQ(log[0].time_mode, AEGP_LTimeMode_LayerTime);
  EXPECT_EQ(log[1].layer_stream, AEGP_LayerStream_SCALE);
  EXPECT_EQ(log[1].time_mode, AEGP_LTimeMode_CompTime);
  EXPECT_EQ(log[1].time.value, 12);
  EXPECT_EQ(log[1].time.scale, 24u);
  EXPECT_EQ(log[1].layer, &layer);
}

TEST_F(StreamSuitesTest, PropertyTreeIsWalkedByIndexWithNamesAndMatchNames) {
  SimLayer layer;
  layer.properties = ShapeLayerRoot();
  SimStreamNode& contents = RootContents(layer.properties);
  contents.Add(ShapeGroup("Group 1"));
  contents.children[0].localized_name = Utf16("Gruppe 1");

  AEGP_StreamRefH root = nullptr;
  ASSERT_EQ(dyn_->AEGP_GetNewStreamRefForLayer(0, LayerRef(layer), &root), 0);
  AEGP_StreamGroupingType g = -1;
  ASSERT_EQ(dyn_->AEGP_GetStreamGroupingType(root, &g), 0);
  EXPECT_EQ(g, AEGP_StreamGroupingType_NAMED_GROUP);
  A_long n = 0;
  ASSERT_EQ(dyn_->AEGP_GetNumStreamsInGroup(root, &n), 0);
  EXPECT_EQ(n, 5);
  AEGP_StreamRefH c = nullptr;
  ASSERT_EQ(dyn_->AEGP_GetNewStreamRefByIndex(0, root, 1, &c), 0);
  char match[AEGP_MAX_STREAM_MATCH_NAME_SIZE] = {};
  ASSERT_EQ(dyn_->AEGP_GetMatchName(c, match), 0);
  EXPECT_STREQ(match, "ADBE Root Vectors Group");
  EXPECT_EQ(Name(c, 1), u"Contents");
  AEGP_StreamRefH group = nullptr;
  ASSERT_EQ(dyn_->AEGP_GetNewStreamRefByIndex(0, c, 0, &group), 0);
  EXPECT_EQ(Name(group, 1), u"Group 1");
  EXPECT_EQ(Name(group, 0), u"Gruppe 1");
  AEGP_StreamRefH none = nullptr;
  EXPECT_NE(dyn_->AEGP_GetNewStreamRefByIndex(0, c, 1, &none), 0);
  EXPECT_EQ(none, nullptr);
  EXPECT_EQ(host_.streams().LiveStreamRefs(), 3);
  for (AEGP_StreamRefH r : {group, c, root}) EXPECT_EQ(stream10_->AEGP_DisposeStream(r), 0);
}

TEST_F(StreamSuitesTest, ClosedOutlineNumbersItsFirstVertexAgainAndDiesWithItsValue) {
  SimLayer layer;
  layer.masks.push_back(SimMask{});
  layer.masks[0].outline.outline = PolygonOutline({{0, 0}, {10, 0}, {10, 10}});
  AEGP_MaskRefH mask = host_.streams().NewMaskRef(&layer, 0);
  AEGP_StreamRefH s = nullptr;
  ASSERT_EQ(stream11_->AEGP_GetNewMaskStream(0, mask, AEGP_MaskStream_OUTLINE, &s), 0);
  const A_Time t{0, 1};
  AEGP_StreamValue2 v{};
  ASSERT_EQ(stream10_->AEGP_GetNewStreamValue(0, s, AEGP_LTimeMode_LayerTime, &t, 0, &v), 0);
  ASSERT_NE(v.val.mask, nullptr);
  A_long segs = 0;
  A_Boolean open = 1;
  EXPECT_EQ(outline_->AEGP_GetMaskOutlineNumSegments(v.val.mask, &segs), 0);
  EXPECT_EQ(outline_->AEGP_IsMaskOutlineOpen(v.val.mask, &open), 0);
  EXPECT_EQ(segs, 3);
  EXPECT_EQ(open, 0);
  AEGP_MaskVertex vx{};
  EXPECT_EQ(outline_->AEGP_GetMaskOutlineVertexInfo(v.val.mask, 3, &vx), 0);
  EXPECT_EQ(vx.x, 0.0);
  EXPECT_NE(outline_->AEGP_GetMaskOutlineVertexInfo(v.val.mask, 4, &vx), 0);
  AEGP_MaskOutlineValH dead = v.val.mask;
  EXPECT_EQ(stream10_->AEGP_DisposeStreamValue(&v), 0);
  EXPECT_NE(outline_->AEGP_GetMaskOutlineNumSegments(dead, &segs), 0);
  EXPECT_EQ(stream10_->AEGP_DisposeStream(s), 0);
  EXPECT_TRUE(host_.streams().DisposeMaskRef(mask));
}

TEST_F(StreamSuitesTest, LeakCheckSeesEveryKindOfHeldObjectAndBadDisposal) {
  SimLayer layer;
  AEGP_StreamRefH s = nullptr;
  ASSERT_EQ(stream11_->AEGP_GetNewLayerStream(0, LayerRef(layer), AEGP_LayerStream_ROTATION, &s), 0);
  const A_Time t{0, 1};
  AEGP_StreamValue2 v{};
  ASSERT_EQ(stream10_->AEGP_GetNewStreamValue(0, s, AEGP_LTimeMode_LayerTime, &t, 0, &v), 0);
  AEGP_MemHandle h = nullptr;
  ASSERT_EQ(stream10_->AEGP_GetStreamName(0, s, 1, &h), 0);
  EXPECT_EQ(host_.streams().Leaks().size(), 3u);  // the reference, the value, the name
  // The host's own leak check reports them too.
  int stream_leaks = 0;
  for (const std::string& leak : host_.Leaks()) stream_leaks += leak.find("Suite") == std::string::npos;
  EXPECT_EQ(stream_leaks, 3);
  EXPECT_EQ(stream10_->AEGP_DisposeStreamValue(&v), 0);
  EXPECT_NE(stream10_->AEGP_DisposeStreamValue(&v), 0);
  EXPECT_EQ(mem_->AEGP_FreeMemHandle(h), 0);
  EXPECT_EQ(stream10_->AEGP_DisposeStream(s), 0);
  EXPECT_NE(stream10_->AEGP_DisposeStream(s), 0);
  SkipLeakCheck();
  const auto leaks = host_.streams().Leaks();
  ASSERT_EQ(leaks.size(), 2u);  // the two bad disposals
  EXPECT_NE(leaks[0].find("not live"), std::string::npos);
  EXPECT_NE(leaks[1].find("not live"), std::string::npos);
}

TEST_F(StreamSuitesTest, ExpressionResultIsReturnedUnlessPreExpressionIsAsked) {
  SimLayer layer;
  layer.transform.rotation.value = {30.0, 0.0, 0.0};
  layer.transform.rotation.has_expression = true;
  layer.transform.rotation.expression_value = {45.0, 0.0, 0.0};
  AEGP_StreamRefH s = nullptr;
  ASSERT_EQ(stream11_->AEGP_GetNewLayerStream(0, LayerRef(layer), AEGP_LayerStream_ROTATION, &s), 0);
  const A_Time t{0, 1};
  AEGP_StreamValue2 v{};
  ASSERT_EQ(stream10_->AEGP_GetNewStreamValue(0, s, AEGP_LTimeMode_LayerTime, &t, 0, &v), 0);
  EXPECT_EQ(v.val.one_d, 45.0);
  stream10_->AEGP_DisposeStreamValue(&v);
  ASSERT_EQ(stream10_->AEGP_GetNewStreamValue(0, s, AEGP_LTimeMode_LayerTime, &t, 1, &v), 0);
  EXPECT_EQ(v.val.one_d, 30.0);
  stream10_->AEGP_DisposeStreamValue(&v);
  stream10_->AEGP_DisposeStream(s);
}

}  // namespace
