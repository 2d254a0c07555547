// The render tool's whole run, callable from tests: arguments in, exit
// status out (0 rendered; 1 the module, the render or the writing of the
// image failed, running out of memory included; 2 a bad command line, scene
// file or background image). Only a run that ends with 0 leaves an image
// at the output path, and no run removes anything it did not create.
#pragma once
#include <ostream>
#include <string>
#include <vector>

namespace prismora_render {

constexpr int EXIT_RENDERED = 0;
constexpr int EXIT_RENDER_FAILED = 1;
constexpr int EXIT_BAD_INPUT = 2;

int RunRenderTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace prismora_render
