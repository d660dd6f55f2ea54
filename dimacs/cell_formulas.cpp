#include "dimacs/cell_formulas.h"

#include <algorithm>
#include <cassert>
#include <string>
#include <vector>

#include "dimacs/dimacs_writer.h"
#include "platform/build_info.h"
#include "platform/safe_file.h"

namespace satphase {

namespace {

// Whether the request's model has a p, which its names and comments then give.
bool mixed(const CellRequest& request) {
    return request.kind.model == FormulaModel::Mixed;
}

}  // namespace

std::string cellFormulaFileName(const CellRequest& request, std::int32_t index) {
    assert(0 <= index && index < request.count);
    const std::size_t width = std::max<std::size_t>(4, std::to_string(request.count - 1).size());
    std::string number = std::to_string(index);
    number.insert(0, width - std::min(width, number.size()), '0');
    const bool classic = request.kind.isClassic();
    std::string model;  // appended, not a chain of +: g++ 12 warns falsely
    if (!classic) {
        model.append(modelName(request.kind.model))
            .append("-k")
            .append(std::to_string(request.kind.k));
        if (mixed(request)) {
            model.append("-p").append(fractionText(request.kind.pMillionths));
        }
        model.append("-");
    }
    return "satphase-" + model + "v" + std::to_string(request.vars) + "-c" +
           std::to_string(request.clauses) + "-s" + std::to_string(request.seed) + "-" + number +
           ".cnf";
}

CellFormulas::CellFormulas(const CellRequest& request)
    : request_(request),
      source_(request.vars, request.clauses, request.kind.model),
      stream_(request.seed) {
    assert(!modelRefusal(request.kind, request.vars, request.clauses, kSearchedLimits));
    formula_.clauses.reserve(static_cast<std::size_t>(request.clauses));
}

const Formula& CellFormulas::nextFormula() {
    assert(index_ < request_.count && "more formulas than the request's count");
    startState_ = stream_.state();
    source_.draw(request_.kind, request_.vars, request_.clauses, stream_, formula_);
    ++index_;
    return formula_;
}

const std::string& CellFormulas::next() {
    nextFormula();
    const std::int32_t startState = startState_;
    const bool classic = request_.kind.isClassic();
    const std::string p = fractionText(request_.kind.pMillionths);
    const std::string model = classic ? ""
                                      : " --model " + std::string(modelName(request_.kind.model)) +
                                            " --k " + std::to_string(request_.kind.k) +
                                            (mixed(request_) ? " --p " + p : "");
    const std::string size = "--vars " + std::to_string(request_.vars) + " --clauses " +
                             std::to_string(request_.clauses) + model;
    const std::string index = std::to_string(index_ - 1);
    std::vector<std::string> comments = {
        (mixed(request_) ? "random (2+p)-CNF formula of the mixed model with p = " + p + " "
                         : "random " + std::to_string(request_.kind.k) + "-CNF formula " +
                               (classic ? ""
                                        : "of the " + std::string(modelName(request_.kind.model)) +
                                              " model ")) +
            "written by satphase generate",
        "made by satphase " + std::string(programVersion()) + ", commit " +
            std::string(programCommit()),
        "parameters: " + size + " --seed " + std::to_string(request_.seed) + " --count " +
            std::to_string(request_.count) + "; this is formula " + index + " (from 0), trial " +
            index + " of that sweep cell",
        "start state of this formula: " + std::to_string(startState),
        "reproduce it alone: satphase generate " + size + " --seed " + std::to_string(startState),
    };
    if (const std::span<const std::int8_t> hidden = source_.hidden(); !hidden.empty()) {
        std::string line = "planted:";
        for (std::size_t v = 0; v < hidden.size(); ++v) {
            line += hidden[v] != 0 ? " " : " -";
            line += std::to_string(v + 1);
        }
        comments.push_back(line + " 0");
    }
    text_.clear();
    appendDimacs(text_, formula_, comments);
    return text_;
}

// Every name is checked before the first file is written, so that a taken
// name costs no drawing; the files go to temporaries that only the commit
// renames into place.
std::optional<CellFilesProblem> writeCellFormulaFiles(const CellRequest& request,
                                                      const std::filesystem::path& directory,
                                                      bool replaceExisting,
                                                      const std::atomic<bool>& interrupted) {
    using Kind = CellFilesProblem::Kind;
    AtomicFileSet files(directory, replaceExisting);
    std::vector<std::string> names;
    names.reserve(static_cast<std::size_t>(request.count));
    for (std::int32_t i = 0; i < request.count; ++i) {
        names.push_back(cellFormulaFileName(request, i));
    }
    if (std::optional<std::string> taken = files.checkFree(names)) {
        return CellFilesProblem{Kind::NameTaken, *taken};
    }
    if (std::optional<std::string> problem = files.prepare()) {
        return CellFilesProblem{Kind::Failed, *problem};
    }
    const CellFilesProblem stopped{Kind::Interrupted, "interrupted; no file written"};
    CellFormulas formulas(request);
    for (std::int32_t i = 0; i < request.count; ++i) {
        if (interrupted.load()) {
            return stopped;
        }
        if (std::optional<std::string> problem =
                files.add(names[static_cast<std::size_t>(i)], formulas.next())) {
            return CellFilesProblem{Kind::Failed, *problem + "; no file written"};
        }
    }
    if (interrupted.load()) {
        return stopped;
    }
    if (std::optional<std::string> problem = files.commit()) {
        return CellFilesProblem{Kind::Failed, *problem + "; no file written"};
    }
    return std::nullopt;
}

}  // namespace satphase
