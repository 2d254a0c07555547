// "PF ANSI Suite" version 1: the C library's maths and formatting as the
// host provides them to effects. sprintf writes a NUL-terminated string and
// has no notion of the destination's size.
#pragma once
#include "host/pf_basic_types.h"

extern "C" {

struct PF_ANSICallbacksSuite1 {
  A_FpLong (*atan)(A_FpLong);                                    // 0
  A_FpLong (*atan2)(A_FpLong y, A_FpLong x);                     // 1
  A_FpLong (*ceil)(A_FpLong);                                    // 2
  A_FpLong (*cos)(A_FpLong);                                     // 3
  A_FpLong (*exp)(A_FpLong);                                     // 4
  A_FpLong (*fabs)(A_FpLong);                                    // 5
  A_FpLong (*floor)(A_FpLong);                                   // 6
  A_FpLong (*fmod)(A_FpLong x, A_FpLong y);                      // 7
  A_FpLong (*hypot)(A_FpLong x, A_FpLong y);                     // 8
  A_FpLong (*log)(A_FpLong);                                     // 9
  A_FpLong (*log10)(A_FpLong);                                   // 10
  A_FpLong (*pow)(A_FpLong x, A_FpLong y);                       // 11
  A_FpLong (*sin)(A_FpLong);                                     // 12
  A_FpLong (*sqrt)(A_FpLong);                                    // 13
  A_FpLong (*tan)(A_FpLong);                                     // 14
  int (*sprintf)(A_char* buffer, const A_char* format, ...);     // 15
  A_char* (*strcpy)(A_char* dest, const A_char* src);            // 16
  A_FpLong (*asin)(A_FpLong);                                    // 17
  A_FpLong (*acos)(A_FpLong);                                    // 18
};

}  // extern "C"
