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

// Whether (model, k) draw the classic report's formulas: those that a
// sweep's records and generate's files leave unnamed, and the only k the
// classic model takes.
constexpr bool isClassicKind(FormulaModel model, std::int32_t k) {
    return model == FormulaModel::Classic && k == kClassicClauseWidth;
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
