#include "random/formula_source.h"

#include <algorithm>
#include <cassert>

#include "random/planted_generator.h"
#include "random/uniform_generator.h"

namespace satphase {

namespace {

// How many of the 2^k sign patterns of a clause's k variables pass the
// model's test: all of them for the unfiltered models, all but the one the
// hidden assignment falsifies when planted, and for 2-hidden also all but the
// one its complement falsifies (the same pattern when k is 0).
std::int64_t passingSignPatterns(FormulaModel model, std::int64_t k) {
    const std::int64_t patterns = std::int64_t{1} << k;
    switch (model) {
        case FormulaModel::Planted:
            return patterns - 1;
        case FormulaModel::TwoHidden:
            return k == 0 ? 0 : patterns - 2;
        case FormulaModel::Classic:
        case FormulaModel::Uniform:
        case FormulaModel::Mixed:
            break;
    }
    return patterns;
}

}  // namespace

std::optional<std::string> modelRefusal(FormulaModel model, std::int64_t k, std::int64_t numVars,
                                        std::int64_t numClauses, FormulaLimits limits) {
    const std::string what =
        std::to_string(numVars) + " variables and " + std::to_string(numClauses) + " clauses: ";
    const std::string clauses = std::string(modelName(model)) + " clauses of " + std::to_string(k) +
                                (k == 1 ? " literal" : " literals");
    if (k >= 0 && k <= kMaxClauseWidth && passingSignPatterns(model, k) == 0) {
        return what + clauses + " are all falsified by the hidden assignment" +
               (model == FormulaModel::TwoHidden ? " or its complement" : "") +
               ", so drawing one would never end";
    }
    if (k < kMinClauseWidth || k > kMaxClauseWidth) {
        return what + clauses + ", but clauses have " + std::to_string(kMinClauseWidth) + " to " +
               std::to_string(kMaxClauseWidth) + " literals";
    }
    if (model == FormulaModel::Classic) {
        if (k != kClassicClauseWidth) {
            return what + clauses + ", but the classic model's clauses have " +
                   std::to_string(kClassicClauseWidth) + " literals";
        }
        return ClassicGenerator::refusal(numVars, numClauses);
    }
    if (model == FormulaModel::Mixed && k != kMixedLongWidth) {
        return what + clauses + ", but the mixed model mixes clauses of " +
               std::to_string(kMixedLongWidth) + " literals with clauses of 2";
    }
    if (k > numVars) {
        return what + clauses + " need at least " + std::to_string(k) + " distinct variables";
    }
    return ClassicGenerator::sizeRefusal(numVars, numClauses, limits);
}

std::string fractionText(std::int32_t pMillionths) {
    assert(pMillionths >= 0 && pMillionths <= kWholeFraction);
    std::string text = std::to_string(pMillionths / kWholeFraction);
    if (const std::int32_t fraction = pMillionths % kWholeFraction; fraction != 0) {
        std::string digits = std::to_string(kWholeFraction + fraction).substr(1);
        digits.erase(digits.find_last_not_of('0') + 1);
        text += "." + digits;
    }
    return text;
}

FormulaSource::FormulaSource(std::int32_t maxVars, std::int32_t maxClauses, FormulaModel model)
    : maxVars_(std::max(maxVars, 1)), hidden_(static_cast<std::size_t>(maxVars_)) {
    if (model == FormulaModel::Classic) {
        classic_.emplace(maxVars, maxClauses);
    }
}

bool FormulaSource::draw(FormulaModel model, std::int32_t k, std::int32_t numVars,
                         std::int32_t numClauses, RandomStream& stream, Formula& out,
                         std::int32_t pMillionths) {
    // The checks of modelRefusal that cost no allocation.
    assert(k >= kMinClauseWidth && k <= kMaxClauseWidth && k <= numVars && numVars <= maxVars_);
    hiddenVars_ = 0;
    switch (model) {
        case FormulaModel::Classic:
            assert(classic_ && "a classic formula from a source built for another model");
            return classic_->generate(numVars, numClauses, stream, out);
        case FormulaModel::Uniform:
            drawUniformFormula(k, numVars, numClauses, stream, out);
            return true;
        case FormulaModel::Mixed:
            drawMixedFormula(pMillionths, numVars, numClauses, stream, out);
            return true;
        case FormulaModel::Planted:
        case FormulaModel::TwoHidden:
            drawHiddenAssignment(numVars, stream, hidden_);
            hiddenVars_ = static_cast<std::size_t>(numVars);
            drawPlantedFormula(model == FormulaModel::TwoHidden ? Hiding::Both : Hiding::One, k,
                               numVars, numClauses, hidden(), stream, out);
            return true;
    }
    return false;
}

std::span<const std::int8_t> FormulaSource::hidden() const {
    return {hidden_.data(), hiddenVars_};
}

}  // namespace satphase
