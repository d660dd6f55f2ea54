#include "cli/model_options.h"

#include "sweep/sweep_plan.h"

namespace satphase {

std::optional<std::string> readModelOptions(FormulaModel model, std::int32_t k,
                                            const std::optional<std::string>& p,
                                            FormulaKind& kind) {
    kind = FormulaKind{model, k, 0};
    if (model != FormulaModel::Mixed) {
        if (p) {
            return "--p " + *p + ": only --model mixed takes --p, not --model " +
                   std::string(modelName(model));
        }
        return std::nullopt;
    }
    if (!p) {
        return std::string(
            "--model mixed needs --p P, the fraction of clauses with 3 literals (0 to 1)");
    }
    const std::optional<std::int32_t> fraction = parseFraction(*p);
    if (!fraction) {
        return "--p " + *p + ": not a decimal from 0 to 1 with at most six places";
    }
    if (const std::optional<std::string_view> problem = widthProblem(kind)) {
        return "--model mixed --k " + std::to_string(k) + ": " + std::string(*problem) +
               ", so it takes only --k 3";
    }
    kind.pMillionths = *fraction;
    return std::nullopt;
}

}  // namespace satphase
