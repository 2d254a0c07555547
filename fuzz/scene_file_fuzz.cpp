// The render tool's scene reader over random bytes: it accepts a scene or
// refuses it with a message that starts with the file's name, and never
// throws, crashes or recurses without bound.
#include <cstdint>
#include <string>

#include "fuzz_input.h"
#include "scene_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  prismora_render::SceneDesc scene;
  std::string error;
  if (!prismora_render::ParseScene(text, "fuzz.json", scene, error)) {
    FUZZ_CHECK(error.rfind("fuzz.json: ", 0) == 0);
  } else {
    FUZZ_CHECK(error.empty());
    FUZZ_CHECK(scene.width >= 1 && scene.width <= 16384 && scene.height >= 1 && scene.height <= 16384);
    FUZZ_CHECK(scene.depth == 8 || scene.depth == 16);
  }
  return 0;
}
