// Builders for a shape layer's property tree as the host lays it out: the
// layer root holds "Contents" ("ADBE Root Vectors Group"); a group
// ("ADBE Vector Group") holds its own "Contents" and a "Transform"; shape
// items (rectangle, ellipse, polystar, free path), fills, strokes, merge
// paths and round corners sit in a contents group. Item display names are
// what the host shows ("Rectangle Path 1", ...). Lengths in layer pixels,
// angles in degrees, scale in percent.
#pragma once
#include <string>

#include "hostsim/stream_model.h"

namespace hostsim {

// "ADBE Vector Layer" root with an empty "Contents" and a layer "Transform".
SimStreamNode ShapeLayerRoot();
// The root's contents group (the first child with the contents match name).
SimStreamNode& RootContents(SimStreamNode& root);

// A group with an empty "Contents" and a "Transform" at its defaults.
SimStreamNode ShapeGroup(const std::string& display_name);
SimStreamNode& GroupContents(SimStreamNode& group);
SimStreamNode& GroupTransform(SimStreamNode& group);
void SetGroupTransform(SimStreamNode& group, double pos_x, double pos_y, double anchor_x, double anchor_y,
                       double scale_x, double scale_y, double rotation_deg);
// A transform group of a shape group, at the host's defaults.
SimStreamNode VectorTransform();

SimStreamNode RectanglePath(const std::string& display_name, double pos_x, double pos_y, double size_x,
                            double size_y, double roundness);
SimStreamNode EllipsePath(const std::string& display_name, double pos_x, double pos_y, double size_x,
                          double size_y);
struct PolystarValues {
  double type = 1.0;  // 1 star, 2 polygon
  double points = 5.0;
  double pos_x = 0.0, pos_y = 0.0;
  double rotation = 0.0;
  double inner_radius = 50.0, outer_radius = 100.0;
  double inner_roundness = 0.0, outer_roundness = 0.0;
};
SimStreamNode PolystarPath(const std::string& display_name, const PolystarValues& v);
// "ADBE Vector Shape - Group" holding the path leaf "ADBE Vector Shape".
SimStreamNode FreePath(const std::string& display_name, SimOutline outline);
SimStreamNode MergePaths(const std::string& display_name, double mode);
SimStreamNode RoundCorners(const std::string& display_name, double radius);
SimStreamNode Fill(const std::string& display_name);
SimStreamNode Stroke(const std::string& display_name);

}  // namespace hostsim
