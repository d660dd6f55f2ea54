#include "classic/diagnostics/random_tests.h"

#include <algorithm>

#include "classic/random/random_source.h"

std::int32_t targetTuple[kTupleSize] = {};
std::int32_t trialTuple[kTupleSize] = {};

int tuplesMatch() {
    return std::ranges::equal(trialTuple, targetTuple) ? 1 : 0;
}

double countTuplesUntilRepeat() {
    for (std::int32_t& value : targetTuple) {
        value = randomBelow(kTupleRange);
    }
    double attempts = 0.0;
    while (tuplesMatch() == 0) {
        for (std::int32_t& value : trialTuple) {
            value = randomBelow(kTupleRange);
        }
        attempts += 1.0;
    }
    return attempts;
}

namespace {

void reportRepeats(std::ostream& out, double value, std::int32_t repeats) {
    out << " Number : " << value << " was repeated " << repeats << " times.\n";
}

}  // namespace

void testDigitNumbers(std::int32_t count, std::int32_t digits, std::int32_t threshold,
                      std::ostream& out) {
    if (digits > kMaxDigits) {
        digits = 10;
    }
    // The table holds kMaxTestNumbers values: a larger count is cut to that
    // many, and a negative digit count to 0 (empty texts, the value 0, no
    // draws). The header reports what is actually generated.
    count = std::min(count, kMaxTestNumbers);
    digits = std::max(digits, 0);
    out << count << " numbers were generated\n";
    out << "Maximum number of digits in number :" << digits << "\n";

    const std::int32_t drawn = std::max(count, 0);
    double numbers[kMaxTestNumbers] = {};
    for (std::int32_t i = 0; i < drawn; ++i) {
        // Eleven digits of 0 to 8 stay below 2^37: exact in 64 bits and in a double.
        std::int64_t value = 0;
        for (std::int32_t d = 0; d < digits; ++d) {
            value = value * 10 + randomBelow(9);
        }
        numbers[i] = static_cast<double>(value);
        out << numbers[i] << "\n";
    }
    std::sort(numbers, numbers + drawn);

    out << "\nIf number was repeated more than " << threshold << " it will be shown\n";
    out << "--------\n";
    if (drawn >= 1) {
        double current = numbers[0];
        std::int32_t run = 0;
        for (std::int32_t i = 1; i < drawn; ++i) {
            if (numbers[i] == current) {
                ++run;
                continue;
            }
            if (run > threshold) {
                reportRepeats(out, current, run);
            }
            run = 0;
            current = numbers[i];
        }
        if (run > threshold) {
            reportRepeats(out, current, run);
        }
    }
    out << "--------\n";
}

void listSortedRandoms(std::int32_t count, std::ostream& out) {
    // Capped at the table's size; a count of 0 or less draws and prints nothing.
    const std::int32_t drawn = std::clamp(count, 0, kMaxListedRandoms);
    std::int32_t entries[kMaxListedRandoms] = {};
    for (std::int32_t i = 0; i < drawn; ++i) {
        entries[i] = randomBelow(2147483640);
    }
    std::sort(entries, entries + drawn);
    for (std::int32_t i = 0; i < drawn; ++i) {
        out << entries[i] << " : " << i << "\n";
    }
}
