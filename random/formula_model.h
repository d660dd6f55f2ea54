#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

// The random formula models a sweep or `generate` can draw from.
//  - Classic: three literals per clause, every variable placed, no clause
//    repeated (the classic report's model).
//  - Uniform: the fixed-clause-length model; every clause independently takes
//    k distinct variables uniformly and negates each with probability 1/2.
//  - Planted: uniform clauses, rejecting those a hidden assignment falsifies.
//  - TwoHidden: uniform clauses, rejecting those the hidden assignment or its
//    complement falsifies.
enum class FormulaModel : std::uint8_t { Classic, Uniform, Planted, TwoHidden };

// Literals per clause the models accept; the classic model has exactly 3.
inline constexpr std::int32_t kMinClauseWidth = 2;
inline constexpr std::int32_t kMaxClauseWidth = 7;
inline constexpr std::int32_t kClassicClauseWidth = 3;

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
    }
    return "classic";
}

// The model named `name` exactly as modelName writes it, or nothing.
constexpr std::optional<FormulaModel> parseModel(std::string_view name) {
    for (FormulaModel model : {FormulaModel::Classic, FormulaModel::Uniform, FormulaModel::Planted,
                               FormulaModel::TwoHidden}) {
        if (modelName(model) == name) {
            return model;
        }
    }
    return std::nullopt;
}
