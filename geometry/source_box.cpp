#include "geometry/source_box.h"

#include "host/pf_errors.h"
#include "host/suites/aegp_footage_suite11.h"
#include "host/suites/aegp_item_suite14.h"
#include "host/suites/aegp_layer_suite15.h"
#include "shell/suite_handler.h"

bool IsRenderableMatteItem(SuiteHandler& suites, AEGP_ItemH item) {
  if (item == nullptr) return false;
  const AEGP_ItemSuite14* items = suites.ItemSuiteV14();
  AEGP_ItemType type = AEGP_ItemType_NONE;
  if (items->AEGP_GetItemType == nullptr || items->AEGP_GetItemType(item, &type) != A_Err_NONE) return false;
  if (type == AEGP_ItemType_COMP) return true;
  if (type != AEGP_ItemType_FOOTAGE) return false;
  const AEGP_FootageSuite11* footage = suites.FootageSuiteV11();
  AEGP_FootageH main = nullptr;
  if (footage->AEGP_GetMainFootageFromItem == nullptr ||
      footage->AEGP_GetMainFootageFromItem(item, &main) != A_Err_NONE || main == nullptr) {
    return false;
  }
  // Footage whose signature cannot be read is not rendered: it may be a
  // solid, which would cover the whole frame.
  AEGP_FootageSignature signature = AEGP_FootageSignature_NONE;
  if (footage->AEGP_GetFootageSignature == nullptr ||
      footage->AEGP_GetFootageSignature(main, &signature) != A_Err_NONE) {
    return false;
  }
  return signature != AEGP_FootageSignature_SOLID;
}

SourceBox ReadSourceBox(SuiteHandler& suites, const PF_InData* in_data, AEGP_LayerH layer) {
  SourceBox box;
  box.width = static_cast<double>(in_data->width);
  box.height = static_cast<double>(in_data->height);
  if (layer == nullptr) return box;
  const AEGP_LayerSuite15* layers = suites.LayerSuiteV15();
  AEGP_ItemH item = nullptr;
  if (layers->AEGP_GetLayerSourceItem == nullptr || layers->AEGP_GetLayerSourceItem(layer, &item) != A_Err_NONE ||
      item == nullptr) {
    return box;
  }
  const AEGP_ItemSuite14* items = suites.ItemSuiteV14();
  A_long w = 0;
  A_long h = 0;
  if (items->AEGP_GetItemDimensions != nullptr && items->AEGP_GetItemDimensions(item, &w, &h) == A_Err_NONE &&
      w > 0 && h > 0) {
    box.width = static_cast<double>(w);
    box.height = static_cast<double>(h);
  }
  if (IsRenderableMatteItem(suites, item)) box.own_matte_source = item;
  return box;
}
