// "AEGP Dynamic Stream Suite" 5 of the simulated host: a layer's property
// tree, walked group by group, with grouping types and match names.
#include <algorithm>
#include <cstring>

#include "host/pf_errors.h"
#include "host/suites/aegp_dynamic_stream_suite5.h"
#include "hostsim/host.h"
#include "hostsim/layer_ref.h"
#include "hostsim/stream_suites.h"

namespace hostsim {

namespace {

StreamRegistry& Streams() { return Host::Current()->streams(); }

A_Err GiveChild(SimStreamNode* node, SimLayer* layer, AEGP_StreamRefH* out) {
  if (node->faults.fail_ref) return A_Err_GENERIC;
  if (node->faults.null_ref) return A_Err_NONE;
  *out = Streams().NewStreamRef(node, layer);
  return A_Err_NONE;
}

A_Err GetNewStreamRefForLayer(AEGP_PluginID, AEGP_LayerH layerH, AEGP_StreamRefH* out) {
  if (out == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  *out = nullptr;
  SimLayer* layer = LayerFromRef(layerH);
  if (layer == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  return GiveChild(&layer->properties, layer, out);
}

A_Err GetStreamGroupingType(AEGP_StreamRefH ref, AEGP_StreamGroupingType* type) {
  SimStreamRef* r = Streams().Resolve(ref);
  if (r == nullptr || type == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  if (r->node->faults.fail_grouping) return A_Err_GENERIC;
  *type = r->node->grouping;
  return A_Err_NONE;
}

A_Err GetNumStreamsInGroup(AEGP_StreamRefH ref, A_long* count) {
  SimStreamRef* r = Streams().Resolve(ref);
  if (r == nullptr || count == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  if (r->node->faults.fail_count || !r->node->IsGroup()) return A_Err_GENERIC;
  *count = static_cast<A_long>(r->node->children.size());
  return A_Err_NONE;
}

A_Err GetNewStreamRefByIndex(AEGP_PluginID, AEGP_StreamRefH parent, A_long index, AEGP_StreamRefH* out) {
  if (out == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  *out = nullptr;
  SimStreamRef* r = Streams().Resolve(parent);
  if (r == nullptr || !r->node->IsGroup()) return PF_Err_BAD_CALLBACK_PARAM;
  if (index < 0 || static_cast<std::size_t>(index) >= r->node->children.size()) return PF_Err_INVALID_INDEX;
  return GiveChild(&r->node->children[static_cast<std::size_t>(index)], r->layer, out);
}

A_Err GetNewStreamRefByMatchname(AEGP_PluginID, AEGP_StreamRefH parent, const A_char* match_name,
                                 AEGP_StreamRefH* out) {
  if (out == nullptr || match_name == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  *out = nullptr;
  SimStreamRef* r = Streams().Resolve(parent);
  if (r == nullptr || !r->node->IsGroup()) return PF_Err_BAD_CALLBACK_PARAM;
  SimStreamNode* child = r->node->Child(match_name);
  if (child == nullptr) return A_Err_GENERIC;
  return GiveChild(child, r->layer, out);
}

A_Err GetMatchName(AEGP_StreamRefH ref, A_char* name) {
  SimStreamRef* r = Streams().Resolve(ref);
  if (r == nullptr || name == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  if (r->node->faults.fail_match_name) return A_Err_GENERIC;
  const std::string& m = r->node->match_name;
  const std::size_t n = std::min<std::size_t>(m.size(), AEGP_MAX_STREAM_MATCH_NAME_SIZE - 1);
  std::memcpy(name, m.data(), n);
  name[n] = '\0';
  return A_Err_NONE;
}

AEGP_DynamicStreamSuite5 MakeTable() {
  AEGP_DynamicStreamSuite5 t{};
  t.AEGP_GetNewStreamRefForLayer = GetNewStreamRefForLayer;
  t.AEGP_GetStreamGroupingType = GetStreamGroupingType;
  t.AEGP_GetNumStreamsInGroup = GetNumStreamsInGroup;
  t.AEGP_GetNewStreamRefByIndex = GetNewStreamRefByIndex;
  t.AEGP_GetNewStreamRefByMatchname = GetNewStreamRefByMatchname;
  t.AEGP_GetMatchName = GetMatchName;
  return t;
}

const AEGP_DynamicStreamSuite5 kDynamicStreamSuite5 = MakeTable();

}  // namespace

void InstallDynamicStreamSuite(Host& host) {
  host.suites().Register("AEGP Dynamic Stream Suite", 5, &kDynamicStreamSuite5);
}

}  // namespace hostsim
