// A test fixture with a fresh simulated host; when the test ends it checks
// that the plug-in released every suite it acquired, exactly once, and left
// no host handle behind.
#pragma once
#include <gtest/gtest.h>

#include <string>

#include "hostsim/host.h"

class HostTest : public ::testing::Test {
 protected:
  void TearDown() override {
    if (!check_leaks_) return;
    for (const std::string& leak : host_.Leaks()) ADD_FAILURE() << "host leak: " << leak;
  }
  // For the rare test whose point is to leave something behind.
  void SkipLeakCheck() { check_leaks_ = false; }

  hostsim::Host host_;

 private:
  bool check_leaks_ = true;
};
