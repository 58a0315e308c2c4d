#include "platform/Program.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "paths/Paths.h"

namespace {

TEST(Program, FolderAndNameOfTheRunningExecutable) {
  const std::string folder = lum::ProgramFolder();
  EXPECT_NE(folder.back(), lum::kNativeSeparator);
  EXPECT_EQ(lum::ExecutableName(), "brevix_platform_tests");
  EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(folder) / "brevix_platform_tests") ||
              std::filesystem::exists(std::filesystem::path(folder) / "brevix_platform_tests.exe"));
}

}  // namespace
