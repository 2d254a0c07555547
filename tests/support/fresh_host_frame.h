// One whole frame on a host of its own: the scene is built, the module set
// up through its entry point, one frame rendered over the standard
// background, the instance set down, and the host's accounting of every
// suite, handle, stream, parameter and render taken. Tests that render many
// frames under faults use it so that no frame can hide another's leak.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "hostsim/command_driver.h"
#include "hostsim/frame_renderer.h"
#include "hostsim/scene_desc.h"
#include "hostsim/scene_desc_builder.h"
#include "hostsim/sim_world.h"
#include "shell/plugin_globals.h"
#include "support/frame_fixture.h"
#include "support/linked_module.h"

struct FreshFrame {
  PF_Err pre_render_err = 0;
  PF_Err render_err = 0;
  int input_checkouts = 0;
  int input_checkins = 0;
  std::vector<std::uint8_t> bytes;  // the output's pixels
  std::vector<std::string> leaks;   // what the host still holds afterwards
};

inline FreshFrame RenderFreshFrame(const hostsim::SceneDesc& desc) {
  FreshFrame result;
  const bool deep = desc.depth == 16;
  {
    hostsim::Host host;
    const hostsim::BuiltScene built = hostsim::BuildScene(host, desc);
    hostsim::CommandDriver commands(host, LinkedModule());
    if (commands.GlobalSetup() != 0 || commands.ParamsSetup() != 0 || commands.SequenceSetup() != 0) {
      result.leaks.push_back("setup failed");
      g_basic_suite = nullptr;
      return result;
    }
    hostsim::SimWorld input(desc.width, desc.height, deep), output(desc.width, desc.height, deep);
    FillBackground(input);
    hostsim::FrameRequest request;
    request.deep = deep;
    request.layer_width = desc.layer_size[0] > 0 ? desc.layer_size[0] : desc.width;
    request.layer_height = desc.layer_size[1] > 0 ? desc.layer_size[1] : desc.height;
    const hostsim::FrameResult r = hostsim::RenderFrame(commands, *built.instance, request, input, output);
    commands.SequenceSetdown();
    result.pre_render_err = r.pre_render_err;
    result.render_err = r.render_err;
    result.input_checkouts = r.input_checkouts;
    result.input_checkins = r.input_checkins;
    result.bytes = output.PixelBytes();
    result.leaks = host.Leaks();
    if (!output.PaddingIntact()) result.leaks.push_back("output padding overwritten");
    g_basic_suite = nullptr;
  }
  return result;
}
