#include "cli/merge_command.h"

#include <iostream>
#include <string>

#include "platform/error_report.h"
#include "platform/interrupt.h"
#include "platform/safe_file.h"
#include "sweep/merge.h"
#include "sweep/resume.h"

namespace satphase {

// Every problem of every shard is said before anything is written, and then
// nothing is: the output is the whole sweep's or none.
int runMerge(const MergeOptions& options) {
    const ErrorReport report("merge");
    if (auto problem = outputIsAnInput(options.output, options.files)) {
        return report.fail(2, *problem);
    }
    catchInterrupts();
    const MergeOutcome merged = mergeShards(options.files, options.format);
    if (interruptRequested().load()) {
        return report.fail(130, "interrupted; nothing written");
    }
    for (const std::string& warning : merged.warnings) {
        report.say(warning);
    }
    if (!merged.problems.empty()) {
        for (const std::string& problem : merged.problems) {
            report.say(problem);
        }
        return 1;
    }
    if (options.output.empty()) {
        std::cout << merged.output << std::flush;
        if (!std::cout) {
            const bool interrupted = interruptRequested().load();
            return report.fail(
                interrupted ? 130 : 1,
                std::string(interrupted ? "interrupted; " : "") +
                    "cannot write to standard output: " + systemReason("write failed"));
        }
        return 0;
    }
    if (auto problem = foreignFileProblem(options.output)) {
        return report.fail(2, *problem);
    }
    if (auto problem = writeFileAtomically(options.output, merged.output, true)) {
        return report.fail(interruptRequested().load() ? 130 : 1, *problem);
    }
    return 0;
}

}  // namespace satphase
