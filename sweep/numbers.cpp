#include "sweep/numbers.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace satphase {

namespace {

bool allDigits(std::string_view text) {
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    return !text.empty();
}

// from_chars in base 10 reads exactly what allDigits admitted, and says
// when the value does not fit.
template <typename Number>
std::optional<Number> digitsValue(std::string_view text) {
    Number value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 10);
    if (error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

std::optional<std::int64_t> parseWholeNumber(std::string_view text) {
    const std::string_view digits = text.starts_with('-') ? text.substr(1) : text;
    if (!allDigits(digits)) {
        return std::nullopt;
    }
    return digitsValue<std::int64_t>(text);
}

std::optional<std::uint64_t> parseCount(std::string_view text) {
    if (!allDigits(text)) {
        return std::nullopt;
    }
    return digitsValue<std::uint64_t>(text);
}

std::optional<double> parseRealNumber(std::string_view text) {
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty() ||
        !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::int64_t> parseMillionths(std::string_view text) {
    const std::size_t point = text.find('.');
    const std::string_view whole = text.substr(0, point);
    const std::string_view fraction =
        point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
    if ((whole.empty() && fraction.empty()) || fraction.size() > 6 ||
        (point != std::string_view::npos && fraction.empty())) {
        return std::nullopt;
    }
    std::int64_t value = 0;
    for (const std::string_view digits : {whole, fraction}) {
        for (const char c : digits) {
            if (c < '0' || c > '9' || value > std::numeric_limits<std::int64_t>::max() / 100) {
                return std::nullopt;
            }
            value = value * 10 + (c - '0');
        }
    }
    for (std::size_t k = fraction.size(); k < 6; ++k) {
        if (value > std::numeric_limits<std::int64_t>::max() / 100) {
            return std::nullopt;
        }
        value *= 10;
    }
    return value;
}

}  // namespace satphase
