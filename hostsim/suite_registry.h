// The simulated host's suites, looked up by (name, version) as the real
// host does, with per-suite acquire and release counts and switches that
// make a suite missing or hand back a null table.
#pragma once
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "host/sp_basic_suite.h"

namespace hostsim {

using SuiteKey = std::pair<std::string, int>;

class SuiteRegistry {
 public:
  // Makes a suite available; the table must outlive the registry.
  void Register(const std::string& name, int version, const void* table);
  // A missing suite answers AcquireSuite with an error; a null one answers
  // with success and a null table.
  void SetMissing(const std::string& name, int version, bool missing);
  void SetNullTable(const std::string& name, int version, bool null_table);

  SPErr Acquire(const char* name, int version, const void** suite);
  SPErr Release(const char* name, int version);

  int AcquireCount(const std::string& name, int version) const;
  int ReleaseCount(const std::string& name, int version) const;
  // Every acquisition that was answered with a table, in call order.
  std::vector<SuiteKey> AcquiredLog() const;
  std::vector<SuiteKey> ReleasedLog() const;
  // Suites whose successful acquisitions and releases differ, and releases
  // of suites that were never acquired.
  std::vector<std::string> Imbalances() const;
  void ResetCounts();

 private:
  struct Entry {
    const void* table = nullptr;
    bool missing = false;
    bool null_table = false;
    int acquired = 0;  // answered with a table
    int released = 0;
  };
  mutable std::mutex mutex_;
  std::map<SuiteKey, Entry> entries_;
  std::vector<SuiteKey> acquired_log_;
  std::vector<SuiteKey> released_log_;
  std::map<SuiteKey, int> unknown_releases_;
};

}  // namespace hostsim
