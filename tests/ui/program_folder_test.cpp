// The program folder as the files are named from it: the folder that holds
// the running program, without a separator at the end.
#include "engine/files/program_folder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace morvane {
namespace {

TEST(ProgramFolder, IsTheFolderOfTheRunningTestProgram) {
  const std::string folder = ProgramFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_NE(folder.back(), '/');
  EXPECT_TRUE(std::filesystem::exists(folder + "/ui_test")) << folder;
}

}  // namespace
}  // namespace morvane
