// The plug-in under load as a host puts it there: eight frames of one
// effect instance rendered at once on eight host threads (each render
// spreading its passes over its own workers) give exactly the bytes of the
// same frames rendered one at a time, on every road; and two hundred frames
// in a row leave the heap where the first few left it.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#include <cstddef>
// The sanitizer runtimes replace the allocator and report its use here
// (declared by hand: the compiler's runtime ships no header for it).
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#define PRISMORA_HEAP_BYTES_KNOWN 1
#elif defined(__GLIBC__)
#include <malloc.h>
#define PRISMORA_HEAP_BYTES_KNOWN 1
#endif

#include "host/pf_errors.h"
#include "support/frame_fixture.h"
#include "support/road_scenes.h"

namespace {

using hostsim::SceneDesc;
using hostsim::SimWorld;

// Frame i of a moving background: the pattern slides by a few pixels a
// frame, so every frame has its own input.
void FillMovingBackground(SimWorld& world, int frame) {
  for (A_long y = 0; y < world.height(); ++y) {
    for (A_long x = 0; x < world.width(); ++x) {
      const A_long mx = x + 3 * frame;
      const A_long my = y + frame;
      const auto r = static_cast<std::uint32_t>((mx * 37 + my * 11) % 251);
      const auto g = static_cast<std::uint32_t>((mx * 13 + my * 29 + 80) % 241);
      const auto b = static_cast<std::uint32_t>(((mx / 4) * 53 + (my / 4) * 7 + 30) % 239);
      if (world.deep()) {
        world.Pixel16(x, y) = PF_Pixel16{PF_MAX_CHAN16, static_cast<A_u_short>(r * 128),
                                         static_cast<A_u_short>(g * 128), static_cast<A_u_short>(b * 128)};
      } else {
        world.Pixel8(x, y) = PF_Pixel8{255, static_cast<A_u_char>(r), static_cast<A_u_char>(g),
                                       static_cast<A_u_char>(b)};
      }
    }
  }
}

// One effect instance on a host of its own, set up as the host does and
// set down, with the host's accounting checked, when it goes.
class LoadedInstance {
 public:
  explicit LoadedInstance(const SceneDesc& desc)
      : desc_(desc), built_(hostsim::BuildScene(host_, desc)), commands_(host_, LinkedModule()) {
    ok_ = commands_.GlobalSetup() == 0 && commands_.ParamsSetup() == 0 && commands_.SequenceSetup() == 0;
  }
  ~LoadedInstance() {
    commands_.SequenceSetdown();
    for (const std::string& leak : host_.Leaks()) ADD_FAILURE() << "host leak: " << leak;
    g_basic_suite = nullptr;
  }
  bool ok() const { return ok_; }
  hostsim::Host& host() { return host_; }
  hostsim::CommandDriver& commands() { return commands_; }
  // The simulated host logs every call it answers; a long run forgets them
  // so that only the plug-in's own memory is measured.
  void ForgetHostLog() {
    built_.instance->ClearLog();
    host_.streams().ClearReadLog();
    for (const std::string& imbalance : host_.suites().Imbalances()) ADD_FAILURE() << "suites: " << imbalance;
    host_.suites().ResetCounts();
  }

  hostsim::FrameResult Render(hostsim::CommandDriver& commands, SimWorld& input, SimWorld& output) {
    hostsim::FrameRequest request;
    request.deep = output.deep();
    request.layer_width = desc_.width;
    request.layer_height = desc_.height;
    return hostsim::RenderFrame(commands, *built_.instance, request, input, output);
  }

 private:
  SceneDesc desc_;
  hostsim::Host host_;
  hostsim::BuiltScene built_;
  hostsim::CommandDriver commands_;
  bool ok_ = false;
};

constexpr int HOST_THREADS = 8;

TEST(FrameLoadTest, EightFramesAtOnceGiveTheBytesOfEachAlone) {
  for (const Road road : AllRoads()) {
    if (!RoadAvailable(road)) continue;
    for (const bool deep : {false, true}) {
      SCOPED_TRACE(testing::Message() << RoadName(road) << (deep ? ", 16 bits" : ", 8 bits"));
      const SceneDesc desc = RoadScene(road, deep, true);
      LoadedInstance instance(desc);
      ASSERT_TRUE(instance.ok());
      std::vector<SimWorld> inputs;
      std::vector<std::vector<std::uint8_t>> alone;
      for (int i = 0; i < HOST_THREADS; ++i) {
        inputs.emplace_back(desc.width, desc.height, deep);
        FillMovingBackground(inputs.back(), i);
        SimWorld output(desc.width, desc.height, deep);
        ASSERT_EQ(instance.Render(instance.commands(), inputs.back(), output).render_err, PF_Err_NONE);
        alone.push_back(output.PixelBytes());
      }
      // The frames differ, so a render that read another's input or planes
      // would show.
      EXPECT_NE(alone[0], alone[1]);

      std::vector<SimWorld> outputs;
      for (int i = 0; i < HOST_THREADS; ++i) outputs.emplace_back(desc.width, desc.height, deep);
      std::vector<PF_Err> errs(HOST_THREADS, -1);
      std::vector<std::thread> threads;
      for (int i = 0; i < HOST_THREADS; ++i) {
        threads.emplace_back([&, i] {
          // Each host render thread sends its commands with its own records.
          hostsim::CommandDriver commands(instance.host(), LinkedModule());
          errs[static_cast<std::size_t>(i)] =
              instance.Render(commands, inputs[static_cast<std::size_t>(i)], outputs[static_cast<std::size_t>(i)])
                  .render_err;
        });
      }
      for (std::thread& t : threads) t.join();
      for (int i = 0; i < HOST_THREADS; ++i) {
        EXPECT_EQ(errs[static_cast<std::size_t>(i)], PF_Err_NONE) << i;
        EXPECT_EQ(outputs[static_cast<std::size_t>(i)].PixelBytes(), alone[static_cast<std::size_t>(i)]) << i;
      }
    }
  }
}

#ifdef PRISMORA_HEAP_BYTES_KNOWN
std::int64_t HeapBytesInUse() {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  return static_cast<std::int64_t>(__sanitizer_get_current_allocated_bytes());
#else
  const struct mallinfo2 info = mallinfo2();
  return static_cast<std::int64_t>(info.uordblks) + static_cast<std::int64_t>(info.hblkhd);
#endif
}
#endif

TEST(FrameLoadTest, TwoHundredFramesKeepTheHeapFlat) {
#ifndef PRISMORA_HEAP_BYTES_KNOWN
  GTEST_SKIP() << "no way to read the heap's use here";
#else
  // A frame large enough that one plane left behind per frame (77 kB)
  // would add up to far more than the bound.
  SceneDesc d = RoadScene(Road::SEVERAL_SHAPES, false, true);
  d.width = 160;
  d.height = 120;
  LoadedInstance instance(d);
  ASSERT_TRUE(instance.ok());
  SimWorld input(160, 120, false);
  FillBackground(input);
  constexpr int WARM_UP = 10;
  constexpr int FRAMES = 200;
  std::int64_t after_warm_up = 0;
  for (int i = 0; i < FRAMES; ++i) {
    SimWorld output(160, 120, false);
    ASSERT_EQ(instance.Render(instance.commands(), input, output).render_err, PF_Err_NONE);
    instance.ForgetHostLog();
    if (i + 1 == WARM_UP) after_warm_up = HeapBytesInUse();
  }
  const std::int64_t growth = HeapBytesInUse() - after_warm_up;
  // The host's own call logs are forgotten after every frame, so what is
  // left is the plug-in's: flat to within allocator noise, while one
  // 160 x 120 plane left behind per frame would add 14 MB.
  constexpr std::int64_t BOUND = 1 << 20;
  EXPECT_LT(growth, BOUND) << "the heap grew by " << growth << " bytes over " << FRAMES - WARM_UP << " frames";
#endif
}

}  // namespace
