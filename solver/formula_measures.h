#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "formula/formula.h"

namespace satphase {

class BackboneFinder;
class SolutionCounter;

// The order parameters of one formula beyond its satisfiability, for a
// sweep's --measure: its backbone (backbone.h, with CaDiCaL) and its number
// of solutions (solution_count.h). One per deciding thread, its engines
// built for the sweep's largest formula; each decides satisfiability itself,
// a verdict the sweep checks against its solvers'.
class FormulaMeasurer {
  public:
    // Engines for the measures asked for, for formulas of up to maxVars
    // variables (at most 64 when counting) and maxClauses clauses. The
    // backbone needs a build with CaDiCaL (SATPHASE_HAVE_CADICAL).
    FormulaMeasurer(std::int32_t maxVars, std::int32_t maxClauses, bool backbone, bool solutions);
    ~FormulaMeasurer();
    FormulaMeasurer(const FormulaMeasurer&) = delete;
    FormulaMeasurer& operator=(const FormulaMeasurer&) = delete;

    struct Outcome {
        bool satisfiable = false;
        double backbone = 0;  // the fraction of variables in the backbone
        std::int32_t backboneCalls = 0;
        std::uint64_t solutions = 0;  // below 2^64: the sweep refuses the one case that is not
        bool interrupted = false;     // `stop` was raised; nothing else means anything then
        // Both measures were taken and their verdicts differ: a fault of one
        // of them, which the sweep reports as a disagreement.
        bool split = false;
    };

    Outcome measure(const Formula& formula, const std::atomic<bool>* stop);

  private:
    std::unique_ptr<BackboneFinder> backbone_;
    std::unique_ptr<SolutionCounter> counter_;
};

}  // namespace satphase
