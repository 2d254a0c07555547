// The real stream runner, with harmless command lines, and the macOS
// dialog's command line as it reaches the runner.
#include "shell/command_runner.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "platform/macos/adjustment_warning.h"

namespace {

TEST(CommandRunnerTest, WaitsForTheCommandToEnd) {
  const std::string path = ::testing::TempDir() + "prismora_runner_" + std::to_string(::getpid());
  std::remove(path.c_str());
  const std::string command = "sleep 0.3; echo done > '" + path + "'";
  const auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(RunCommandAndWait(command.c_str()));
  const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  // The file is written only after the pause, so it exists only if the call
  // waited for the end.
  std::ifstream in(path);
  std::string line;
  std::getline(in, line);
  EXPECT_EQ(line, "done");
  EXPECT_GE(elapsed, 0.25);
  std::remove(path.c_str());
}

TEST(CommandRunnerTest, OutputIsNotRead) {
  // A command that writes more than a pipe holds (4 MiB against the usual
  // 64 KiB) must not block the close: nothing is read, the stream is closed
  // and the command ends.
  const auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(RunCommandAndWait("head -c 4194304 /dev/zero"));
  EXPECT_TRUE(RunCommandAndWait("echo ignored"));
  const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_LT(elapsed, 30.0);
}

std::vector<std::string> g_opened;
std::vector<std::string> g_modes;
int g_closed = 0;

TEST(CommandRunnerTest, ARunnerThatCannotStartIsIgnored) {
  g_opened.clear();
  g_closed = 0;
  static const CommandPipeFunctions no_start = {
      [](const char* command, const char* mode) -> std::FILE* {
        g_opened.emplace_back(command);
        g_modes.emplace_back(mode);
        return nullptr;
      },
      [](std::FILE*) -> int {
        ++g_closed;
        return 0;
      }};
  SetCommandPipeFunctionsForTest(&no_start);
  EXPECT_FALSE(RunCommandAndWait("anything"));
  ShowAdjustmentWarning();
  SetCommandPipeFunctionsForTest(nullptr);
  ASSERT_EQ(g_opened.size(), 2u);
  EXPECT_EQ(g_closed, 0);
  EXPECT_EQ(g_opened[1],
            "osascript -e 'display dialog \"Prismora needs this layer to be an Adjustment Layer to render glass. "
            "Turn on its Adjustment switch in the timeline (the half-moon icon).\" with title \"Prismora\" with "
            "icon note buttons {\"OK\"} default button \"OK\" giving up after 60' >/dev/null 2>&1");
  EXPECT_EQ(g_modes[1], "r");
}

TEST(CommandRunnerTest, TheMacOsDialogIsClosedAfterItStarted) {
  g_opened.clear();
  g_closed = 0;
  static long read_position = -1;
  read_position = -1;
  static const CommandPipeFunctions started = {
      [](const char* command, const char*) -> std::FILE* {
        g_opened.emplace_back(command);
        // A stream with output waiting in it, as the runner's would have.
        std::FILE* stream = std::tmpfile();
        if (stream != nullptr) {
          std::fputs("button returned:OK\n", stream);
          std::rewind(stream);
        }
        return stream;
      },
      [](std::FILE* stream) -> int {
        ++g_closed;
        read_position = std::ftell(stream);
        return std::fclose(stream);
      }};
  SetCommandPipeFunctionsForTest(&started);
  ShowAdjustmentWarning();
  SetCommandPipeFunctionsForTest(nullptr);
  ASSERT_EQ(g_opened.size(), 1u);
  EXPECT_EQ(g_opened[0], WARNING_COMMAND_MACOS);
  EXPECT_EQ(g_closed, 1);
  EXPECT_EQ(read_position, 0) << "the runner read from the command's output";
}

}  // namespace
