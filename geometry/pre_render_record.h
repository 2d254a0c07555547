// Making the pre-render record: the host handle that holds it, and the
// writing of the header and the used shape slots into the handle's memory.
// Bytes the layout leaves unwritten (the header's two padding gaps, the
// slots past shape_count, the raster until the matte render) stay as the
// host handle comes.
#pragma once
#include <cstdint>

#include "geometry/pre_render_data.h"
#include "host/pf_basic_types.h"

class SuiteHandler;
struct PF_HandleSuite2;

// The record's handle while the pre-render fills it. Unless handed over
// with Release, the destructor unlocks and disposes it, so an exception
// between creation and hand-over leaves nothing with the host.
class PreRenderRecordHandle {
 public:
  explicit PreRenderRecordHandle(SuiteHandler& suites);
  ~PreRenderRecordHandle();
  PreRenderRecordHandle(const PreRenderRecordHandle&) = delete;
  PreRenderRecordHandle& operator=(const PreRenderRecordHandle&) = delete;

  // Creates a handle of `size` bytes and locks it. Null when the host gives
  // no handle, or no memory for it (the handle is then disposed at once).
  void* Create(std::uint64_t size);
  // Unlocks the handle; it stays owned (and is disposed by the destructor)
  // until Release.
  void Unlock();
  // Unlocks the handle if still locked and gives it up to the caller.
  PF_Handle Release();

 private:
  const PF_HandleSuite2* suite_;
  PF_Handle handle_ = nullptr;
  bool locked_ = false;
};

// Writes every header field (reserved words as 0, padding untouched) and
// copies the first `shape_count` staged slots to byte 248.
void WritePreRenderRecord(void* record, const PreRenderHeader& header, const ShapeSlot* staged_slots,
                          std::uint32_t shape_count);
