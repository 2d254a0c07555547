// The simulated host's property streams: a layer's property tree (named and
// indexed groups with match names and display names, one-, two- and
// three-dimensional leaves, path leaves holding outlines), the layer's own
// transform streams and its masks. Values are in layer pixels, degrees and
// percent as the host reports them; outline tangents are relative to their
// vertex. Each node carries switches that make one host call on it fail, so
// tests can walk every failure path of a reader.
#pragma once
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "host/aegp_stream_types.h"

namespace hostsim {

// A mask or shape-path outline. For a closed outline the host counts one
// segment per vertex and numbers the first vertex again after the last.
struct SimOutline {
  std::vector<AEGP_MaskVertex> vertices;
  bool open = false;
  // Switches copied into every value read from the stream.
  bool fail_segments = false;  // AEGP_GetMaskOutlineNumSegments errs
  bool fail_open = false;      // AEGP_IsMaskOutlineOpen errs
  int fail_vertex = -1;        // AEGP_GetMaskOutlineVertexInfo errs for this index
};

// Switches that make one host call about a node fail.
struct SimStreamFaults {
  bool fail_ref = false;         // taking a reference to this node errs
  bool null_ref = false;         // ... succeeds but hands back null
  bool fail_grouping = false;    // AEGP_GetStreamGroupingType errs
  bool fail_count = false;       // AEGP_GetNumStreamsInGroup errs
  bool fail_match_name = false;  // AEGP_GetMatchName errs
  bool fail_name = false;        // AEGP_GetStreamName errs
  bool fail_name_lock = false;   // the name's memory handle cannot be locked
  bool fail_value = false;       // AEGP_GetNewStreamValue errs
  bool no_outline = false;       // a path value comes back without an outline
};

using SimValue = std::array<double, 3>;
// A time-varying stream: the value at (time, mode). Unset = constant.
using SimEvaluate = std::function<SimValue(const A_Time& time, AEGP_LTimeMode mode)>;

struct SimStreamNode {
  std::string match_name;
  std::u16string display_name;      // English, as force-English returns it
  std::u16string localized_name;    // returned without force-English when set
  AEGP_StreamGroupingType grouping = AEGP_StreamGroupingType_LEAF;
  AEGP_StreamType type = AEGP_StreamType_NO_DATA;
  SimValue value{0.0, 0.0, 0.0};
  bool has_expression = false;      // the value with expressions applied is
  SimValue expression_value{0.0, 0.0, 0.0};  // this (pre-expression false)
  SimEvaluate evaluate;
  SimOutline outline;               // for AEGP_StreamType_MASK leaves
  std::vector<SimStreamNode> children;
  SimStreamFaults faults;

  bool IsGroup() const {
    return grouping == AEGP_StreamGroupingType_NAMED_GROUP || grouping == AEGP_StreamGroupingType_INDEXED_GROUP;
  }
  // Appends a child and returns it (valid until the next Add on this node).
  SimStreamNode& Add(SimStreamNode child);
  // The first direct child with this match name, or null.
  SimStreamNode* Child(const std::string& match_name);
};

std::u16string Utf16(const std::string& ascii);

SimStreamNode NamedGroup(const std::string& match_name, const std::string& display_name);
SimStreamNode IndexedGroup(const std::string& match_name, const std::string& display_name);
SimStreamNode ScalarLeaf(const std::string& match_name, const std::string& display_name, double v);
SimStreamNode PointLeaf(const std::string& match_name, const std::string& display_name, double x, double y);
SimStreamNode Point3Leaf(const std::string& match_name, const std::string& display_name, double x, double y,
                         double z);
SimStreamNode OutlineLeaf(const std::string& match_name, const std::string& display_name, SimOutline outline);

// Outline helpers: a closed polygon with straight segments (zero tangents),
// and a closed outline whose vertices carry the given tangents.
SimOutline PolygonOutline(const std::vector<std::array<double, 2>>& points, bool open = false);

// The layer's own transform streams (AEGP_GetNewLayerStream 0 to 3).
struct SimLayerTransform {
  SimStreamNode anchor_point = Point3Leaf("ADBE Anchor Point", "Anchor Point", 0.0, 0.0, 0.0);
  SimStreamNode position = Point3Leaf("ADBE Position", "Position", 0.0, 0.0, 0.0);
  SimStreamNode scale = Point3Leaf("ADBE Scale", "Scale", 100.0, 100.0, 100.0);
  SimStreamNode rotation = ScalarLeaf("ADBE Rotate Z", "Rotation", 0.0);
  // Null for any other stream.
  SimStreamNode* Stream(AEGP_LayerStream which);
};

// A layer mask; its outline stream is AEGP_MaskStream_OUTLINE.
struct SimMask {
  AEGP_MaskMode mode = 1;  // PF_MaskMode_ADD
  bool inverted = false;
  SimStreamNode outline = OutlineLeaf("ADBE Mask Shape", "Mask Path", SimOutline{});
  bool fail_mode = false;    // reading the mode errs
  bool fail_invert = false;  // reading the inversion errs
};

}  // namespace hostsim
