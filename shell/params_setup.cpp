// The effect's parameters, declared to the host in index order. Float
// sliders carry their default as a 64-bit value and a 32-bit dephault, and
// their ranges as 32-bit floats; the angle is in degrees as 16.16 fixed
// point. A group end does not start from a cleared definition: it is the
// previous parameter's definition with only its type and stored id changed,
// as the host's own parameter macros leave it.
#include "shell/params_setup.h"

#include <cstring>

#include "host/pf_errors.h"
#include "shell/param_index.h"
#include "shell/string_table.h"

namespace {

struct SliderValues {
  ParamDiskId disk_id;
  StrID name;
  PF_FpShort dflt;
  PF_FpShort valid_min;
  PF_FpShort valid_max;
  PF_FpShort slider_min;
  PF_FpShort slider_max;
  A_short precision;
};

constexpr PF_Fixed LIGHT_ANGLE_DEFAULT = static_cast<PF_Fixed>(-45 * 65536);  // -45 degrees, 16.16

// Copies at most 31 characters and a NUL, cutting longer names, as the
// vendor runtime's strncpy_s with _TRUNCATE does.
void CopyParamName(A_char (&dst)[32], const A_char* src) {
  std::size_t n = 0;
  while (n < sizeof dst - 1 && src[n] != '\0') ++n;
  std::memcpy(dst, src, n);
  dst[n] = '\0';
}

void StartGroup(PF_ParamDef& def, ParamDiskId id, StrID name, PF_ParamFlags flags) {
  def = PF_ParamDef{};
  def.param_type = PF_Param_GROUP_START;
  def.flags = flags;
  CopyParamName(def.name, GetStringPtr(name));
  def.uu.id = id;
}

void EndGroup(PF_ParamDef& def, ParamDiskId id) {
  def.param_type = PF_Param_GROUP_END;
  def.uu.id = id;
}

void LightAngle(PF_ParamDef& def) {
  def = PF_ParamDef{};
  def.param_type = PF_Param_ANGLE;
  def.flags = PF_ParamFlag_START_COLLAPSED;
  CopyParamName(def.name, GetStringPtr(STR_LIGHT_ANGLE));
  def.u.ad.value = LIGHT_ANGLE_DEFAULT;
  def.u.ad.dephault = LIGHT_ANGLE_DEFAULT;
  def.uu.id = DISK_ID_LIGHT_ANGLE;
}

void FloatSlider(PF_ParamDef& def, const SliderValues& slider) {
  def = PF_ParamDef{};
  def.param_type = PF_Param_FLOAT_SLIDER;
  def.flags = 0;
  CopyParamName(def.name, GetStringPtr(slider.name));
  def.u.fs_d.value = static_cast<PF_FpLong>(slider.dflt);
  def.u.fs_d.dephault = slider.dflt;
  def.u.fs_d.valid_min = slider.valid_min;
  def.u.fs_d.valid_max = slider.valid_max;
  def.u.fs_d.slider_min = slider.slider_min;
  def.u.fs_d.slider_max = slider.slider_max;
  def.u.fs_d.precision = slider.precision;
  def.u.fs_d.display_flags = 0;
  def.u.fs_d.curve_tolerance = 0.0f;
  def.uu.id = slider.disk_id;
}

constexpr SliderValues LIGHT_INTENSITY = {DISK_ID_LIGHT_INTENSITY, STR_LIGHT_INTENSITY,
                                             100.0f, 0.0f, 100.0f, 0.0f, 100.0f, 0};
constexpr SliderValues MIDDLE_SLIDERS[] = {
    {DISK_ID_REFRACTION, STR_REFRACTION, 70.0f, -100.0f, 100.0f, -100.0f, 100.0f, 1},
    {DISK_ID_DEPTH, STR_DEPTH, 40.0f, 0.0f, 100.0f, 0.0f, 100.0f, 1},
    {DISK_ID_DISPERSION, STR_DISPERSION, 50.0f, 0.0f, 100.0f, 0.0f, 100.0f, 1},
    {DISK_ID_FROST, STR_FROST, 0.0f, 0.0f, 100.0f, 0.0f, 100.0f, 1},
    {DISK_ID_SPLAY, STR_SPLAY, 0.0f, 0.0f, 100.0f, 0.0f, 100.0f, 1},
};
constexpr SliderValues ADJUSTMENT_SLIDERS[] = {
    {DISK_ID_MAGNIFY, STR_MAGNIFY, 0.0f, -100.0f, 100.0f, -100.0f, 100.0f, 1},
    {DISK_ID_EFFECT_SCALE, STR_EFFECT_SCALE, 1.0f, 0.1f, 4.0f, 0.1f, 4.0f, 1},
    {DISK_ID_RIM_SCALE, STR_RIM_SCALE, 1.0f, 0.1f, 4.0f, 0.1f, 4.0f, 1},
};

constexpr PF_ParamIndex APPEND = -1;

}  // namespace

PF_Err ParamsSetup(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef*[], PF_LayerDef*) {
  // Without the host's add_param there is nothing to declare with.
  if (in_data->inter.add_param == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  PF_ParamDef def{};
  auto add = [&] { return in_data->inter.add_param(in_data->effect_ref, APPEND, &def); };

  StartGroup(def, DISK_ID_LIGHT_GROUP_START, STR_LIGHT, 0);
  if (const PF_Err err = add()) return err;
  LightAngle(def);
  if (const PF_Err err = add()) return err;
  FloatSlider(def, LIGHT_INTENSITY);
  if (const PF_Err err = add()) return err;
  EndGroup(def, DISK_ID_LIGHT_GROUP_END);
  if (const PF_Err err = add()) return err;
  for (const SliderValues& slider : MIDDLE_SLIDERS) {
    FloatSlider(def, slider);
    if (const PF_Err err = add()) return err;
  }
  StartGroup(def, DISK_ID_ADJUSTMENTS_GROUP_START, STR_ADJUSTMENTS, PF_ParamFlag_START_COLLAPSED);
  if (const PF_Err err = add()) return err;
  for (const SliderValues& slider : ADJUSTMENT_SLIDERS) {
    FloatSlider(def, slider);
    if (const PF_Err err = add()) return err;
  }
  EndGroup(def, DISK_ID_ADJUSTMENTS_GROUP_END);
  if (const PF_Err err = add()) return err;

  out_data->num_params = PARAM_COUNT;
  return PF_Err_NONE;
}
