#include "hostsim/stream_model.h"

#include <utility>

namespace hostsim {

SimStreamNode& SimStreamNode::Add(SimStreamNode child) {
  children.push_back(std::move(child));
  return children.back();
}

SimStreamNode* SimStreamNode::Child(const std::string& name) {
  for (SimStreamNode& c : children) {
    if (c.match_name == name) return &c;
  }
  return nullptr;
}

std::u16string Utf16(const std::string& ascii) {
  std::u16string out;
  out.reserve(ascii.size());
  for (char c : ascii) out.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
  return out;
}

namespace {
SimStreamNode Node(const std::string& match_name, const std::string& display_name, AEGP_StreamGroupingType g,
                   AEGP_StreamType t) {
  SimStreamNode n;
  n.match_name = match_name;
  n.display_name = Utf16(display_name);
  n.grouping = g;
  n.type = t;
  return n;
}
}  // namespace

SimStreamNode NamedGroup(const std::string& match_name, const std::string& display_name) {
  return Node(match_name, display_name, AEGP_StreamGroupingType_NAMED_GROUP, AEGP_StreamType_NO_DATA);
}

SimStreamNode IndexedGroup(const std::string& match_name, const std::string& display_name) {
  return Node(match_name, display_name, AEGP_StreamGroupingType_INDEXED_GROUP, AEGP_StreamType_NO_DATA);
}

SimStreamNode ScalarLeaf(const std::string& match_name, const std::string& display_name, double v) {
  SimStreamNode n = Node(match_name, display_name, AEGP_StreamGroupingType_LEAF, AEGP_StreamType_OneD);
  n.value = {v, 0.0, 0.0};
  return n;
}

SimStreamNode PointLeaf(const std::string& match_name, const std::string& display_name, double x, double y) {
  SimStreamNode n = Node(match_name, display_name, AEGP_StreamGroupingType_LEAF, AEGP_StreamType_TwoD_SPATIAL);
  n.value = {x, y, 0.0};
  return n;
}

SimStreamNode Point3Leaf(const std::string& match_name, const std::string& display_name, double x, double y,
                         double z) {
  SimStreamNode n = Node(match_name, display_name, AEGP_StreamGroupingType_LEAF, AEGP_StreamType_ThreeD_SPATIAL);
  n.value = {x, y, z};
  return n;
}

SimStreamNode OutlineLeaf(const std::string& match_name, const std::string& display_name, SimOutline outline) {
  SimStreamNode n = Node(match_name, display_name, AEGP_StreamGroupingType_LEAF, AEGP_StreamType_MASK);
  n.outline = std::move(outline);
  return n;
}

SimOutline PolygonOutline(const std::vector<std::array<double, 2>>& points, bool open) {
  SimOutline o;
  o.open = open;
  for (const auto& p : points) o.vertices.push_back(AEGP_MaskVertex{p[0], p[1], 0.0, 0.0, 0.0, 0.0});
  return o;
}

SimStreamNode* SimLayerTransform::Stream(AEGP_LayerStream which) {
  switch (which) {
    case AEGP_LayerStream_ANCHORPOINT:
      return &anchor_point;
    case AEGP_LayerStream_POSITION:
      return &position;
    case AEGP_LayerStream_SCALE:
      return &scale;
    case AEGP_LayerStream_ROTATION:
      return &rotation;
    default:
      return nullptr;
  }
}

}  // namespace hostsim
