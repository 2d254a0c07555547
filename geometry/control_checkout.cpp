#include "geometry/control_checkout.h"

#include <cmath>
#include <cstring>

#include "geometry/bounded_values.h"
#include "host/pf_errors.h"
#include "shell/param_index.h"

const PF_ParamIndex CONTROL_CHECKOUT_ORDER[CONTROL_COUNT] = {
    PARAM_LIGHT_ANGLE, PARAM_LIGHT_INTENSITY, PARAM_MAGNIFY, PARAM_REFRACTION,   PARAM_DEPTH,
    PARAM_DISPERSION,  PARAM_FROST,           PARAM_SPLAY,   PARAM_EFFECT_SCALE, PARAM_RIM_SCALE,
};

namespace {

constexpr double FIXED_ONE_INVERSE = 1.0 / 65536.0;

// An expression or a damaged project can hand us NaN or infinity; such a
// value must never reach the record, so it reads as an unread control. A
// finite value far outside every range is held to CONTROL_LIMIT, where the
// products the render forms from it stay finite.
double Finite(double v) { return BoundedControl(v); }

}  // namespace

ControlCheckout::ControlCheckout(PF_InData* in_data) : in_data_(in_data) {
  std::memset(params_, 0, sizeof params_);
  for (bool& b : checked_out_) b = false;
}

ControlCheckout::~ControlCheckout() {
  for (int i = 0; i < CONTROL_COUNT; ++i) {
    if (checked_out_[i] && in_data_->inter.checkin_param != nullptr) {
      in_data_->inter.checkin_param(in_data_->effect_ref, &params_[i]);
    }
  }
}

PF_Err ControlCheckout::CheckOut() {
  if (in_data_->inter.checkout_param == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  for (int i = 0; i < CONTROL_COUNT; ++i) {
    const PF_Err err = in_data_->inter.checkout_param(in_data_->effect_ref, CONTROL_CHECKOUT_ORDER[i],
                                                      in_data_->current_time, in_data_->time_step,
                                                      in_data_->time_scale, &params_[i]);
    if (err != PF_Err_NONE) {
      // The host may have written into the record before it failed.
      std::memset(&params_[i], 0, sizeof params_[i]);
      return err;
    }
    checked_out_[i] = true;
  }
  return PF_Err_NONE;
}

PF_Err ControlCheckout::CheckIn() {
  // Every record goes back even after a failed check-in, so the host is
  // never left with one outstanding; the first error is the result.
  PF_Err first_err = PF_Err_NONE;
  for (int i = 0; i < CONTROL_COUNT; ++i) {
    if (!checked_out_[i]) continue;
    checked_out_[i] = false;
    const PF_Err err = in_data_->inter.checkin_param != nullptr
                           ? in_data_->inter.checkin_param(in_data_->effect_ref, &params_[i])
                           : PF_Err_BAD_CALLBACK_PARAM;
    if (err != PF_Err_NONE && first_err == PF_Err_NONE) first_err = err;
  }
  return first_err;
}

ControlValues ControlCheckout::Values() const {
  ControlValues v;
  v.light_angle_deg = static_cast<double>(params_[0].u.ad.value) * FIXED_ONE_INVERSE;
  v.light_intensity = Finite(params_[1].u.fs_d.value);
  v.magnify = Finite(params_[2].u.fs_d.value);
  v.refraction = Finite(params_[3].u.fs_d.value);
  v.depth = Finite(params_[4].u.fs_d.value);
  v.dispersion = Finite(params_[5].u.fs_d.value);
  v.frost = Finite(params_[6].u.fs_d.value);
  v.splay = Finite(params_[7].u.fs_d.value);
  v.effect_scale = Finite(params_[8].u.fs_d.value);
  v.rim_scale = Finite(params_[9].u.fs_d.value);
  return v;
}
