#include "dimacs/dimacs_reader.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <limits>

namespace satphase {

namespace {

constexpr std::int64_t kLargestNumber = std::numeric_limits<std::int32_t>::max();

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

// The blank-separated tokens of one line.
class Tokens {
  public:
    explicit Tokens(std::string_view line) : line_(line) {}

    // The next token, or an empty one at the end of the line.
    std::string_view next() {
        while (pos_ < line_.size() && isBlank(line_[pos_])) {
            ++pos_;
        }
        const std::size_t start = pos_;
        while (pos_ < line_.size() && !isBlank(line_[pos_])) {
            ++pos_;
        }
        return line_.substr(start, pos_ - start);
    }

  private:
    std::string_view line_;
    std::size_t pos_ = 0;
};

// A token as a message can show it: in quotes, its first bytes only, and
// anything but printable ASCII as \xNN, so that the message stays one line.
std::string quoted(std::string_view token) {
    constexpr std::size_t kShown = 24;
    std::string text = "'";
    for (std::size_t i = 0; i < token.size() && i < kShown; ++i) {
        const auto byte = static_cast<unsigned char>(token[i]);
        if (byte >= 0x20 && byte < 0x7f) {
            text += static_cast<char>(byte);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned>(byte));
            text += escaped;
        }
    }
    if (token.size() > kShown) {
        text += "...";
    }
    return text + "'";
}

enum class Number { kValid, kNotInteger, kTooLarge };

// An optional minus sign and decimal digits, of magnitude at most 2^31 - 1.
Number parseNumber(std::string_view token, std::int64_t& value) {
    std::size_t i = token.starts_with('-') ? 1 : 0;
    if (i == token.size()) {
        return Number::kNotInteger;
    }
    std::int64_t magnitude = 0;
    bool tooLarge = false;
    for (; i < token.size(); ++i) {
        const char c = token[i];
        if (c < '0' || c > '9') {
            return Number::kNotInteger;
        }
        if (!tooLarge) {
            magnitude = magnitude * 10 + (c - '0');
            tooLarge = magnitude > kLargestNumber;
        }
    }
    if (tooLarge) {
        return Number::kTooLarge;
    }
    value = token.starts_with('-') ? -magnitude : magnitude;
    return Number::kValid;
}

class Reader {
  public:
    Reader(Formula& formula, FormulaLimits limits) : formula_(formula), limits_(limits) {
        formula_.numVars = 0;
        formula_.clauses.clear();
    }

    std::optional<DimacsProblem> read(std::string_view text) {
        if (const char* mark = byteOrderMark(text)) {
            line_ = 1;
            fail(std::string("the file begins with a ") + mark +
                 " byte-order mark; DIMACS files are plain ASCII: save it without one");
            return problem_;
        }
        std::size_t pos = 0;
        bool ended = false;
        // The newline that ends the last line does not begin another one.
        while (!ended && pos < text.size()) {
            ++line_;
            std::size_t end = text.find('\n', pos);
            if (end == std::string_view::npos) {
                end = text.size();
            }
            ended = readLine(text.substr(pos, end - pos));
            pos = end + 1;
            if (problem_) {
                return problem_;
            }
        }
        return finish();
    }

  private:
    // The name of the byte-order mark `text` begins with, if any.
    static const char* byteOrderMark(std::string_view text) {
        if (text.starts_with("\xEF\xBB\xBF")) {
            return "UTF-8";
        }
        if (text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF")) {
            return "UTF-16";
        }
        return nullptr;
    }

    // Returns true at the `%` that ends the formula.
    bool readLine(std::string_view text) {
        Tokens tokens(text);
        std::string_view token = tokens.next();
        if (token.empty() || token.front() == 'c') {
            return false;
        }
        if (token.front() == '%') {
            return true;
        }
        if (token.front() == 'p') {
            readHeader(token, tokens);
            return false;
        }
        for (; !token.empty() && !problem_; token = tokens.next()) {
            readNumber(token);
        }
        return false;
    }

    void readHeader(std::string_view first, Tokens& tokens) {
        if (headerLine_ != 0) {
            fail("a second 'p' line; the header is on line " + std::to_string(headerLine_));
            return;
        }
        headerLine_ = line_;
        const std::string_view format = tokens.next();
        if (first != "p" || format != "cnf") {
            std::string what = "malformed header " + quoted(first);
            if (!format.empty()) {
                what += ' ';
                what += quoted(format);
            }
            fail(what + ": expected 'p cnf VARIABLES CLAUSES'");
            return;
        }
        if (!readCount(tokens.next(), "variable", limits_.vars, declaredVars_) ||
            !readCount(tokens.next(), "clause", limits_.clauses, declaredClauses_)) {
            return;
        }
        const std::string_view extra = tokens.next();
        if (!extra.empty()) {
            fail("malformed header: " + quoted(extra) +
                 " after the clause count; expected 'p cnf VARIABLES CLAUSES'");
        }
    }

    bool readCount(std::string_view token, const char* noun, std::int32_t limit,
                   std::int64_t& count) {
        const Number status = parseNumber(token, count);
        if (status == Number::kTooLarge) {
            fail("the " + std::string(noun) + " count " + quoted(token) + " is too large a number");
        } else if (status == Number::kNotInteger || count < 0) {
            fail("malformed header: the " + std::string(noun) + " count " +
                 (token.empty() ? std::string("is missing") : quoted(token) + " is not a count") +
                 "; expected 'p cnf VARIABLES CLAUSES'");
        } else if (count > limit) {
            fail(std::to_string(count) + " " + noun + "s, more than this search takes (at most " +
                 std::to_string(limit) + ")");
        }
        return !problem_;
    }

    void readNumber(std::string_view token) {
        if (headerLine_ == 0) {
            fail("no 'p cnf' header before the clauses");
            return;
        }
        std::int64_t value = 0;
        const Number status = parseNumber(token, value);
        if (status != Number::kValid) {
            fail(quoted(token) +
                 (status == Number::kTooLarge ? " is too large a number" : " is not an integer"));
            return;
        }
        if (value == 0 && token.starts_with('-')) {
            fail(quoted(token) + " is neither a literal nor the 0 that ends a clause");
            return;
        }
        if (clauseLine_ == 0) {
            clauseLine_ = line_;
        }
        if (value == 0) {
            endClause();
        } else {
            addLiteral(value);
        }
    }

    void addLiteral(std::int64_t value) {
        const std::int64_t variable = value < 0 ? -value : value;
        if (variable > declaredVars_) {
            fail("literal " + std::to_string(value) + " is beyond the header's " +
                 std::to_string(declaredVars_) + " variables");
            return;
        }
        const Literal literal(Variable{static_cast<std::int32_t>(variable - 1)}, value < 0);
        for (std::int32_t k = 0; k < clause_.size; ++k) {
            if (clause_.lits[k] == literal) {
                return;  // a repeated literal counts once
            }
            if (clause_.lits[k] == ~literal) {
                tautology_ = true;
            }
        }
        if (clause_.size == kMaxClauseWidth) {
            fail(
                "a clause of more than seven distinct literals; this search decides clauses of "
                "up to seven");
            return;
        }
        clause_.lits[clause_.size++] = literal;
    }

    void endClause() {
        if (clausesRead_ == declaredClauses_) {
            fail("more clauses than the header's " + std::to_string(declaredClauses_));
            return;
        }
        ++clausesRead_;
        if (!tautology_) {
            formula_.clauses.push_back(clause_);
        }
        clause_ = Clause{};
        tautology_ = false;
        clauseLine_ = 0;
    }

    std::optional<DimacsProblem> finish() {
        if (headerLine_ == 0) {
            line_ = std::max<std::int64_t>(line_,
                                           1);  // the last line, or the only one of an empty text
            fail("no 'p cnf' header");
        } else if (clauseLine_ != 0) {
            line_ = clauseLine_;
            fail("the clause that starts here is not ended by 0");
        } else if (clausesRead_ != declaredClauses_) {
            line_ = headerLine_;
            fail("the header declares " + std::to_string(declaredClauses_) + " clauses, but " +
                 std::to_string(clausesRead_) + (clausesRead_ == 1 ? " follows" : " follow"));
        } else {
            formula_.numVars = static_cast<std::int32_t>(declaredVars_);
        }
        return problem_;
    }

    void fail(std::string what) { problem_ = DimacsProblem{line_, std::move(what)}; }

    Formula& formula_;
    FormulaLimits limits_;
    std::int64_t line_ = 0;
    std::int64_t headerLine_ = 0;  // 0 until the header is read
    std::int64_t declaredVars_ = 0;
    std::int64_t declaredClauses_ = 0;
    std::int64_t clausesRead_ = 0;  // as written, the ones left out included
    Clause clause_;                 // the clause being read
    bool tautology_ = false;        // it holds a literal and its negation
    std::int64_t clauseLine_ = 0;   // where it starts; 0 between clauses
    std::optional<DimacsProblem> problem_;
};

}  // namespace

std::optional<DimacsProblem> readDimacs(std::string_view text, Formula& formula,
                                        FormulaLimits limits) {
    return Reader(formula, limits).read(text);
}

}  // namespace satphase
