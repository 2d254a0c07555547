// The rim light, the last stage of both pipelines: brightens the pane edges
// that face a directional light and adds a soft glow across each pane that
// brightens its side towards the light and darkens the far side. It works in
// the output world's pixel frame (x right, y down), reads signed pane
// distances in output pixels (positive inside), and changes the output world
// in place on the calling thread.
#pragma once
#include <cstdint>

#include "host/pf_effect_world.h"
#include "render/float_plane.h"
#include "render/pane_centre.h"
#include "render/pane_regions.h"

// A plane of a raster stage's padded grid: output pixel (x, y) is element
// (y + offset) x row_length + (x + offset).
struct CroppedPlaneView {
  const float* data = nullptr;
  std::int32_t row_length = 0;
  std::int32_t rows = 0;
  std::int32_t offset = 0;

  bool Exists() const { return data != nullptr; }
};

// The view of a padded FloatPlane (row length = its width) with its margin;
// an empty plane gives a view that does not exist.
CroppedPlaneView ViewOfPaddedPlane(const FloatPlane& plane, std::int32_t offset);

// Header values and derived values of the frame that the rim light reads.
struct RimLightSettings {
  double light_angle_deg = -45.0;
  double light_intensity = 100.0;
  double rim_scale = 1.0;
  double scale_factor = 2.0;
  double depth_px = 80.0;
  double downsample_y = 1.0;
  double rotation_cos = 1.0;
  double rotation_sin = 0.0;
};

// Per-call values, 32-bit floats.
struct RimLightValues {
  float light_dir_x = 0.0f;  // unit light direction in the output frame
  float light_dir_y = 0.0f;
  float light_phase = 0.0f;  // angle of the profile's entry 0, radians
  float rim_intensity = 0.0f;
  float rim_band = 0.0f;     // width of the rim, output pixels
  float glow_inner = 0.0f;
  float glow_reach = 0.0f;   // depth over which the glow fades out
  float rim_limit = 0.0f;    // deeper pixels are left alone
};

struct RimLightInputs {
  const FloatPlane* pane_depth = nullptr;
  const FloatPlane* pane_distance = nullptr;
  CroppedPlaneView smooth_field;
  CroppedPlaneView matte_smooth_field;
  CroppedPlaneView gradient_x;
  CroppedPlaneView gradient_y;
  PaneCentre centre;
  const PaneRegions* regions = nullptr;  // null or unlabelled: the one centre
  bool matte_source = false;
  bool raster_source = false;
  bool paths_supersampled = false;
};

// Light Intensity at or below 0.1 turns the rim light off.
constexpr double RIM_LIGHT_MIN_INTENSITY = 0.1;
constexpr bool RimLightRuns(double light_intensity) { return light_intensity > RIM_LIGHT_MIN_INTENSITY; }

RimLightValues ComputeRimLightValues(const RimLightSettings& settings);

// The profile's response at gradient angle phi (radians), interpolated
// between neighbouring entries and wrapped over the full turn.
float RimAngleResponse(float phi, float light_phase);

// Lights the output world in place; does nothing when the light is off or
// when the pane planes are missing or not the world's size.
template <typename Pixel>
void RimLightPass(PF_EffectWorld& output, const RimLightSettings& settings, const RimLightInputs& inputs);

extern template void RimLightPass<PF_Pixel8>(PF_EffectWorld&, const RimLightSettings&, const RimLightInputs&);
extern template void RimLightPass<PF_Pixel16>(PF_EffectWorld&, const RimLightSettings&, const RimLightInputs&);
