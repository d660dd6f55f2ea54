#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace satphase {

// The numbers satphase reads, from the command line and from the files it
// wrote, are decimal and exact, whoever reads them: 010 is ten and 0x10 is
// no number, never octal 8 or hexadecimal 16. Each function takes the whole
// text or nothing: no sign but a leading '-' where one may stand, no spaces,
// no exponent where a whole number is wanted.

// An optional '-' and decimal digits (leading zeros mean nothing), that fit
// 64 bits.
std::optional<std::int64_t> parseWholeNumber(std::string_view text);

// Decimal digits that fit 64 bits unsigned.
std::optional<std::uint64_t> parseCount(std::string_view text);

// A finite number as the sweep's records write one (C++'s shortest form).
std::optional<double> parseRealNumber(std::string_view text);

// A non-negative decimal with at most six places (4, 4.25, .5), in
// millionths, so that 4.1 is exactly 4100000.
std::optional<std::int64_t> parseMillionths(std::string_view text);

}  // namespace satphase
