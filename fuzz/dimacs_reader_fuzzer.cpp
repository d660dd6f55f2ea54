// libFuzzer target for the DIMACS reader: whatever the bytes, reading must
// end without a sanitizer finding, and either give a formula the search can
// take, which the writer writes back to the same formula, or a problem on a
// line of the text, described in one printable line.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "dimacs/dimacs_reader.h"
#include "dimacs/dimacs_writer.h"
#include "formula/formula.h"

using namespace satphase;

namespace {

void require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

void checkFormula(const Formula& formula) {
    require(formula.numVars >= 0 && formula.numVars <= kMaxFormulaVars);
    require(formula.clauses.size() <= static_cast<std::size_t>(kMaxFormulaClauses));
    for (const Clause& clause : formula.clauses) {
        require(clause.size >= 0 && clause.size <= kMaxClauseWidth);
        for (std::int32_t k = 0; k < clause.size; ++k) {
            require(clause.lits[k].code() >= 0 && clause.lits[k].variable().id < formula.numVars);
            for (std::int32_t j = 0; j < k; ++j) {
                require(clause.lits[j].variable() != clause.lits[k].variable());
            }
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    Formula formula;
    const std::optional<DimacsProblem> problem = readDimacs(text, formula);
    if (problem) {
        // The newline that ends the last line does not begin another one.
        const std::int64_t lines =
            std::max<std::int64_t>(std::count(text.begin(), text.end(), '\n') +
                                       (text.empty() || text.back() == '\n' ? 0 : 1),
                                   1);
        require(problem->line >= 1 && problem->line <= lines);
        require(!problem->what.empty());
        for (const char c : problem->what) {
            require(c >= 0x20 && c < 0x7f);
        }
        return 0;
    }
    checkFormula(formula);
    std::string written;
    appendDimacs(written, formula);
    Formula reread;
    require(!readDimacs(written, reread).has_value());
    require(reread.numVars == formula.numVars && reread.clauses.size() == formula.clauses.size());
    for (std::size_t c = 0; c < formula.clauses.size(); ++c) {
        const Clause& x = formula.clauses[c];
        const Clause& y = reread.clauses[c];
        require(std::equal(x.lits, x.lits + x.size, y.lits, y.lits + y.size));
    }
    return 0;
}
