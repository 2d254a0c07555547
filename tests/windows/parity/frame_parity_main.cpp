// prismora_frame_parity: renders the parity scenes through a module and
// either writes the frames (with the glyph outlines and the maths sample
// they rest on) or compares them with frames written before, byte for byte.
//
//   prismora_frame_parity write DIR MODULE
//       renders through MODULE into DIR; text takes the glyph outlines of
//       this build's host, and DIR gets them too.
//   prismora_frame_parity compare DIR MODULE
//       renders through MODULE, text from DIR's glyph outlines, and
//       compares every frame and the maths sample with DIR's.
//   prismora_frame_parity compare-modules MODULE_A MODULE_B
//       renders every scene through both modules and compares.
//
// Exit status 0 when everything was written or is equal, 1 when a frame or
// the maths sample differs or a render fails, 2 on a bad command line or a
// missing file.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "host/pf_errors.h"
#include "hostsim/command_driver.h"
#include "hostsim/frame_renderer.h"
#include "hostsim/glyph_outlines.h"
#include "hostsim/host.h"
#include "hostsim/module_entry_points.h"
#include "hostsim/registration_capture.h"
#include "hostsim/scene_desc_builder.h"
#include "parity_files.h"
#include "parity_maths.h"
#include "parity_scenes.h"

namespace {

using frame_parity::ParityScene;

constexpr const char* GLYPH_FILE = "glyph-outlines.bin";
constexpr const char* MATHS_FILE = "maths-sample.bin";

struct Frame {
  bool ok = false;
  std::string error;
  bool deep = false;
  std::vector<std::uint8_t> bytes;  // rows of premultiplied ARGB, no padding
};

int Scaled(int size, double factor) {
  const long v = static_cast<long>(static_cast<double>(size) * factor + 0.5);
  return v < 1 ? 1 : static_cast<int>(v);
}

// One frame of the scene the way the host renders it. `text` replaces the
// host's own glyph outlines when the scene is a text layer.
Frame Render(const std::string& module_path, const ParityScene& scene, const hostsim::SimTextOutlines* text) {
  Frame frame;
  const hostsim::SceneDesc& desc = scene.desc;
  hostsim::Host host;
  const hostsim::BuiltScene built = hostsim::BuildScene(host, desc);
  if (text != nullptr && desc.layer_kind == hostsim::SceneDesc::LayerKind::TEXT) built.layer->text = *text;
  hostsim::LoadedModule module(module_path);
  if (!module.ok()) {
    frame.error = "cannot load " + module_path + ": " + module.error();
    return frame;
  }
  hostsim::RegistrationRecord registration;
  hostsim::RunRegistration(module.entry_points(), 2, registration);
  const int w = Scaled(desc.width, desc.downsample[0]);
  const int h = Scaled(desc.height, desc.downsample[1]);
  const bool deep = desc.depth == 16;
  hostsim::SimWorld input(w, h, deep), output(w, h, deep);
  frame_parity::FillParityInput(input);
  PF_Err err = PF_Err_NONE;
  {
    hostsim::CommandDriver commands(host, module.entry_points());
    err = commands.GlobalSetup();
    if (err == PF_Err_NONE) err = commands.ParamsSetup();
    if (err == PF_Err_NONE) err = commands.SequenceSetup();
    if (err == PF_Err_NONE) {
      hostsim::FrameRequest request;
      request.deep = deep;
      request.downsample_x = PF_RationalScale{static_cast<A_long>(desc.downsample[0] * 1000.0 + 0.5), 1000};
      request.downsample_y = PF_RationalScale{static_cast<A_long>(desc.downsample[1] * 1000.0 + 0.5), 1000};
      request.quality = desc.draft_quality ? 0 : 1;
      request.layer_width = desc.layer_size[0] > 0 ? desc.layer_size[0] : desc.width;
      request.layer_height = desc.layer_size[1] > 0 ? desc.layer_size[1] : desc.height;
      const hostsim::FrameResult result = hostsim::RenderFrame(commands, *built.instance, request, input, output);
      err = result.pre_render_err != PF_Err_NONE ? result.pre_render_err : result.render_err;
      const PF_Err setdown = commands.SequenceSetdown();
      if (err == PF_Err_NONE) err = setdown;
    }
  }
  if (err != PF_Err_NONE) {
    frame.error = "render failed with error " + std::to_string(err);
    return frame;
  }
  frame.ok = true;
  frame.deep = deep;
  frame.bytes = output.PixelBytes();
  return frame;
}

std::string FramePath(const std::string& dir, const ParityScene& scene) { return dir + "/" + scene.name + ".frame"; }

// "identical", or how many values (16-bit channels when deep, else bytes)
// differ and by how much at most.
bool Compare(const std::string& what, const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b, bool deep,
             const char* unit = "channel values") {
  if (a.size() != b.size()) {
    std::printf("%-30s DIFFERENT: %zu bytes against %zu\n", what.c_str(), a.size(), b.size());
    return false;
  }
  const std::size_t width = deep ? 2 : 1;
  std::size_t differ = 0;
  long worst = 0;
  for (std::size_t i = 0; i + width <= a.size(); i += width) {
    const long va = deep ? static_cast<long>(a[i] | (a[i + 1] << 8)) : a[i];
    const long vb = deep ? static_cast<long>(b[i] | (b[i + 1] << 8)) : b[i];
    if (va != vb) {
      ++differ;
      if (std::labs(va - vb) > worst) worst = std::labs(va - vb);
    }
  }
  if (differ == 0) {
    std::printf("%-30s identical (%zu %s)\n", what.c_str(), a.size() / width, unit);
    return true;
  }
  std::printf("%-30s DIFFERENT: %zu of %zu %s, by up to %ld\n", what.c_str(), differ, a.size() / width, unit, worst);
  return false;
}

int Usage() {
  std::fprintf(stderr,
               "usage: prismora_frame_parity write DIR MODULE\n"
               "       prismora_frame_parity compare DIR MODULE\n"
               "       prismora_frame_parity compare-modules MODULE_A MODULE_B\n");
  return 2;
}

int Write(const std::string& dir, const std::string& module) {
  hostsim::SimTextOutlines glyphs;
  int status = 0;
  for (const ParityScene& scene : frame_parity::ParityScenes()) {
    const hostsim::SimTextOutlines* text = nullptr;
    if (scene.desc.layer_kind == hostsim::SceneDesc::LayerKind::TEXT) {
      glyphs = {};
      if (!hostsim::SetTextOutlines(scene.desc.text, scene.desc.font_size, scene.desc.text_position[0],
                                    scene.desc.text_position[1], glyphs)) {
        std::fprintf(stderr, "prismora_frame_parity: this build has no glyph outlines to write\n");
        return 2;
      }
      if (!frame_parity::WriteBytes(dir + "/" + scene.name + "." + GLYPH_FILE, frame_parity::EncodeOutlines(glyphs))) {
        std::fprintf(stderr, "prismora_frame_parity: cannot write into %s\n", dir.c_str());
        return 2;
      }
      text = &glyphs;
    }
    const Frame frame = Render(module, scene, text);
    if (!frame.ok) {
      std::printf("%-30s %s\n", scene.name.c_str(), frame.error.c_str());
      status = 1;
      continue;
    }
    if (!frame_parity::WriteBytes(FramePath(dir, scene), frame.bytes)) {
      std::fprintf(stderr, "prismora_frame_parity: cannot write into %s\n", dir.c_str());
      return 2;
    }
    std::printf("%-30s written\n", scene.name.c_str());
  }
  if (!frame_parity::WriteBytes(dir + "/" + MATHS_FILE, frame_parity::MathsSample())) return 2;
  return status;
}

int CompareWithDirectory(const std::string& dir, const std::string& module) {
  bool same = true;
  for (const ParityScene& scene : frame_parity::ParityScenes()) {
    hostsim::SimTextOutlines glyphs;
    const hostsim::SimTextOutlines* text = nullptr;
    if (scene.desc.layer_kind == hostsim::SceneDesc::LayerKind::TEXT) {
      std::vector<std::uint8_t> bytes;
      if (!frame_parity::ReadBytes(dir + "/" + scene.name + "." + GLYPH_FILE, bytes) ||
          !frame_parity::DecodeOutlines(bytes, glyphs) || glyphs.paths.empty()) {
        std::fprintf(stderr, "prismora_frame_parity: no glyph outlines for %s in %s\n", scene.name.c_str(), dir.c_str());
        return 2;
      }
      text = &glyphs;
    }
    std::vector<std::uint8_t> expected;
    if (!frame_parity::ReadBytes(FramePath(dir, scene), expected)) {
      std::fprintf(stderr, "prismora_frame_parity: %s is missing\n", FramePath(dir, scene).c_str());
      return 2;
    }
    const Frame frame = Render(module, scene, text);
    if (!frame.ok) {
      std::printf("%-30s %s\n", scene.name.c_str(), frame.error.c_str());
      same = false;
      continue;
    }
    same = Compare(scene.name, frame.bytes, expected, frame.deep) && same;
  }
  std::vector<std::uint8_t> maths;
  if (!frame_parity::ReadBytes(dir + "/" + MATHS_FILE, maths)) return 2;
  same = Compare("maths sample", frame_parity::MathsSample(), maths, false, "bytes") && same;
  return same ? 0 : 1;
}

int CompareModules(const std::string& module_a, const std::string& module_b) {
  bool same = true;
  for (const ParityScene& scene : frame_parity::ParityScenes()) {
    const Frame a = Render(module_a, scene, nullptr);
    const Frame b = Render(module_b, scene, nullptr);
    if (!a.ok || !b.ok) {
      std::printf("%-30s %s\n", scene.name.c_str(), (!a.ok ? a.error : b.error).c_str());
      same = false;
      continue;
    }
    same = Compare(scene.name, a.bytes, b.bytes, a.deep) && same;
  }
  return same ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) return Usage();
  const std::string mode = argv[1];
  if (mode == "write") return Write(argv[2], argv[3]);
  if (mode == "compare") return CompareWithDirectory(argv[2], argv[3]);
  if (mode == "compare-modules") return CompareModules(argv[2], argv[3]);
  return Usage();
}
