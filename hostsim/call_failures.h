// Switches that make a named host call fail, and a count of every call that
// passed through them. Suite functions of the simulated host enter here
// first, by the host's name of the operation ("AEGP_GetLayerFlags"), so a
// test can make any one of them answer with an error, fail only its next
// few calls, or throw, and can see how often the plug-in called it.
#pragma once
#include <map>
#include <mutex>
#include <string>

#include "host/pf_basic_types.h"

namespace hostsim {

class CallFailures {
 public:
  // The call answers with `err`: the next `times` calls, or every call
  // until Clear when `times` is negative.
  void Fail(const std::string& call, A_Err err = 1, int times = -1);
  // The call throws std::runtime_error (a host that unwinds through the
  // plug-in); every call until Clear.
  void Throw(const std::string& call);
  void Clear(const std::string& call);
  void ClearAll();

  // Counts the call; returns the error it must answer with, 0 to go on.
  A_Err Enter(const std::string& call);

  int Count(const std::string& call) const;
  void ResetCounts();

 private:
  struct Rule {
    A_Err err = 0;
    int times = 0;  // negative: unlimited
    bool throws = false;
  };
  mutable std::mutex mutex_;
  std::map<std::string, Rule> rules_;
  std::map<std::string, int> counts_;
};

}  // namespace hostsim
