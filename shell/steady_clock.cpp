#include "shell/steady_clock.h"

#include <chrono>

namespace {

double MonotonicSeconds() {
  const auto since_origin = std::chrono::steady_clock::now().time_since_epoch();
  return std::chrono::duration<double>(since_origin).count();
}

#ifdef PRISMORA_TEST_SEAMS
SteadyClockSource g_clock_source = nullptr;
#endif

}  // namespace

#ifdef PRISMORA_TEST_SEAMS
void SetSteadyClockForTest(SteadyClockSource source) { g_clock_source = source; }

double SteadyNowSeconds() { return g_clock_source != nullptr ? g_clock_source() : MonotonicSeconds(); }
#else
double SteadyNowSeconds() { return MonotonicSeconds(); }
#endif
