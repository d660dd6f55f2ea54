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

std::optional<std::string> modelRefusal(const FormulaKind& kind, std::int64_t numVars,
                                        std::int64_t numClauses, FormulaLimits limits) {
    const std::int64_t k = kind.k;
    const std::string what =
        std::to_string(numVars) + " variables and " + std::to_string(numClauses) + " clauses: ";
    const std::string clauses = std::string(modelName(kind.model)) + " clauses of " +
                                std::to_string(k) + (k == 1 ? " literal" : " literals");
    if (k >= 0 && k <= kMaxClauseWidth && passingSignPatterns(kind.model, k) == 0) {
        return what + clauses + " are all falsified by the hidden assignment" +
               (kind.model == FormulaModel::TwoHidden ? " or its complement" : "") +
               ", so drawing one would never end";
    }
    if (const std::optional<std::string_view> problem = widthProblem(kind)) {
        return what + clauses + ", but " + std::string(*problem);
    }
    if (kind.model == FormulaModel::Classic) {
        return ClassicGenerator::refusal(numVars, numClauses);
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

bool FormulaSource::draw(const FormulaKind& kind, std::int32_t numVars, std::int32_t numClauses,
                         RandomStream& stream, Formula& out) {
    const std::int32_t k = kind.k;
    // The checks of modelRefusal that cost no allocation.
    assert(k >= kMinClauseWidth && k <= kMaxClauseWidth && k <= numVars && numVars <= maxVars_);
    hiddenVars_ = 0;
    switch (kind.model) {
        case FormulaModel::Classic:
            assert(classic_ && "a classic formula from a source built for another model");
            return classic_->generate(numVars, numClauses, stream, out);
        case FormulaModel::Uniform:
            drawUniformFormula(k, numVars, numClauses, stream, out);
            return true;
        case FormulaModel::Mixed:
            drawMixedFormula(kind.pMillionths, numVars, numClauses, stream, out);
            return true;
        case FormulaModel::Planted:
        case FormulaModel::TwoHidden:
            drawHiddenAssignment(numVars, stream, hidden_);
            hiddenVars_ = static_cast<std::size_t>(numVars);
            drawPlantedFormula(kind.model == FormulaModel::TwoHidden ? Hiding::Both : Hiding::One,
                               k, numVars, numClauses, hidden(), stream, out);
            return true;
    }
    return false;
}

std::span<const std::int8_t> FormulaSource::hidden() const {
    return {hidden_.data(), hiddenVars_};
}

}  // namespace satphase
