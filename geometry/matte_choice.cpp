#include "geometry/matte_choice.h"

#include <cmath>

#include "geometry/pre_render_data.h"
#include "geometry/source_box.h"
#include "host/pf_errors.h"
#include "host/suites/aegp_comp_suite25.h"
#include "host/suites/aegp_item_suite14.h"
#include "host/suites/aegp_layer_suite11.h"
#include "host/suites/aegp_layer_suite15.h"
#include "shell/suite_handler.h"

namespace {

double Ratio(const PF_RationalScale& s) {
  return s.den == 0 ? 1.0 : static_cast<double>(s.num) / static_cast<double>(s.den);
}

// The effect layer's composition size, false when the host cannot tell.
bool CompositionSize(SuiteHandler& suites, AEGP_LayerH layer, A_long* cw, A_long* ch) {
  AEGP_CompH comp = nullptr;
  if (suites.LayerSuiteV11()->AEGP_GetLayerParentComp(layer, &comp) != A_Err_NONE || comp == nullptr) return false;
  AEGP_ItemH item = nullptr;
  if (suites.CompSuiteV25()->AEGP_GetItemFromComp(comp, &item) != A_Err_NONE || item == nullptr) return false;
  return suites.ItemSuiteV14()->AEGP_GetItemDimensions(item, cw, ch) == A_Err_NONE;
}

}  // namespace

std::uint32_t MatteRasterSide(A_long composition_side, const PF_RationalScale& downsample) {
  const double side = std::trunc(static_cast<double>(composition_side) * Ratio(downsample) + 0.5);
  if (!(side >= 1.0) || side > MAX_MATTE_SIDE) return 0;
  return static_cast<std::uint32_t>(side);
}

MatteChoice ChooseMatte(SuiteHandler& suites, const PF_InData* in_data, AEGP_LayerH effect_layer,
                        AEGP_ItemH own_matte_source, std::uint32_t bytes_per_channel) {
  MatteChoice choice;
  AEGP_LayerH matte_layer = nullptr;
  if (effect_layer == nullptr ||
      suites.LayerSuiteV15()->AEGP_GetTrackMatteLayer(effect_layer, &matte_layer) != A_Err_NONE) {
    matte_layer = nullptr;
  }
  if (matte_layer == nullptr) {
    if (own_matte_source != nullptr) {
      choice.kind = MatteRenderKind::ITEM;
      choice.layer = effect_layer;
      choice.item = own_matte_source;
    }
  } else {
    AEGP_LayerTransferMode transfer{};
    const bool have_mode =
        suites.LayerSuiteV11()->AEGP_GetLayerTransferMode(effect_layer, &transfer) == A_Err_NONE;
    if (have_mode && transfer.track_matte != 0) choice.mode = transfer.track_matte;
    choice.layer = matte_layer;
    if (have_mode && choice.mode >= 2 && choice.mode <= 4) {
      choice.kind = MatteRenderKind::LAYER;
    } else {
      AEGP_ItemH source = nullptr;
      if (suites.LayerSuiteV15()->AEGP_GetLayerSourceItem(matte_layer, &source) != A_Err_NONE) source = nullptr;
      if (IsRenderableMatteItem(suites, source)) {
        choice.kind = MatteRenderKind::ITEM;
        choice.item = source;
      } else {
        choice.kind = MatteRenderKind::LAYER;
        choice.mode = 1;
      }
    }
  }
  if (choice.kind == MatteRenderKind::NONE) return choice;

  A_long cw = 0;
  A_long ch = 0;
  const bool sized = CompositionSize(suites, effect_layer, &cw, &ch);
  const std::uint32_t w = sized ? MatteRasterSide(cw, in_data->downsample_x) : 0;
  const std::uint32_t h = sized ? MatteRasterSide(ch, in_data->downsample_y) : 0;
  if (w == 0 || h == 0) return choice;  // a chosen matte without a raster renders nothing
  choice.width = w;
  choice.height = h;
  const std::uint64_t per_pixel = choice.kind == MatteRenderKind::ITEM ? 2 : bytes_per_channel;
  choice.raster_bytes = std::uint64_t{w} * h * per_pixel;
  return choice;
}
