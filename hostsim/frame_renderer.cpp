#include "hostsim/frame_renderer.h"

namespace hostsim {

FrameResult RenderFrame(CommandDriver& commands, SimEffectInstance& instance, const FrameRequest& request,
                        SimWorld& input, SimWorld& output) {
  FrameResult result;
  PreRenderDriver pre(commands, instance);
  PF_InData& in = pre.in_data();
  in.downsample_x = request.downsample_x;
  in.downsample_y = request.downsample_y;
  in.quality = request.quality;
  in.width = request.layer_width > 0 ? request.layer_width : output.width();
  in.height = request.layer_height > 0 ? request.layer_height : output.height();
  PF_LRect rect = request.rect;
  if (rect.right <= rect.left || rect.bottom <= rect.top) rect = {0, 0, output.width(), output.height()};
  pre.input().output_request.rect = rect;
  pre.input().bitdepth = request.deep ? 16 : 8;
  const PreRenderOutcome outcome = pre.Run(false);
  result.pre_render_err = outcome.err;
  result.pre_render_output = outcome.output;

  SmartRenderCall call(in, commands.module(), instance.effect_ref());
  call.input = &input;
  call.output = &output;
  call.render_input.output_request.rect = rect;
  call.render_input.bitdepth = request.deep ? 16 : 8;
  call.render_input.pre_render_data = outcome.err == 0 ? outcome.output.pre_render_data : nullptr;
  if (outcome.err == 0) result.render_err = call.Send();
  result.input_checkouts = call.input_checkouts;
  result.input_checkins = call.input_checkins;
  if (outcome.output.pre_render_data != nullptr && outcome.output.delete_pre_render_data_func != nullptr) {
    outcome.output.delete_pre_render_data_func(outcome.output.pre_render_data);
  }
  return result;
}

}  // namespace hostsim
