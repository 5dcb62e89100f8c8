// Runs one range both ways, with Decimal arithmetic for every number and
// from the previous record's digits, and records everything each run leaves
// and shows, so that the two can be compared byte for byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "engine/generator.h"

namespace morvane::enginetest {

// What the user types and does during one run.
struct RunScenario {
  std::string from;
  std::string to;
  std::string linesPerFile;
  // The window's events come after every this many numbers.
  std::uint32_t numbersPerPass = 1;
  // After this many passes the user presses Stop (0: never).
  int stopAfter = 0;
  // After this many passes the user types editedTo into To (0: never).
  int editToAfter = 0;
  std::string editedTo;
  // The output buffer: small ones end the records written at once early.
  std::size_t bufferBytes = OutputFile::kDefaultBufferBytes;

  std::string Describe() const;
};

// Everything a run leaves and shows; texts hold "FOLDER" for the program
// folder, so that runs in different folders compare.
struct RunOutcome {
  std::vector<std::pair<std::string, std::string>> files;
  std::vector<std::string> statusTexts;
  std::vector<std::string> messages;
  std::string toolTip;
  std::string caption;
  std::string from;
  std::string to;

  bool operator==(const RunOutcome&) const = default;
};

// One run of the scenario in a fresh folder.
RunOutcome RunScenarioWith(const RunScenario& scenario, WholeRunArithmetic arithmetic);

// Where two outcomes first differ, in words; empty when they are equal.
std::string FirstDifference(const RunOutcome& expected, const RunOutcome& actual);

}  // namespace morvane::enginetest
