#pragma once

#include <cstdint>

// The grid of the classic experiment: one table per problem size, one row
// per ratio of clauses to variables.
inline constexpr int kSizeCount = 4;
inline constexpr std::int32_t sizeTable[kSizeCount] = {10, 20, 30, 40};

inline constexpr int kRatioCount = 8;
inline constexpr double ratioTable[kRatioCount] = {2.0, 3.0, 4.0, 4.5, 5.0, 6.0, 7.0, 8.0};

// The clause count of a cell: ratio × variables, truncated.
constexpr std::int32_t clausesFor(double ratio, std::int32_t numVars) {
    return static_cast<std::int32_t>(ratio * numVars);
}
