#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "formula/formula.h"
#include "random/classic_generator.h"
#include "random/formula_model.h"
#include "random/random_stream.h"

namespace satphase {

// Why no formula of `kind` with numVars variables and numClauses clauses can
// be drawn, as one line naming the values, or nothing when one can. The
// clause width is widthProblem's to judge (the mixed model's p is checked
// where it is read); the classic model then answers exactly as
// ClassicGenerator::refusal does. All but the classic one need k <= numVars and
// take sizes up to `limits`. A planted request is refused when no clause of
// k literals could pass its test, since drawing one would never end; for
// every request accepted, each clause drawn passes with probability 1/2 or
// more, so r rejections in a row have a chance of at most 2^-r.
std::optional<std::string> modelRefusal(const FormulaKind& kind, std::int64_t numVars,
                                        std::int64_t numClauses,
                                        FormulaLimits limits = kDecidedLimits);

// The mixed model's p, given in millionths, as its shortest decimal text:
// "0", "0.3", "1".
std::string fractionText(std::int32_t pMillionths);

// Draws one formula of any model from a stream: the classic model through
// ClassicGenerator, exactly as before, the others through the uniform and planted
// generators. Like ClassicGenerator it owns its working storage, sized once by
// the largest request it will serve, so that drawing allocates nothing.
class FormulaSource {
  public:
    // The classic model's generator, whose storage is some tens of bytes a
    // clause, is built only when `model` is classic.
    FormulaSource(std::int32_t maxVars, std::int32_t maxClauses,
                  FormulaModel model = FormulaModel::Classic);

    // Fills `out` (its clause storage reused) with a formula drawn from
    // `stream`. The request must be within the sizes given at construction
    // and have no modelRefusal. Returns false,
    // with `out` unspecified, only where ClassicGenerator::generate does, for
    // the classic model.
    bool draw(const FormulaKind& kind, std::int32_t numVars, std::int32_t numClauses,
              RandomStream& stream, Formula& out);

    // The hidden assignment σ of the formula drawn last, one value per
    // variable (1 true, 0 false), when its model was planted or 2-hidden;
    // empty otherwise.
    std::span<const std::int8_t> hidden() const;

  private:
    std::optional<ClassicGenerator> classic_;
    std::int32_t maxVars_;
    std::vector<std::int8_t> hidden_;
    std::size_t hiddenVars_ = 0;
};

}  // namespace satphase
