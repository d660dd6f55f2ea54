#pragma once

#include <cstdint>
#include <iostream>

// Tests of the random source. All draw from the one stream through
// randomBelow, so every draw they make shifts the formulas generated after them.

inline constexpr std::int32_t kTupleSize = 5;
inline constexpr std::int32_t kTupleRange = 40;
inline constexpr std::int32_t kMaxTestNumbers = 1000;
inline constexpr std::int32_t kMaxDigits = 11;
inline constexpr std::int32_t kMaxListedRandoms = 5000;

// The target of the latest countTuplesUntilRepeat, and the latest trial tuple,
// which the next call compares its fresh target with before drawing anything else.
extern std::int32_t targetTuple[kTupleSize];
extern std::int32_t trialTuple[kTupleSize];

// 1 when trialTuple equals targetTuple element by element.
int tuplesMatch();

// Draws a target tuple of five values below 40, then counts the trial tuples
// drawn until one equals it; 0 when the tuple left over from before already does.
double countTuplesUntilRepeat();

// Prints count numbers of `digits` random decimal digits (0 to 8) each, then
// every value that occurs more than threshold + 1 times, with the number of
// its repetitions after the first.
void testDigitNumbers(std::int32_t count, std::int32_t digits, std::int32_t threshold,
                      std::ostream& out = std::cout);

// Prints up to kMaxListedRandoms raw draws in ascending order, each with its rank.
void listSortedRandoms(std::int32_t count, std::ostream& out = std::cout);
