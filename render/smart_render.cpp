// The smart render command: checks out the input layer and the output
// world, chooses the pipeline by the output's depth, gives the pipeline a
// transparent stand-in when the input has no pixels, and turns every way
// rendering cannot happen into a defined output and error code.
#include "render/smart_render.h"

#include <cstring>

#include "host/pf_errors.h"
#include "render/allocation_seam.h"
#include "render/render_refraction.h"

namespace {

constexpr A_long INPUT_LAYER = 0;

bool HasPixels(const PF_EffectWorld* world) {
  return world != nullptr && world->data != nullptr && world->width > 0 && world->height > 0;
}

// Clears each row's pixels and leaves the padding between rows alone.
void ClearWorld(PF_EffectWorld& world, std::size_t bytes_per_pixel) {
  auto* base = static_cast<std::uint8_t*>(world.data);
  const std::size_t row_bytes = static_cast<std::size_t>(world.width) * bytes_per_pixel;
  for (A_long y = 0; y < world.height; ++y) {
    std::memset(base + static_cast<std::ptrdiff_t>(y) * world.rowbytes, 0, row_bytes);
  }
}

}  // namespace

PF_Err SmartRender(PF_InData* in_data, PF_OutData* out_data, PF_SmartRenderExtra* extra) {
  // Without its callbacks or its input record the command cannot be served;
  // the host gets an error rather than a crash.
  if (extra == nullptr || extra->cb == nullptr || extra->input == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  PF_SmartRenderCallbacks& cb = *extra->cb;
  PF_ProgPtr effect_ref = in_data->effect_ref;

  PF_EffectWorld* input = nullptr;
  PF_EffectWorld* output = nullptr;
  const PF_Err input_err = cb.checkout_layer_pixels(effect_ref, INPUT_LAYER, &input);
  const PF_Err output_err = cb.checkout_output(effect_ref, &output);
  const PF_Err err = input_err != PF_Err_NONE ? input_err : output_err;

  const bool deep = output != nullptr && (output->world_flags & PF_WorldFlag_DEEP) != 0;
  const std::size_t bytes_per_pixel = deep ? 8 : 4;

  PF_EffectWorld substitute_input{};
  SubstitutePixels substitute_pixels;
  if (err == PF_Err_NONE && HasPixels(output)) {
    if (!HasPixels(input)) {
      const std::uint64_t bytes = static_cast<std::uint64_t>(output->height) *
                                  static_cast<std::uint64_t>(output->width) * bytes_per_pixel;
      substitute_pixels = TryAllocateZeroedArray<std::uint8_t>(bytes);
      if (substitute_pixels != nullptr) {
        substitute_input.data = substitute_pixels.get();
        substitute_input.width = output->width;
        substitute_input.height = output->height;
        substitute_input.world_flags = output->world_flags;
        substitute_input.rowbytes = static_cast<A_long>(bytes_per_pixel) * output->width;
        substitute_input.origin_x = extra->input->output_request.rect.left;
        substitute_input.origin_y = extra->input->output_request.rect.top;
        input = &substitute_input;
      }
    }
    if (HasPixels(input)) {
      try {
        return deep ? RenderRefraction16(in_data, out_data, extra, input, output, substitute_pixels)
                    : RenderRefraction8(in_data, out_data, extra, input, output, substitute_pixels);
      } catch (...) {
        if (input_err == PF_Err_NONE) cb.checkin_layer_pixels(effect_ref, INPUT_LAYER);
        substitute_pixels.reset();
        return PF_Err_OUT_OF_MEMORY;
      }
    }
  }

  if (HasPixels(output)) ClearWorld(*output, bytes_per_pixel);
  if (input_err == PF_Err_NONE) cb.checkin_layer_pixels(effect_ref, INPUT_LAYER);
  if (err != PF_Err_NONE) return err;
  return HasPixels(output) ? PF_Err_NONE : PF_Err_BAD_CALLBACK_PARAM;
}
