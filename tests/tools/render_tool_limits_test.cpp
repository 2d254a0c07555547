// The render tool at the edge of memory: a frame too large for the memory
// the process may have ends with a message and status 1 rather than an
// abort, and a background whose header claims an enormous size is refused
// from its header alone, before its pixels are allocated.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <gtest/gtest.h>

#include <cstring>

#include "hostsim/sim_world.h"
#include "png_image.h"
#include "tool_test_fixture.h"

namespace {

namespace fs = std::filesystem;

constexpr rlim_t ADDRESS_SPACE_LIMIT = rlim_t{3} << 29;  // 1.5 GiB

// The tool's executable, built beside this test.
std::string ToolExecutable() {
  return (fs::read_symlink("/proc/self/exe").parent_path() / "prismora-render").string();
}

struct ChildRun {
  int status = -1;  // exit status, or -signal
  std::string err;
};

// Runs the tool in a child whose address space is limited, its standard
// error caught in a file.
ChildRun RunLimited(const std::vector<std::string>& args, rlim_t limit, const std::string& err_file) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    const rlimit r{limit, limit};
    ::setrlimit(RLIMIT_AS, &r);
    std::FILE* f = std::freopen(err_file.c_str(), "w", stderr);
    if (f == nullptr) ::_exit(120);
    const std::string tool = ToolExecutable();
    std::vector<char*> argv{const_cast<char*>(tool.c_str())};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(tool.c_str(), argv.data());
    ::_exit(121);
  }
  ChildRun run;
  int wstatus = 0;
  if (pid > 0 && ::waitpid(pid, &wstatus, 0) == pid) {
    run.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -WTERMSIG(wstatus);
  }
  std::ifstream in(err_file);
  std::ostringstream s;
  s << in.rdbuf();
  run.err = s.str();
  return run;
}

class RenderToolLimitsTest : public ToolFolderTest {};

TEST_F(RenderToolLimitsTest, AFrameTooLargeForMemoryEndsWithAMessageAndStatus1) {
  ASSERT_TRUE(fs::exists(ToolExecutable())) << ToolExecutable();
  const std::string scene = Write("huge.json", R"({"composition": {"width": 16384, "height": 16384},
      "layer": {"contents": [{"ellipse": {"size": [100, 100]}}]}})");
  const ChildRun run = RunLimited({scene, "-o", Path("huge.png")}, ADDRESS_SPACE_LIMIT, Path("err.txt"));
  EXPECT_EQ(run.status, prismora_render::EXIT_RENDER_FAILED) << run.err;
  EXPECT_NE(run.err.find("out of memory"), std::string::npos) << run.err;
  EXPECT_EQ(Listing(), (std::set<std::string>{"huge.json", "err.txt"}));
}

// A small real PNG whose header is then made to claim width x height, its
// checksum mended so that only the size is wrong.
std::string PngClaiming(std::uint32_t width, std::uint32_t height, const std::string& scratch) {
  hostsim::SimWorld world(4, 4, false);
  std::string error;
  EXPECT_TRUE(prismora_render::WritePng(scratch, world, error)) << error;
  std::ifstream in(scratch, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  fs::remove(scratch);
  // Signature (8), IHDR length (4) and type (4), then width and height.
  auto put = [&](std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>((v >> (24 - 8 * i)) & 0xFF);
  };
  put(16, width);
  put(20, height);
  const auto* ihdr = reinterpret_cast<const Bytef*>(bytes.data() + 12);
  put(29, static_cast<std::uint32_t>(::crc32(0, ihdr, 17)));
  return bytes;
}

TEST_F(RenderToolLimitsTest, ABackgroundClaimingAHugeSizeIsRefusedFromItsHeader) {
  struct Claim {
    std::uint32_t width, height;
  };
  // 70000 squared bytes times four wraps 32 bits; the others pass one
  // limit and not the other.
  const Claim claims[] = {{70000, 70000}, {16385, 1}, {8193, 8192}, {1, 200000}};
  for (const Claim& c : claims) {
    SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
    Write("claim.png", PngClaiming(c.width, c.height, Path("scratch.png")));
    const std::string scene = Write("scene.json", R"({"composition": {"width": 16, "height": 16},
        "background": {"png": "claim.png"}})");
    // Far less memory than the claimed pixels would need: refused before
    // allocating, the run never comes near the limit.
    const ChildRun run = RunLimited({scene, "-o", Path("out.png")}, ADDRESS_SPACE_LIMIT, Path("err.txt"));
    EXPECT_EQ(run.status, prismora_render::EXIT_BAD_INPUT) << run.err;
    EXPECT_NE(run.err.find(scene + ": background.png"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("at most 16384 on a side"), std::string::npos) << run.err;
    EXPECT_EQ(Listing(), (std::set<std::string>{"scene.json", "claim.png", "err.txt"}));
  }
}

TEST_F(RenderToolLimitsTest, ABackgroundAtTheLimitIsReadAndADamagedOneRefused) {
  hostsim::SimWorld world(8, 6, false);
  std::string error;
  ASSERT_TRUE(prismora_render::WritePng(Path("good.png"), world, error)) << error;
  prismora_render::RgbaImage image;
  ASSERT_TRUE(prismora_render::ReadPng(Path("good.png"), image, error)) << error;
  EXPECT_EQ(image.rgba.size(), 8u * 6u * 4u);
  // The header is fine, the data cut short.
  const std::string bytes = Read(Path("good.png"));
  Write("cut.png", bytes.substr(0, bytes.size() - 20));
  const std::string scene = Write("scene.json", R"({"composition": {"width": 16, "height": 16},
      "background": {"png": "cut.png"}})");
  EXPECT_EQ(Run({scene, "-o", Path("out.png")}), prismora_render::EXIT_BAD_INPUT);
  EXPECT_NE(err_.str().find(scene + ": background.png: cannot decode PNG"), std::string::npos) << err_.str();
  EXPECT_FALSE(fs::exists(Path("out.png")));
  // A good one is used.
  const std::string good = Write("good.json", R"({"composition": {"width": 16, "height": 16},
      "background": {"png": "good.png"}})");
  EXPECT_EQ(Run({good, "-o", Path("out.png")}), prismora_render::EXIT_RENDERED) << err_.str();
}

}  // namespace
