// The render tool as a user runs it: scene files with errors are refused
// with a message naming the file and the field, exit status 2 and no image;
// good scenes render to a PNG.
#include "render_tool.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "png_image.h"
#include "scene_file.h"

namespace {

namespace fs = std::filesystem;
using prismora_render::RunRenderTool;

class RenderToolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("prismora_tool_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string Write(const std::string& name, const std::string& text) {
    const fs::path p = dir_ / name;
    std::ofstream(p) << text;
    return p.string();
  }
  int Run(const std::vector<std::string>& args) {
    out_.str("");
    err_.str("");
    return RunRenderTool(args, out_, err_);
  }
  fs::path dir_;
  std::ostringstream out_, err_;
};

struct BadScene {
  const char* json;
  const char* field;
};

TEST_F(RenderToolTest, SceneErrorsNameTheFileAndTheFieldAndWriteNothing) {
  const BadScene cases[] = {
      {R"({"composition": {"width": "wide"}})", "composition.width"},
      {R"({"depth": 12})", "depth"},
      {R"({"controls": {"Refraction": 300}})", "controls.Refraction"},
      {R"({"controls": {"Sparkle": 3}})", "controls.Sparkle"},
      {R"({"layer": {"contents": [{"rectangle": {"size": [10]}}]}})", "layer.contents[0].rectangle.size"},
      {R"({"layer": {"contents": [{"group": {"contents": [{"blob": {}}]}}]}})", "layer.contents[0].group.contents[0].blob"},
      {R"({"layer": {"masks": [{"mode": "add"}]}})", "layer.masks[0].points"},
      {R"({"layer": {"kind": "camera"}})", "layer.kind"},
      {R"({"downsample": 0})", "downsample"},
      {R"({"background": {"png": "missing.png"}})", "background.png"},
  };
  for (const BadScene& c : cases) {
    SCOPED_TRACE(c.json);
    const std::string scene = Write("scene.json", c.json);
    const std::string image = (dir_ / "out.png").string();
    EXPECT_EQ(Run({scene, "-o", image}), prismora_render::EXIT_BAD_INPUT);
    const std::string message = err_.str();
    EXPECT_NE(message.find(scene), std::string::npos) << message;
    EXPECT_NE(message.find(c.field), std::string::npos) << message;
    EXPECT_FALSE(fs::exists(image));
  }
}

TEST_F(RenderToolTest, NotJsonAndMissingFilesAreBadInput) {
  const std::string image = (dir_ / "out.png").string();
  const std::string scene = Write("broken.json", "{ not json");
  EXPECT_EQ(Run({scene, "-o", image}), prismora_render::EXIT_BAD_INPUT);
  EXPECT_NE(err_.str().find("broken.json"), std::string::npos);
  EXPECT_EQ(Run({(dir_ / "absent.json").string(), "-o", image}), prismora_render::EXIT_BAD_INPUT);
  EXPECT_NE(err_.str().find("absent.json"), std::string::npos);
  EXPECT_EQ(Run({"-o"}), prismora_render::EXIT_BAD_INPUT);
  EXPECT_EQ(Run({"--frobnicate"}), prismora_render::EXIT_BAD_INPUT);
  EXPECT_FALSE(fs::exists(image));
}

TEST_F(RenderToolTest, RendersAScene16BitAtHalfResolution) {
  const std::string scene = Write("glass.json", R"({
    "composition": {"width": 160, "height": 90}, "depth": 16, "downsample": 0.5,
    "layer": {"kind": "shape", "contents": [
      {"group": {"contents": [{"ellipse": {"position": [0, 0], "size": [60, 40]}}, {"fill": {}}]}},
      {"merge": "add"}]}})");
  const std::string image = (dir_ / "glass.png").string();
  ASSERT_EQ(Run({scene, "-o", image}), prismora_render::EXIT_RENDERED) << err_.str();
  prismora_render::RgbaImage png;
  std::string error;
  ASSERT_TRUE(prismora_render::ReadPng(image, png, error)) << error;
  EXPECT_EQ(png.width, 80);
  EXPECT_EQ(png.height, 45);
}

TEST_F(RenderToolTest, TheDemoSceneParses) {
  prismora_render::SceneDesc scene;
  std::string error;
  ASSERT_TRUE(prismora_render::ParseScene(prismora_render::DEMO_SCENE_JSON, "demo", scene, error)) << error;
  EXPECT_EQ(scene.contents.size(), 3u);
  EXPECT_TRUE(scene.adjustment);
}

TEST(PngImageTest, WritesStraightAlphaFromPremultipliedPixels) {
  hostsim::SimWorld world(2, 1, false);
  world.Pixel8(0, 0) = PF_Pixel8{128, 64, 128, 0};  // half-transparent, premultiplied
  world.Pixel8(1, 0) = PF_Pixel8{0, 0, 0, 0};
  const std::string path = (fs::temp_directory_path() / "prismora_png_test.png").string();
  std::string error;
  ASSERT_TRUE(prismora_render::WritePng(path, world, error)) << error;
  prismora_render::RgbaImage png;
  ASSERT_TRUE(prismora_render::ReadPng(path, png, error)) << error;
  fs::remove(path);
  ASSERT_EQ(png.rgba.size(), 8u);
  EXPECT_EQ(png.rgba[0], 128);  // 64 / 128 of full
  EXPECT_EQ(png.rgba[1], 255);
  EXPECT_EQ(png.rgba[2], 0);
  EXPECT_EQ(png.rgba[3], 128);
  EXPECT_EQ(png.rgba[7], 0);
}

}  // namespace
