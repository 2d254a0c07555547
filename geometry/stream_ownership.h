// Owners of what the host's stream suites hand out: a stream reference, a
// stream value, a memory handle. Each gives its object back to the host
// when it goes out of scope, on every path. The disposing suite is acquired
// by the owner's constructor, before anything is taken, so a missing suite
// is reported before there is anything to leak and never from a destructor.
#pragma once
#include "host/aegp_stream_types.h"
#include "host/suites/aegp_memory_suite1.h"
#include "host/suites/aegp_stream_suite10.h"
#include "shell/suite_handler.h"

class ScopedStreamRef {
 public:
  explicit ScopedStreamRef(SuiteHandler& suites) : suite_(suites.StreamSuiteV10()) {}
  ~ScopedStreamRef() { Reset(); }
  ScopedStreamRef(const ScopedStreamRef&) = delete;
  ScopedStreamRef& operator=(const ScopedStreamRef&) = delete;
  ScopedStreamRef(ScopedStreamRef&& other) noexcept : suite_(other.suite_), ref_(other.ref_) { other.ref_ = nullptr; }
  ScopedStreamRef& operator=(ScopedStreamRef&& other) noexcept {
    if (this != &other) {
      Reset();
      suite_ = other.suite_;
      ref_ = other.ref_;
      other.ref_ = nullptr;
    }
    return *this;
  }

  AEGP_StreamRefH get() const { return ref_; }
  explicit operator bool() const { return ref_ != nullptr; }
  // For the host call that fills the reference; gives back any held one.
  AEGP_StreamRefH* out() {
    Reset();
    return &ref_;
  }
  void Reset() noexcept {
    if (ref_ != nullptr) suite_->AEGP_DisposeStream(ref_);
    ref_ = nullptr;
  }

 private:
  const AEGP_StreamSuite10* suite_;
  AEGP_StreamRefH ref_ = nullptr;
};

class ScopedStreamValue {
 public:
  explicit ScopedStreamValue(SuiteHandler& suites) : suite_(suites.StreamSuiteV10()) {}
  ~ScopedStreamValue() { Reset(); }
  ScopedStreamValue(const ScopedStreamValue&) = delete;
  ScopedStreamValue& operator=(const ScopedStreamValue&) = delete;

  // Reads the stream's value (plug-in id 0, expressions applied); false
  // when the host cannot give it.
  bool Read(AEGP_StreamRefH stream, AEGP_LTimeMode mode, const A_Time& time) {
    Reset();
    value_ = AEGP_StreamValue2{};
    if (stream == nullptr) return false;
    held_ = suite_->AEGP_GetNewStreamValue(0, stream, mode, &time, 0, &value_) == 0;
    return held_;
  }
  const AEGP_StreamValue2& value() const { return value_; }
  void Reset() noexcept {
    if (held_) suite_->AEGP_DisposeStreamValue(&value_);
    held_ = false;
  }

 private:
  const AEGP_StreamSuite10* suite_;
  AEGP_StreamValue2 value_{};
  bool held_ = false;
};

class ScopedMemHandle {
 public:
  explicit ScopedMemHandle(SuiteHandler& suites) : suite_(suites.MemorySuiteV1()) {}
  ~ScopedMemHandle() {
    if (handle_ != nullptr) suite_->AEGP_FreeMemHandle(handle_);
  }
  ScopedMemHandle(const ScopedMemHandle&) = delete;
  ScopedMemHandle& operator=(const ScopedMemHandle&) = delete;

  AEGP_MemHandle get() const { return handle_; }
  AEGP_MemHandle* out() { return &handle_; }
  const AEGP_MemorySuite1* suite() const { return suite_; }

 private:
  const AEGP_MemorySuite1* suite_;
  AEGP_MemHandle handle_ = nullptr;
};
