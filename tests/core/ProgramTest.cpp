#include "platform/Program.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "shared/Settings.h"

namespace {

namespace fs = std::filesystem;

TEST(Program, FolderHoldsTheRunningExecutable) {
  const std::string folder = lum::ProgramFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_NE(folder.back(), lum::kNativeSeparator) << folder;
  EXPECT_TRUE(fs::is_regular_file(fs::path(folder) / "brevix_core_tests") ||
              fs::is_regular_file(fs::path(folder) / "brevix_core_tests.exe"))
      << folder;
}

TEST(Program, ExecutableNameHasNoExtension) { EXPECT_EQ(lum::ExecutableName(), "brevix_core_tests"); }

struct SettingsPathRow {
  const char* name;
  std::string folder;
  std::string executable;
  std::string expected;
};

class SettingsFilePathTest : public testing::TestWithParam<SettingsPathRow> {};

TEST_P(SettingsFilePathTest, IsFolderSeparatorNameDotINI) {
  EXPECT_EQ(lum::SettingsFilePathFor(GetParam().folder, GetParam().executable), GetParam().expected);
}

const std::string sep(1, lum::kNativeSeparator);

INSTANTIATE_TEST_SUITE_P(
    Paths, SettingsFilePathTest,
    testing::Values(SettingsPathRow{"UsualName", "opt" + sep + "lum", "LUM_Brevix", "opt" + sep + "lum" + sep + "LUM_Brevix.INI"},
                    SettingsPathRow{"RenamedKeepsItsCase", "x", "Brevix2", "x" + sep + "Brevix2.INI"},
                    // At a root the folder ends in a separator already; the path keeps both.
                    SettingsPathRow{"RootFolder", sep, "LUM_Brevix", sep + sep + "LUM_Brevix.INI"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
