#include "classic/experiment/trial_runner.h"

#include <algorithm>
#include <iterator>

#include "classic/formula/formula.h"
#include "classic/formula/variable_order.h"
#include "classic/random/formula_generator.h"
#include "classic/solver/search.h"

std::int16_t trialSteps[kTrials] = {};

int canRunCell(std::int32_t numVars, std::int32_t numClauses) {
    return canGenerate(numVars, numClauses) == 1 && numVars <= kMaxVariables ? 1 : 0;
}

int runTrial(std::int32_t numVars, std::int32_t numClauses) {
    const Formula formula = generateFormula(numVars, numClauses);
    if (formula.lastClause == -1) {
        return -1;
    }
    return solve(formula);
}

std::uint32_t runTrials(std::int32_t numVars, std::int32_t numClauses) {
    if (canRunCell(numVars, numClauses) == 0) {
        return kRefusedCell;
    }
    std::int16_t contradictions = 0;
    for (std::int16_t& steps : trialSteps) {
        const int verdict = runTrial(numVars, numClauses);
        if (verdict == -1) {
            return kRefusedCell;
        }
        if (verdict == 0) {
            ++contradictions;
        }
        steps = stepCounter;  // solve starts each trial's count from 0
    }
    sortTrialSteps();
    return packCellResult(contradictions, trialSteps[kMedianIndex]);
}

void sortTrialSteps() {
    std::sort(std::begin(trialSteps), std::end(trialSteps));
}

std::uint32_t packCellResult(std::int16_t contradictions, std::int16_t median) {
    const auto high = static_cast<std::uint32_t>(static_cast<std::uint16_t>(median));
    const auto low = static_cast<std::uint32_t>(static_cast<std::uint16_t>(contradictions));
    return (high << 16U) | low;
}

std::int16_t contradictionsOf(std::uint32_t cellResult) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(cellResult & 0xFFFFU));
}

std::int16_t medianOf(std::uint32_t cellResult) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(cellResult >> 16U));
}
