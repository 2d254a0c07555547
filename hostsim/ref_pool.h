// References the simulated host hands to the plug-in that the plug-in must
// dispose (effect references, and the like): each is a heap object whose
// address is the reference. The pool counts what was handed out and given
// back, so a test can tell that every reference was disposed exactly once.
#pragma once
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

namespace hostsim {

template <typename T>
class RefPool {
 public:
  explicit RefPool(std::string kind) : kind_(std::move(kind)) {}

  // Hands out a new reference holding `value`.
  T* New(T value) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto owned = std::make_unique<T>(std::move(value));
    T* ref = owned.get();
    live_.emplace(static_cast<const void*>(ref), std::move(owned));
    ++created_;
    return ref;
  }

  // The object behind a live reference, null for anything else.
  T* Find(const void* ref) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = live_.find(ref);
    return it == live_.end() ? nullptr : it->second.get();
  }

  // False (and counted) for a reference that is not live.
  bool Dispose(const void* ref) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = live_.find(ref);
    if (it == live_.end()) {
      ++bad_disposals_;
      return false;
    }
    live_.erase(it);
    ++disposed_;
    return true;
  }

  const std::string& kind() const { return kind_; }
  int Live() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return static_cast<int>(live_.size());
  }
  int Created() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return created_;
  }
  int Disposed() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return disposed_;
  }
  int BadDisposals() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return bad_disposals_;
  }

 private:
  std::string kind_;
  mutable std::mutex mutex_;
  std::map<const void*, std::unique_ptr<T>> live_;
  int created_ = 0;
  int disposed_ = 0;
  int bad_disposals_ = 0;
};

}  // namespace hostsim
