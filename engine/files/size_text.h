// Sizes and counts as the program tells them to people: in the plan before a
// run, its progress, and the reasons it stops.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace morvane {

// "0 bytes", "812 MiB", "1 GiB", "3.5 MiB"; rounded down, so that it never
// claims more than there is.
std::string SizeText(std::uint64_t bytes);

// A number's text with its whole digits in groups of three:
// "-2,814,749,768.5".
std::string GroupedDigits(std::string_view number);

// "2,814,749,768".
std::string CountText(std::uint64_t count);

}  // namespace morvane
