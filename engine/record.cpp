#include "engine/record.h"

#include <cstring>

#include "engine/files/paths.h"
#include "number/failure.h"

namespace morvane {

namespace {

char* Append(char* out, std::string_view text) noexcept {
  std::memcpy(out, text.data(), text.size());
  return out + text.size();
}

}  // namespace

char* FormatRecordTo(const Decimal& n, const Decimal& square, const Decimal& difference,
                     char* out) noexcept {
  out = FormatNumberTo(n, out);
  out = Append(out, kRecordSeparator);
  out = FormatNumberTo(square, out);
  out = Append(out, kRecordSeparator);
  out = FormatNumberTo(difference, out);
  return Append(out, kRecordEnd);
}

std::string ProgressLine(const Decimal& n, const Decimal& previousSquare, const Decimal& square,
                         const Decimal& difference) {
  return PlainNumber(n) + "  " + PlainNumber(previousSquare) + " - " + PlainNumber(square) + " : " +
         PlainNumber(difference);
}

std::string SeriesFileName(std::string_view lower, std::string_view upper) {
  std::string name = "Morvane-";
  name.append(lower).append("-").append(upper).append(".txt");
  return name;
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
