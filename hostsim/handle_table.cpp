#include "hostsim/handle_table.h"

#include <cstdlib>
#include <cstring>

namespace hostsim {

HandleTable::~HandleTable() {
  for (auto& [h, b] : live_) {
    std::free(b->storage);
    delete b;
  }
}

PF_Handle HandleTable::New(std::uint64_t size) {
  std::lock_guard<std::mutex> lock(mutex_);
  ++new_count_;
  if (fail_new_ > 0) {
    --fail_new_;
    return nullptr;
  }
  auto* b = new Block;
  b->size = size;
  b->storage = std::calloc(size > 0 ? static_cast<std::size_t>(size) : 1, 1);
  if (b->storage == nullptr) {
    delete b;
    return nullptr;
  }
  if (new_fill_ >= 0) std::memset(b->storage, new_fill_, static_cast<std::size_t>(size));
  PF_Handle h = &b->storage;
  live_[h] = b;
  return h;
}

void* HandleTable::Lock(PF_Handle h) {
  std::lock_guard<std::mutex> lock(mutex_);
  ++lock_count_;
  if (fail_lock_ > 0) {
    --fail_lock_;
    return nullptr;
  }
  auto it = live_.find(h);
  if (it == live_.end()) return nullptr;
  ++it->second->locks;
  return it->second->storage;
}

void HandleTable::Unlock(PF_Handle h) {
  std::lock_guard<std::mutex> lock(mutex_);
  ++unlock_count_;
  auto it = live_.find(h);
  if (it != live_.end() && it->second->locks > 0) --it->second->locks;
}

void HandleTable::Dispose(PF_Handle h) {
  std::lock_guard<std::mutex> lock(mutex_);
  ++dispose_count_;
  auto it = live_.find(h);
  if (it == live_.end()) {
    ++bad_dispose_count_;
    return;
  }
  std::free(it->second->storage);
  delete it->second;
  live_.erase(it);
}

std::uint64_t HandleTable::SizeOf(PF_Handle h) const {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = live_.find(h);
  return it == live_.end() ? 0 : it->second->size;
}

void HandleTable::FailNextNew(int count) {
  std::lock_guard<std::mutex> lock(mutex_);
  fail_new_ = count;
}

void HandleTable::FailNextLock(int count) {
  std::lock_guard<std::mutex> lock(mutex_);
  fail_lock_ = count;
}

void HandleTable::SetNewFill(std::uint8_t byte) {
  std::lock_guard<std::mutex> lock(mutex_);
  new_fill_ = byte;
}

void HandleTable::ClearNewFill() {
  std::lock_guard<std::mutex> lock(mutex_);
  new_fill_ = -1;
}

bool HandleTable::IsLive(PF_Handle h) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return live_.count(h) != 0;
}

int HandleTable::LiveCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return static_cast<int>(live_.size());
}
int HandleTable::NewCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return new_count_;
}
int HandleTable::DisposeCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return dispose_count_;
}
int HandleTable::LockCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return lock_count_;
}
int HandleTable::UnlockCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return unlock_count_;
}
int HandleTable::BadDisposeCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return bad_dispose_count_;
}

std::vector<std::uint8_t> HandleTable::Bytes(PF_Handle h) const {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = live_.find(h);
  if (it == live_.end()) return {};
  const auto* p = static_cast<const std::uint8_t*>(it->second->storage);
  return std::vector<std::uint8_t>(p, p + it->second->size);
}

}  // namespace hostsim
