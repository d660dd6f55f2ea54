#pragma once

#include <cstdint>
#include <string>

#include "formula/cnf_formula.h"
#include "random/cnf_generator.h"
#include "random/random_stream.h"

// The random formulas of one sweep cell as DIMACS texts, as `satphase
// generate` writes them: formula i is trial i of the cell of `vars` variables
// and `clauses` clauses whose stream starts at `seed`.
struct CellRequest {
    std::int32_t vars = 0;
    std::int32_t clauses = 0;
    std::int32_t seed = 0;
    std::int32_t count = 1;
};

// The file name of formula `index`, for example satphase-v40-c180-s64540-0007.cnf:
// the index has at least four digits, and as many as the request's largest needs.
std::string cellFormulaFileName(const CellRequest& request, std::int32_t index);

// Draws the request's formulas one after the other, each from the stream
// where the one before it left it. The request must have no
// CnfGenerator::refusal().
class CellFormulas {
  public:
    explicit CellFormulas(const CellRequest& request);

    // The next formula's DIMACS text, its comments saying the parameters, the
    // stream's state at its start and the command line that writes it alone;
    // valid until the next call.
    const std::string& next();

  private:
    CellRequest request_;
    CnfGenerator generator_;
    RandomStream stream_;
    CnfFormula formula_;
    std::string text_;
    std::int32_t index_ = 0;
};
