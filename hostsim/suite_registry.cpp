#include "hostsim/suite_registry.h"

#include "host/pf_errors.h"

namespace hostsim {

namespace {
constexpr SPErr SP_ERR_SUITE_NOT_FOUND = 0x53214E46;  // any non-zero answer
}

void SuiteRegistry::Register(const std::string& name, int version, const void* table) {
  std::lock_guard<std::mutex> lock(mutex_);
  entries_[{name, version}].table = table;
}

void SuiteRegistry::SetMissing(const std::string& name, int version, bool missing) {
  std::lock_guard<std::mutex> lock(mutex_);
  entries_[{name, version}].missing = missing;
}

void SuiteRegistry::SetNullTable(const std::string& name, int version, bool null_table) {
  std::lock_guard<std::mutex> lock(mutex_);
  entries_[{name, version}].null_table = null_table;
}

SPErr SuiteRegistry::Acquire(const char* name, int version, const void** suite) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (suite != nullptr) *suite = nullptr;
  if (name == nullptr || suite == nullptr) return SP_ERR_SUITE_NOT_FOUND;
  auto it = entries_.find({name, version});
  if (it == entries_.end() || it->second.missing) return SP_ERR_SUITE_NOT_FOUND;
  if (it->second.null_table || it->second.table == nullptr) return 0;
  *suite = it->second.table;
  ++it->second.acquired;
  acquired_log_.push_back(it->first);
  return 0;
}

SPErr SuiteRegistry::Release(const char* name, int version) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (name == nullptr) return SP_ERR_SUITE_NOT_FOUND;
  SuiteKey key{name, version};
  released_log_.push_back(key);
  auto it = entries_.find(key);
  if (it == entries_.end()) {
    ++unknown_releases_[key];
    return SP_ERR_SUITE_NOT_FOUND;
  }
  ++it->second.released;
  return 0;
}

int SuiteRegistry::AcquireCount(const std::string& name, int version) const {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = entries_.find({name, version});
  return it == entries_.end() ? 0 : it->second.acquired;
}

int SuiteRegistry::ReleaseCount(const std::string& name, int version) const {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = entries_.find({name, version});
  int n = it == entries_.end() ? 0 : it->second.released;
  auto u = unknown_releases_.find({name, version});
  if (u != unknown_releases_.end()) n += u->second;
  return n;
}

std::vector<SuiteKey> SuiteRegistry::AcquiredLog() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return acquired_log_;
}

std::vector<SuiteKey> SuiteRegistry::ReleasedLog() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return released_log_;
}

std::vector<std::string> SuiteRegistry::Imbalances() const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<std::string> out;
  for (const auto& [key, e] : entries_) {
    if (e.acquired != e.released) {
      out.push_back(key.first + " " + std::to_string(key.second) + ": acquired " + std::to_string(e.acquired) +
                    ", released " + std::to_string(e.released));
    }
  }
  for (const auto& [key, n] : unknown_releases_) {
    out.push_back(key.first + " " + std::to_string(key.second) + ": released " + std::to_string(n) +
                  " times but never acquired");
  }
  return out;
}

void SuiteRegistry::ResetCounts() {
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto& [key, e] : entries_) e.acquired = e.released = 0;
  acquired_log_.clear();
  released_log_.clear();
  unknown_releases_.clear();
}

}  // namespace hostsim
