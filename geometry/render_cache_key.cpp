// Block order and contents follow the host's GUID mix-in contract: the
// host hashes the blocks in the order fed, so the order is part of the key.
#include "geometry/render_cache_key.h"

#include <cstring>

#include "geometry/signature_hash.h"
#include "geometry/text_outlines_guard.h"
#include "host/aegp_types.h"
#include "host/pf_errors.h"
#include "host/suites/aegp_layer_suite11.h"
#include "host/suites/aegp_layer_suite15.h"
#include "host/suites/aegp_pf_interface_suite1.h"
#include "host/suites/aegp_text_layer_suite1.h"
#include "host/suites/pf_path_data_suite1.h"
#include "shell/suite_handler.h"

namespace {

using MixIn = PF_Err (*)(PF_ProgPtr, A_u_long, const void*);


// Folds the outlines' count, then per path its segment count and its
// segment count + 1 vertices, until TEXT_HASH_VERTEX_BUDGET vertices have
// been read. False when the outlines cannot be had.
bool HashTextOutlines(SuiteHandler& suites, const PF_InData* in_data, AEGP_LayerH layer, std::uint64_t* hash) {
  const AEGP_TextLayerSuite1* text = suites.TextLayerSuiteV1();
  if (text->AEGP_GetNewTextOutlines == nullptr) return false;
  const A_Time layer_time{in_data->current_time, in_data->time_scale};
  AEGP_TextOutlinesH outlines = nullptr;
  if (text->AEGP_GetNewTextOutlines(layer, &layer_time, &outlines) != A_Err_NONE || outlines == nullptr) {
    return false;
  }
  TextOutlinesGuard guard(text, outlines);
  const PF_PathDataSuite1* paths = suites.PathDataSuiteV1();

  std::uint64_t h = SIGNATURE_HASH_SEED;
  A_long count = 0;
  if (text->AEGP_GetNumTextOutlines == nullptr || text->AEGP_GetNumTextOutlines(outlines, &count) != A_Err_NONE) {
    count = 0;
  }
  h = FoldHashCount(h, static_cast<std::uint32_t>(count));

  int budget = TEXT_HASH_VERTEX_BUDGET;
  for (A_long i = 0; i < count && budget > 0; ++i) {
    PF_PathOutlinePtr path = nullptr;
    if (text->AEGP_GetIndexedTextOutline == nullptr ||
        text->AEGP_GetIndexedTextOutline(outlines, i, &path) != A_Err_NONE || path == nullptr) {
      continue;
    }
    // A segment count the host cannot tell leaves this path out.
    A_long segments = 0;
    if (paths->PF_PathNumSegments == nullptr ||
        paths->PF_PathNumSegments(in_data->effect_ref, path, &segments) != PF_Err_NONE) {
      continue;
    }
    h = FoldHashCount(h, static_cast<std::uint32_t>(segments));
    if (segments < 0 || paths->PF_PathVertexInfo == nullptr) continue;
    // An open or a closed path of s segments has s + 1 vertices to read.
    for (std::int64_t v = 0; v <= segments && budget > 0; ++v) {
      PF_PathVertex vertex{};
      if (paths->PF_PathVertexInfo(in_data->effect_ref, path, static_cast<PF_PathVertexIndex>(v), &vertex) !=
          PF_Err_NONE) {
        break;
      }
      h = FoldHashBytes(h, &vertex, sizeof vertex);
      --budget;
    }
  }
  *hash = h;
  return true;
}

}  // namespace

std::uint64_t HashShapeSlots(const ShapeSlot* slots, std::uint32_t shape_count) {
  const std::uint32_t count = shape_count < MAX_SHAPE_SLOTS ? shape_count : MAX_SHAPE_SLOTS;
  return FoldHashBytes(SIGNATURE_HASH_SEED, slots, static_cast<std::size_t>(count) * SHAPE_SLOT_SIZE);
}

void FeedRenderCacheKey(SuiteHandler& suites, const PF_InData* in_data, MixIn mix_in, const ShapeSlot* staged_slots,
                        std::uint32_t shape_count) {
  const PF_ProgPtr ref = in_data->effect_ref;
  mix_in(ref, sizeof GUID_TAG, GUID_TAG);
  mix_in(ref, sizeof PLUGIN_BUILD, &PLUGIN_BUILD);
  mix_in(ref, sizeof GUID_SALT, &GUID_SALT);
  const std::int32_t count = static_cast<std::int32_t>(shape_count);
  mix_in(ref, sizeof count, &count);
  if (shape_count > 0) {
    const std::uint64_t slot_hash = HashShapeSlots(staged_slots, shape_count);
    mix_in(ref, sizeof slot_hash, &slot_hash);
  }

  const AEGP_PFInterfaceSuite1* pf_interface = suites.PFInterfaceSuiteV1();
  AEGP_LayerH layer = nullptr;
  if (pf_interface->AEGP_GetEffectLayer == nullptr || pf_interface->AEGP_GetEffectLayer(ref, &layer) != A_Err_NONE ||
      layer == nullptr) {
    return;
  }
  A_Time comp_time{0, 1};
  const bool have_comp_time =
      pf_interface->AEGP_ConvertEffectToCompTime != nullptr &&
      pf_interface->AEGP_ConvertEffectToCompTime(ref, in_data->current_time, in_data->time_scale, &comp_time) ==
          A_Err_NONE;

  const AEGP_LayerSuite11* layers = suites.LayerSuiteV11();
  AEGP_ObjectType object_type = AEGP_ObjectType_NONE;
  if (layers->AEGP_GetLayerObjectType == nullptr ||
      layers->AEGP_GetLayerObjectType(layer, &object_type) != A_Err_NONE) {
    object_type = AEGP_ObjectType_NONE;
  }
  if (object_type == AEGP_ObjectType_TEXT) {
    std::uint64_t text_hash = 0;
    if (HashTextOutlines(suites, in_data, layer, &text_hash)) mix_in(ref, sizeof text_hash, &text_hash);
  }

  const AEGP_LayerSuite15* layers15 = suites.LayerSuiteV15();
  AEGP_LayerH matte = nullptr;
  if (layers15->AEGP_GetTrackMatteLayer == nullptr ||
      layers15->AEGP_GetTrackMatteLayer(layer, &matte) != A_Err_NONE || matte == nullptr) {
    return;
  }
  if (have_comp_time) {
    mix_in(ref, sizeof comp_time, &comp_time);
    A_Matrix4 matrix{};
    if (layers->AEGP_GetLayerToWorldXform != nullptr &&
        layers->AEGP_GetLayerToWorldXform(matte, &comp_time, &matrix) == A_Err_NONE) {
      mix_in(ref, sizeof matrix, &matrix);
    }
  }
  AEGP_LayerFlags matte_flags = 0;
  if (layers->AEGP_GetLayerFlags != nullptr && layers->AEGP_GetLayerFlags(matte, &matte_flags) == A_Err_NONE) {
    mix_in(ref, sizeof matte_flags, &matte_flags);
  }
  AEGP_LayerTransferMode transfer{};
  if (layers->AEGP_GetLayerTransferMode != nullptr &&
      layers->AEGP_GetLayerTransferMode(layer, &transfer) == A_Err_NONE) {
    const std::int32_t track_matte = static_cast<std::int32_t>(transfer.track_matte);
    mix_in(ref, sizeof track_matte, &track_matte);
  }
}
