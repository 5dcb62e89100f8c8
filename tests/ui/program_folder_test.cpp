// The program folder as the messages show it and the files are named from
// it: never with a separator at the end, except the root itself.
#include "ui/program_folder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace morvane {
namespace {

TEST(ProgramFolder, DropsTrailingSeparatorsButKeepsTheRoot) {
  EXPECT_EQ(WithoutTrailingSeparator("/opt/morvane"), "/opt/morvane");
  EXPECT_EQ(WithoutTrailingSeparator("/opt/morvane//"), "/opt/morvane");
  EXPECT_EQ(WithoutTrailingSeparator("/"), "/");
  EXPECT_EQ(WithoutTrailingSeparator("//"), "/");
}

TEST(ProgramFolder, IsTheFolderOfTheRunningTestProgram) {
  const std::string folder = ProgramFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_NE(folder.back(), '/');
  EXPECT_TRUE(std::filesystem::exists(folder + "/ui_test")) << folder;
}

}  // namespace
}  // namespace morvane
