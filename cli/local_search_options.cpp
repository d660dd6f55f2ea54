#include "cli/local_search_options.h"

#include <algorithm>

namespace satphase {

std::optional<std::string> readLocalSearchOptions(const LocalSearchOptions& options,
                                                  std::span<const SolverKind> solvers,
                                                  std::int32_t k, LocalSearchSettings& out) {
    const auto lists = [&](SolverKind kind) {
        return std::ranges::find(solvers, kind) != solvers.end();
    };
    const bool probsat = lists(SolverKind::Probsat);
    const bool walksat = lists(SolverKind::Walksat);
    if (options.maxFlips != 0 && !probsat && !walksat) {
        return std::string(
            "--max-flips applies to probsat and walksat, and --solver lists neither");
    }
    if ((options.cb || options.eps) && !probsat) {
        return std::string(options.cb ? "--cb" : "--eps") +
               " applies to probsat, and --solver does not list it";
    }
    if (options.noise && !walksat) {
        return std::string("--noise applies to walksat, and --solver does not list it");
    }
    out = LocalSearchSettings{};
    out.probsat = ProbSat::publishedParameters(k);
    out.probsat.cb = options.cb.value_or(out.probsat.cb);
    out.probsat.eps = options.eps.value_or(out.probsat.eps);
    out.noise = options.noise.value_or(out.noise);
    out.maxFlips = options.maxFlips;
    return localSearchProblem(out);
}

}  // namespace satphase
