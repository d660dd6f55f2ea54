#include "cli/generate_command.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

#include "cli/model_options.h"
#include "dimacs/cell_formulas.h"
#include "platform/error_report.h"
#include "platform/interrupt.h"
#include "random/formula_source.h"

namespace satphase {

// One formula after the other, each from the stream where the one before it
// left it, as the trials of a sweep cell are drawn: on standard output, or
// into --output-dir all or none.
std::optional<std::string> readGenerateRequest(const GenerateOptions& options,
                                               CellRequest& request) {
    // The same refusal as a sweep cell of this size for local searches gets;
    // the seed, the count and the model's name are checked as the command
    // line is read.
    FormulaKind kind;
    if (std::optional<std::string> problem =
            readModelOptions(options.model, options.k, options.p, kind)) {
        return problem;
    }
    if (std::optional<std::string> reason =
            modelRefusal(kind, options.vars, options.clauses, kSearchedLimits)) {
        return reason;
    }
    request =
        CellRequest{static_cast<std::int32_t>(options.vars),
                    static_cast<std::int32_t>(options.clauses), options.seed, options.count, kind};
    return std::nullopt;
}

int runGenerate(const GenerateOptions& options) {
    const ErrorReport report("generate");
    CellRequest request;
    if (std::optional<std::string> problem = readGenerateRequest(options, request)) {
        return report.fail(2, *problem);
    }
    if (!options.outputDir.empty()) {
        catchInterrupts();
        const std::optional<CellFilesProblem> problem =
            writeCellFormulaFiles(request, options.outputDir, options.force, interruptRequested());
        if (!problem) {
            return 0;
        }
        switch (problem->kind) {
            case CellFilesProblem::Kind::NameTaken:
                return report.fail(
                    2, problem->message + "; it is left as it is (--force replaces such files)");
            case CellFilesProblem::Kind::Interrupted:
                return report.fail(130, problem->message);
            case CellFilesProblem::Kind::Failed:
                break;
        }
        return report.fail(1, problem->message);
    }
    CellFormulas formulas(request);
    errno = 0;
    for (std::int32_t i = 0; i < options.count; ++i) {
        const std::string& text = formulas.next();
        if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size()) {
            break;
        }
    }
    if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
        return report.fail(1, std::string("cannot write the formulas to standard output: ") +
                                  systemReason("unknown error"));
    }
    return 0;
}

}  // namespace satphase
