#include "engine/record.h"

#include <cstring>

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

}  // namespace morvane
