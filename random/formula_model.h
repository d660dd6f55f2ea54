#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "formula/formula.h"

namespace satphase {

// The random formula models a sweep or `generate` can draw from.
//  - Classic: three literals per clause, every variable placed, no clause
//    repeated (the classic report's model).
//  - Uniform: the fixed-clause-length model; every clause independently takes
//    k distinct variables uniformly and negates each with probability 1/2.
//  - Planted: uniform clauses, rejecting those a hidden assignment falsifies.
//  - TwoHidden: uniform clauses, rejecting those the hidden assignment or its
//    complement falsifies.
//  - Mixed: (2+p)-SAT; every clause independently has 3 literals with
//    probability p and 2 otherwise, each drawn as a uniform clause.
enum class FormulaModel : std::uint8_t { Classic, Uniform, Planted, TwoHidden, Mixed };

// Literals per clause the models accept, up to kMaxClauseWidth; the classic
// model has exactly kClassicClauseWidth.
inline constexpr std::int32_t kMinClauseWidth = 2;

// The mixed model's fraction p of three-literal clauses, a decimal of at most
// six places held in millionths (0 .. kWholeFraction), so that it reads back
// and compares exactly, and the width of its longer clauses, its only k.
inline constexpr std::int32_t kWholeFraction = 1000000;
inline constexpr std::int32_t kMixedLongWidth = 3;

constexpr std::string_view modelName(FormulaModel model) {
    switch (model) {
        case FormulaModel::Classic:
            return "classic";
        case FormulaModel::Uniform:
            return "uniform";
        case FormulaModel::Planted:
            return "planted";
        case FormulaModel::TwoHidden:
            return "2-hidden";
        case FormulaModel::Mixed:
            return "mixed";
    }
    return "classic";
}

// What a random formula is drawn as: its model, the width k of its clauses
// (of the mixed model's longer ones), and the mixed model's p in millionths
// (0 for the other models).
struct FormulaKind {
    FormulaModel model = FormulaModel::Classic;
    std::int32_t k = kClassicClauseWidth;
    std::int32_t pMillionths = 0;

    // Whether these are the classic report's formulas: those that a sweep's
    // records and generate's files leave unnamed.
    constexpr bool isClassic() const {
        return model == FormulaModel::Classic && k == kClassicClauseWidth;
    }
};

// Why the kind's model takes no clauses of k literals, in words that follow
// "but" or an option; nothing when it takes them. Every model takes
// kMinClauseWidth to kMaxClauseWidth, the classic and the mixed model only 3.
constexpr std::optional<std::string_view> widthProblem(const FormulaKind& kind) {
    static_assert(kMinClauseWidth == 2 && kMaxClauseWidth == 7 && kClassicClauseWidth == 3 &&
                  kMixedLongWidth == 3);
    if (kind.k < kMinClauseWidth || kind.k > kMaxClauseWidth) {
        return "clauses have 2 to 7 literals";
    }
    if (kind.model == FormulaModel::Classic && kind.k != kClassicClauseWidth) {
        return "the classic model's clauses have 3 literals";
    }
    if (kind.model == FormulaModel::Mixed && kind.k != kMixedLongWidth) {
        return "the mixed model mixes clauses of 3 literals with clauses of 2";
    }
    return std::nullopt;
}

// The model named `name` exactly as modelName writes it, or nothing.
constexpr std::optional<FormulaModel> parseModel(std::string_view name) {
    for (FormulaModel model : {FormulaModel::Classic, FormulaModel::Uniform, FormulaModel::Planted,
                               FormulaModel::TwoHidden, FormulaModel::Mixed}) {
        if (modelName(model) == name) {
            return model;
        }
    }
    return std::nullopt;
}

}  // namespace satphase
