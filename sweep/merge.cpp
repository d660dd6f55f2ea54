#include "sweep/merge.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <set>

#include "sweep/cell_summary.h"
#include "sweep/formula_draw.h"
#include "sweep/record_reader.h"

namespace satphase {

namespace {

// Where a record came from: the file (its index among the paths) and line.
struct Place {
    std::uint32_t file = 0;
    std::uint32_t line = 0;
};

// A cell record, or a formula record, as kept until the output is written.
struct HeldCell {
    bool present = false;
    Place place;
    std::int32_t startState = 0;
    CellSummary summary;
    double seconds = 0;
};
struct HeldFormula {
    Place place;
    std::int32_t trial = 0;
    FormulaResult result;
};

// "3, 7, 11", shortened past a score of them.
std::string listOf(const std::vector<std::int32_t>& numbers) {
    std::string text;
    for (std::size_t i = 0; i < numbers.size() && i < 20; ++i) {
        text += (i == 0 ? "" : ", ") + std::to_string(numbers[i]);
    }
    if (numbers.size() > 20) {
        text += ", ... (" + std::to_string(numbers.size()) + " in all)";
    }
    return text;
}

class Merger {
  public:
    Merger(std::span<const std::string> paths, MergeOutcome& outcome)
        : paths_(paths), problems_(outcome.problems), warnings_(outcome.warnings) {}

    // Reads every file; false when none held a sweep line.
    bool readAll() {
        std::set<std::filesystem::path> named;
        for (std::uint32_t file = 0; file < paths_.size(); ++file) {
            const std::string& path = paths_[file];
            std::error_code error;
            if (!named.insert(std::filesystem::weakly_canonical(path, error)).second) {
                problems_.push_back(path + ": named more than once");
                continue;
            }
            if (auto problem = unreadableFile(path)) {
                problems_.push_back(*problem);
                continue;
            }
            std::ifstream in(path, std::ios::binary);
            if (!in) {
                problems_.push_back(path + ": cannot be read");
                continue;
            }
            readFile(file, in);
        }
        if (versions_.size() > 1) {
            warnings_.push_back("the shards were written by different versions of satphase (" +
                                joinedVersions() + "); merged all the same");
        }
        return header_.has_value();
    }

    // Whether some file could not be read to its end (a torn or foreign
    // line): then what is missing is no news.
    bool cutShort() const { return cutShort_; }
    void checkComplete();
    void checkStartStates();
    void write(OutputFormat format, std::string& out);
    bool perFormula() const { return header_->definition.perFormula; }
    // Cell records per cell: one per solver.
    std::size_t solverRecords() const { return header_->definition.solvers.size(); }

  private:
    std::string where(Place place) const {
        return paths_[place.file] + ":" + std::to_string(place.line);
    }
    std::string joinedVersions() const {
        std::string text;
        for (const std::string& version : versions_) {
            text += (text.empty() ? "" : ", ") + version;
        }
        return text;
    }
    void readFile(std::uint32_t file, std::istream& in);
    bool readHeader(std::uint32_t file, const std::string& line);
    void keep(const RecordRead& record, Place place);
    std::size_t distinctFormulas(std::int32_t cell);

    std::span<const std::string> paths_;
    std::vector<std::string>& problems_;
    std::vector<std::string>& warnings_;
    std::optional<SweepHeader> header_;
    bool layoutSettled_ = false;  // the records' layout is the first record's
    std::string identity_;        // the sweep line every file must share, shard and version aside
    std::uint32_t identityFile_ = 0;
    std::set<std::string> versions_;
    bool cutShort_ = false;
    std::set<std::int32_t> shardCounts_;
    std::vector<SweepCell> cells_;
    std::vector<HeldCell> heldCells_;
    // Per cell, the formula records as they come; sorted by trial, and
    // checked for gaps and repeats, once every file is read. Only what the
    // files hold is held, whatever number of trials their sweep line claims.
    std::vector<std::vector<HeldFormula>> heldFormulas_;
};

void Merger::readFile(std::uint32_t file, std::istream& in) {
    const std::string& path = paths_[file];
    LineReader lines(in);
    std::string line;
    while (lines.next(line)) {
        const Place place{file, static_cast<std::uint32_t>(lines.number())};
        if (lines.number() == 1) {
            if (!readHeader(file, line)) {
                return;
            }
            continue;
        }
        RecordRead record;
        if (!layoutSettled_) {
            // A sweep line does not say the layout; the first record's keys do,
            // and every shard must then have it.
            layoutSettled_ = true;
            const std::optional<SweepDefinition> older = previousLayout(header_->definition);
            if (older &&
                readRecord(OutputFormat::JsonLines, line, header_->definition, cells_, record) &&
                !readRecord(OutputFormat::JsonLines, line, *older, cells_, record)) {
                header_->definition = *older;
            }
        }
        if (auto problem =
                readRecord(OutputFormat::JsonLines, line, header_->definition, cells_, record)) {
            // The rest of a file that holds one foreign line is not read:
            // one line per such file, however many lines it has.
            problems_.push_back(where(place) + ": not a record of this sweep: " + *problem);
            cutShort_ = true;
            return;
        }
        keep(record, place);
    }
    if (lines.failed()) {
        problems_.push_back(path + ": cannot be read to the end");
    } else if (!lines.torn().empty()) {
        cutShort_ = true;
        problems_.push_back(path + ":" + std::to_string(lines.number() + 1) +
                            ": record cut off mid-line (torn)");
    } else if (lines.number() == 0) {
        problems_.push_back(path + ": is empty; a shard's file starts with its sweep line");
    }
}

bool Merger::readHeader(std::uint32_t file, const std::string& line) {
    const std::string& path = paths_[file];
    auto read = readSweepLine(line);
    if (auto* problem = std::get_if<std::string>(&read)) {
        problems_.push_back(path + ":1: not the JSON Lines of satphase sweep (" + *problem + ")");
        return false;
    }
    auto& header = std::get<SweepHeader>(read);
    const std::string identity = sweepIdentity(header.definition, std::nullopt);
    if (!header_) {
        header_ = header;
        identity_ = identity;
        identityFile_ = file;
        cells_ = cellsOf(header.definition);
        if (header.definition.perFormula) {
            heldFormulas_.resize(cells_.size());
        } else {
            heldCells_.resize(cells_.size() * solverRecords());
        }
    } else if (identity != identity_) {
        problems_.push_back(path + ": from another sweep than " + paths_[identityFile_] +
                            " (its sweep line differs)");
        return false;
    }
    versions_.insert(header.version.empty() ? "an older one without a version"
                                            : header.version + " " + header.commit);
    if (header.shard) {
        shardCounts_.insert(header.shard->count);
    }
    return true;
}

void Merger::keep(const RecordRead& record, Place place) {
    const auto cell = static_cast<std::size_t>(record.cell);
    if (perFormula()) {
        heldFormulas_[cell].push_back(HeldFormula{place, record.trial, record.formula});
        return;
    }
    HeldCell& slot = heldCells_[cell * solverRecords() + record.solver];
    const std::string solver =
        header_->definition.namesSolvers
            ? " (" + std::string(solverName(header_->definition.solvers[record.solver])) + ")"
            : std::string();
    if (slot.present) {
        problems_.push_back("cell " + std::to_string(record.cell) + solver + " is in both " +
                            where(slot.place) + " and " + where(place));
        return;
    }
    slot = HeldCell{true, place, record.startState, record.summary, record.seconds};
}

// Sorts the formula records of a cell by trial and drops repeats, naming
// them; returns how many distinct trials are there.
std::size_t Merger::distinctFormulas(std::int32_t cell) {
    std::vector<HeldFormula>& formulas = heldFormulas_[static_cast<std::size_t>(cell)];
    // Stable: of two records of one trial, the one read first is kept.
    std::stable_sort(formulas.begin(), formulas.end(),
                     [](const HeldFormula& a, const HeldFormula& b) { return a.trial < b.trial; });
    std::size_t kept = 0;
    for (std::size_t i = 0; i < formulas.size(); ++i) {
        if (kept > 0 && formulas[kept - 1].trial == formulas[i].trial) {
            problems_.push_back("cell " + std::to_string(cell) + " trial " +
                                std::to_string(formulas[i].trial) + " is in both " +
                                where(formulas[kept - 1].place) + " and " +
                                where(formulas[i].place));
            continue;
        }
        formulas[kept++] = formulas[i];
    }
    formulas.resize(kept);
    return kept;
}

// What no file holds, by shard where the files say how the sweep was split.
void Merger::checkComplete() {
    const std::int32_t shards = shardCounts_.size() == 1 ? *shardCounts_.begin() : 0;
    std::map<std::int32_t, std::vector<std::int32_t>> missingByShard;
    for (const SweepCell& cell : cells_) {
        const auto at = static_cast<std::size_t>(cell.index);
        std::size_t present = 0;
        if (perFormula()) {
            present = distinctFormulas(cell.index);
        } else {
            for (std::size_t i = 0; i < solverRecords(); ++i) {
                const HeldCell& held = heldCells_[at * solverRecords() + i];
                present += held.present ? 1 : 0;
                const HeldCell& first = heldCells_[at * solverRecords()];
                if (held.present && first.present &&
                    (held.summary.unsatisfiable != first.summary.unsatisfiable ||
                     held.startState != first.startState)) {
                    problems_.push_back(where(held.place) + ": cell " + std::to_string(cell.index) +
                                        " differs from " + where(first.place) +
                                        " in its unsatisfiable count or start state");
                }
            }
        }
        const std::size_t perCell = recordsPerCell(header_->definition);
        if (present == 0) {
            missingByShard[shards > 0 ? cell.index % shards + 1 : 0].push_back(cell.index);
        } else if (present < perCell) {
            problems_.push_back("cell " + std::to_string(cell.index) + ": only " +
                                std::to_string(present) + " of " + std::to_string(perCell) +
                                (perFormula() ? " formulas" : " solvers' records") +
                                " are in the files");
        }
    }
    for (const auto& [shard, missing] : missingByShard) {
        problems_.push_back(
            (missing.size() == 1 ? "cell " : "cells ") + listOf(missing) +
            (shard > 0 ? " (shard " + std::to_string(shard) + " of " + std::to_string(shards) + ")"
                       : std::string()) +
            (missing.size() == 1 ? " is" : " are") + " in none of the files");
    }
}

// Every record must start where the sweep reaches it: drawing the formulas
// again, without deciding them, tells.
void Merger::checkStartStates() {
    const std::atomic<bool> stop{false};
    replayDraws(header_->definition, cells_, static_cast<std::int32_t>(cells_.size()) - 1, stop,
                [&](const SweepCell& cell, std::int32_t trial, std::int32_t state) {
                    const auto at = static_cast<std::size_t>(cell.index);
                    std::int32_t recorded = 0;
                    Place place;
                    if (perFormula()) {
                        const HeldFormula& formula =
                            heldFormulas_[at][static_cast<std::size_t>(trial)];
                        recorded = formula.result.startState;
                        place = formula.place;
                    } else if (trial == 0) {
                        // The solvers' records agree on it (checkComplete).
                        recorded = heldCells_[at * solverRecords()].startState;
                        place = heldCells_[at * solverRecords()].place;
                    } else {
                        return true;
                    }
                    if (recorded == state) {
                        return true;
                    }
                    problems_.push_back(where(place) + ": cell " + std::to_string(cell.index) +
                                        (perFormula() ? " trial " + std::to_string(trial) : "") +
                                        " does not start at state " + std::to_string(state) +
                                        ", where the sweep reaches it");
                    return false;
                });
}

void Merger::write(OutputFormat format, std::string& out) {
    const SweepDefinition& definition = header_->definition;
    out = outputPreamble(format, definition);
    CellTextWriter writer(format, definition);
    std::vector<FormulaResult> formulas;
    std::vector<std::uint64_t> scratch;
    std::vector<CellSummary> summaries(solverRecords());
    std::vector<double> seconds(solverRecords());
    for (const SweepCell& cell : cells_) {
        const auto at = static_cast<std::size_t>(cell.index);
        std::int32_t startState = 0;
        formulas.clear();
        if (perFormula()) {
            for (const HeldFormula& formula : heldFormulas_[at]) {
                formulas.push_back(formula.result);
            }
            for (std::size_t i = 0; i < summaries.size(); ++i) {
                summaries[i] = summarise(formulas, scratch, i, isComplete(definition.solvers[i]));
                seconds[i] = 0;
            }
            startState = formulas.front().startState;
        } else {
            for (std::size_t i = 0; i < summaries.size(); ++i) {
                const HeldCell& held = heldCells_[at * solverRecords() + i];
                summaries[i] = held.summary;
                seconds[i] = held.seconds;
            }
            startState = heldCells_[at * solverRecords()].startState;
        }
        writer.append(FinishedCell{cell, startState, seconds[0], formulas, summaries, seconds},
                      out);
    }
    writer.flush(out);
}

}  // namespace

MergeOutcome mergeShards(std::span<const std::string> paths, OutputFormat format) {
    MergeOutcome outcome;
    Merger merger(paths, outcome);
    if (!merger.readAll()) {
        if (outcome.problems.empty()) {
            outcome.problems.emplace_back("no shard files to merge");
        }
        return outcome;
    }
    if (!merger.cutShort()) {
        merger.checkComplete();
    }
    if (format == OutputFormat::Table && merger.perFormula()) {
        outcome.problems.emplace_back(
            "records of single formulas merge into csv or jsonl, not a table");
    }
    if (!outcome.problems.empty()) {
        return outcome;
    }
    merger.checkStartStates();
    if (outcome.problems.empty()) {
        merger.write(format, outcome.output);
    }
    return outcome;
}

std::optional<std::string> outputIsAnInput(const std::string& output,
                                           std::span<const std::string> paths) {
    for (const std::string& path : paths) {
        std::error_code error;  // a file missing is no file in common
        if (std::filesystem::equivalent(output, path, error)) {
            std::string problem = output;  // appended: a chain of + makes temporaries
            problem.append(": is the shard ")
                .append(path)
                .append(" that it would be merged from; name another --output");
            return problem;
        }
    }
    return std::nullopt;
}

}  // namespace satphase
