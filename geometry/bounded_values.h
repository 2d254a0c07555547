// The working range of every number the pre-render takes from the host.
// Stream values and control values arrive as finite doubles of any size (an
// expression can yield 1e308); multiplied through a parent chain, a group
// transform or a downsample they would overflow to infinity, and the sine
// of an infinite angle is NaN. Each value is therefore held inside a bound
// far beyond any real layer as it is read, which keeps every later sum and
// product finite, down to the 32-bit floats of the render.
#pragma once

// Lengths in layer or composition pixels: positions, anchor points, sizes,
// radii and outline points.
constexpr double LENGTH_LIMIT = 1.0e7;
// Scales in percent, own and composed.
constexpr double SCALE_LIMIT_PCT = 1.0e6;
// Any other value read from a shape stream (roundness, a count, a code).
constexpr double STREAM_VALUE_LIMIT = 1.0e7;
// Slider controls, whose ranges span at most a few hundred.
constexpr double CONTROL_LIMIT = 1.0e6;
// Angles beyond this many degrees are reduced modulo 360 first.
constexpr double ANGLE_REDUCTION_DEG = 1.0e9;

// v held to [-limit, limit]; NaN gives `fallback`.
double Bounded(double v, double limit, double fallback);

inline double BoundedLength(double v) { return Bounded(v, LENGTH_LIMIT, 0.0); }
inline double BoundedScalePct(double v) { return Bounded(v, SCALE_LIMIT_PCT, 100.0); }
// A control value: NaN or infinity reads as an unread control (0).
double BoundedControl(double v);

// An angle in degrees ready to be turned into radians: a non-finite angle
// counts as 0, and one beyond ANGLE_REDUCTION_DEG is reduced modulo 360
// (exactly, by fmod), so its radians are small and its sine and cosine are
// defined. Angles within the bound are returned unchanged.
double ReducedDegrees(double degrees);
