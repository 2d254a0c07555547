// prismora-render [SCENE.json] [-o OUT.png] [--module MODULE]
#include <iostream>

#include "render_tool.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return prismora_render::RunRenderTool(args, std::cout, std::cerr);
}
