// Host memory handles as the utility callbacks hand them out: a handle
// points at the pointer to its storage. Every new, lock, unlock and dispose
// is counted, and allocations can be made to fail on demand.
#pragma once
#include <cstdint>
#include <map>
#include <mutex>
#include <vector>

#include "host/pf_basic_types.h"

namespace hostsim {

class HandleTable {
 public:
  ~HandleTable();

  PF_Handle New(std::uint64_t size);
  void* Lock(PF_Handle h);
  void Unlock(PF_Handle h);
  void Dispose(PF_Handle h);
  std::uint64_t SizeOf(PF_Handle h) const;

  // The next `count` calls of New return null.
  void FailNextNew(int count = 1);
  // The next `count` calls of Lock return null.
  void FailNextLock(int count = 1);
  // New handles start filled with this byte instead of zeros, until cleared
  // (so a test sees which bytes the plug-in left alone).
  void SetNewFill(std::uint8_t byte);
  void ClearNewFill();

  bool IsLive(PF_Handle h) const;
  int LiveCount() const;
  int NewCount() const;
  int DisposeCount() const;
  int LockCount() const;
  int UnlockCount() const;
  // Disposals of handles that were not live (double or foreign disposals).
  int BadDisposeCount() const;
  std::vector<std::uint8_t> Bytes(PF_Handle h) const;

 private:
  struct Block {
    void* storage = nullptr;  // the handle points at this field
    std::uint64_t size = 0;
    int locks = 0;
  };
  mutable std::mutex mutex_;
  std::map<PF_Handle, Block*> live_;
  int fail_new_ = 0;
  int fail_lock_ = 0;
  int new_fill_ = -1;
  int new_count_ = 0;
  int dispose_count_ = 0;
  int lock_count_ = 0;
  int unlock_count_ = 0;
  int bad_dispose_count_ = 0;
};

}  // namespace hostsim
