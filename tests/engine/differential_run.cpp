#include "tests/engine/differential_run.h"

#include <algorithm>

#include "engine/files/native_file_system.h"
#include "tests/engine/engine_test_support.h"

namespace morvane::enginetest {

namespace {

std::string WithoutFolder(std::string text, const std::string& folder) {
  for (std::size_t at = text.find(folder); at != std::string::npos; at = text.find(folder, at)) {
    text.replace(at, folder.size(), "FOLDER");
  }
  return text;
}

std::string Compare(const char* what, const std::vector<std::string>& expected,
                    const std::vector<std::string>& actual) {
  const std::size_t common = std::min(expected.size(), actual.size());
  for (std::size_t i = 0; i < common; ++i) {
    if (expected[i] != actual[i]) {
      return std::string(what) + " " + std::to_string(i) + ": \"" + expected[i] + "\" != \"" + actual[i] + "\"";
    }
  }
  if (expected.size() != actual.size()) {
    return std::string(what) + ": " + std::to_string(expected.size()) + " != " + std::to_string(actual.size());
  }
  return "";
}

// The real file system with nothing waited for on the disk: hundreds of
// runs compare the records the two arithmetics write, not their safety
// from a power cut, which would cost a flush of the disk each.
class UnflushedFileSystem : public NativeFileSystem {
 public:
  int StartWriteBack(FileHandle) noexcept override { return 0; }
  int FlushFile(FileHandle) noexcept override { return 0; }
  int FlushClosedFiles(const std::string&) noexcept override { return 0; }
  int FlushFolder(const std::string&) noexcept override { return 0; }
};

}  // namespace

std::string RunScenario::Describe() const {
  return "from \"" + from + "\" to \"" + to + "\" lines \"" + linesPerFile + "\", events every " +
         std::to_string(numbersPerPass) + ", stop after " + std::to_string(stopAfter) + ", To \"" + editedTo +
         "\" after " + std::to_string(editToAfter) + ", buffer " + std::to_string(bufferBytes);
}

RunOutcome RunScenarioWith(const RunScenario& scenario, WholeRunArithmetic arithmetic) {
  TempFolder folder;
  FakeRunView view;
  view.from = scenario.from;
  view.to = scenario.to;
  view.linesPerFile = scenario.linesPerFile;
  view.numbersPerEventPass = scenario.numbersPerPass;
  UnflushedFileSystem files;
  Generator run(view, folder.path(), files, scenario.bufferBytes, arithmetic);
  view.onProcessEvents = [&](int passes) {
    if (passes == scenario.editToAfter) view.to = scenario.editedTo;
    if (passes == scenario.stopAfter) run.RequestStop();
  };
  run.PD();

  RunOutcome outcome;
  for (const std::string& name : folder.Names()) outcome.files.emplace_back(name, ReadFile(folder / name));
  for (const std::string& text : view.statusHistory) {
    outcome.statusTexts.push_back(WithoutFolder(text, folder.path()));
  }
  for (const ShownMessage& message : view.messages) {
    outcome.messages.push_back((message.icon == MessageIcon::kCritical ? "critical: " : "information: ") +
                               WithoutFolder(message.text, folder.path()));
  }
  outcome.toolTip = WithoutFolder(view.toolTip, folder.path());
  outcome.caption = view.caption;
  outcome.from = view.from;
  outcome.to = view.to;
  return outcome;
}

std::string FirstDifference(const RunOutcome& expected, const RunOutcome& actual) {
  std::vector<std::string> expectedNames;
  std::vector<std::string> actualNames;
  for (const auto& file : expected.files) expectedNames.push_back(file.first);
  for (const auto& file : actual.files) actualNames.push_back(file.first);
  std::string difference = Compare("file name", expectedNames, actualNames);
  for (std::size_t i = 0; difference.empty() && i < expected.files.size(); ++i) {
    const std::string& want = expected.files[i].second;
    const std::string& got = actual.files[i].second;
    if (want == got) continue;
    const auto at = static_cast<std::size_t>(std::mismatch(want.begin(), want.end(), got.begin(), got.end()).first -
                                             want.begin());
    const std::size_t lineStart = want.rfind('\n', at) == std::string::npos ? 0 : want.rfind('\n', at) + 1;
    difference = expected.files[i].first + " from byte " + std::to_string(at) + ": \"" +
                 want.substr(lineStart, 80) + "\" != \"" + got.substr(lineStart, 80) + "\"";
  }
  if (difference.empty()) difference = Compare("status text", expected.statusTexts, actual.statusTexts);
  if (difference.empty()) difference = Compare("message", expected.messages, actual.messages);
  if (difference.empty()) {
    difference = Compare("tooltip, caption, From, To", {expected.toolTip, expected.caption, expected.from, expected.to},
                         {actual.toolTip, actual.caption, actual.from, actual.to});
  }
  return difference;
}

}  // namespace morvane::enginetest
