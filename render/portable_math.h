// The plug-in's own elementary functions. The C runtimes of the platforms
// the module is built for round cos, atan2 and the rest differently, and a
// difference of one unit in the last place moves pixels; these functions
// are built only from +, -, *, /, sqrt and exact operations (floor, frexp,
// ldexp, integer arithmetic), so every conforming build of them returns the
// same bits. Each is within one unit in the last place of the exact value
// (the tests measure them against a high-precision reference); the float
// forms compute in double and round once to float.
//
// NaN in gives NaN out; infinities and signed zeros give what the C library
// functions of the same names give.
#pragma once

namespace portable_math {

double Sin(double x);
double Cos(double x);
float Sin(float x);
float Cos(float x);
float Tan(float x);

double Atan2(double y, double x);
float Atan2(float y, float x);
double Acos(double x);

// pow(x, 1.0 / 3.0): x raised to the double nearest one third (not the cube
// root: the exponent is a hair below 1/3). NaN for negative x other than
// -0 and -infinity, as pow gives for an exponent that is not an integer.
double PowOneThird(double x);

double Hypot(double x, double y);
float Log(float x);

}  // namespace portable_math
