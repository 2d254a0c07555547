// The render tool's scene file: JSON read into a scene description, with
// errors that name the file and the field that is wrong.
#pragma once
#include <string>

#include "hostsim/scene_desc.h"

namespace prismora_render {

using hostsim::ContentItem;
using hostsim::ControlsDesc;
using hostsim::MaskDesc;
using hostsim::SceneDesc;
using hostsim::TransformDesc;

// Parses scene JSON text; `source_name` is used in messages. Returns false
// and sets `error` to "<source>: <field>: <problem>".
bool ParseScene(const std::string& text, const std::string& source_name, SceneDesc& scene, std::string& error);
bool LoadSceneFile(const std::string& path, SceneDesc& scene, std::string& error);

// The embedded demo: an adjustment shape layer with a rounded rectangle, an
// ellipse and a star over the test pattern.
extern const char* const DEMO_SCENE_JSON;

}  // namespace prismora_render
