#include "solver/formula_measures.h"

#include <cassert>
#include <limits>

#include "solver/backbone.h"
#include "solver/solution_count.h"

namespace satphase {

FormulaMeasurer::FormulaMeasurer(std::int32_t maxVars, std::int32_t maxClauses,
                                 [[maybe_unused]] bool backbone, bool solutions) {
#ifdef SATPHASE_HAVE_CADICAL
    if (backbone) {
        backbone_ = std::make_unique<BackboneFinder>(maxVars, maxClauses);
    }
#else
    assert(!backbone && "the backbone needs CaDiCaL");
#endif
    if (solutions) {
        counter_ = std::make_unique<SolutionCounter>(maxVars, maxClauses);
    }
}

FormulaMeasurer::~FormulaMeasurer() = default;

FormulaMeasurer::Outcome FormulaMeasurer::measure(const Formula& formula,
                                                  const std::atomic<bool>* stop) {
    Outcome outcome;
    if (counter_) {
        const SolutionCounter::Outcome counted = counter_->count(formula, stop);
        outcome.interrupted = counted.interrupted;
        outcome.satisfiable = counted.solutions > 0;
        assert(counted.interrupted ||
               counted.solutions <= std::numeric_limits<std::uint64_t>::max());
        outcome.solutions = static_cast<std::uint64_t>(counted.solutions);
    }
#ifdef SATPHASE_HAVE_CADICAL
    if (backbone_ && !outcome.interrupted) {
        const BackboneFinder::Outcome found = backbone_->find(formula, stop);
        outcome.interrupted = found.interrupted;
        outcome.split = counter_ && !found.interrupted && outcome.satisfiable != found.satisfiable;
        outcome.satisfiable = found.satisfiable;
        outcome.backbone = found.satisfiable && formula.numVars > 0
                               ? static_cast<double>(found.size) / formula.numVars
                               : 0;
        outcome.backboneCalls = found.calls;
    }
#endif
    return outcome;
}

}  // namespace satphase
