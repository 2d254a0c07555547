// The walk: the layer root's "Contents" group; when it holds exactly one
// group and no "Merge Paths", the walk starts inside that group and its
// transform is applied to every slot afterwards (OuterTransform).
// Each group the walk meets yields at most one slot, from the first shape
// item found depth-first below it; the centre of that item is carried
// outwards through every group transform on the way, its rotations are
// added, and the scale of the nearest transform (times the scales further
// out) scales sizes and radii. A free path's points go the same way as the
// centre of the other kinds: the slot's centre is the image of the group's
// local origin, so the points stay about that origin (the anchor is already
// in the centre), scaled like the sizes and turned with the slot's
// rotation by the render. Rotations are in degrees, positive as the host
// turns them; the slot's rot_cos and rot_sin are left to the caller.
#include "geometry/shape_contents_reader.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>

#include "geometry/mask_outline_reader.h"
#include "geometry/stream_helpers.h"
#include "geometry/stream_ownership.h"
#include "render/portable_math.h"

namespace {

constexpr double SHAPE_PI = 3.14159265358979;

double Radians(double degrees) { return degrees * SHAPE_PI / 180.0; }

// Truncation toward zero, refused for values outside the target's range.
bool TruncToInt(double v, int* out) {
  if (!(v > -2147483649.0 && v < 2147483648.0)) return false;
  *out = static_cast<int>(v);
  return true;
}

bool TruncToU32(double v, std::uint32_t* out) {
  if (!(v > -1.0 && v < 4294967296.0)) return false;
  *out = static_cast<std::uint32_t>(v);
  return true;
}

// The values of a group's "Transform", each at its preset when unreadable.
struct GroupTransformValues {
  double x = 0.0, y = 0.0;
  bool position_readable = false;
  double ax = 0.0, ay = 0.0;
  double sx = 100.0, sy = 100.0;
  double r = 0.0;
};

bool ReadGroupTransform(SuiteHandler& suites, AEGP_StreamRefH group, const PF_InData* in_data,
                        GroupTransformValues& t) {
  ScopedStreamRef transform(suites);
  if (!FindChildNameContaining(suites, group, "Transform", transform)) return false;
  t.position_readable = ReadStreamPoint(suites, transform.get(), in_data, "Position", &t.x, &t.y);
  ReadStreamPoint(suites, transform.get(), in_data, "Anchor Point", &t.ax, &t.ay);
  ReadStreamPoint(suites, transform.get(), in_data, "Scale", &t.sx, &t.sy);
  ReadStreamScalar(suites, transform.get(), in_data, "Rotation", &t.r);
  return true;
}

void MapCentre(PrimitiveReading& reading, const GroupTransformValues& t) {
  const double u = (reading.center_x - t.ax) * t.sx / 100.0;
  const double v = (reading.center_y - t.ay) * t.sy / 100.0;
  const double a = Radians(t.r);
  reading.center_x = portable_math::Cos(a) * u - portable_math::Sin(a) * v + t.x;
  reading.center_y = portable_math::Sin(a) * u + portable_math::Cos(a) * v + t.y;
}

// The kind of one child when it is a shape item, reading its values; -1
// when it is not one.
int ReadShapeItem(SuiteHandler& suites, AEGP_StreamRefH item, const PF_InData* in_data, PrimitiveReading& reading) {
  char name[STREAM_NAME_BUFFER_SIZE];
  ReadStreamDisplayName(suites, item, name);
  if (std::strstr(name, "Rectangle Path") != nullptr) {
    ReadStreamPoint(suites, item, in_data, "Position", &reading.center_x, &reading.center_y);
    return SHAPE_BOX;
  }
  if (std::strstr(name, "Ellipse Path") != nullptr) {
    ReadStreamPoint(suites, item, in_data, "Position", &reading.center_x, &reading.center_y);
    return SHAPE_ELLIPSE;
  }
  if (std::strstr(name, "Polystar Path") != nullptr) {
    double type = 2.0;
    ReadStreamScalar(suites, item, in_data, "Type", &type);
    int type_code = 0;
    const bool star = TruncToInt(type, &type_code) && type_code == 1;
    double points = 5.0;
    if (ReadStreamScalar(suites, item, in_data, "Points", &points)) TruncToU32(points, &reading.polystar_points);
    ReadStreamScalar(suites, item, in_data, "Rotation", &reading.rotation_deg);
    ReadStreamScalar(suites, item, in_data, "Outer Radius", &reading.outer_radius);
    ReadStreamScalar(suites, item, in_data, "Outer Roundness", &reading.outer_roundness);
    ReadStreamPoint(suites, item, in_data, "Position", &reading.center_x, &reading.center_y);
    if (star) {
      ReadStreamScalar(suites, item, in_data, "Inner Radius", &reading.inner_radius);
      ReadStreamScalar(suites, item, in_data, "Inner Roundness", &reading.inner_roundness);
    }
    return star ? SHAPE_STAR : SHAPE_POLYGON;
  }
  if (MatchNameEquals(suites, item, "ADBE Vector Shape - Group")) return SHAPE_PATH;
  return -1;
}

// One path leaf flattened onto the end of the buffer as a sub-path.
void AppendPath(SuiteHandler& suites, AEGP_StreamRefH path, const PF_InData* in_data, PathPointBuffer& buffer) {
  const int n = FlattenPathOutline(suites, path, in_data, buffer.points, buffer.point_total);
  if (n < 3) return;
  buffer.subpath_start[buffer.subpath_count] = buffer.point_total;
  buffer.subpath_count += 1;
  buffer.point_total += static_cast<std::uint32_t>(n);
}

bool BufferFull(const PathPointBuffer& buffer) {
  return buffer.subpath_count >= static_cast<std::uint32_t>(MAX_SUBPATHS) || buffer.point_total > PATH_POINT_TOTAL_LIMIT;
}

void FillSlot(SuiteHandler& suites, AEGP_StreamRefH item_group, const PF_InData* in_data,
              const PrimitiveReading& reading, int kind, ShapeSlot& slot) {
  slot.rotation_deg = 0.0;
  slot.rot_cos = 0.0;
  slot.rot_sin = 0.0;
  constexpr std::size_t tail = offsetof(ShapeSlot, size_x);
  std::memset(reinterpret_cast<unsigned char*>(&slot) + tail, 0, sizeof(ShapeSlot) - tail);
  slot.kind = static_cast<std::uint32_t>(kind);
  slot.polystar_points = reading.polystar_points;

  const double m = (reading.group_scale_x + reading.group_scale_y) * 0.5;
  slot.outer_radius = reading.outer_radius * m / 100.0;
  slot.inner_radius = reading.inner_radius * m / 100.0;
  slot.outer_roundness = reading.outer_roundness;
  slot.inner_roundness = reading.inner_roundness;
  slot.center_x = reading.center_x;
  slot.center_y = reading.center_y;

  double size_x = 0.0;
  double size_y = 0.0;
  if (ReadShapeSize(suites, item_group, in_data, &size_x, &size_y, 0)) {
    slot.size_x = size_x * reading.group_scale_x / 100.0;
    slot.size_y = size_y * reading.group_scale_y / 100.0;
  }
  const double roundness = ReadRectRoundness(suites, item_group, in_data, 0);
  if (roundness >= 0.0) slot.corner_radius = roundness * m / 100.0;
  slot.rotation_deg = reading.rotation_deg;

  if (kind != SHAPE_PATH) return;
  PathPointBuffer buffer{};
  if (IsStreamGroup(suites, item_group)) {
    const int count = StreamChildCount(suites, item_group);
    for (int i = 0; i < count && !BufferFull(buffer); ++i) {
      ScopedStreamRef child(suites);
      if (!TakeStreamChild(suites, item_group, i, child)) continue;
      if (MatchNameEquals(suites, child.get(), "ADBE Vector Shape")) {
        AppendPath(suites, child.get(), in_data, buffer);
      } else if (IsStreamGroup(suites, child.get())) {
        ReadVectorShapePath(suites, child.get(), in_data, buffer, 1);
      }
    }
  }
  // Group point p lands at centre + R (p x scale): the centre is T(0) for
  // the group transform T(p) = R ((p - anchor) x scale) + position.
  const std::uint32_t total = std::min<std::uint32_t>(buffer.point_total, MAX_SLOT_POINTS);
  for (std::uint32_t j = 0; j < total; ++j) {
    const double x = buffer.points[2 * j];
    const double y = buffer.points[2 * j + 1];
    slot.points[2 * j] = static_cast<float>(x * reading.group_scale_x / 100.0);
    slot.points[2 * j + 1] = static_cast<float>(y * reading.group_scale_y / 100.0);
  }
  slot.point_count = total;
  slot.subpath_count = buffer.subpath_count;
  for (std::uint32_t k = 0; k < buffer.subpath_count; ++k) slot.subpath_start[k] = buffer.subpath_start[k];
}

void ApplyOuterTransform(const OuterTransform& outer, ShapeSlot* slots, int count) {
  const double a = Radians(outer.rotation_deg);
  const double c = portable_math::Cos(a);
  const double s = portable_math::Sin(a);
  const double kx = outer.scale_x / 100.0;
  const double ky = outer.scale_y / 100.0;
  const double m = (kx + ky) * 0.5;
  for (int i = 0; i < count; ++i) {
    ShapeSlot& slot = slots[i];
    const double x = (slot.center_x - outer.anchor_x) * kx;
    const double y = (slot.center_y - outer.anchor_y) * ky;
    slot.center_x = c * x - s * y + outer.position_x;
    slot.center_y = s * x + c * y + outer.position_y;
    slot.size_x *= kx;
    slot.size_y *= ky;
    slot.outer_radius *= m;
    slot.inner_radius *= m;
    slot.corner_radius *= m;
    slot.rotation_deg += outer.rotation_deg;
    // A free path's points scale with the group like the sizes do.
    if (slot.kind != static_cast<std::uint32_t>(SHAPE_PATH)) continue;
    const std::uint32_t total = std::min<std::uint32_t>(slot.point_count, MAX_SLOT_POINTS);
    for (std::uint32_t j = 0; j < total; ++j) {
      slot.points[2 * j] = static_cast<float>(slot.points[2 * j] * kx);
      slot.points[2 * j + 1] = static_cast<float>(slot.points[2 * j + 1] * ky);
    }
  }
}

}  // namespace

int ReadShapeContents(SuiteHandler& suites, AEGP_StreamRefH layer_root, const PF_InData* in_data, ShapeSlot* slots,
                      int max_slots, std::uint32_t* merge_mode) {
  *merge_mode = 0;
  if (!IsStreamGroup(suites, layer_root)) return 0;
  const int root_count = StreamChildCount(suites, layer_root);
  if (root_count == 0) return 0;

  ScopedStreamRef contents(suites);
  bool found = false;
  for (int i = 0; i < root_count && !found; ++i) {
    if (!TakeStreamChild(suites, layer_root, i, contents)) continue;
    found = MatchNameEquals(suites, contents.get(), "ADBE Root Vectors Group") ||
            StreamNameEquals(suites, contents.get(), "Contents");
  }
  if (!found) return 0;

  bool has_merge = false;
  int group_count = 0;
  ScopedStreamRef first_group(suites);
  const int contents_count = StreamChildCount(suites, contents.get());
  for (int i = 0; i < contents_count; ++i) {
    ScopedStreamRef child(suites);
    if (!TakeStreamChild(suites, contents.get(), i, child)) continue;
    if (StreamNameContains(suites, child.get(), "Merge Paths")) {
      has_merge = true;
    } else if (IsStreamGroup(suites, child.get())) {
      if (++group_count == 1) first_group = std::move(child);
    }
  }

  OuterTransform outer;
  ScopedStreamRef walk_root(suites);
  if (group_count == 1 && !has_merge) {
    walk_root = std::move(first_group);
    contents.Reset();
    ScopedStreamRef transform(suites);
    if (FindChildNameContaining(suites, walk_root.get(), "Transform", transform)) {
      outer.present = true;
      ReadStreamPoint(suites, transform.get(), in_data, "Position", &outer.position_x, &outer.position_y);
      ReadStreamPoint(suites, transform.get(), in_data, "Anchor Point", &outer.anchor_x, &outer.anchor_y);
      ReadStreamPoint(suites, transform.get(), in_data, "Scale", &outer.scale_x, &outer.scale_y);
      ReadStreamScalar(suites, transform.get(), in_data, "Rotation", &outer.rotation_deg);
    }
  } else {
    walk_root = std::move(contents);
    first_group.Reset();
  }

  int filled = 0;
  const int walk_count = StreamChildCount(suites, walk_root.get());
  for (int i = 0; i < walk_count && filled < max_slots; ++i) {
    ScopedStreamRef child(suites);
    if (!TakeStreamChild(suites, walk_root.get(), i, child)) continue;
    if (StreamNameContains(suites, child.get(), "Merge Paths")) {
      double mode = 0.0;
      int code = 0;
      if (ReadStreamScalar(suites, child.get(), in_data, "Mode", &mode) && TruncToInt(mode, &code)) {
        *merge_mode = static_cast<std::uint32_t>(code);
      }
    } else if (IsStreamGroup(suites, child.get())) {
      PrimitiveReading reading;
      const int kind = ReadShapePrimitive(suites, child.get(), in_data, reading, 0);
      if (kind < 0) continue;
      FillSlot(suites, child.get(), in_data, reading, kind, slots[filled]);
      ++filled;
    }
  }
  walk_root.Reset();

  if (outer.present) ApplyOuterTransform(outer, slots, filled);
  if (*merge_mode == 0) *merge_mode = static_cast<std::uint32_t>(ReadMergeMode(suites, layer_root, in_data, 0));
  return filled;
}

int ReadShapePrimitive(SuiteHandler& suites, AEGP_StreamRefH group, const PF_InData* in_data,
                       PrimitiveReading& reading, int depth) {
  if (depth > SHAPE_SEARCH_MAX_DEPTH || !IsStreamGroup(suites, group)) return -1;
  const int count = StreamChildCount(suites, group);

  int kind = -1;
  for (int i = 0; i < count && kind < 0; ++i) {
    ScopedStreamRef child(suites);
    if (!TakeStreamChild(suites, group, i, child)) continue;
    kind = ReadShapeItem(suites, child.get(), in_data, reading);
  }
  if (kind >= 0) {
    GroupTransformValues t;
    if (ReadGroupTransform(suites, group, in_data, t)) {
      if (t.position_readable) MapCentre(reading, t);
      reading.group_anchor_x = t.ax;
      reading.group_anchor_y = t.ay;
      reading.group_scale_x = t.sx;
      reading.group_scale_y = t.sy;
      reading.rotation_deg += t.r;
    }
    return kind;
  }

  int result = -1;
  for (int i = 0; i < count && result < 0; ++i) {
    ScopedStreamRef child(suites);
    if (!TakeStreamChild(suites, group, i, child)) continue;
    result = ReadShapePrimitive(suites, child.get(), in_data, reading, depth + 1);
  }
  if (result < 0) return -1;

  GroupTransformValues t;
  if (!ReadGroupTransform(suites, group, in_data, t)) return result;
  if (!reading.scale_recorded) {
    reading.group_anchor_x = t.ax;
    reading.group_anchor_y = t.ay;
    reading.group_scale_x = t.sx;
    reading.group_scale_y = t.sy;
    if (t.position_readable) reading.scale_recorded = true;
  } else if (t.position_readable) {
    reading.group_scale_x *= t.sx / 100.0;
    reading.group_scale_y *= t.sy / 100.0;
  }
  reading.rotation_deg += t.r;
  if (t.position_readable) MapCentre(reading, t);
  return result;
}

bool ReadShapeSize(SuiteHandler& suites, AEGP_StreamRefH stream, const PF_InData* in_data, double* x, double* y,
                   int depth) {
  if (depth > SHAPE_SEARCH_MAX_DEPTH || !IsStreamGroup(suites, stream)) return false;
  const int count = StreamChildCount(suites, stream);
  for (int i = 0; i < count; ++i) {
    ScopedStreamRef child(suites);
    if (!TakeStreamChild(suites, stream, i, child)) continue;
    if (StreamNameEquals(suites, child.get(), "Size")) {
      return ReadStreamPair(suites, child.get(), AEGP_LTimeMode_LayerTime, FrameTime(in_data), x, y);
    }
    if (ReadShapeSize(suites, child.get(), in_data, x, y, depth + 1)) return true;
  }
  return false;
}

double ReadRectRoundness(SuiteHandler& suites, AEGP_StreamRefH stream, const PF_InData* in_data, int depth) {
  if (depth > SHAPE_SEARCH_MAX_DEPTH || !IsStreamGroup(suites, stream)) return -1.0;
  const int count = StreamChildCount(suites, stream);
  for (int i = 0; i < count; ++i) {
    ScopedStreamRef child(suites);
    if (!TakeStreamChild(suites, stream, i, child)) continue;
    char name[STREAM_NAME_BUFFER_SIZE];
    ReadStreamDisplayName(suites, child.get(), name);
    if (std::strcmp(name, "Roundness") == 0 || std::strcmp(name, "Radius") == 0) {
      double value = -1.0;
      return ReadStreamNumber(suites, child.get(), AEGP_LTimeMode_LayerTime, FrameTime(in_data), &value) ? value
                                                                                                         : -1.0;
    }
    const double deeper = ReadRectRoundness(suites, child.get(), in_data, depth + 1);
    if (deeper >= 0.0) return deeper;
  }
  return -1.0;
}

void ReadVectorShapePath(SuiteHandler& suites, AEGP_StreamRefH stream, const PF_InData* in_data,
                         PathPointBuffer& buffer, int depth) {
  if (depth > SHAPE_SEARCH_MAX_DEPTH || !IsStreamGroup(suites, stream)) return;
  const int count = StreamChildCount(suites, stream);
  for (int i = 0; i < count && !BufferFull(buffer); ++i) {
    ScopedStreamRef child(suites);
    if (!TakeStreamChild(suites, stream, i, child)) continue;
    if (MatchNameEquals(suites, child.get(), "ADBE Vector Shape")) {
      AppendPath(suites, child.get(), in_data, buffer);
    } else if (IsStreamGroup(suites, child.get())) {
      ReadVectorShapePath(suites, child.get(), in_data, buffer, depth + 1);
    }
  }
}

int ReadMergeMode(SuiteHandler& suites, AEGP_StreamRefH stream, const PF_InData* in_data, int depth) {
  if (depth > MERGE_SEARCH_MAX_DEPTH || stream == nullptr) return 0;
  const int count = StreamChildCount(suites, stream);
  for (int i = 0; i < count; ++i) {
    ScopedStreamRef child(suites);
    if (!TakeStreamChild(suites, stream, i, child)) continue;
    if (StreamNameContains(suites, child.get(), "Merge Paths")) {
      ScopedStreamRef mode(suites);
      if (!FindChildNamed(suites, child.get(), "Mode", mode)) continue;
      double value = 0.0;
      int code = 0;
      if (!ReadStreamNumber(suites, mode.get(), AEGP_LTimeMode_LayerTime, FrameTime(in_data), &value)) return 0;
      return TruncToInt(value, &code) ? code : 0;
    }
    if (IsStreamGroup(suites, child.get())) {
      const int found = ReadMergeMode(suites, child.get(), in_data, depth + 1);
      if (found != 0) return found;
    }
  }
  return 0;
}
