// Closed-form signed distances to the analytic pane shapes, each centred on
// the origin of the shape's own frame, in output pixels, positive inside and
// negative outside. Angles are in degrees; a start angle turns the shape so
// that a vertex lies along it. Everything runs in 32-bit floats except the
// general ellipse, which solves its nearest-point cubic in 64 bits.
#pragma once
#include <cstdint>

// Axis-aligned ellipse with semi-axes a (along x) and b (along y). Semi-axes
// less than half a pixel apart are treated as a circle of their mean. A
// point on the curve counts as outside and gives +0.
float EllipseDistance(float px, float py, float a, float b);

// Regular polygon of `sides` (at least 3) vertices on a circle of `radius`
// (at least 0.5), a vertex at start_angle_deg. Roundness (percent) bends the
// edges into cubic curves along the circle's tangents; 0 keeps them straight.
float RegularPolygonDistance(float px, float py, float radius, std::int32_t sides, float start_angle_deg,
                             float roundness);

// Star of `points` (at least 3) outer vertices at outer_radius and as many
// inner ones at inner_radius (both at least 0.5), an outer vertex at
// start_angle_deg. An inner radius above the outer one gives the star with
// the radii swapped, turned by half a point.
float StarDistance(float px, float py, float outer_radius, float inner_radius, std::int32_t points,
                   float start_angle_deg, float outer_roundness, float inner_roundness);
