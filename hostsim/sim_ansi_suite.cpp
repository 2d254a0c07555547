// "PF ANSI Suite" 1: the C library's functions as the host passes them on.
// sprintf, like the host's, writes the whole result whatever the
// destination's size; the result is also recorded for tests.
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "host/suites/pf_ansi_suite1.h"
#include "hostsim/host.h"
#include "hostsim/sim_suites.h"

namespace hostsim {

namespace {

int Sprintf(A_char* buffer, const A_char* format, ...) {
  EnterCall("sprintf");
  va_list args;
  va_start(args, format);
  va_list measure;
  va_copy(measure, args);
  const int n = std::vsnprintf(nullptr, 0, format, measure);
  va_end(measure);
  if (n < 0) {
    va_end(args);
    return n;
  }
  std::vector<char> text(static_cast<std::size_t>(n) + 1);
  std::vsnprintf(text.data(), text.size(), format, args);
  va_end(args);
  std::memcpy(buffer, text.data(), text.size());
  Host::Current()->sprintf_outputs().emplace_back(text.data(), static_cast<std::size_t>(n));
  return n;
}

A_char* Strcpy(A_char* dest, const A_char* src) { return std::strcpy(dest, src); }

A_FpLong Atan(A_FpLong x) { return std::atan(x); }
A_FpLong Atan2(A_FpLong y, A_FpLong x) { return std::atan2(y, x); }
A_FpLong Ceil(A_FpLong x) { return std::ceil(x); }
A_FpLong Cos(A_FpLong x) { return std::cos(x); }
A_FpLong Exp(A_FpLong x) { return std::exp(x); }
A_FpLong Fabs(A_FpLong x) { return std::fabs(x); }
A_FpLong Floor(A_FpLong x) { return std::floor(x); }
A_FpLong Fmod(A_FpLong x, A_FpLong y) { return std::fmod(x, y); }
A_FpLong Hypot(A_FpLong x, A_FpLong y) { return std::hypot(x, y); }
A_FpLong Log(A_FpLong x) { return std::log(x); }
A_FpLong Log10(A_FpLong x) { return std::log10(x); }
A_FpLong Pow(A_FpLong x, A_FpLong y) { return std::pow(x, y); }
A_FpLong Sin(A_FpLong x) { return std::sin(x); }
A_FpLong Sqrt(A_FpLong x) { return std::sqrt(x); }
A_FpLong Tan(A_FpLong x) { return std::tan(x); }
A_FpLong Asin(A_FpLong x) { return std::asin(x); }
A_FpLong Acos(A_FpLong x) { return std::acos(x); }

const PF_ANSICallbacksSuite1 ANSI_SUITE_1 = {Atan, Atan2, Ceil, Cos,  Exp,  Fabs,    Floor,  Fmod, Hypot, Log,
                                             Log10, Pow,  Sin,  Sqrt, Tan, Sprintf, Strcpy, Asin, Acos};

}  // namespace

void InstallAnsiSuites(Host& host) { host.suites().Register("PF ANSI Suite", 1, &ANSI_SUITE_1); }

}  // namespace hostsim
