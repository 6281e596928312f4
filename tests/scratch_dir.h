// A directory of its own for every test case: made empty before the case, removed
// after it. Its name holds the suite, the process and the case, so that cases run in
// parallel never share one.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

namespace zudezed::testing_support {

class ScratchDirTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = std::filesystem::temp_directory_path() /
           ("zudezed-" + std::string(info->test_suite_name()) + "-" + std::to_string(getpid()) +
            "-" + info->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::filesystem::path dir_;
};

}  // namespace zudezed::testing_support
