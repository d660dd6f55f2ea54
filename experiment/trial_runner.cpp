#include "experiment/trial_runner.h"

#include "formula/formula.h"
#include "random/formula_generator.h"
#include "solver/search.h"

std::int16_t trialSteps[kTrials] = {};

int runTrial(std::int32_t numVars, std::int32_t numClauses) {
    const Formula formula = generateFormula(numVars, numClauses);
    return solve(formula);
}

std::uint32_t runTrials(std::int32_t numVars, std::int32_t numClauses) {
    std::int16_t contradictions = 0;
    for (std::int16_t& steps : trialSteps) {
        if (runTrial(numVars, numClauses) == 0) {
            ++contradictions;
        }
        steps = stepCounter;  // solve starts each trial's count from 0
    }
    sortTrialSteps();
    return packCellResult(contradictions, trialSteps[kMedianIndex]);
}

void sortTrialSteps() {
    for (std::int32_t pass = 0; pass < kTrials; ++pass) {
        for (std::int32_t j = 0; j < kTrials - 1 - pass; ++j) {
            if (trialSteps[j + 1] < trialSteps[j]) {
                const std::int16_t held = trialSteps[j];
                trialSteps[j] = trialSteps[j + 1];
                trialSteps[j + 1] = held;
            }
        }
    }
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
