#include "experiment/report.h"

#include "experiment/trial_runner.h"

namespace {

void printTableHeader(std::int32_t numVars, std::ostream& out) {
    out << "Num of vars : " << numVars << "\n-\n";
    out << "Clause per variable | Contradictions | Median \n";
}

}  // namespace

void runExperiment(Tone& tone, std::ostream& out) {
    for (std::int32_t numVars = 10; numVars <= 40; numVars += 10) {
        reportForSize(numVars, tone, out);
        if (!out) {
            return;  // nothing more can be shown; the caller reports the failure
        }
    }
    tone.sound(kFinalToneHz, kFinalToneMs);
}

void reportForSize(std::int32_t numVars, Tone& tone, std::ostream& out) {
    printTableHeader(numVars, out);
    for (const double ratio : ratioTable) {
        const auto numClauses = static_cast<std::int32_t>(ratio * numVars);
        const std::uint32_t result = runTrials(numVars, numClauses);
        tone.sound(kRowToneHz, kRowToneMs);
        out << ratio << "      " << contradictionsOf(result) << "      " << medianOf(result) << "\n"
            << std::flush;
        if (!out) {
            return;
        }
    }
    out << "\n";
}

void reportSingleRow(std::ostream& out) {
    printTableHeader(10, out);
    const std::uint32_t result = runTrials(10, 80);
    out << "8   " << contradictionsOf(result) << "      " << medianOf(result) << "\n";
}
