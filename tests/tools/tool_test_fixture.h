// The render tool run in-process on files of a fresh folder, with what it
// printed kept, and the means to check that a refused or failed run left
// nothing behind in that folder.
#pragma once
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "render_tool.h"

class ToolFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = std::filesystem::temp_directory_path() /
           ("prismora_tool_" + std::to_string(::getpid()) + "_" + info->test_suite_name() + "_" + info->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  std::string Write(const std::string& name, const std::string& text) {
    const std::filesystem::path p = dir_ / name;
    std::ofstream(p, std::ios::binary) << text;
    return p.string();
  }
  std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  int Run(const std::vector<std::string>& args) {
    out_.str("");
    err_.str("");
    return prismora_render::RunRenderTool(args, out_, err_);
  }
  // Every name in the folder, recursively, relative to it.
  std::set<std::string> Listing() const {
    std::set<std::string> names;
    for (const auto& e : std::filesystem::recursive_directory_iterator(dir_)) {
      names.insert(e.path().lexically_relative(dir_).string());
    }
    return names;
  }
  std::filesystem::path dir_;
  std::ostringstream out_, err_;
};
