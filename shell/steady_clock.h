// The monotonic clock the idle hook throttles itself by, in seconds as a
// 64-bit float from an arbitrary origin. Tests replace it to step through
// simulated time.
#pragma once

double SteadyNowSeconds();

#ifdef PRISMORA_TEST_SEAMS
// Null restores the real clock.
using SteadyClockSource = double (*)();
void SetSteadyClockForTest(SteadyClockSource source);
#endif
