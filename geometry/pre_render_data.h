// The record that crosses from the smart pre-render to the smart render in
// one host handle: a 248-byte header, eight 4248-byte shape slots from byte
// 248, then the matte raster from byte 34232. Native byte order, every
// 64-bit float on an 8-byte boundary. Lengths are in pixels of the effect
// layer at full resolution; angles in degrees where the name says so.
#pragma once
#include <cstddef>
#include <cstdint>

constexpr int MAX_SHAPE_SLOTS = 8;
constexpr int MAX_SLOT_POINTS = 512;
constexpr int MAX_SUBPATHS = 8;
constexpr int MAX_MATTE_SIDE = 16384;

enum ShapeKind : std::uint32_t {
  SHAPE_BOX = 0,
  SHAPE_ELLIPSE = 1,
  SHAPE_POLYGON = 2,
  SHAPE_STAR = 3,
  SHAPE_PATH = 4,
};

struct PreRenderHeader {
  double refraction;
  double depth;
  double splay;
  double frost;
  double dispersion;
  double light_angle_deg;
  double light_intensity;
  double magnify;
  double rim_scale;
  std::int32_t margin_px;
  std::int32_t layer_width;
  std::int32_t layer_height;
  std::uint8_t padding0[4];
  double effect_scale;
  double scale_x_pct;
  double scale_y_pct;
  double anchor_x;
  double anchor_y;
  double downsample_x;
  double downsample_y;
  double rotation_cos;
  double rotation_sin;
  double position_x;
  double position_y;
  std::uint32_t is_adjustment_layer;
  std::uint32_t shape_count;
  std::uint32_t merge_mode;
  std::uint32_t slots_are_masks;
  std::uint32_t reserved0;
  std::uint32_t is_source_box;
  std::uint32_t reserved1;
  std::uint32_t is_vector_layer;
  std::uint32_t reserved2[4];
  std::uint32_t matte_valid;
  std::uint32_t matte_width;
  std::uint32_t matte_height;
  std::uint32_t deep;
  std::uint32_t matte_is_distance;
  std::uint8_t padding1[4];
};

struct ShapeSlot {
  std::uint32_t kind;  // ShapeKind
  std::uint32_t polystar_points;
  double rotation_deg;
  double rot_cos;
  double rot_sin;
  double outer_radius;
  double inner_radius;
  double outer_roundness;
  double inner_roundness;
  double center_x;
  double center_y;
  double size_x;
  double size_y;
  double corner_radius;
  std::uint32_t mask_mode;
  std::uint32_t mask_inverted;
  std::uint32_t point_count;
  std::uint32_t subpath_count;
  std::uint32_t subpath_start[MAX_SUBPATHS];
  float points[MAX_SLOT_POINTS * 2];  // (x, y) pairs relative to the centre
};

struct PreRenderData {
  PreRenderHeader header;
  ShapeSlot slots[MAX_SHAPE_SLOTS];
  // The matte raster follows at MATTE_RASTER_OFFSET.
};

constexpr std::size_t PRE_RENDER_HEADER_SIZE = 248;
constexpr std::size_t SHAPE_SLOT_SIZE = 4248;
constexpr std::size_t SHAPE_SLOTS_OFFSET = 248;
constexpr std::size_t MATTE_RASTER_OFFSET = 34232;

static_assert(sizeof(PreRenderHeader) == PRE_RENDER_HEADER_SIZE);
static_assert(offsetof(PreRenderHeader, refraction) == 0);
static_assert(offsetof(PreRenderHeader, depth) == 8);
static_assert(offsetof(PreRenderHeader, splay) == 16);
static_assert(offsetof(PreRenderHeader, frost) == 24);
static_assert(offsetof(PreRenderHeader, dispersion) == 32);
static_assert(offsetof(PreRenderHeader, light_angle_deg) == 40);
static_assert(offsetof(PreRenderHeader, light_intensity) == 48);
static_assert(offsetof(PreRenderHeader, magnify) == 56);
static_assert(offsetof(PreRenderHeader, rim_scale) == 64);
static_assert(offsetof(PreRenderHeader, margin_px) == 72);
static_assert(offsetof(PreRenderHeader, layer_width) == 76);
static_assert(offsetof(PreRenderHeader, layer_height) == 80);
static_assert(offsetof(PreRenderHeader, effect_scale) == 88);
static_assert(offsetof(PreRenderHeader, scale_x_pct) == 96);
static_assert(offsetof(PreRenderHeader, scale_y_pct) == 104);
static_assert(offsetof(PreRenderHeader, anchor_x) == 112);
static_assert(offsetof(PreRenderHeader, anchor_y) == 120);
static_assert(offsetof(PreRenderHeader, downsample_x) == 128);
static_assert(offsetof(PreRenderHeader, downsample_y) == 136);
static_assert(offsetof(PreRenderHeader, rotation_cos) == 144);
static_assert(offsetof(PreRenderHeader, rotation_sin) == 152);
static_assert(offsetof(PreRenderHeader, position_x) == 160);
static_assert(offsetof(PreRenderHeader, position_y) == 168);
static_assert(offsetof(PreRenderHeader, is_adjustment_layer) == 176);
static_assert(offsetof(PreRenderHeader, shape_count) == 180);
static_assert(offsetof(PreRenderHeader, merge_mode) == 184);
static_assert(offsetof(PreRenderHeader, slots_are_masks) == 188);
static_assert(offsetof(PreRenderHeader, reserved0) == 192);
static_assert(offsetof(PreRenderHeader, is_source_box) == 196);
static_assert(offsetof(PreRenderHeader, reserved1) == 200);
static_assert(offsetof(PreRenderHeader, is_vector_layer) == 204);
static_assert(offsetof(PreRenderHeader, reserved2) == 208);
static_assert(offsetof(PreRenderHeader, matte_valid) == 224);
static_assert(offsetof(PreRenderHeader, matte_width) == 228);
static_assert(offsetof(PreRenderHeader, matte_height) == 232);
static_assert(offsetof(PreRenderHeader, deep) == 236);
static_assert(offsetof(PreRenderHeader, matte_is_distance) == 240);

static_assert(sizeof(ShapeSlot) == SHAPE_SLOT_SIZE);
static_assert(offsetof(ShapeSlot, kind) == 0);
static_assert(offsetof(ShapeSlot, polystar_points) == 4);
static_assert(offsetof(ShapeSlot, rotation_deg) == 8);
static_assert(offsetof(ShapeSlot, rot_cos) == 16);
static_assert(offsetof(ShapeSlot, rot_sin) == 24);
static_assert(offsetof(ShapeSlot, outer_radius) == 32);
static_assert(offsetof(ShapeSlot, inner_radius) == 40);
static_assert(offsetof(ShapeSlot, outer_roundness) == 48);
static_assert(offsetof(ShapeSlot, inner_roundness) == 56);
static_assert(offsetof(ShapeSlot, center_x) == 64);
static_assert(offsetof(ShapeSlot, center_y) == 72);
static_assert(offsetof(ShapeSlot, size_x) == 80);
static_assert(offsetof(ShapeSlot, size_y) == 88);
static_assert(offsetof(ShapeSlot, corner_radius) == 96);
static_assert(offsetof(ShapeSlot, mask_mode) == 104);
static_assert(offsetof(ShapeSlot, mask_inverted) == 108);
static_assert(offsetof(ShapeSlot, point_count) == 112);
static_assert(offsetof(ShapeSlot, subpath_count) == 116);
static_assert(offsetof(ShapeSlot, subpath_start) == 120);
static_assert(offsetof(ShapeSlot, points) == 152);

static_assert(offsetof(PreRenderData, slots) == SHAPE_SLOTS_OFFSET);
static_assert(sizeof(PreRenderData) == MATTE_RASTER_OFFSET);

// The host's delete-pre-render-data callback: disposes the record's handle.
// Never lets an exception reach the host.
void DeletePreRenderData(void* pre_render_data);
