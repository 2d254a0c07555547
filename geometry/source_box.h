// The pane of a layer with neither shapes nor masks: a box the size of its
// source item (or of the layer as PF_InData gives it), centred in the
// layer. A source that is a composition or non-solid footage is also
// remembered as the layer's own matte source.
#pragma once
#include "host/aegp_types.h"
#include "host/pf_in_data.h"

class SuiteHandler;

struct SourceBox {
  double width = 0.0;
  double height = 0.0;
  AEGP_ItemH own_matte_source = nullptr;
};

SourceBox ReadSourceBox(SuiteHandler& suites, const PF_InData* in_data, AEGP_LayerH layer);

// True for a composition, or footage whose main footage is not a solid.
bool IsRenderableMatteItem(SuiteHandler& suites, AEGP_ItemH item);
