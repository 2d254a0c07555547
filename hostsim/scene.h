// The simulated project: compositions with their layers, and each layer's
// effects. The suites of the simulated host read this model; tests build it
// directly. Further properties of layers (streams, masks, shape contents,
// text, mattes, sources) are added beside these as the suites that read
// them are simulated.
//
// References handed to the plug-in are addresses in this model:
// AEGP_CompH is a SimComposition*, AEGP_LayerH a SimLayer*, AEGP_ItemH a
// SimItem*. Every object also carries `failing_calls`: host operations,
// by name ("AEGP_GetLayerFlags"), that answer with an error when asked
// about this object only. Each layer also holds its property tree,
// transform streams and masks (stream_model.h).
#pragma once
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "host/aegp_render_types.h"
#include "host/aegp_types.h"
#include "host/suites/pf_path_data_suite1.h"
#include "hostsim/effect_instance.h"
#include "hostsim/stream_model.h"

namespace hostsim {

struct SimComposition;
struct SimItem;
struct SimLayer;
class SimWorld;

// What the plug-in asked the host to render: an item (render options made
// from an item) or a layer (layer render options), with the options it set.
struct SimRenderRequest {
  const SimItem* item = nullptr;
  const SimLayer* layer = nullptr;
  AEGP_PluginID plugin_id = 0;
  A_Time time{0, 1};
  AEGP_WorldType world_type = AEGP_WorldType_8;
  AEGP_MatteMode matte_mode = AEGP_MatteMode_PREMUL_BLACK;
  A_short downsample_x = 1;
  A_short downsample_y = 1;
  bool time_set = false;
  bool world_type_set = false;
  bool matte_mode_set = false;
  bool downsample_set = false;
  bool cancel_callback = false;  // the render was given a cancel callback
};

// The pixels the host renders for an item or a layer. The rendered world
// is width x height full-resolution pixels divided by the downsample factor
// (rounded up), of the requested pixel type, transparent until `paint`
// fills it. `paint` may call back into the plug-in, as a real host's render
// can.
struct SimPixelSource {
  A_long width = 0;   // 0: the item's size (for a layer: its source item's)
  A_long height = 0;
  // The rendered region's top-left, in rendered pixels of the item's (or
  // layer's) frame.
  A_long region_left = 0;
  A_long region_top = 0;
  std::function<void(const SimRenderRequest& request, SimWorld& world)> paint;
};

// One glyph outline of a text layer: vertices joined by cubic segments;
// a closed path has one segment per vertex, an open one a segment fewer.
struct SimTextPath {
  std::vector<PF_PathVertex> vertices;
  bool open = false;
  bool fail_segments = false;  // PF_PathNumSegments errs
  int fail_vertex = -1;        // PF_PathVertexInfo errs from this index on
  A_long Segments() const;
};

// A text layer's outlines at any time (AEGP_GetNewTextOutlines).
struct SimTextOutlines {
  std::vector<SimTextPath> paths;
  bool fail_new = false;       // AEGP_GetNewTextOutlines errs
  bool null_outlines = false;  // ... succeeds with a null handle
  bool fail_count = false;     // AEGP_GetNumTextOutlines errs
  int null_path = -1;          // AEGP_GetIndexedTextOutline gives null for this index
};

struct SimEffect {
  std::string match_name;
  AEGP_EffectFlags flags = AEGP_EffectFlags_ACTIVE;
  AEGP_InstalledEffectKey installed_key = 1;
  std::set<std::string> failing_calls;
};

struct SimLayer {
  AEGP_LayerIDVal id = 0;
  AEGP_ObjectType object_type = AEGP_ObjectType_AV;
  AEGP_LayerFlags flags = AEGP_LayerFlag_VIDEO_ACTIVE;
  std::vector<SimEffect> effects;
  std::set<std::string> failing_calls;
  // Where the layer comes from and how it sits in its composition.
  SimItem* source = nullptr;      // AEGP_GetLayerSourceItem; null: none
  SimLayer* parent = nullptr;     // AEGP_GetLayerParent
  A_Time offset{0, 1};            // layer time 0 in composition time
  AEGP_LayerTransferMode transfer_mode{0, 0, 0};
  SimLayer* track_matte = nullptr;  // AEGP_GetTrackMatteLayer
  A_Matrix4 layer_to_world{{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}};
  // What AEGP_RenderAndCheckoutLayerFrame renders for this layer.
  SimPixelSource pixels;
  SimTextOutlines text;
  // The root of the layer's property tree (AEGP_GetNewStreamRefForLayer);
  // a shape layer's contents hang below it (see shape_contents_builder.h).
  SimStreamNode properties = NamedGroup("ADBE AV Layer", "Layer");
  SimLayerTransform transform;
  std::vector<SimMask> masks;
};

// A project item. The item of a composition takes its id and size from
// the composition (`composition` set); other items carry their own.
struct SimItem {
  AEGP_ItemID id = 0;
  AEGP_ItemType type = AEGP_ItemType_NONE;
  A_long width = 0;
  A_long height = 0;
  SimComposition* composition = nullptr;
  std::set<std::string> failing_calls;
  // The main footage of a footage item (AEGP_GetMainFootageFromItem),
  // identified by its four-character signature ('Soli' for a solid).
  bool has_main_footage = false;
  A_u_long footage_signature = 0;
  // What AEGP_RenderAndCheckoutFrame renders for this item.
  SimPixelSource pixels;

  AEGP_ItemID ItemId() const;
  A_long Width() const;
  A_long Height() const;
};

struct SimComposition {
  AEGP_ItemID item_id = 0;
  A_long width = 1920;
  A_long height = 1080;
  std::vector<SimLayer> layers;
  SimItem item;  // the composition as a project item
  std::set<std::string> failing_calls;

  // Appends a layer at the bottom of the stack. The reference is valid
  // until the next layer is added.
  SimLayer& AddLayer(AEGP_LayerIDVal id, AEGP_ObjectType object_type = AEGP_ObjectType_AV,
                     AEGP_LayerFlags flags = AEGP_LayerFlag_VIDEO_ACTIVE);
};

struct SimScene {
  // Held by pointer so that references handed to the plug-in stay valid
  // while tests add compositions.
  std::vector<std::unique_ptr<SimComposition>> compositions;
  int most_recently_used = -1;  // index into compositions, -1 = none
  // Applied instances of the effect; each one's effect_ref() goes into
  // PF_InData for the commands sent to it.
  std::vector<std::unique_ptr<SimEffectInstance>> effect_instances;

  SimEffectInstance& AddEffectInstance(SimLayer* layer);
  // A footage item with main footage of this signature, or a solid.
  SimItem& AddFootageItem(AEGP_ItemID id, A_long width, A_long height, A_u_long signature);
  // The composition that holds the layer, or null.
  SimComposition* CompositionOf(const SimLayer* layer);
  // Items that are not compositions (solids, footage), held by pointer for
  // the same reason.
  std::vector<std::unique_ptr<SimItem>> items;
  // Installed effects by key; an effect's match name is looked up through
  // its installed key, as the host does. A key missing here falls back to
  // the match name of the scene's effects that carry it.
  std::map<AEGP_InstalledEffectKey, std::string> installed_effects;

  SimComposition& AddComposition(AEGP_ItemID item_id, A_long width = 1920, A_long height = 1080);
  // False when no installed effect has this key.
  bool MatchNameOfKey(AEGP_InstalledEffectKey key, std::string* match_name) const;
};

}  // namespace hostsim
