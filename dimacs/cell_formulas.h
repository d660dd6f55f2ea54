#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>

#include "formula/formula.h"
#include "random/formula_model.h"
#include "random/formula_source.h"
#include "random/random_stream.h"

namespace satphase {

// The random formulas of one sweep cell as DIMACS texts, as `satphase
// generate` writes them: formula i is trial i of the cell of `vars` variables
// and `clauses` clauses of `kind` whose stream starts at `seed`.
struct CellRequest {
    std::int32_t vars = 0;
    std::int32_t clauses = 0;
    std::int32_t seed = 0;
    std::int32_t count = 1;
    FormulaKind kind;
};

// The file name of formula `index`, for example satphase-v40-c180-s64540-0007.cnf,
// or satphase-uniform-k4-v40-c180-s64540-0007.cnf for another model than the
// classic one (satphase-mixed-k3-p0.3-v40-... with the mixed model's p): the
// index has at least four digits, and as many as the request's largest needs.
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

    // The next formula itself, as next() would write it; valid until the
    // next call. Its start state and hidden assignment follow.
    const Formula& nextFormula();
    // The stream's state at the start of the formula drawn last.
    std::int32_t startState() const { return startState_; }
    // The hidden assignment of the formula drawn last (1 true, 0 false, per
    // variable), for a planted model; empty otherwise.
    std::span<const std::int8_t> hidden() const { return source_.hidden(); }

  private:
    CellRequest request_;
    FormulaSource source_;
    RandomStream stream_;
    Formula formula_;
    std::string text_;
    std::int32_t index_ = 0;
    std::int32_t startState_ = 0;
};

// Why writeCellFormulaFiles wrote nothing: a name already taken (the message
// names the file), the system refusing (the message names the file and the
// reason), or an interrupt.
struct CellFilesProblem {
    enum class Kind { NameTaken, Failed, Interrupted };
    Kind kind = Kind::Failed;
    std::string message;
};

// Writes the request's formulas into `directory` (created if missing), one
// file each named by cellFormulaFileName, all or none: names already taken
// are refused before anything is written unless `replaceExisting`, and any
// failure, or `interrupted` raised before the last file is in place, leaves
// the directory as it was. The request must have no modelRefusal().
std::optional<CellFilesProblem> writeCellFormulaFiles(const CellRequest& request,
                                                      const std::filesystem::path& directory,
                                                      bool replaceExisting,
                                                      const std::atomic<bool>& interrupted);

}  // namespace satphase
