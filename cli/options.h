#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "formula/formula.h"
#include "random/formula_model.h"
#include "random/random_stream.h"
#include "sweep/record_format.h"

namespace satphase {

// What the command line asked of each command, read by cli/command_line.cpp
// and nothing else: plain values, with the defaults that --help shows. Values
// that CLI11 checks (ranges, names) arrive checked; how options combine is
// the command's to check.

// The local searches' options, for sweep and solve alike; those not given
// take their defaults (LocalSearchSettings, cb and eps as published for the
// formulas' clause length).
struct LocalSearchOptions {
    std::uint64_t maxFlips = 0;  // 0: defaultMaxFlips of each formula's variables
    std::optional<double> cb;
    std::optional<double> eps;
    std::optional<double> noise;
};

struct SweepOptions {
    std::string vars = "10,20,30,40";  // a list or a range, parsed by the sweep
    std::string ratios = "2,3,4,4.5,5,6,7,8";
    std::int32_t trials = 301;
    std::int32_t seed = kRngInitialState;
    FormulaModel model = FormulaModel::Classic;
    std::int32_t k = kClassicClauseWidth;
    std::optional<std::string> p;  // the mixed model's, as given
    OutputFormat format = OutputFormat::Table;
    bool perFormula = false;
    std::string output;     // empty: standard output
    std::int32_t jobs = 0;  // 0: every hardware thread
    bool progress = false;
    bool quiet = false;
    bool resume = false;
    std::string shard;    // empty: the whole sweep
    std::string solvers;  // empty: the splitting search, recorded as it always was
    LocalSearchOptions localSearch;
    std::string measures;  // empty: none
    bool check = false;
};

struct MergeOptions {
    std::vector<std::string> files;
    OutputFormat format = OutputFormat::Table;
    std::string output;  // empty: standard output
};

struct GenerateOptions {
    std::int64_t vars = 0;  // wider than the limits, so that the model's refusal names them
    std::int64_t clauses = 0;
    std::int32_t seed = kRngInitialState;
    std::int32_t count = 1;
    FormulaModel model = FormulaModel::Classic;
    std::int32_t k = kClassicClauseWidth;
    std::optional<std::string> p;  // the mixed model's, as given
    std::string outputDir;         // empty: standard output
    bool force = false;            // replace files of the same names in outputDir
};

struct SolveOptions {
    std::string file = "-";  // "-": standard input
    std::string solver;      // empty: the splitting search, printed as it always was
    LocalSearchOptions localSearch;
    std::optional<std::uint64_t> seed;  // a local search's stream; 1 when not given
};

}  // namespace satphase
