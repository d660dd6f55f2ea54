#pragma once

#include <cstdint>
#include <string>

#include "formula/formula.h"
#include "random/formula_model.h"
#include "random/formula_source.h"
#include "random/random_stream.h"

// The random formulas of one sweep cell as DIMACS texts, as `satphase
// generate` writes them: formula i is trial i of the cell of `vars` variables
// and `clauses` clauses of `model` with `k` literals per clause whose stream
// starts at `seed`.
struct CellRequest {
    std::int32_t vars = 0;
    std::int32_t clauses = 0;
    std::int32_t seed = 0;
    std::int32_t count = 1;
    FormulaModel model = FormulaModel::Classic;
    std::int32_t k = kClassicClauseWidth;
};

// The file name of formula `index`, for example satphase-v40-c180-s64540-0007.cnf,
// or satphase-uniform-k4-v40-c180-s64540-0007.cnf for another model than the
// classic one: the index has at least four digits, and as many as the
// request's largest needs.
std::string cellFormulaFileName(const CellRequest& request, std::int32_t index);

// Draws the request's formulas one after the other, each from the stream
// where the one before it left it. The request must have no modelRefusal().
class CellFormulas {
  public:
    explicit CellFormulas(const CellRequest& request);

    // The next formula's DIMACS text, its comments saying the parameters, the
    // stream's state at its start, the command line that writes it alone and,
    // for a planted model, the hidden assignment as a line `c planted: `
    // followed by its DIMACS literals and ` 0`; valid until the next call.
    const std::string& next();

  private:
    CellRequest request_;
    FormulaSource source_;
    RandomStream stream_;
    Formula formula_;
    std::string text_;
    std::int32_t index_ = 0;
};
