// The program's one failure type: an error number and a description.
//
// Every failure of a run ends up in one handler, which tells the user the
// description; overflow (number 6) is the one it answers with its own message.
#pragma once

#include <stdexcept>
#include <string>

namespace morvane {

// Error numbers. They are the program's own, never an errno, so that a file
// error cannot be mistaken for an overflow.
inline constexpr int kOverflowError = 6;
inline constexpr int kDivisionByZeroError = 11;
// A library that the program loads, or one that it needs, cannot be loaded.
inline constexpr int kLibraryLoadError = 48;
inline constexpr int kBadFileNameError = 52;
// The disk that holds the files is down to the space the program keeps free.
inline constexpr int kDiskFullError = 61;
inline constexpr int kFileAccessError = 75;

class Failure : public std::runtime_error {
 public:
  Failure(int number, const std::string& description)
      : std::runtime_error(description), number_(number) {}

  int number() const noexcept { return number_; }
  const char* description() const noexcept { return what(); }

 private:
  int number_;
};

// A result that does not fit the type or counter that must hold it.
class Overflow : public Failure {
 public:
  Overflow() : Failure(kOverflowError, "Overflow") {}
};

class DivisionByZero : public Failure {
 public:
  DivisionByZero() : Failure(kDivisionByZeroError, "Division by zero") {}
};

}  // namespace morvane
