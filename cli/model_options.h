#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "random/formula_model.h"

namespace satphase {

// Checks how --model, --k and --p combine, for `sweep` and `generate` alike,
// and reads them into `kind`: the mixed model needs --p and takes only
// --k 3 (it mixes three-literal clauses with two-literal ones), and no other
// model takes --p. The reason, naming the options, or nothing. The other
// models' widths are judged with the sizes (modelRefusal).
std::optional<std::string> readModelOptions(FormulaModel model, std::int32_t k,
                                            const std::optional<std::string>& p, FormulaKind& kind);

}  // namespace satphase
