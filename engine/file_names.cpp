#include "engine/file_names.h"

#include <algorithm>

#include "engine/files/paths.h"
#include "number/failure.h"
#include "number/number_text.h"

namespace morvane {

namespace {

std::string SeriesFileName(std::string_view lower, std::string_view upper) {
  std::string name = "Morvane-";
  name.append(lower).append("-").append(upper).append(".txt");
  return name;
}

}  // namespace

std::string FirstFileName(std::string_view fromText, const Decimal& start, std::int32_t linesPerFile) {
  return SeriesFileName(fromText, PlainNumber(start + linesPerFile - 1));
}

std::string LaterFileName(const Decimal& n, std::int32_t linesPerFile, const Decimal& toNow) {
  return SeriesFileName(PlainNumber(n), PlainNumber(std::min(n + linesPerFile - 1, toNow)));
}

void CheckFitsInFileName(std::string_view fromText) {
  const std::size_t bad = FirstForbiddenInName(fromText);
  if (bad == std::string_view::npos) return;
  // The text is not repeated in the message: a NUL would cut it short, and
  // a control character is no sight.
  const char c = fromText[bad];
  std::string what;
  if (c == '\0') {
    what = "a NUL character";
  } else if (c > 0 && c < ' ') {
    what.append("a control character (code ").append(std::to_string(int{c})).append(")");
  } else {
    what.append(1, '"').append(1, c).append(1, '"');
  }
  throw Failure(kBadFileNameError, "Bad file name: the From number holds " + what +
                                       ", which cannot be part of a file name in the program folder");
}

}  // namespace morvane
