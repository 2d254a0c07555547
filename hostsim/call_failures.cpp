#include "hostsim/call_failures.h"

#include <stdexcept>

namespace hostsim {

void CallFailures::Fail(const std::string& call, A_Err err, int times) {
  std::lock_guard<std::mutex> lock(mutex_);
  rules_[call] = Rule{err, times, false};
}

void CallFailures::Throw(const std::string& call) {
  std::lock_guard<std::mutex> lock(mutex_);
  rules_[call] = Rule{0, -1, true};
}

void CallFailures::Clear(const std::string& call) {
  std::lock_guard<std::mutex> lock(mutex_);
  rules_.erase(call);
}

void CallFailures::ClearAll() {
  std::lock_guard<std::mutex> lock(mutex_);
  rules_.clear();
}

A_Err CallFailures::Enter(const std::string& call) {
  std::lock_guard<std::mutex> lock(mutex_);
  ++counts_[call];
  auto it = rules_.find(call);
  if (it == rules_.end()) return 0;
  Rule& rule = it->second;
  if (rule.throws) throw std::runtime_error("simulated host call " + call + " threw");
  const A_Err err = rule.err;
  if (rule.times > 0 && --rule.times == 0) rules_.erase(it);
  return err;
}

int CallFailures::Count(const std::string& call) const {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = counts_.find(call);
  return it == counts_.end() ? 0 : it->second;
}

void CallFailures::ResetCounts() {
  std::lock_guard<std::mutex> lock(mutex_);
  counts_.clear();
}

}  // namespace hostsim
