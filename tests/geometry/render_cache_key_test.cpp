// The blocks the pre-render feeds to the host's GUID mix-in, as the
// simulated host records them, checked against hashes computed here from
// the scene with a separate FNV-1a fold.
#include <gtest/gtest.h>

#include <cstring>

#include "host/pf_errors.h"
#include "pre_render_test_support.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using hostsim::SimLayer;
using hostsim::SimTextPath;

constexpr std::uint64_t SEED = 0x14650fb0739d0383ULL;
constexpr std::uint64_t PRIME = 0x100000001b3ULL;

std::uint64_t Fold(std::uint64_t h, const void* data, std::size_t n) {
  const auto* p = static_cast<const std::uint8_t*>(data);
  for (std::size_t i = 0; i < n; ++i) h = (h ^ p[i]) * PRIME;
  return h;
}
std::uint64_t FoldCount(std::uint64_t h, std::int32_t n) { return (h ^ static_cast<std::uint32_t>(n)) * PRIME; }

template <typename T>
Bytes BytesOf(const T& v) {
  Bytes b(sizeof v);
  std::memcpy(b.data(), &v, sizeof v);
  return b;
}

// The text hash as the key defines it, over the scene's own vertices.
std::uint64_t TextHash(const hostsim::SimTextOutlines& text, int budget = 4000) {
  std::uint64_t h = FoldCount(SEED, static_cast<std::int32_t>(text.paths.size()));
  for (std::size_t i = 0; i < text.paths.size() && budget > 0; ++i) {
    if (static_cast<int>(i) == text.null_path) continue;
    const SimTextPath& p = text.paths[i];
    const A_long s = p.Segments();
    h = FoldCount(h, s);
    for (A_long v = 0; v <= s && budget > 0; ++v, --budget) {
      const PF_PathVertex& vx = p.vertices[static_cast<std::size_t>(v) % p.vertices.size()];
      h = Fold(h, &vx, sizeof vx);
    }
  }
  return h;
}

SimTextPath PathOf(int vertices, bool open, double seed) {
  SimTextPath p;
  p.open = open;
  for (int i = 0; i < vertices; ++i) {
    const double x = seed + i;
    p.vertices.push_back(PF_PathVertex{x, x * 0.5, -1.0, 0.25, 1.0, -0.25});
  }
  return p;
}

const Bytes TAG = {'1', 'Z', 'R', 'P'};

using RenderCacheKeyTest = PreRenderTest;

TEST_F(RenderCacheKeyTest, PlainLayerWithoutPanesFeedsFourBlocks) {
  Build(1, AEGP_ObjectType_VECTOR);  // shape layer with no contents: no slot
  driver_->Run();
  const auto blocks = instance_->GuidBlocks();
  ASSERT_EQ(blocks.size(), 4u);
  EXPECT_EQ(blocks[0], TAG);
  EXPECT_EQ(blocks[1], BytesOf<std::int32_t>(94));
  EXPECT_EQ(blocks[2], BytesOf<std::int32_t>(123));
  EXPECT_EQ(blocks[3], BytesOf<std::int32_t>(0));
}

TEST_F(RenderCacheKeyTest, SlotHashCoversTheStagedSlotsAsRecorded) {
  SimLayer& layer = Build();
  layer.transform.rotation.value = {45.0, 0, 0};
  const hostsim::PreRenderOutcome o = driver_->Run();
  const auto blocks = instance_->GuidBlocks();
  ASSERT_EQ(blocks.size(), 5u);
  EXPECT_EQ(blocks[3], BytesOf<std::int32_t>(1));
  ASSERT_EQ(o.record.size(), 34232u);
  const std::uint64_t expected = Fold(SEED, o.record.data() + SHAPE_SLOTS_OFFSET, SHAPE_SLOT_SIZE);
  EXPECT_EQ(blocks[4], BytesOf(expected));
  // The hash follows the layer's rotation through rot_cos and rot_sin.
  layer.transform.rotation.value = {46.0, 0, 0};
  instance_->ClearLog();
  driver_->Run();
  EXPECT_NE(instance_->GuidBlocks()[4], blocks[4]);
}

TEST_F(RenderCacheKeyTest, TextLayerFeedsTheHashOfItsOutlines) {
  SimLayer& layer = Build(1, AEGP_ObjectType_TEXT);
  layer.text.paths = {PathOf(3, false, 10.0), PathOf(4, false, 20.0), PathOf(2, true, 30.0)};
  layer.text.null_path = 1;  // a path the host cannot give is skipped
  driver_->Run();
  const auto blocks = instance_->GuidBlocks();
  ASSERT_EQ(blocks.size(), 5u);
  EXPECT_EQ(blocks[3], BytesOf<std::int32_t>(0));
  EXPECT_EQ(blocks[4], BytesOf(TextHash(layer.text)));
  EXPECT_EQ(host_.calls().Count("PF_PathVertexInfo"), 4 + 2);  // s + 1 per path
}

TEST_F(RenderCacheKeyTest, TextHashEdgeCases) {
  SimLayer& layer = Build(1, AEGP_ObjectType_TEXT);
  // No path at all: the hash of the count 0 alone.
  driver_->Run();
  ASSERT_EQ(instance_->GuidBlocks().size(), 5u);
  EXPECT_EQ(instance_->GuidBlocks()[4], BytesOf(FoldCount(SEED, 0)));

  // Outlines the host cannot give: no text block.
  for (bool null_outlines : {false, true}) {
    layer.text.fail_new = !null_outlines;
    layer.text.null_outlines = null_outlines;
    instance_->ClearLog();
    driver_->Run();
    EXPECT_EQ(instance_->GuidBlocks().size(), 4u);
  }
  layer.text.fail_new = false;
  layer.text.null_outlines = false;

  // A vertex read that fails leaves the rest of that path out.
  layer.text.paths = {PathOf(5, false, 1.0)};
  layer.text.paths[0].fail_vertex = 2;
  instance_->ClearLog();
  driver_->Run();
  std::uint64_t h = FoldCount(FoldCount(SEED, 1), 5);
  h = Fold(h, &layer.text.paths[0].vertices[0], sizeof(PF_PathVertex));
  h = Fold(h, &layer.text.paths[0].vertices[1], sizeof(PF_PathVertex));
  EXPECT_EQ(instance_->GuidBlocks()[4], BytesOf(h));
}

TEST_F(RenderCacheKeyTest, TextHashReadsAtMost4000Vertices) {
  SimLayer& layer = Build(1, AEGP_ObjectType_TEXT);
  layer.text.paths = {PathOf(3000, false, 0.0), PathOf(2000, false, 5000.0)};
  driver_->Run();
  const Bytes first = instance_->GuidBlocks().at(4);
  EXPECT_EQ(first, BytesOf(TextHash(layer.text)));
  EXPECT_EQ(host_.calls().Count("PF_PathVertexInfo"), 4000);

  // A change past the 4000th vertex does not change the key...
  layer.text.paths[1].vertices[1500].x += 1.0;
  instance_->ClearLog();
  driver_->Run();
  EXPECT_EQ(instance_->GuidBlocks().at(4), first);
  // ...one before it does.
  layer.text.paths[1].vertices[990].x += 1.0;
  instance_->ClearLog();
  driver_->Run();
  EXPECT_NE(instance_->GuidBlocks().at(4), first);
}

TEST_F(RenderCacheKeyTest, TrackMatteBlocks) {
  SimLayer& layer = Build(2, AEGP_ObjectType_VECTOR);
  SimLayer& matte = LayerAt(1);
  layer.track_matte = &matte;
  layer.offset = {15, 30};
  layer.transfer_mode = {0, 0, 3};
  matte.flags = AEGP_LayerFlag_VIDEO_ACTIVE | AEGP_LayerFlag_SHY;
  A_Matrix4 m{};
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) m.mat[r][c] = r * 4 + c + 0.5;
  }
  matte.layer_to_world = m;
  driver_->in_data().current_time = 10;

  driver_->Run();
  auto blocks = instance_->GuidBlocks();
  ASSERT_EQ(blocks.size(), 8u);
  EXPECT_EQ(blocks[4], BytesOf(A_Time{25, 30}));
  EXPECT_EQ(blocks[5], BytesOf(m));
  EXPECT_EQ(blocks[6], BytesOf<std::int32_t>(AEGP_LayerFlag_VIDEO_ACTIVE | AEGP_LayerFlag_SHY));
  EXPECT_EQ(blocks[7], BytesOf<std::int32_t>(3));

  // Without the composition time there is neither time nor matrix.
  host_.calls().Fail("AEGP_ConvertEffectToCompTime");
  instance_->ClearLog();
  driver_->Run();
  blocks = instance_->GuidBlocks();
  ASSERT_EQ(blocks.size(), 6u);
  EXPECT_EQ(blocks[4], BytesOf<std::int32_t>(AEGP_LayerFlag_VIDEO_ACTIVE | AEGP_LayerFlag_SHY));
  EXPECT_EQ(blocks[5], BytesOf<std::int32_t>(3));
  host_.calls().ClearAll();

  // Each failed query leaves only its own block out.
  matte.failing_calls = {"AEGP_GetLayerToWorldXform", "AEGP_GetLayerFlags"};
  instance_->ClearLog();
  driver_->Run();
  blocks = instance_->GuidBlocks();
  ASSERT_EQ(blocks.size(), 6u);
  EXPECT_EQ(blocks[4], BytesOf(A_Time{25, 30}));
  EXPECT_EQ(blocks[5], BytesOf<std::int32_t>(3));

  // No matte layer: no matte blocks.
  layer.track_matte = nullptr;
  instance_->ClearLog();
  driver_->Run();
  EXPECT_EQ(instance_->GuidBlocks().size(), 4u);
}

TEST_F(RenderCacheKeyTest, NoMixInCallbackFeedsNothingAndStillSucceeds) {
  Build();
  driver_->callbacks().GuidMixInPtr = nullptr;
  driver_->output_before().solid = 1;
  const hostsim::PreRenderOutcome o = driver_->Run();
  EXPECT_EQ(o.err, PF_Err_NONE);
  EXPECT_TRUE(instance_->GuidBlocks().empty());
  EXPECT_EQ(o.output.solid, 0);
}

}  // namespace
