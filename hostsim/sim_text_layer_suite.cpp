// "AEGP Text Layer Suite" 1 and "PF Path Data Suite" 1 of the simulated
// host, as far as the render-cache key and the text rasteriser read them: a
// text layer's outlines are its SimTextOutlines (the same at every time;
// glyph_outlines.h sets them from real glyphs), handed out as a counted
// reference; a path outline is the address of one SimTextPath.
#include "host/pf_errors.h"
#include "host/suites/aegp_text_layer_suite1.h"
#include "host/suites/pf_path_data_suite1.h"
#include "hostsim/host.h"
#include "hostsim/pre_render_suites.h"
#include "hostsim/sim_suites.h"

namespace hostsim {

namespace {

A_Err GetNewTextOutlines(AEGP_LayerH layerH, const A_Time* layer_timePT, AEGP_TextOutlinesH* outlinesPH) {
  SimLayer* layer = FindLayer(layerH);
  if (const A_Err err = EnterCall("AEGP_GetNewTextOutlines", layer ? &layer->failing_calls : nullptr)) return err;
  if (layer == nullptr || layer_timePT == nullptr || outlinesPH == nullptr) return A_Err_GENERIC;
  if (layer->object_type != AEGP_ObjectType_TEXT || layer->text.fail_new) return A_Err_GENERIC;
  *outlinesPH = layer->text.null_outlines
                    ? nullptr
                    : reinterpret_cast<AEGP_TextOutlinesH>(Host::Current()->text_outlines().New({layer}));
  return A_Err_NONE;
}

A_Err DisposeTextOutlines(AEGP_TextOutlinesH outlinesH) {
  if (const A_Err err = EnterCall("AEGP_DisposeTextOutlines")) return err;
  return Host::Current()->text_outlines().Dispose(outlinesH) ? A_Err_NONE : A_Err_GENERIC;
}

A_Err GetNumTextOutlines(AEGP_TextOutlinesH outlinesH, A_long* num_outlinesPL) {
  SimTextOutlinesRef* ref = Host::Current()->text_outlines().Find(outlinesH);
  if (const A_Err err = EnterCall("AEGP_GetNumTextOutlines")) return err;
  if (ref == nullptr || num_outlinesPL == nullptr || ref->layer->text.fail_count) return A_Err_GENERIC;
  *num_outlinesPL = static_cast<A_long>(ref->layer->text.paths.size());
  return A_Err_NONE;
}

A_Err GetIndexedTextOutline(AEGP_TextOutlinesH outlinesH, A_long path_index, PF_PathOutlinePtr* pathPP) {
  SimTextOutlinesRef* ref = Host::Current()->text_outlines().Find(outlinesH);
  if (const A_Err err = EnterCall("AEGP_GetIndexedTextOutline")) return err;
  if (ref == nullptr || pathPP == nullptr) return A_Err_GENERIC;
  SimTextOutlines& text = ref->layer->text;
  if (path_index < 0 || path_index >= static_cast<A_long>(text.paths.size())) return A_Err_GENERIC;
  *pathPP = path_index == text.null_path
                ? nullptr
                : reinterpret_cast<PF_PathOutlinePtr>(&text.paths[static_cast<std::size_t>(path_index)]);
  return A_Err_NONE;
}

// A path is only followed when it belongs to a text layer of the scene.
SimTextPath* FindTextPath(PF_PathOutlinePtr path) {
  for (const auto& comp : Host::Current()->scene().compositions) {
    for (SimLayer& layer : comp->layers) {
      for (SimTextPath& p : layer.text.paths) {
        if (reinterpret_cast<PF_PathOutlinePtr>(&p) == path) return &p;
      }
    }
  }
  return nullptr;
}

PF_Err PathIsOpen(PF_ProgPtr, PF_PathOutlinePtr path, PF_Boolean* openPB) {
  SimTextPath* p = FindTextPath(path);
  if (const A_Err err = EnterCall("PF_PathIsOpen")) return err;
  if (p == nullptr || openPB == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  *openPB = p->open ? 1 : 0;
  return PF_Err_NONE;
}

PF_Err PathNumSegments(PF_ProgPtr, PF_PathOutlinePtr path, A_long* num_segmentsPL) {
  SimTextPath* p = FindTextPath(path);
  if (const A_Err err = EnterCall("PF_PathNumSegments")) return err;
  if (p == nullptr || num_segmentsPL == nullptr || p->fail_segments) return PF_Err_BAD_CALLBACK_PARAM;
  *num_segmentsPL = p->Segments();
  return PF_Err_NONE;
}

// Vertex `segments` of a closed path is its first vertex again.
PF_Err PathVertexInfo(PF_ProgPtr, PF_PathOutlinePtr path, PF_PathVertexIndex which, PF_PathVertex* vertexP) {
  SimTextPath* p = FindTextPath(path);
  if (const A_Err err = EnterCall("PF_PathVertexInfo")) return err;
  if (p == nullptr || vertexP == nullptr || p->vertices.empty()) return PF_Err_BAD_CALLBACK_PARAM;
  if (p->fail_vertex >= 0 && which >= p->fail_vertex) return PF_Err_BAD_CALLBACK_PARAM;
  const auto n = static_cast<A_long>(p->vertices.size());
  if (which < 0 || which > p->Segments()) return PF_Err_BAD_CALLBACK_PARAM;
  *vertexP = p->vertices[static_cast<std::size_t>(which % n)];
  return PF_Err_NONE;
}

const AEGP_TextLayerSuite1 TEXT_LAYER_SUITE1 = {GetNewTextOutlines, DisposeTextOutlines, GetNumTextOutlines,
                                                GetIndexedTextOutline};

PF_PathDataSuite1 MakePathDataSuite1() {
  PF_PathDataSuite1 s{};
  s.PF_PathIsOpen = PathIsOpen;
  s.PF_PathNumSegments = PathNumSegments;
  s.PF_PathVertexInfo = PathVertexInfo;
  return s;
}

const PF_PathDataSuite1 PATH_DATA_SUITE1 = MakePathDataSuite1();

}  // namespace

void RegisterSimTextLayerSuites(Host& host) {
  host.suites().Register("AEGP Text Layer Suite", 1, &TEXT_LAYER_SUITE1);
  host.suites().Register("PF Path Data Suite", 1, &PATH_DATA_SUITE1);
}

}  // namespace hostsim
