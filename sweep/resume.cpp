#include "sweep/resume.h"

#include <cassert>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "sweep/formula_draw.h"
#include "sweep/record_reader.h"

namespace satphase {

CellSelection selectCells(const SweepDefinition& definition, std::optional<Shard> shard) {
    CellSelection selection;
    selection.cells = cellsOf(definition);
    selection.placeOf.assign(selection.cells.size(), -1);
    for (const SweepCell& cell : selection.cells) {
        if (!shard || shard->holds(cell)) {
            selection.placeOf[static_cast<std::size_t>(cell.index)] =
                static_cast<std::int32_t>(selection.selected.size());
            selection.selected.push_back(cell);
        }
    }
    return selection;
}

namespace {

// Whether the first line `line` is the header of this sweep.
bool isOwnHeader(const std::string& line, OutputFormat format, const SweepDefinition& definition,
                 std::optional<Shard> shard) {
    if (format == OutputFormat::Csv) {
        return line + "\n" == outputPreamble(format, definition, shard);
    }
    const auto header = readSweepLine(line);
    const auto* read = std::get_if<SweepHeader>(&header);
    return read != nullptr &&
           sweepIdentity(read->definition, read->shard) == sweepIdentity(definition, shard);
}

}  // namespace

std::variant<KeptOutput, KeptProblem> readKeptOutput(std::istream& in, const OutputSpec& output,
                                                     const SweepDefinition& asked,
                                                     const CellSelection& selection,
                                                     const std::atomic<bool>& stop) {
    const OutputFormat format = output.format;
    const std::optional<Shard> shard = output.shard;
    const std::string& path = output.path;
    assert(format != OutputFormat::Table);
    const auto problem = [&](std::uint64_t line, const std::string& what) {
        return KeptProblem{path + ":" + std::to_string(line) + ": " + what};
    };
    // The sweep asked for, in the layout the file turns out to have.
    SweepDefinition definition = asked;
    const bool perFormula = definition.perFormula;
    // Per cell: its formulas' records, or one cell record per solver.
    const std::size_t perCell = recordsPerCell(definition);
    LineReader lines(in);
    std::string line;
    KeptOutput kept;
    // The start state of every kept record, in order: cell by cell, trial by trial.
    std::vector<std::int32_t> startStates;
    std::size_t records = 0;
    std::int32_t cellUnsatisfiable = 0;  // a cell record's, to compare its solvers' with
    while (lines.next(line)) {
        if (lines.number() == 1) {
            const std::optional<SweepDefinition> older = previousLayout(definition);
            if (format == OutputFormat::Csv && older && isOwnHeader(line, format, *older, shard)) {
                definition = *older;  // the header names the columns
            }
            if (!isOwnHeader(line, format, definition, shard)) {
                return problem(1,
                               "was not written by this sweep (its first line differs: other "
                               "options, or another format)");
            }
            kept.hasPreamble = true;
            kept.bytes = lines.offset();
            continue;
        }
        RecordRead record;
        if (records == 0 && format == OutputFormat::JsonLines) {
            // A sweep line does not say the layout; the first record's keys do.
            const std::optional<SweepDefinition> older = previousLayout(definition);
            if (older && readRecord(format, line, definition, selection.cells, record) &&
                !readRecord(format, line, *older, selection.cells, record)) {
                definition = *older;
            }
        }
        if (auto wrong = readRecord(format, line, definition, selection.cells, record)) {
            return problem(lines.number(), "not a record of this sweep: " + *wrong);
        }
        const std::size_t place = records / perCell;
        if (place >= selection.selected.size()) {
            return problem(lines.number(), "holds more records than this sweep writes there");
        }
        const SweepCell& cell = selection.selected[place];
        const std::size_t within = records % perCell;
        if (record.cell != cell.index ||
            (perFormula ? record.trial != static_cast<std::int32_t>(within)
                        : record.solver != within)) {
            return problem(lines.number(),
                           "does not hold the record this sweep writes there (cell " +
                               std::to_string(cell.index) + ")");
        }
        if (!perFormula && within > 0 && record.summary.unsatisfiable != cellUnsatisfiable) {
            return problem(lines.number(), "cell " + std::to_string(cell.index) +
                                               " has another count of unsatisfiable formulas "
                                               "than its first solver's record");
        }
        cellUnsatisfiable = record.summary.unsatisfiable;
        startStates.push_back(record.startState);
        ++records;
        if (records % perCell == 0) {
            kept.cells = static_cast<std::int32_t>(records / perCell);
            kept.bytes = lines.offset();
        }
    }
    if (lines.failed()) {
        return KeptProblem{path + ": cannot be read to the end", 1};
    }
    if (lines.number() == 0 && !lines.torn().empty() &&
        outputPreamble(format, definition, shard).rfind(lines.torn(), 0) != 0) {
        // No complete line, and not the start of this sweep's header either.
        return problem(1,
                       "was not written by this sweep (it holds no complete line, and "
                       "what it holds is not the start of this sweep's header)");
    }
    kept.complete =
        kept.hasPreamble && lines.torn().empty() && records == selection.selected.size() * perCell;
    kept.recordsLookaheads = definition.recordsLookaheads;

    // Every kept record must start where the sweep reaches it.
    if (kept.cells > 0) {
        std::optional<KeptProblem> mismatch;
        [[maybe_unused]] const std::size_t keptRecords =
            static_cast<std::size_t>(kept.cells) * perCell;
        const SweepCell& last = selection.selected[static_cast<std::size_t>(kept.cells) - 1];
        const ReplayOutcome outcome = replayDraws(
            definition, selection.cells, last.index, stop,
            [&](const SweepCell& cell, std::int32_t trial, std::int32_t state) {
                const std::int32_t place = selection.placeOf[static_cast<std::size_t>(cell.index)];
                if (place < 0 || (!perFormula && trial > 0)) {
                    return true;
                }
                const std::size_t first = static_cast<std::size_t>(place) * perCell +
                                          static_cast<std::size_t>(perFormula ? trial : 0);
                // Every solver's record of a cell starts where the cell does.
                const std::size_t last = perFormula ? first : first + perCell - 1;
                std::size_t at = first;
                while (at <= last && startStates[at] == state) {
                    ++at;
                }
                assert(last < keptRecords);
                if (at > last) {
                    return true;
                }
                mismatch =
                    problem(at + 2, "cell " + std::to_string(cell.index) +
                                        (perFormula ? " trial " + std::to_string(trial) : "") +
                                        " starts at state " + std::to_string(startStates[at]) +
                                        ", but this sweep reaches it at " + std::to_string(state) +
                                        "; the file was written by another sweep");
                return false;
            });
        if (mismatch) {
            return *mismatch;
        }
        if (outcome == ReplayOutcome::Stopped) {
            return KeptProblem{path + ": interrupted while its records were checked", 130};
        }
        if (outcome == ReplayOutcome::GenerationFailed) {
            return KeptProblem{path + ": its cells cannot be drawn again to check them"};
        }
    }
    return kept;
}

std::variant<CheckVerdict, KeptProblem> checkOutput(const OutputSpec& output,
                                                    const SweepDefinition& definition,
                                                    const std::atomic<bool>& stop) {
    const std::string& path = output.path;
    std::error_code error;
    if (!std::filesystem::exists(path, error)) {
        return CheckVerdict::Incomplete;
    }
    if (auto problem = unreadableFile(path)) {
        return KeptProblem{*problem};
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return KeptProblem{path + ": cannot be read: " + std::strerror(errno), 1};
    }
    const CellSelection selection = selectCells(definition, output.shard);
    auto read = readKeptOutput(in, output, definition, selection, stop);
    if (auto* problem = std::get_if<KeptProblem>(&read)) {
        return *problem;
    }
    return std::get<KeptOutput>(read).complete ? CheckVerdict::Complete : CheckVerdict::Incomplete;
}

std::optional<std::string> foreignFileProblem(const std::string& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
    std::string start(64, '\0');
    in.read(start.data(), static_cast<std::streamsize>(start.size()));
    start.resize(static_cast<std::size_t>(in.gcount()));
    if (isSweepOutputStart(start)) {
        return std::nullopt;
    }
    return path +
           ": exists and is no output of satphase sweep or merge; it is left as it is "
           "(remove it, or name another file)";
}

std::variant<PreparedOutput, KeptProblem> prepareOutput(const OutputSpec& output,
                                                        const SweepDefinition& definition,
                                                        bool resume, const CellSelection& selection,
                                                        const std::atomic<bool>& stop) {
    const std::string& path = output.path;
    auto opened = LockedOutput::open(path);
    if (auto* failure = std::get_if<LockedOutput::Failure>(&opened)) {
        return KeptProblem{failure->message, failure->busy ? 2 : 1};
    }
    PreparedOutput prepared{std::move(std::get<LockedOutput>(opened)), KeptOutput{}};
    if (resume) {
        if (!prepared.file.regular()) {
            return KeptProblem{path + ": is not a regular file to resume"};
        }
        std::ifstream in(path, std::ios::binary);
        if (!in) {
            return KeptProblem{"cannot read " + path + ": " + std::strerror(errno), 1};
        }
        auto read = readKeptOutput(in, output, definition, selection, stop);
        if (auto* problem = std::get_if<KeptProblem>(&read)) {
            return *problem;
        }
        prepared.kept = std::get<KeptOutput>(read);
    }
    if (auto foreign = resume ? std::nullopt : foreignFileProblem(path)) {
        return KeptProblem{*foreign};
    }
    if (auto problem =
            prepared.file.truncate(prepared.kept.hasPreamble ? prepared.kept.bytes : 0)) {
        return KeptProblem{"cannot write " + path + ": " + *problem, 1};
    }
    return prepared;
}

}  // namespace satphase
