#include "dimacs/dimacs_writer.h"

#include <charconv>
#include <cstdint>

namespace {

void appendNumber(std::string& out, std::int64_t value) {
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, result.ptr);
}

}  // namespace

void appendDimacs(std::string& out, const CnfFormula& formula,
                  std::span<const std::string> comments) {
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
    for (const CnfClause& clause : formula.clauses) {
        for (std::int32_t k = 0; k < clause.size; ++k) {
            const CnfLiteral literal = clause.lits[k];
            const std::int64_t number = variableOf(literal) + 1;
            appendNumber(out, isNegated(literal) ? -number : number);
            out += ' ';
        }
        out += "0\n";
    }
}
