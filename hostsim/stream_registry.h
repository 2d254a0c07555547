// Accounting of what the plug-in takes from the simulated host's stream
// suites: stream references, stream values (with their outline handles),
// memory handles and mask references. Every one is counted from the moment
// it is handed out until it is disposed; disposals of things that are not
// live are counted as faults. Every value read is logged with its time and
// time mode so tests can check at which time a stream was evaluated.
#pragma once
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "host/aegp_stream_types.h"
#include "hostsim/scene.h"
#include "hostsim/stream_model.h"

namespace hostsim {

// What an AEGP_StreamRefH points at.
struct SimStreamRef {
  SimStreamNode* node = nullptr;
  SimLayer* layer = nullptr;                        // the layer it belongs to, if known
  AEGP_LayerStream layer_stream = AEGP_LayerStream_NONE;  // for AEGP_GetNewLayerStream
};

struct SimMaskRef {
  SimLayer* layer = nullptr;
  int index = 0;
};

struct StreamReadRecord {
  std::string match_name;
  SimLayer* layer = nullptr;
  AEGP_LayerStream layer_stream = AEGP_LayerStream_NONE;
  AEGP_PluginID plugin_id = 0;
  AEGP_LTimeMode time_mode = 0;
  A_Time time{0, 1};
  A_Boolean pre_expression = 0;
};

class StreamRegistry {
 public:
  ~StreamRegistry();

  AEGP_StreamRefH NewStreamRef(SimStreamNode* node, SimLayer* layer,
                               AEGP_LayerStream layer_stream = AEGP_LayerStream_NONE);
  // Null when the reference is not live.
  SimStreamRef* Resolve(AEGP_StreamRefH ref);
  bool DisposeStreamRef(AEGP_StreamRefH ref);

  // Fills a value read from `ref` (already resolved) at a time.
  A_Err ReadValue(AEGP_StreamRefH ref, AEGP_PluginID plugin_id, AEGP_LTimeMode mode, const A_Time& time,
                  A_Boolean pre_expression, AEGP_StreamValue2* value);
  bool DisposeValue(AEGP_StreamValue2* value);
  // Null when the outline handle is not live.
  const SimOutline* ResolveOutline(AEGP_MaskOutlineValH outline);

  AEGP_MemHandle NewMemHandle(std::uint64_t size, bool clear, bool fail_lock = false);
  // Null when the handle is not live or cannot be locked.
  void* LockMemHandle(AEGP_MemHandle h);
  bool UnlockMemHandle(AEGP_MemHandle h);
  bool FreeMemHandle(AEGP_MemHandle h);
  bool MemHandleSize(AEGP_MemHandle h, std::uint64_t* size);

  // Mask references, for the layer-mask suite.
  AEGP_MaskRefH NewMaskRef(SimLayer* layer, int index);
  SimMask* ResolveMask(AEGP_MaskRefH mask);
  bool DisposeMaskRef(AEGP_MaskRefH mask);

  std::vector<StreamReadRecord> ReadLog() const;
  void ClearReadLog();

  int LiveStreamRefs() const;
  int LiveValues() const;
  int LiveMemHandles() const;
  int LiveMaskRefs() const;
  int StreamRefsTaken() const;
  int ValuesTaken() const;
  int MemHandlesTaken() const;
  // Everything still held, and every bad disposal or lock imbalance.
  std::vector<std::string> Leaks() const;

 private:
  struct ValueRecord {
    AEGP_StreamRefH stream = nullptr;
    SimOutline* outline = nullptr;  // owned
  };
  struct MemBlock {
    std::vector<std::uint8_t> bytes;
    int locks = 0;
    bool fail_lock = false;
  };

  mutable std::mutex mutex_;
  std::map<SimStreamRef*, bool> refs_;  // owned
  std::vector<ValueRecord> values_;
  std::map<SimOutline*, bool> outlines_;
  std::map<MemBlock*, bool> mem_;  // owned
  std::map<SimMaskRef*, bool> masks_;  // owned
  std::vector<StreamReadRecord> read_log_;
  int refs_taken_ = 0;
  int values_taken_ = 0;
  int mem_taken_ = 0;
  int bad_ref_disposals_ = 0;
  int bad_value_disposals_ = 0;
  int bad_mem_frees_ = 0;
  int bad_mem_unlocks_ = 0;
  int mem_freed_locked_ = 0;
  int bad_mask_disposals_ = 0;
};

}  // namespace hostsim
