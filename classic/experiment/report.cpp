#include "classic/experiment/report.h"

#include "classic/experiment/trial_runner.h"

namespace {

void printTableHeader(std::int32_t numVars, std::ostream& out) {
    out << "Num of vars : " << numVars << "\n-\n";
    out << "Clause per variable | Contradictions | Median \n";
}

}  // namespace

void runExperiment(satphase::Tone& tone, std::ostream& out) {
    for (const std::int32_t numVars : sizeTable) {
        if (reportForSize(numVars, tone, out) != 1) {
            return;  // the grid's cells are never refused: `out` failed
        }
    }
    tone.sound(kFinalToneHz, kFinalToneMs);
}

int reportForSize(std::int32_t numVars, satphase::Tone& tone, std::ostream& out) {
    for (const double ratio : ratioTable) {
        if (canRunCell(numVars, clausesFor(ratio, numVars)) == 0) {
            return -1;
        }
    }
    printTableHeader(numVars, out);
    for (const double ratio : ratioTable) {
        if (!out) {
            return 0;
        }
        const std::uint32_t result = runTrials(numVars, clausesFor(ratio, numVars));
        if (result == kRefusedCell) {
            return -1;
        }
        tone.sound(kRowToneHz, kRowToneMs);
        out << ratio << "      " << contradictionsOf(result) << "      " << medianOf(result) << "\n"
            << std::flush;
    }
    out << "\n";
    return out ? 1 : 0;
}

void reportSingleRow(std::ostream& out) {
    printTableHeader(10, out);
    const std::uint32_t result = runTrials(10, 80);
    out << "8   " << contradictionsOf(result) << "      " << medianOf(result) << "\n";
}
