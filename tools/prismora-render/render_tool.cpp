#include "render_tool.h"

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <new>
#include <stdexcept>

#include "host/pf_errors.h"
#include "hostsim/command_driver.h"
#include "hostsim/frame_renderer.h"
#include "hostsim/host.h"
#include "hostsim/module_entry_points.h"
#include "hostsim/registration_capture.h"
#include "hostsim/scene_desc_builder.h"
#include "output_file.h"
#include "png_image.h"
#include "scene_file.h"
#include "test_pattern.h"

namespace prismora_render {

namespace {

constexpr const char* USAGE = "usage: prismora-render [SCENE.json] [-o OUT.png] [--module MODULE]\n";
constexpr const char* DEFAULT_OUTPUT = "prismora.png";

// The module beside this executable, as an installed tool finds it; the
// build tree's module otherwise.
std::string DefaultModulePath() {
  std::error_code ec;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (!ec) {
    const std::filesystem::path beside = self.parent_path() / std::filesystem::path(PRISMORA_MODULE_FILE).filename();
    if (std::filesystem::exists(beside, ec)) return beside.string();
  }
  return PRISMORA_MODULE_FILE;
}

int Scaled(int size, double factor) { return std::max(1, static_cast<int>(std::lround(size * factor))); }

PF_RationalScale Rational(double factor) {
  // The host states downsampling as a ratio; factors like 0.5 and 0.25 are
  // exact with a denominator of 1000.
  return PF_RationalScale{static_cast<A_long>(std::lround(factor * 1000.0)), 1000};
}

int RunUnguarded(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  std::string scene_path, output_path = DEFAULT_OUTPUT, module_path;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "-o" || a == "--module") {
      if (i + 1 >= args.size()) {
        err << "prismora-render: " << a << " needs a value\n" << USAGE;
        return EXIT_BAD_INPUT;
      }
      (a == "-o" ? output_path : module_path) = args[++i];
    } else if (a == "-h" || a == "--help") {
      out << USAGE;
      return EXIT_RENDERED;
    } else if (!a.empty() && a[0] == '-') {
      err << "prismora-render: unknown option " << a << "\n" << USAGE;
      return EXIT_BAD_INPUT;
    } else if (scene_path.empty()) {
      scene_path = a;
    } else {
      err << "prismora-render: more than one scene file given\n" << USAGE;
      return EXIT_BAD_INPUT;
    }
  }

  SceneDesc scene;
  std::string error;
  const bool loaded = scene_path.empty() ? ParseScene(DEMO_SCENE_JSON, "(demo scene)", scene, error)
                                         : LoadSceneFile(scene_path, scene, error);
  if (!loaded) {
    err << "prismora-render: " << error << "\n";
    return EXIT_BAD_INPUT;
  }
  RgbaImage background;
  if (!scene.background_png.empty()) {
    std::filesystem::path png = scene.background_png;
    if (png.is_relative() && !scene_path.empty()) png = std::filesystem::path(scene_path).parent_path() / png;
    if (!ReadPng(png.string(), background, error)) {
      err << "prismora-render: " << (scene_path.empty() ? "(demo scene)" : scene_path) << ": background.png: "
          << error << "\n";
      return EXIT_BAD_INPUT;
    }
  }

  // Opened before the render, so an output that cannot be written is told
  // at once; whatever ends the run early takes the new file away again.
  OutputFile image;
  if (!image.Open(output_path, error)) {
    err << "prismora-render: " << error << "\n";
    return EXIT_RENDER_FAILED;
  }

  if (module_path.empty()) module_path = DefaultModulePath();
  hostsim::Host host;
  const hostsim::BuiltScene built = hostsim::BuildScene(host, scene);
  hostsim::LoadedModule module(module_path);
  if (!module.ok()) {
    err << "prismora-render: cannot load " << module_path << ": " << module.error() << "\n";
    return EXIT_RENDER_FAILED;
  }
  const hostsim::ModuleEntryPoints& entry = module.entry_points();
  if (entry.plugin_data_entry2 == nullptr || entry.entry_point == nullptr) {
    err << "prismora-render: " << module_path << " lacks the effect's entry points\n";
    return EXIT_RENDER_FAILED;
  }
  hostsim::RegistrationRecord registration;
  hostsim::RunRegistration(entry, 2, registration);

  PF_Err failure = PF_Err_NONE;
  std::string failed_step;
  const int w = Scaled(scene.width, scene.downsample[0]);
  const int h = Scaled(scene.height, scene.downsample[1]);
  hostsim::SimWorld input(w, h, scene.depth == 16), output(w, h, scene.depth == 16);
  {
    hostsim::CommandDriver commands(host, entry);
    auto step = [&](const char* name, PF_Err e) {
      if (e != PF_Err_NONE && failure == PF_Err_NONE) {
        failure = e;
        failed_step = name;
      }
    };
    step("global setup", commands.GlobalSetup());
    step("parameter setup", commands.ParamsSetup());
    step("sequence setup", commands.SequenceSetup());
    if (failure == PF_Err_NONE) {
      if (background.width > 0) {
        FillFromImage(input, background);
      } else {
        FillTestPattern(input);
      }
      hostsim::FrameRequest request;
      request.deep = scene.depth == 16;
      request.downsample_x = Rational(scene.downsample[0]);
      request.downsample_y = Rational(scene.downsample[1]);
      request.quality = scene.draft_quality ? 0 : 1;
      request.layer_width = scene.layer_size[0] > 0 ? scene.layer_size[0] : scene.width;
      request.layer_height = scene.layer_size[1] > 0 ? scene.layer_size[1] : scene.height;
      const hostsim::FrameResult frame = hostsim::RenderFrame(commands, *built.instance, request, input, output);
      step("smart pre-render", frame.pre_render_err);
      step("smart render", frame.render_err);
    }
    step("sequence setdown", commands.SequenceSetdown());
  }
  if (failure != PF_Err_NONE) {
    err << "prismora-render: " << failed_step << " failed with error " << failure
        << (failure == PF_Err_OUT_OF_MEMORY ? " (out of memory)" : "") << "\n";
    return EXIT_RENDER_FAILED;
  }
  if (!WritePng(image.stream(), output_path, output, error) || !image.Commit(error)) {
    err << "prismora-render: " << error << "\n";
    return EXIT_RENDER_FAILED;
  }
  out << "prismora-render: " << registration.name << " rendered " << (scene_path.empty() ? "the demo scene" : scene_path)
      << " at " << w << "x" << h << ", " << scene.depth << " bpc, to " << output_path << "\n";
  return EXIT_RENDERED;
}

}  // namespace

// The one place where the tool's own failures become a message and a
// status: frames and images are sized by the user, so running out of memory
// is an ordinary outcome here, not a crash.
int RunRenderTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  try {
    return RunUnguarded(args, out, err);
  } catch (const std::bad_alloc&) {
    err << "prismora-render: out of memory: the frame or the background is too large for the memory available\n";
  } catch (const std::length_error&) {
    err << "prismora-render: out of memory: the frame or the background is too large for the memory available\n";
  } catch (const std::exception& e) {
    err << "prismora-render: failed: " << e.what() << "\n";
  }
  return EXIT_RENDER_FAILED;
}

}  // namespace prismora_render
