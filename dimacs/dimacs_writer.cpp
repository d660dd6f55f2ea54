#include "dimacs/dimacs_writer.h"

#include <charconv>
#include <cstdint>

namespace satphase {

namespace {

void appendNumber(std::string& out, std::int64_t value) {
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, result.ptr);
}

}  // namespace

void appendDimacs(std::string& out, const Formula& formula, std::span<const std::string> comments) {
    for (const std::string& comment : comments) {
        out += comment.empty() ? "c" : "c ";
        out += comment;
        out += '\n';
    }
    out += "p cnf ";
    appendNumber(out, formula.numVars);
    out += ' ';
    appendNumber(out, static_cast<std::int64_t>(formula.clauses.size()));
    out += '\n';
    for (const Clause& clause : formula.clauses) {
        for (std::int32_t k = 0; k < clause.size; ++k) {
            appendNumber(out, clause.lits[k].dimacs());
            out += ' ';
        }
        out += "0\n";
    }
}

void appendValueLines(std::string& out, std::span<const std::int8_t> values) {
    std::size_t lineStart = out.size();
    out += 'v';
    const auto add = [&](std::int64_t value) {
        char digits[24];
        const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
        const auto width = static_cast<std::size_t>(end - digits);
        if (out.size() - lineStart + 1 + width > kMaxValueLine) {
            out += "\nv";
            lineStart = out.size() - 1;
        }
        out += ' ';
        out.append(digits, width);
    };
    for (std::size_t v = 0; v < values.size(); ++v) {
        const auto number = static_cast<std::int64_t>(v + 1);
        add(values[v] == 1 ? number : -number);
    }
    add(0);
    out += '\n';
}

}  // namespace satphase
