// The render tool's output path: whatever stands there and is not ours
// survives a failed run (a folder, a link, a device, a file), a good run
// replaces a file (through a link, the file it points to), and no partial
// file is ever left beside it.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "png_image.h"
#include "tool_test_fixture.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* SMALL_SCENE =
    R"({"composition": {"width": 24, "height": 16}, "layer": {"contents": [{"ellipse": {"size": [10, 8]}}]}})";

class OutputPathTest : public ToolFolderTest {
 protected:
  void SetUp() override {
    ToolFolderTest::SetUp();
    scene_ = Write("scene.json", SMALL_SCENE);
  }
  std::string scene_;
};

TEST_F(OutputPathTest, AnEmptyFolderAtTheOutputPathIsRefusedAndKept) {
  fs::create_directory(Path("out.png"));
  EXPECT_EQ(Run({scene_, "-o", Path("out.png")}), prismora_render::EXIT_RENDER_FAILED);
  EXPECT_NE(err_.str().find(Path("out.png")), std::string::npos) << err_.str();
  EXPECT_NE(err_.str().find("folder"), std::string::npos) << err_.str();
  EXPECT_TRUE(fs::is_directory(Path("out.png")));
  EXPECT_EQ(Listing(), (std::set<std::string>{"scene.json", "out.png"}));
}

TEST_F(OutputPathTest, ALinkToAFolderIsRefusedAndKept) {
  fs::create_directory(Path("folder"));
  fs::create_directory_symlink(Path("folder"), Path("out.png"));
  EXPECT_EQ(Run({scene_, "-o", Path("out.png")}), prismora_render::EXIT_RENDER_FAILED);
  EXPECT_TRUE(fs::is_symlink(Path("out.png")));
  EXPECT_EQ(Listing(), (std::set<std::string>{"scene.json", "out.png", "folder"}));
}

TEST_F(OutputPathTest, ALinkIntoAMissingFolderIsRefusedAndKept) {
  fs::create_symlink(Path("nowhere/out.png"), Path("out.png"));
  EXPECT_EQ(Run({scene_, "-o", Path("out.png")}), prismora_render::EXIT_RENDER_FAILED);
  EXPECT_NE(err_.str().find(Path("out.png")), std::string::npos) << err_.str();
  EXPECT_TRUE(fs::is_symlink(Path("out.png")));
  EXPECT_EQ(Listing(), (std::set<std::string>{"scene.json", "out.png"}));
}

TEST_F(OutputPathTest, AMissingFolderIsRefused) {
  EXPECT_EQ(Run({scene_, "-o", Path("nowhere/out.png")}), prismora_render::EXIT_RENDER_FAILED);
  EXPECT_NE(err_.str().find(Path("nowhere/out.png")), std::string::npos) << err_.str();
  EXPECT_EQ(Listing(), std::set<std::string>{"scene.json"});
}

TEST_F(OutputPathTest, ADeviceThatFailsEveryWriteIsKept) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  EXPECT_EQ(Run({scene_, "-o", "/dev/full"}), prismora_render::EXIT_RENDER_FAILED);
  EXPECT_NE(err_.str().find("/dev/full"), std::string::npos) << err_.str();
  EXPECT_TRUE(fs::is_character_file("/dev/full"));
}

TEST_F(OutputPathTest, ADeviceIsWrittenInPlace) {
  EXPECT_EQ(Run({scene_, "-o", "/dev/null"}), prismora_render::EXIT_RENDERED) << err_.str();
  EXPECT_TRUE(fs::is_character_file("/dev/null"));
}

TEST_F(OutputPathTest, AFailedRenderKeepsTheFileThatWasThere) {
  const std::string image = Write("out.png", "precious");
  EXPECT_EQ(Run({scene_, "-o", image, "--module", Path("no-such-module.so")}), prismora_render::EXIT_RENDER_FAILED);
  EXPECT_EQ(Read(image), "precious");
  const std::string bad = Write("bad.json", R"({"depth": 3})");
  EXPECT_EQ(Run({bad, "-o", image}), prismora_render::EXIT_BAD_INPUT);
  EXPECT_EQ(Read(image), "precious");
  EXPECT_EQ(Listing(), (std::set<std::string>{"scene.json", "bad.json", "out.png"}));
}

TEST_F(OutputPathTest, AGoodRenderReplacesAFileAndKeepsItsPermissions) {
  const std::string image = Write("out.png", "old");
  ::chmod(image.c_str(), 0640);
  ASSERT_EQ(Run({scene_, "-o", image}), prismora_render::EXIT_RENDERED) << err_.str();
  prismora_render::RgbaImage png;
  std::string error;
  ASSERT_TRUE(prismora_render::ReadPng(image, png, error)) << error;
  EXPECT_EQ(png.width, 24);
  struct stat st {};
  ASSERT_EQ(::stat(image.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(Listing(), (std::set<std::string>{"scene.json", "out.png"}));
}

TEST_F(OutputPathTest, AGoodRenderThroughALinkWritesTheFileAndKeepsTheLink) {
  fs::create_directory(Path("real"));
  Write("real/target.png", "old");
  fs::create_symlink("real/target.png", Path("out.png"));  // relative to the link's folder
  ASSERT_EQ(Run({scene_, "-o", Path("out.png")}), prismora_render::EXIT_RENDERED) << err_.str();
  EXPECT_TRUE(fs::is_symlink(Path("out.png")));
  prismora_render::RgbaImage png;
  std::string error;
  ASSERT_TRUE(prismora_render::ReadPng(Path("real/target.png"), png, error)) << error;
  EXPECT_EQ(png.height, 16);
  EXPECT_EQ(Listing(), (std::set<std::string>{"scene.json", "out.png", "real", "real/target.png"}));
}

}  // namespace
