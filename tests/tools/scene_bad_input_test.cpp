// The render tool's answer to every kind of bad scene a user can hand it:
// the status, a message that names the file and the field, and no file at
// the output path, nor any other file left in the folder. Scenes that are
// odd but valid (empty and zero-size shapes, tiny frames) render.
#include <gtest/gtest.h>

#include <string>

#include "png_image.h"
#include "tool_test_fixture.h"

namespace {

struct BadScene {
  const char* name;
  std::string json;
  const char* field;    // must appear in the message ("" for none)
  const char* problem;  // must appear in the message
};

std::string Nested(int groups) {
  std::string s = R"({"layer": {"contents": [)";
  for (int i = 0; i < groups; ++i) s += R"({"group": {"contents": [)";
  s += R"({"ellipse": {"size": [10, 10]}})";
  for (int i = 0; i < groups; ++i) s += "]}}";
  return s + "]}}";
}

class SceneBadInputTest : public ToolFolderTest {};

TEST_F(SceneBadInputTest, EveryBadSceneIsRefusedWithItsFieldAndLeavesNothing) {
  const BadScene cases[] = {
      // Malformed JSON.
      {"empty file", "", "", "not valid JSON"},
      {"not json", "{ not json", "", "not valid JSON"},
      {"cut short", R"({"composition": {"width": 12)", "composition.width", "not valid JSON"},
      {"trailing text", R"({"depth": 8} x)", "", "not valid JSON"},
      {"a NaN literal", R"({"controls": {"Frost": NaN}})", "controls.Frost", "not valid JSON"},
      {"top level not an object", "[1, 2]", "(top level)", "expected an object"},
      // Wrong types.
      {"text for a number", R"({"composition": {"width": "wide"}})", "composition.width", "expected a number"},
      {"bool for a number", R"({"depth": true})", "depth", "expected a number"},
      {"array for controls", R"({"controls": [1, 2]})", "controls", "expected an object"},
      {"object for masks", R"({"layer": {"masks": {}}})", "layer.masks", "expected an array"},
      {"number for a bool", R"({"layer": {"adjustment": 1}})", "layer.adjustment", "expected true or false"},
      {"text in a point", R"({"layer": {"contents": [{"path": {"points": [[0, 0], ["a", 1], [3, 3]]}}]}})",
       "layer.contents[0].path.points[1]", "expected an array of 2 numbers"},
      {"number for a string", R"({"background": {"png": 5}})", "background.png", "expected a string"},
      {"item of two keys", R"({"layer": {"contents": [{"fill": {}, "stroke": {}}]}})", "layer.contents[0]",
       "one key"},
      // Out of range.
      {"zero width", R"({"composition": {"width": 0}})", "composition.width", "between 1 and 16384"},
      {"width too large", R"({"composition": {"width": 16385}})", "composition.width", "between 1 and 16384"},
      {"huge height", R"({"composition": {"height": 1e308}})", "composition.height", "between 1 and 16384"},
      {"negative height", R"({"composition": {"height": -4}})", "composition.height", "between 1 and 16384"},
      {"frost above range", R"({"controls": {"Frost": 101}})", "controls.Frost", "between 0 and 100"},
      {"effect scale below range", R"({"controls": {"Effect Scale": 0.05}})", "controls.Effect Scale", "between"},
      {"downsample above 1", R"({"downsample": 1.5})", "downsample", "between 0.01 and 1"},
      {"downsample pair with 0", R"({"downsample": [0.5, 0]})", "downsample", "between 0.01 and 1"},
      {"star of 2 points", R"({"layer": {"contents": [{"star": {"points": 2}}]}})",
       "layer.contents[0].star.points", "between 3 and 100"},
      {"font size 0", R"({"layer": {"kind": "text", "font_size": 0}})", "layer.font_size", "between 1 and 4096"},
      {"layer size 0", R"({"layer": {"size": [0, 10]}})", "layer.size", "between 1 and 30000"},
      {"huge layer size", R"({"layer": {"size": [1e300, 10]}})", "layer.size", "between 1 and 30000"},
      {"depth 12", R"({"depth": 12})", "depth", "expected 8 or 16"},
      // Numbers that overflow a double.
      {"overflowing width", R"({"composition": {"width": 1e999}})", "composition.width", "too large"},
      {"overflowing control", R"({"controls": {"Refraction": -1e999}})", "controls.Refraction", "too large"},
      {"overflowing position", R"({"layer": {"transform": {"position": [0, 1e999]}}})",
       "layer.transform.position[1]", "too large"},
      {"overflowing path point", R"({"layer": {"contents": [{"path": {"points": [[0, 0], [5, 0], [2e400, 3]]}}]}})",
       "layer.contents[0].path.points[2][0]", "too large"},
      {"overflowing integer", R"({"depth": 1)" + std::string(400, '0') + "}", "depth", "too large"},
      {"overflowing mask point", R"({"layer": {"masks": [{"points": [[0, 0], [1e999, 0], [2, 2]]}]}})",
       "layer.masks[0].points[1][0]", "too large"},
      // Nesting.
      {"groups nested 65 deep", Nested(65), "layer.contents[0].group", "nest at most 64"},
      {"groups nested 20000 deep", Nested(20000), "layer.contents[0].group", "nest at most 64"},
      // Backgrounds.
      {"missing background", R"({"background": {"png": "missing.png"}})", "background.png", "cannot read PNG"},
      {"background not a PNG", R"({"background": {"png": "scene.json"}})", "background.png", "cannot read PNG"},
  };
  const std::string image = Path("out.png");
  for (const BadScene& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string scene = Write("scene.json", c.json);
    EXPECT_EQ(Run({scene, "-o", image}), prismora_render::EXIT_BAD_INPUT);
    const std::string message = err_.str();
    EXPECT_NE(message.find(scene + ": "), std::string::npos) << message;
    EXPECT_NE(message.find(c.field), std::string::npos) << message;
    EXPECT_NE(message.find(c.problem), std::string::npos) << message;
    EXPECT_EQ(Listing(), std::set<std::string>{"scene.json"});
  }
}

TEST_F(SceneBadInputTest, GroupsNestedToTheBoundStillRender) {
  const std::string scene = Write("deep.json", R"({"composition": {"width": 24, "height": 16}, )" + Nested(64).substr(1));
  ASSERT_EQ(Run({scene, "-o", Path("deep.png")}), prismora_render::EXIT_RENDERED) << err_.str();
  EXPECT_TRUE(std::filesystem::is_regular_file(Path("deep.png")));
}

struct OddScene {
  const char* name;
  const char* json;
  int width, height;  // of the image
};

TEST_F(SceneBadInputTest, EmptyAndZeroSizeShapesRender) {
  const OddScene cases[] = {
      {"zero-size rectangle", R"({"layer": {"contents": [{"rectangle": {"size": [0, 0]}}]}})", 40, 30},
      {"zero-size ellipse", R"({"layer": {"contents": [{"ellipse": {"size": [0, 0]}}, {"fill": {}}]}})", 40, 30},
      {"negative ellipse", R"({"layer": {"contents": [{"ellipse": {"size": [-20, 10]}}]}})", 40, 30},
      {"path of no points", R"({"layer": {"contents": [{"path": {"points": []}}]}})", 40, 30},
      {"path of two points", R"({"layer": {"contents": [{"path": {"points": [[0, 0], [5, 5]]}}]}})", 40, 30},
      {"path of one repeated point", R"({"layer": {"contents": [{"path": {"points": [[1, 1], [1, 1], [1, 1]]}}]}})",
       40, 30},
      {"star of radius 0",
       R"({"layer": {"contents": [{"star": {"outer_radius": 0, "inner_radius": 0, "outer_roundness": -500}}]}})", 40,
       30},
      {"empty group", R"({"layer": {"contents": [{"group": {"contents": []}}, {"merge": "subtract"}]}})", 40, 30},
      {"mask of no points", R"({"layer": {"kind": "solid", "masks": [{"points": []}]}})", 40, 30},
      {"empty text", R"({"layer": {"kind": "text", "text": ""}})", 40, 30},
      {"huge but finite transform",
       R"({"layer": {"transform": {"position": [1e300, -1e300], "scale": [1e300, 0]},
                     "contents": [{"ellipse": {"size": [10, 10]}}]}})", 40, 30},
      {"one pixel", R"({"composition": {"width": 1, "height": 1}, "depth": 16,
                        "layer": {"contents": [{"rectangle": {"size": [1, 1]}}]}})", 1, 1},
      {"smallest downsample", R"({"composition": {"width": 50, "height": 300}, "downsample": 0.01,
                                  "layer": {"contents": [{"ellipse": {"size": [30, 30]}}]}})", 1, 3},
  };
  for (const OddScene& c : cases) {
    SCOPED_TRACE(c.name);
    std::string json = c.json;
    if (json.find("composition") == std::string::npos) json = R"({"composition": {"width": 40, "height": 30}, )" + json.substr(1);
    const std::string scene = Write("odd.json", json);
    const std::string image = Path("odd.png");
    ASSERT_EQ(Run({scene, "-o", image}), prismora_render::EXIT_RENDERED) << err_.str();
    prismora_render::RgbaImage png;
    std::string error;
    ASSERT_TRUE(prismora_render::ReadPng(image, png, error)) << error;
    EXPECT_EQ(png.width, c.width);
    EXPECT_EQ(png.height, c.height);
    EXPECT_EQ(Listing(), (std::set<std::string>{"odd.json", "odd.png"}));
    std::filesystem::remove(image);
  }
}

}  // namespace
