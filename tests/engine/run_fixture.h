// A generation run in a fresh program folder, driven through a FakeRunView,
// over the real file system or another file layer and buffer size.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <vector>

#include "engine/files/file_system.h"
#include "engine/files/native_file_system.h"
#include "engine/generator.h"
#include "engine/files/output_file.h"
#include "tests/engine/engine_test_support.h"

namespace morvane::enginetest {

// One per test, or one per case where a test walks a table of them.
class TestRun {
 public:
  TestRun() : TestRun(SystemFileSystem()) {}
  explicit TestRun(FileSystem& files, std::size_t bufferBytes = OutputFile::kDefaultBufferBytes)
      : generator(view, folder.path(), files, bufferBytes, ArithmeticUnderTest()) {}

  void Run(std::string from, std::string to, std::string linesPerFile = "# lines per file") {
    view.from = std::move(from);
    view.to = std::move(to);
    view.linesPerFile = std::move(linesPerFile);
    generator.PD();
  }

  std::string File(const std::string& name) const { return ReadFile(folder / name); }

  std::vector<std::string> MessageTexts() const { return MessageTexts(view); }
  static std::vector<std::string> MessageTexts(const FakeRunView& shown) {
    std::vector<std::string> texts;
    for (const ShownMessage& message : shown.messages) texts.push_back(message.text);
    return texts;
  }

  void ExpectFinished(bool severalFiles) const {
    ASSERT_EQ(view.messages.size(), 1U);
    EXPECT_EQ(view.messages[0].text, "Finished.");
    EXPECT_EQ(view.messages[0].icon, MessageIcon::kInformation);
    EXPECT_EQ(view.caption, "Start");
    EXPECT_EQ(view.status, (severalFiles ? "Files saved to " : "File saved to ") + folder.path());
    EXPECT_EQ(view.toolTip, "Data files are being saved in " + folder.path());
  }

  TempFolder folder;
  FakeRunView view;
  Generator generator;
};

class RunFixture : public ::testing::Test, public TestRun {
 protected:
  // Not testing::Test's own Run.
  using TestRun::Run;
};

}  // namespace morvane::enginetest
