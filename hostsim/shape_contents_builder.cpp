#include "hostsim/shape_contents_builder.h"

#include <utility>

namespace hostsim {

namespace {
SimStreamNode ColorLeaf(const std::string& match_name, const std::string& display_name) {
  SimStreamNode n = ScalarLeaf(match_name, display_name, 1.0);
  n.type = AEGP_StreamType_COLOR;
  n.value = {1.0, 1.0, 1.0};
  return n;
}
}  // namespace

SimStreamNode ShapeLayerRoot() {
  SimStreamNode root = NamedGroup("ADBE Vector Layer", "Shape Layer 1");
  root.Add(IndexedGroup("ADBE Marker", "Marker"));
  root.Add(IndexedGroup("ADBE Root Vectors Group", "Contents"));
  root.Add(IndexedGroup("ADBE Mask Parade", "Masks"));
  root.Add(IndexedGroup("ADBE Effect Parade", "Effects"));
  SimStreamNode& transform = root.Add(NamedGroup("ADBE Transform Group", "Transform"));
  transform.Add(PointLeaf("ADBE Anchor Point", "Anchor Point", 0.0, 0.0));
  transform.Add(PointLeaf("ADBE Position", "Position", 0.0, 0.0));
  transform.Add(PointLeaf("ADBE Scale", "Scale", 100.0, 100.0));
  transform.Add(ScalarLeaf("ADBE Rotate Z", "Rotation", 0.0));
  transform.Add(ScalarLeaf("ADBE Opacity", "Opacity", 100.0));
  return root;
}

SimStreamNode& RootContents(SimStreamNode& root) { return *root.Child("ADBE Root Vectors Group"); }

SimStreamNode VectorTransform() {
  SimStreamNode t = NamedGroup("ADBE Vector Transform Group", "Transform");
  t.Add(PointLeaf("ADBE Vector Anchor", "Anchor Point", 0.0, 0.0));
  t.Add(PointLeaf("ADBE Vector Position", "Position", 0.0, 0.0));
  SimStreamNode scale = PointLeaf("ADBE Vector Scale", "Scale", 100.0, 100.0);
  scale.type = AEGP_StreamType_TwoD;
  t.Add(std::move(scale));
  t.Add(ScalarLeaf("ADBE Vector Skew", "Skew", 0.0));
  t.Add(ScalarLeaf("ADBE Vector Skew Axis", "Skew Axis", 0.0));
  t.Add(ScalarLeaf("ADBE Vector Rotation", "Rotation", 0.0));
  t.Add(ScalarLeaf("ADBE Vector Group Opacity", "Opacity", 100.0));
  return t;
}

SimStreamNode ShapeGroup(const std::string& display_name) {
  SimStreamNode g = NamedGroup("ADBE Vector Group", display_name);
  g.Add(ScalarLeaf("ADBE Vector Blend Mode", "Blend Mode", 1.0));
  g.Add(IndexedGroup("ADBE Vectors Group", "Contents"));
  g.Add(VectorTransform());
  return g;
}

SimStreamNode& GroupContents(SimStreamNode& group) { return *group.Child("ADBE Vectors Group"); }
SimStreamNode& GroupTransform(SimStreamNode& group) { return *group.Child("ADBE Vector Transform Group"); }

void SetGroupTransform(SimStreamNode& group, double pos_x, double pos_y, double anchor_x, double anchor_y,
                       double scale_x, double scale_y, double rotation_deg) {
  SimStreamNode& t = GroupTransform(group);
  t.Child("ADBE Vector Position")->value = {pos_x, pos_y, 0.0};
  t.Child("ADBE Vector Anchor")->value = {anchor_x, anchor_y, 0.0};
  t.Child("ADBE Vector Scale")->value = {scale_x, scale_y, 0.0};
  t.Child("ADBE Vector Rotation")->value = {rotation_deg, 0.0, 0.0};
}

SimStreamNode RectanglePath(const std::string& display_name, double pos_x, double pos_y, double size_x,
                            double size_y, double roundness) {
  SimStreamNode r = NamedGroup("ADBE Vector Shape - Rect", display_name);
  r.Add(ScalarLeaf("ADBE Vector Shape Direction", "Shape Direction", 1.0));
  SimStreamNode size = PointLeaf("ADBE Vector Rect Size", "Size", size_x, size_y);
  size.type = AEGP_StreamType_TwoD;
  r.Add(std::move(size));
  r.Add(PointLeaf("ADBE Vector Rect Position", "Position", pos_x, pos_y));
  r.Add(ScalarLeaf("ADBE Vector Rect Roundness", "Roundness", roundness));
  return r;
}

SimStreamNode EllipsePath(const std::string& display_name, double pos_x, double pos_y, double size_x,
                          double size_y) {
  SimStreamNode e = NamedGroup("ADBE Vector Shape - Ellipse", display_name);
  e.Add(ScalarLeaf("ADBE Vector Shape Direction", "Shape Direction", 1.0));
  SimStreamNode size = PointLeaf("ADBE Vector Ellipse Size", "Size", size_x, size_y);
  size.type = AEGP_StreamType_TwoD;
  e.Add(std::move(size));
  e.Add(PointLeaf("ADBE Vector Ellipse Position", "Position", pos_x, pos_y));
  return e;
}

SimStreamNode PolystarPath(const std::string& display_name, const PolystarValues& v) {
  SimStreamNode s = NamedGroup("ADBE Vector Shape - Star", display_name);
  s.Add(ScalarLeaf("ADBE Vector Shape Direction", "Shape Direction", 1.0));
  s.Add(ScalarLeaf("ADBE Vector Star Type", "Type", v.type));
  s.Add(ScalarLeaf("ADBE Vector Star Points", "Points", v.points));
  s.Add(PointLeaf("ADBE Vector Star Position", "Position", v.pos_x, v.pos_y));
  s.Add(ScalarLeaf("ADBE Vector Star Rotation", "Rotation", v.rotation));
  s.Add(ScalarLeaf("ADBE Vector Star Inner Radius", "Inner Radius", v.inner_radius));
  s.Add(ScalarLeaf("ADBE Vector Star Outer Radius", "Outer Radius", v.outer_radius));
  s.Add(ScalarLeaf("ADBE Vector Star Inner Roundess", "Inner Roundness", v.inner_roundness));
  s.Add(ScalarLeaf("ADBE Vector Star Outer Roundess", "Outer Roundness", v.outer_roundness));
  return s;
}

SimStreamNode FreePath(const std::string& display_name, SimOutline outline) {
  SimStreamNode p = NamedGroup("ADBE Vector Shape - Group", display_name);
  p.Add(ScalarLeaf("ADBE Vector Shape Direction", "Shape Direction", 1.0));
  p.Add(OutlineLeaf("ADBE Vector Shape", "Path", std::move(outline)));
  return p;
}

SimStreamNode MergePaths(const std::string& display_name, double mode) {
  SimStreamNode m = NamedGroup("ADBE Vector Filter - Merge", display_name);
  m.Add(ScalarLeaf("ADBE Vector Merge Type", "Mode", mode));
  return m;
}

SimStreamNode RoundCorners(const std::string& display_name, double radius) {
  SimStreamNode r = NamedGroup("ADBE Vector Filter - RC", display_name);
  r.Add(ScalarLeaf("ADBE Vector RoundCorner Radius", "Radius", radius));
  return r;
}

SimStreamNode Fill(const std::string& display_name) {
  SimStreamNode f = NamedGroup("ADBE Vector Graphic - Fill", display_name);
  f.Add(ScalarLeaf("ADBE Vector Blend Mode", "Blend Mode", 1.0));
  f.Add(ScalarLeaf("ADBE Vector Fill Rule", "Fill Rule", 1.0));
  f.Add(ColorLeaf("ADBE Vector Fill Color", "Color"));
  f.Add(ScalarLeaf("ADBE Vector Fill Opacity", "Opacity", 100.0));
  return f;
}

SimStreamNode Stroke(const std::string& display_name) {
  SimStreamNode s = NamedGroup("ADBE Vector Graphic - Stroke", display_name);
  s.Add(ScalarLeaf("ADBE Vector Blend Mode", "Blend Mode", 1.0));
  s.Add(ColorLeaf("ADBE Vector Stroke Color", "Color"));
  s.Add(ScalarLeaf("ADBE Vector Stroke Opacity", "Opacity", 100.0));
  s.Add(ScalarLeaf("ADBE Vector Stroke Width", "Stroke Width", 2.0));
  s.Add(ScalarLeaf("ADBE Vector Stroke Line Cap", "Line Cap", 1.0));
  s.Add(ScalarLeaf("ADBE Vector Stroke Line Join", "Line Join", 1.0));
  s.Add(IndexedGroup("ADBE Vector Stroke Dashes", "Dashes"));
  return s;
}

}  // namespace hostsim
