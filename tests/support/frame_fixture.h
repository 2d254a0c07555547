// Whole frames through the simulated host: a scene description is built
// into the host, the module is set up through its entry point as the host
// does, and frames are rendered over a background world.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

#include "hostsim/command_driver.h"
#include "hostsim/frame_renderer.h"
#include "hostsim/scene_desc.h"
#include "hostsim/scene_desc_builder.h"
#include "hostsim/sim_world.h"
#include "shell/plugin_globals.h"
#include "support/host_fixture.h"
#include "support/linked_module.h"

class FrameTest : public HostTest {
 protected:
  void TearDown() override {
    if (commands_ != nullptr) commands_->SequenceSetdown();
    g_basic_suite = nullptr;
    HostTest::TearDown();
  }

  void Build(const hostsim::SceneDesc& desc) {
    desc_ = desc;
    built_ = hostsim::BuildScene(host_, desc);
    commands_ = std::make_unique<hostsim::CommandDriver>(host_, LinkedModule());
    ASSERT_EQ(commands_->GlobalSetup(), 0);
    ASSERT_EQ(commands_->ParamsSetup(), 0);
    ASSERT_EQ(commands_->SequenceSetup(), 0);
  }

  hostsim::FrameResult Render(hostsim::SimWorld& input, hostsim::SimWorld& output,
                              hostsim::FrameRequest request = {}) {
    request.deep = output.deep();
    if (request.layer_width == 0) {
      request.layer_width = desc_.layer_size[0] > 0 ? desc_.layer_size[0] : desc_.width;
      request.layer_height = desc_.layer_size[1] > 0 ? desc_.layer_size[1] : desc_.height;
    }
    return hostsim::RenderFrame(*commands_, *built_.instance, request, input, output);
  }

  hostsim::SceneDesc desc_;
  hostsim::BuiltScene built_;
  std::unique_ptr<hostsim::CommandDriver> commands_;
};

// A deterministic, colourful, opaque background whose pixels differ from
// their neighbours, so any displacement shows.
inline void FillBackground(hostsim::SimWorld& world, bool mirror_symmetric = false) {
  for (A_long y = 0; y < world.height(); ++y) {
    for (A_long x = 0; x < world.width(); ++x) {
      const A_long mx = mirror_symmetric ? std::min(x, world.width() - 1 - x) : x;
      const std::uint32_t r = static_cast<std::uint32_t>((mx * 37 + y * 11) % 251);
      const std::uint32_t g = static_cast<std::uint32_t>((mx * 13 + y * 29 + 80) % 241);
      const std::uint32_t b = static_cast<std::uint32_t>(((mx / 4) * 53 + (y / 4) * 7 + 30) % 239);
      if (world.deep()) {
        world.Pixel16(x, y) = PF_Pixel16{PF_MAX_CHAN16, static_cast<A_u_short>(r * 128), static_cast<A_u_short>(g * 128),
                                         static_cast<A_u_short>(b * 128)};
      } else {
        world.Pixel8(x, y) = PF_Pixel8{255, static_cast<A_u_char>(r), static_cast<A_u_char>(g), static_cast<A_u_char>(b)};
      }
    }
  }
}
