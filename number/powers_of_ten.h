// The powers of ten that fit 64 bits, shared by Decimal's arithmetic and its
// formatting (private to number/).
#pragma once

#include <array>
#include <cstdint>

namespace morvane::detail {

inline constexpr std::array<std::uint64_t, 20> kPowersOfTen = {
    1ULL,
    10ULL,
    100ULL,
    1'000ULL,
    10'000ULL,
    100'000ULL,
    1'000'000ULL,
    10'000'000ULL,
    100'000'000ULL,
    1'000'000'000ULL,
    10'000'000'000ULL,
    100'000'000'000ULL,
    1'000'000'000'000ULL,
    10'000'000'000'000ULL,
    100'000'000'000'000ULL,
    1'000'000'000'000'000ULL,
    10'000'000'000'000'000ULL,
    100'000'000'000'000'000ULL,
    1'000'000'000'000'000'000ULL,
    10'000'000'000'000'000'000ULL,
};

}  // namespace morvane::detail
