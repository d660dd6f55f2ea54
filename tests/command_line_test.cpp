// Each command's refusals of its options without starting the program: what
// satphase says after "satphase COMMAND: " (and, for CLI11's, before the hint at
// the command's help). Status 2 and nothing written: program_test.cpp.
#include "cli/command_line.h"

#include <gtest/gtest.h>

#include <iterator>
#include <limits>
#include <optional>
#include <sstream>
#include <string>
#include <variant>
#include <vector>

#include "cli/generate_command.h"
#include "cli/solve_command.h"
#include "cli/sweep_command.h"

namespace satphase {

namespace {

const std::string kSolvers = "splitting, dpll, cdcl, lookahead, probsat or walksat";

// The refusals of each command's options and of options that cannot go
// together (numbers read as decimal alone, the bounds themselves accepted),
// and lines satphase runs beside them ("").
const struct {
    std::string line;  // the command and its options, split at spaces
    std::string refusal;
} kCases[] = {
    {"sweep --seed 2147483647", "--seed: 2147483647 is outside 1 .. 2147483646"},
    {"sweep --trials 1000000 --seed 2147483646", ""},
    {"sweep --seed 0x10", "--seed: '0x10' is not a decimal whole number"},
    {"sweep --jobs 99999999999999999999", "--jobs: '99999999999999999999' is too large"},
    {"sweep --format xml", "--format: xml not in {table,csv,jsonl}"},
    {"sweep --output out extra", "The following argument was not expected: extra"},
    {"plot", "name one of the commands sweep, merge, generate and solve"},
    {"sweep --solver walksat --noise 1.5", "--noise: Value 1.5 not in range 0.000000 to 1.000000"},
    {"sweep --solver probsat --cb 0", "--cb: Value 0 not in range 0.000000 to " +
                                          std::to_string(std::numeric_limits<double>::max())},
    {"sweep --solver dpll,lookahead,dpll",
     "--solver dpll,lookahead,dpll: solver 'dpll' is listed twice"},
    {"sweep --solver DPLL", "--solver DPLL: 'DPLL' is not a solver; expected " + kSolvers},
    {"sweep --solver dpll,", "--solver dpll,: '' is not a solver; expected " + kSolvers},
    {"solve --solver gsat", "--solver gsat: not a solver; expected " + kSolvers},
    {"sweep --shard 3/2", "--shard 3/2: not I/K with 1 <= I <= K <= 100000"},
    {"sweep --vars 3 --ratios 3",
     "the cell of ratio 3 at 3 variables cannot be generated: 3 variables and 9 clauses: only 8 "
     "distinct clauses exist over 3 variables"},
    {"sweep --per-formula",
     "--per-formula needs --format csv or jsonl; a table has one row per cell"},
    {"sweep --format csv --check",
     "--check reads the CSV or JSON Lines file named by --output; give --output FILE and --format "
     "csv or jsonl"},
    {"sweep --progress --quiet", "--progress and --quiet exclude each other"},
    {"sweep --k 4",
     "--model classic --k 4: the classic model's clauses have 3 literals; give --model uniform, "
     "planted or 2-hidden for clauses of 4"},
    {"sweep --model mixed --p 1.01", "--p 1.01: not a decimal from 0 to 1 with at most six places"},
    {"sweep --model mixed --p 0.5 --k 4",
     "--model mixed --k 4: the mixed model mixes clauses of 3 literals with clauses of 2, so it "
     "takes only --k 3"},
    {"sweep --model mixed",
     "--model mixed needs --p P, the fraction of clauses with 3 literals (0 to 1)"},
    {"generate --vars 10 --clauses 40 --model uniform --p 0.5",
     "--p 0.5: only --model mixed takes --p, not --model uniform"},
    {"generate --vars 010 --clauses 040 --model classic --k 4",
     "10 variables and 40 clauses: classic clauses of 4 literals, but the classic model's clauses "
     "have 3 literals"},
    // Local-search options that would do nothing.
    {"sweep --solver probsat --noise 0.5",
     "--noise applies to walksat, and --solver does not list it"},
    {"sweep --solver walksat --eps 2", "--eps applies to probsat, and --solver does not list it"},
    {"sweep --max-flips 10",
     "--max-flips applies to probsat and walksat, and --solver lists neither"},
    {"solve --solver dpll --seed 3",
     "--seed applies to probsat and walksat, and --solver names neither"},
    {"solve --solver walksat --seed 3 --noise 0.5", ""},
    // A local search alone takes larger formulas of every model but the classic one.
    {"sweep --solver lookahead,walksat --model uniform --vars 2000",
     "--vars 2000: 2000 variables is outside 3 .. 1000 (the limit of the complete solvers; probsat "
     "and walksat alone take up to 1000000 variables of the other models)"},
    {"sweep --solver walksat --model uniform --vars 2000", ""},
    {"generate --vars 1001 --clauses 3",
     "1001 variables and 3 clauses: at most 1000 variables are supported"},
    {"generate --model uniform --vars 1000001 --clauses 3",
     "1000001 variables and 3 clauses: at most 1000000 variables are supported"},
};

// Each line read by the command line and, when it passes, by its command.
TEST(CommandLine, RefusalsInSatphasesWordsAndListsInTheirOrder) {
    for (const auto& [line, refusal] : kCases) {
        std::istringstream words(line);
        const auto read = parseCommand({std::istream_iterator<std::string>(words), {}});
        std::optional<std::string> said;
        if (const auto* parseRefusal = std::get_if<std::string>(&read)) {
            said = *parseRefusal;
        } else if (const auto* sweep = std::get_if<SweepOptions>(&std::get<0>(read))) {
            SweepRequest request;
            said = readSweepRequest(*sweep, request);
        } else if (const auto* generate = std::get_if<GenerateOptions>(&std::get<0>(read))) {
            CellRequest request;
            said = readGenerateRequest(*generate, request);
        } else {
            SolveRequest request;
            said = readSolveRequest(std::get<SolveOptions>(std::get<0>(read)), request);
        }
        EXPECT_EQ(said.value_or(""), refusal) << line;
    }
    // A list of solvers keeps its order, which the records keep.
    SweepRequest request;
    ASSERT_FALSE(readSweepRequest(
        std::get<SweepOptions>(std::get<0>(parseCommand({"sweep", "--solver", "lookahead,dpll"}))),
        request));
    EXPECT_EQ(request.definition.solvers, (std::vector{SolverKind::Lookahead, SolverKind::Dpll}));
}

// A sweep that stopped on a fault of a search is told by the cell, trial and
// start state its failure names, with what the output kept; no sweep can be
// made to fail so, so the failures are made by hand.
TEST(CommandLine, AFaultOfASearchIsToldByItsFormula) {
    const SweepOptions options = std::get<SweepOptions>(std::get<0>(parseCommand(
        {"sweep", "--model", "planted", "--vars", "20,30", "--ratios", "3,4", "--output", "o"})));
    SweepRequest request;
    ASSERT_FALSE(readSweepRequest(options, request));
    SweepReport report{4, 2, false,
                       SweepFailure{SweepFailure::Kind::PlantedUnsatisfiable, 3, 7, 12345, ""}};
    EXPECT_EQ(sweepFailureMessage(options, request, report).message,
              "cell 3 (30 variables, ratio 4), trial 7 (start state 12345): the search called a "
              "planted formula unsatisfiable, but its hidden assignment satisfies it (a bug); 2 "
              "of 4 cells kept in o");
    report.failure = SweepFailure{SweepFailure::Kind::Disagreed, -1, -1, 0, "cell 2 trial 1: x"};
    const SweepFailureMessage disagreed = sweepFailureMessage(options, request, report);
    EXPECT_EQ(disagreed.status, 1);
    EXPECT_EQ(disagreed.message,
              "the solvers disagree on cell 2 trial 1: x; stopped, 2 of 4 "
              "cells kept in o");
}

}  // namespace

}  // namespace satphase
