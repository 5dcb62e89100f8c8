#include "engine/record.h"

#include <cstring>

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
  const std::size_t bad = fromText.find_first_of(std::string_view("/\\\0", 3));
  if (bad == std::string_view::npos) return;
  // The text is not repeated in the message: a NUL would cut it short.
  const char* what = fromText[bad] == '/'    ? "\"/\""
                     : fromText[bad] == '\\' ? "\"\\\""
                                             : "a NUL character";
  throw Failure(kBadFileNameError, std::string("Bad file name: the From number holds ") + what +
                                       ", which cannot be part of a file name in the program folder");
}

}  // namespace morvane
