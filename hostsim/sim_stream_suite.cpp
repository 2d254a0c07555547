// "AEGP Stream Suite" 10 and 11 of the simulated host: layer transform
// streams, mask outline streams, stream names as UTF-16 memory handles and
// stream values at the time and time mode the caller asks for.
#include <cstring>

#include "host/pf_errors.h"
#include "host/suites/aegp_stream_suite10.h"
#include "host/suites/aegp_stream_suite11.h"
#include "hostsim/host.h"
#include "hostsim/layer_ref.h"
#include "hostsim/stream_suites.h"

namespace hostsim {

namespace {

StreamRegistry& Streams() { return Host::Current()->streams(); }

// Hands out a reference to `node`, or fails as the node's switches say.
A_Err GiveRef(SimStreamNode* node, SimLayer* layer, AEGP_LayerStream which, AEGP_StreamRefH* out) {
  if (out == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  *out = nullptr;
  if (node == nullptr || node->faults.fail_ref) return A_Err_GENERIC;
  if (node->faults.null_ref) return A_Err_NONE;
  *out = Streams().NewStreamRef(node, layer, which);
  return A_Err_NONE;
}

A_Err IsStreamLegal(AEGP_LayerH layerH, AEGP_LayerStream which, A_Boolean* legal) {
  SimLayer* layer = LayerFromRef(layerH);
  if (layer == nullptr || legal == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  *legal = layer->transform.Stream(which) != nullptr ? 1 : 0;
  return A_Err_NONE;
}

A_Err GetNewLayerStream(AEGP_PluginID, AEGP_LayerH layerH, AEGP_LayerStream which, AEGP_StreamRefH* out) {
  SimLayer* layer = LayerFromRef(layerH);
  if (out != nullptr) *out = nullptr;
  if (layer == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  return GiveRef(layer->transform.Stream(which), layer, which, out);
}

A_Err GetNewMaskStream(AEGP_PluginID, AEGP_MaskRefH maskH, AEGP_MaskStream which, AEGP_StreamRefH* out) {
  if (out != nullptr) *out = nullptr;
  SimMask* mask = Streams().ResolveMask(maskH);
  if (mask == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  if (which != AEGP_MaskStream_OUTLINE) return A_Err_GENERIC;
  return GiveRef(&mask->outline, nullptr, AEGP_LayerStream_NONE, out);
}

A_Err DisposeStream(AEGP_StreamRefH ref) {
  return Streams().DisposeStreamRef(ref) ? A_Err_NONE : PF_Err_BAD_CALLBACK_PARAM;
}

A_Err GetStreamName(AEGP_PluginID, AEGP_StreamRefH ref, A_Boolean force_english, AEGP_MemHandle* out) {
  if (out == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  *out = nullptr;
  SimStreamRef* r = Streams().Resolve(ref);
  if (r == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  const SimStreamNode& node = *r->node;
  if (node.faults.fail_name) return A_Err_GENERIC;
  const std::u16string& text =
      (force_english == 0 && !node.localized_name.empty()) ? node.localized_name : node.display_name;
  const std::uint64_t bytes = (text.size() + 1) * sizeof(A_UTF16Char);
  AEGP_MemHandle h = Streams().NewMemHandle(bytes, true, node.faults.fail_name_lock);
  if (!node.faults.fail_name_lock) {
    void* p = Streams().LockMemHandle(h);
    std::memcpy(p, text.data(), text.size() * sizeof(A_UTF16Char));
    Streams().UnlockMemHandle(h);
  }
  *out = h;
  return A_Err_NONE;
}

A_Err GetStreamType(AEGP_StreamRefH ref, AEGP_StreamType* type) {
  SimStreamRef* r = Streams().Resolve(ref);
  if (r == nullptr || type == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  *type = r->node->type;
  return A_Err_NONE;
}

A_Err GetNewStreamValue(AEGP_PluginID plugin_id, AEGP_StreamRefH ref, AEGP_LTimeMode mode, const A_Time* time,
                        A_Boolean pre_expression, AEGP_StreamValue2* value) {
  if (time == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  return Streams().ReadValue(ref, plugin_id, mode, *time, pre_expression, value);
}

A_Err DisposeStreamValue(AEGP_StreamValue2* value) {
  return Streams().DisposeValue(value) ? A_Err_NONE : PF_Err_BAD_CALLBACK_PARAM;
}

template <typename Table>
Table MakeTable() {
  Table t{};
  t.AEGP_IsStreamLegal = IsStreamLegal;
  t.AEGP_GetNewLayerStream = GetNewLayerStream;
  t.AEGP_GetNewMaskStream = GetNewMaskStream;
  t.AEGP_DisposeStream = DisposeStream;
  t.AEGP_GetStreamName = GetStreamName;
  t.AEGP_GetStreamType = GetStreamType;
  t.AEGP_GetNewStreamValue = GetNewStreamValue;
  t.AEGP_DisposeStreamValue = DisposeStreamValue;
  return t;
}

const AEGP_StreamSuite10 kStreamSuite10 = MakeTable<AEGP_StreamSuite10>();
const AEGP_StreamSuite11 kStreamSuite11 = MakeTable<AEGP_StreamSuite11>();

}  // namespace

void InstallStreamSuites(Host& host) {
  host.suites().Register("AEGP Stream Suite", 10, &kStreamSuite10);
  host.suites().Register("AEGP Stream Suite", 11, &kStreamSuite11);
  InstallDynamicStreamSuite(host);
  InstallMemorySuite(host);
  InstallMaskOutlineSuite(host);
}

}  // namespace hostsim
