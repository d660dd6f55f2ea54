// satphase run as a user runs it: the classic report and the help; generate
// and solve against picosat, against the sweep's per-formula records, on
// their own output and on hand-written files.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdint>
#include <cstdio>
#include <regex>
#include <sstream>

#include "dimacs/dimacs_reader.h"
#include "formula/formula.h"
#include "scratch.h"
#include "solver/model_check.h"

namespace satphase {

namespace fs = std::filesystem;

namespace {

using ::testing::AllOf;
using ::testing::HasSubstr;

struct ProgramRun {
    int status = -1;
    std::string out, err;
};

using scratch::read;

// Runs `arguments` through the shell with standard error kept apart.
ProgramRun run(const std::string& arguments) {
    const fs::path errorFile = scratch::directory("-stderr") / "stderr";
    ProgramRun result;
    std::FILE* pipe = popen((arguments + " 2>'" + errorFile.string() + "'").c_str(), "r");
    char buffer[4096];
    for (std::size_t got = 0;
         pipe != nullptr && (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
        result.out.append(buffer, got);
    }
    const int status = pipe == nullptr ? -1 : pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.err = read(errorFile);
    return result;
}

const std::string kSatphase = std::string("'") + SATPHASE_PROGRAM + "'";

// The program with the tones' waits taken out (tests/no_wait.cpp); nothing
// it writes depends on them.
const std::string kQuietSatphase = std::string("LD_PRELOAD='") + SATPHASE_NO_WAIT +
                                   "' ASAN_OPTIONS=\"$ASAN_OPTIONS:verify_asan_link_order=0\" " +
                                   kSatphase;

// The values of a solver's `v` lines, in order; each line at most 4,096
// characters (their exact filling: dimacs_test.cpp).
std::vector<std::int8_t> valuesOf(const std::string& out, std::int32_t numVars) {
    std::vector<std::int8_t> values;
    for (const std::string& line : scratch::lines(out)) {
        EXPECT_LE(line.size(), 4096U);
        std::istringstream numbers(line.starts_with("v ") ? line.substr(2) : "");
        for (long long n = 0; numbers >> n && n != 0;) {
            EXPECT_EQ(n > 0 ? n : -n, static_cast<long long>(values.size()) + 1);
            values.push_back(n > 0 ? 1 : 0);
        }
    }
    EXPECT_EQ(values.size(), static_cast<std::size_t>(numVars));
    return values;
}

std::uint64_t stepsOf(const std::string& out) {
    const std::size_t at = out.find("\nc steps ");
    EXPECT_NE(at, std::string::npos) << out;
    return at == std::string::npos ? 0 : std::stoull(out.substr(at + 9));
}

struct SweepRecord {
    std::int32_t startState = 0;
    int satisfiable = -1;
    std::uint64_t steps = 0;
};

// The sweep's per-formula CSV records of its one cell, drawn with `model`
// options, ending trial,start_state,satisfiable,steps.
std::vector<SweepRecord> sweepRecords(std::int32_t vars, const std::string& ratio,
                                      std::int32_t trials, std::int32_t seed,
                                      const std::string& model) {
    const ProgramRun sweep =
        run(kSatphase + " sweep --vars " + std::to_string(vars) + " --ratios " + ratio +
            " --trials " + std::to_string(trials) + " --seed " + std::to_string(seed) +
            " --per-formula --format csv --quiet --jobs 1" + model);
    EXPECT_EQ(sweep.status, 0) << sweep.err;
    std::vector<SweepRecord> records;
    const std::regex last(",(\\d+),([01]),(\\d+)$");
    for (const std::string& line : scratch::lines(sweep.out)) {
        if (std::smatch m; std::regex_search(line, m, last)) {
            records.push_back({std::stoi(m[1]), std::stoi(m[2]), std::stoull(m[3])});
        }
    }
    EXPECT_EQ(records.size(), static_cast<std::size_t>(trials)) << sweep.out;
    return records;
}

// A cell of generated formulas: each gets the same verdict from solve, picosat
// and the sweep's record of the trial whose start state the file names, and
// the sweep's step count (a clause written wrong would change it); the values,
// and a planted formula's hidden assignment, satisfy it. A cell's first file
// names the command that writes it again, model and k included.
struct Cell {
    std::int32_t vars, clauses;
    const char* ratio;
    const char* model;
};

class GenerateSolveAgreement : public ::testing::TestWithParam<std::int32_t> {};

TEST_P(GenerateSolveAgreement, SolvePicosatAndSweepAgreeOnEveryFormula) {
    const std::int32_t n = GetParam();
    // One size, every ratio from 3 to 6; or 2-hidden 4-SAT above the uniform threshold of 9.93.
    std::vector<Cell> cells = {{30, 300, "10", " --model 2-hidden --k 4"}};
    if (n != 0) {
        cells = {{n, 3 * n, "3", ""},
                 {n, 4 * n, "4", ""},
                 {n, 9 * n / 2, "4.5", ""},
                 {n, 5 * n, "5", ""},
                 {n, 6 * n, "6", ""}};
    }
    constexpr std::int32_t kTrials = 10;
    constexpr std::int32_t kSeed = 90210;
    for (const auto& [vars, clauses, ratio, model] : cells) {
        SCOPED_TRACE(std::to_string(vars) + " variables, ratio " + ratio);
        const fs::path work = scratch::directory();
        const ProgramRun generate =
            run(kSatphase + " generate --vars " + std::to_string(vars) + " --clauses " +
                std::to_string(clauses) + " --seed " + std::to_string(kSeed) + " --count " +
                std::to_string(kTrials) + model + " --output-dir '" + work.string() + "'");
        ASSERT_EQ(generate.status, 0) << generate.err;
        const std::vector<SweepRecord> sweep = sweepRecords(vars, ratio, kTrials, kSeed, model);
        ASSERT_EQ(sweep.size(), static_cast<std::size_t>(kTrials));

        for (std::int32_t trial = 0; trial < kTrials; ++trial) {
            SCOPED_TRACE("trial " + std::to_string(trial));
            char name[128];
            std::snprintf(name, sizeof name, "satphase-%sv%d-c%d-s%d-%04d.cnf",
                          *model == '\0' ? "" : "2-hidden-k4-", vars, clauses, kSeed, trial);
            const fs::path file = work / name;
            const std::string text = read(file);
            const std::string state =
                "\nc start state of this formula: " + std::to_string(sweep[trial].startState) +
                "\n";
            EXPECT_THAT(text, HasSubstr(state));
            Formula drawn;
            ASSERT_FALSE(readDimacs(text, drawn));
            ASSERT_EQ(drawn.clauses.size(), static_cast<std::size_t>(clauses));

            const ProgramRun solve = run(kSatphase + " solve '" + file.string() + "'");
            const ProgramRun picosat =
                run(std::string(PICOSAT_PROGRAM) + " '" + file.string() + "'");
            ASSERT_TRUE(solve.status == 10 || solve.status == 20) << solve.err;
            EXPECT_EQ(solve.status, picosat.status);
            EXPECT_EQ(solve.status == 10 ? 1 : 0, sweep[trial].satisfiable);
            EXPECT_EQ(stepsOf(solve.out), sweep[trial].steps);
            if (solve.status == 10) {  // the verdict lines: HandWrittenFiles
                EXPECT_EQ(firstFalseClause(drawn, valuesOf(solve.out, vars)), std::nullopt);
            }
            if (*model != '\0') {
                EXPECT_TRUE(text.starts_with("c random 4-CNF formula of the 2-hidden model"));
                const std::size_t planted = text.find("\nc planted: ") + 12;
                const std::string sigma =
                    "v " + text.substr(planted, text.find('\n', planted) - planted);
                EXPECT_EQ(firstFalseClause(drawn, valuesOf(sigma, vars)), std::nullopt);
            }
            if (trial == 0) {
                const std::string marker = "\nc reproduce it alone: satphase";
                const std::size_t at = text.find(marker) + marker.size();
                const ProgramRun rerun = run(kSatphase + text.substr(at, text.find('\n', at) - at));
                EXPECT_EQ(rerun.out.substr(rerun.out.find(state)), text.substr(text.find(state)));
            }
        }
    }
}

// 0: the 2-hidden cell.
INSTANTIATE_TEST_SUITE_P(Sizes, GenerateSolveAgreement, ::testing::Values(20, 50, 80, 0));

// What the help and every command's refusals and failed writes print: each
// piece (split at '|') in order on standard output, one line naming what is
// wrong on standard error, or nothing. In a scratch directory, with the
// program as S, tests/dimacs as $D, the classic report $R, a sweep $W.
TEST(Program, HelpRefusalsAndFailedWrites) {
    const struct {
        const char* command;
        int status;
        const char *out, *err;
    } cases[] = {
        // The classic report byte for byte, also with a stack far smaller than
        // the search's depth would need for formulas held on it.
        {"ulimit -s 1024 && S | cmp - \"$R\"", 0, "", ""},
        {"S --version >v && head -1 v && sed -n 2p v | grep -Ecx 'commit "
         "([0-9a-f]+(-dirty)?|unknown)' && wc -l <v",
         0, "satphase " SATPHASE_VERSION_TEXT "\n1\n2\n", ""},
        {"S --help", 0, "Measures how hard|Without arguments|sweep", ""},
        {"S -h", 0, "Measures how hard", ""},
        {"S sweep --help", 0, "Usage: satphase sweep|--vars|--resume", ""},
        {"S --fast", 2, "", "--fast"},
        {"S --help extra", 2, "", "extra"},
        {"S --help > /dev/full", 1, "", "cannot write the help"},
        {"S > /dev/full", 1, "", "cannot write|No space left"},
        {"S | head -n 3", 0, "Num of vars : 10\n-\nClause per variable", ""},
        // generate: refusals before any work (every refusal: command_line_test.cpp); a name taken
        // refused before anything is written, unless --force; a write the device
        // refuses (a size limit, a full device) fails the whole set.
        {"S generate --vars 2 --clauses 5 --output-dir out", 2, "",
         "satphase generate: 2 variables and 5 clauses: a clause needs three distinct variables, "
         "so at least 3 variables\n"},
        {"S $G --seed 0 --output-dir out", 2, "",
         "satphase generate: --seed: 0 is outside 1 .. 2147483646; try 'satphase generate "
         "--help'\n"},
        {"S $G --output-dir $D/uf20-layout.cnf", 1, "", "uf20-layout.cnf is not a directory\n"},
        // The sizes of local searches, for every model but the classic one.
        {"S generate --model planted --vars 1000000 --clauses 3 | grep -c '^p cnf 1000000 3$'", 0,
         "1\n", ""},
        {"S $G --model planted | head -n 1", 0, "3-CNF formula of the planted model", ""},
        // The mixed model's formulas name their p.
        {"S $G --model mixed --p 0.25 --output-dir m && ls m && head -n 3 m/* | grep -c ' --p 0.25 "
         "'",
         0, "satphase-mixed-k3-p0.25-v10-c40-s1-0000.cnf\n1\n", ""},
        {"S $G > /dev/full", 1, "",
         "satphase generate: cannot write the formulas to standard output: No space left on "
         "device\n"},
        // Files hold what standard output gets, and name the satphase that drew them.
        {"S $G --count 3 >all && S $G --count 3 --output-dir d && cat d/* | cmp - all && ls d | wc "
         "-l && cat all",
         0, "3\nc random 3-CNF formula|\nc made by satphase " SATPHASE_VERSION_TEXT ", commit ",
         ""},
        // Ctrl-C while a large set is being written: every temporary file goes
        // (from a directory that was there before, which stays).
        {"mkdir i && \"$P\" generate --vars 50 --clauses 200 --count 100000 --output-dir i 2>e & "
         "p=$!; while "
         "kill -0 $p && [ $(ls -A i 2>/dev/null | wc -l) -lt 5 ]; do sleep 0.01; done; kill -INT "
         "$p; wait $p; s=$?; cat e; ls -A i; exit $s",
         130, "satphase generate: interrupted; no file written\n", ""},
        {"mkdir g && echo mine >g/$F && S $G --count 3 --output-dir g; s=$?; ls g; cat g/*; exit "
         "$s",
         2, "satphase-v10-c40-s1-0001.cnf\nmine\n",
         "satphase generate: g/satphase-v10-c40-s1-0001.cnf already exists; it is left as it is "
         "(--force "
         "replaces such files)\n"},
        {"mkdir f && echo mine >f/$F && S $G --count 3 --output-dir f --force && ls f && cat f/$F",
         0, "-0000.cnf\n|-0001.cnf\n|-0002.cnf\nc random 3-CNF formula", ""},
        {"ulimit -f 4 && S generate --vars 100 --clauses 400 --count 3 --output-dir b/c; s=$?; "
         "test -e b || echo gone; exit $s",
         1, "gone\n", "satphase generate: cannot write |: File too large; no file written\n"},
        // sweep: a value CLI11 refuses and a request the sweep refuses, the
        // output file never made (every refusal: command_line_test.cpp).
        {"S sweep --output out --trials 0", 2, "",
         "satphase sweep: --trials: 0 is outside 1 .. 1000000; try 'satphase sweep --help'\n"},
        {"S sweep --output out --vars 10,x", 2, "",
         "satphase sweep: --vars 10,x: 'x' is not a whole number (a list such as 10,20,30 or a "
         "range first:last:step)\n"},
        // Counted before they are listed: refused at once, not after 300 million ratios.
        {"timeout 5 $P sweep --output out --ratios $(yes 1:1.09999:0.000001 | head -n 3000 | "
         "paste -sd,)",
         2, "", "1199892000 cells (sizes x ratios) is more than the 1000000 a sweep may have\n"},
        // sweep and merge: the classic defaults (the sizes, and on two threads
        // the first table; two tables on one thread: sweep_test.cpp); someone's
        // file left as it was, their own outputs or an empty file written over.
        {"S sweep --ratios 2 --trials 1 --format csv --quiet | cut -d, -f2", 0,
         "vars\n10\n20\n30\n40\n", ""},
        {"S sweep --vars 10 --jobs 2 --quiet >t && sed '/^Num of vars : 20/,$d' \"$R\" | cmp - t",
         0, "", ""},
        // The progress line on standard error only, drawn at least as the sweep
        // ends; the first failed write ends the sweep with the system's reason.
        {"S sweep --vars 30 --ratios 4.26 --trials 11 --format csv --progress >c 2>p; wc -l <c; "
         "grep -c sweep: c; tr '\\r' '\\n' <p | grep -c 'sweep: 1 of 1 cells, 11 formulas decided'",
         0, "2\n0\n1\n", ""},
        // Local searches' sizes weigh the estimate in proportion: no overflow
        // into a negative time left.
        {"S sweep --model uniform --vars 3000,10000 --ratios 3.5 --trials 3 --solver probsat "
         "--format csv --progress >c 2>p; tr '\\r' '\\n' <p >q; grep -c -e ':-' -e 'about -' q; "
         "grep 'sweep: 2 of 2' q | tail -1 | grep -o 'about 0:00:00 left'",
         0, "0\nabout 0:00:00 left\n", ""},
        // A closed standard descriptor: no file opened takes its place, and a
        // write to a closed standard output fails as one.
        {"S sweep --vars 20,30 --ratios 3:6:0.5 --trials 51 --format csv --progress --output pc "
         "2>&-; s=$?; grep -c sweep: pc; exit $s",
         0, "0\n", ""},
        {"S $W >&-", 1, "", "cannot write the results to standard output: Bad file descriptor"},
        {"S sweep --vars 10,20,30 --ratios 3,4 --trials 11 --progress >/dev/full 2>pe; s=$?; tr "
         "'\\r' '\\n' <pe >pf; grep -c 'sweep: 1 of 6' pf; grep -c 'sweep: 2 of 6' pf; grep -c "
         "'cannot write the results to standard output: No space left' pf; exit $s",
         1, "1\n0\n1\n", ""},
        {"echo x >theirs && S $W --output theirs; s=$?; cat theirs; exit $s", 2, "x\n",
         "theirs: exists and is no output of satphase"},
        {"echo x >theirs && S $W --format jsonl --shard 1/1 --output s && S merge s --output "
         "theirs; s=$?; cat theirs; exit $s",
         2, "x\n", "theirs: exists and is no output of satphase"},
        {"S $W --output .", 1, "", "satphase sweep: .: is a directory, not a file to write\n"},
        {"S $W --output no/out", 1, "", "cannot write no/out: No such file or directory\n"},
        {"S $W --format jsonl --shard 1/1 --output s && S merge s > /dev/full", 1, "",
         "cannot write to standard output: No space left on device\n"},
        // One SIGTERM ends a sweep blocked opening a FIFO nobody reads, or
        // writing to a pipe nobody empties (a second would end it anyway).
        {"mkfifo ff && { $P $W --format csv --output ff & p=$!; }; sleep 1; kill -TERM $p; sleep "
         "1; "
         "kill -KILL $p 2>/dev/null; wait $p",
         130, "", "satphase sweep: interrupted (cannot write ff: Interrupted system call)\n"},
        {"mkfifo fr && { sleep 4 <fr & $P sweep --vars 10 --ratios 1:8:0.01 --trials 301 "
         "--per-formula --format csv --output fr & p=$!; }; sleep 1; kill -TERM $p; sleep 1; kill "
         "-KILL $p 2>/dev/null; wait $p",
         130, "", "satphase sweep: interrupted; | of 701 cells kept in fr"},
        {"{ $P sweep --vars 10 --ratios 1:8:0.01 --trials 301 --per-formula --format csv 2>e & "
         "echo $! >pid; wait $!; echo $? >st; } | sleep 3 & sleep 1; kill -TERM $(cat pid); sleep "
         "1; kill -KILL $(cat pid) 2>/dev/null; wait; cat st e",
         0, "130\nsatphase sweep: interrupted; ", ""},
        // A cost in the millions read and written alike in every format.
        {"S $V --format jsonl --shard 1/1 --output vv && S merge vv --format csv | cut -d, -f10-14 "
         "&& S merge vv | grep ^4.26",
         0,
         "median_steps,q1_steps,q3_steps,mean_steps,max_steps\n2607838,1007123,2840500,2151820."
         "3333333335,2840500\n4.26      2      2607838\n",
         ""},
        // A torn tail: --check calls the shard incomplete (status 3), merge names
        // the torn line (--resume cuts it off: the resume case of the shell test).
        {"S $X --shard 1/2 --output t1 && S $X --shard 2/2 --output t2 && S $X --shard 1/2 "
         "--output t1 --check && printf '{\"cell\":' >>t1; S $X --shard 1/2 --output t1 --check; "
         "echo $?; S merge t1 t2",
         1, "3\n", "satphase merge: t1:4: record cut off mid-line (torn)\n"},
        // merge refuses a shard missing, a cell missing one formula, an edited
        // start state, and formulas as a table (another sweep's: sweep_files_test).
        {"S $Y --trials 5 --shard 1/2 --output y1 && S merge --format csv y1", 1, "",
         "cells 1, 3 (shard 2 of 2) are in none"},
        {"S $Y --trials 5 --shard 2/2 --output y2 && head -n -1 y2 >y3 && S merge --format csv y1 "
         "y3",
         1, "", "satphase merge: cell 3: only 4 of 5 formulas are in the files\n"},
        {R"(sed '4s/"start_state":[0-9]*/"start_state":99/' y2 >y3 && S merge --format csv y1 y3)",
         1, "", "satphase merge: y3:4: cell 1 trial 2 does not start at state "},
        {"S merge --format csv y1 y2 y1 --output out", 1, "",
         "satphase merge: y1: named more than once\n"},
        {"S merge y1 y2", 1, "", "records of single formulas merge into csv or jsonl, not a table"},
        {"cp y1 y0 && S merge --format csv y1 y2 --output y1; s=$?; cmp y0 y1 && exit $s", 2, "",
         "satphase merge: y1: is the shard y1 that it would be merged from; name another "
         "--output\n"},
        {"LD_PRELOAD=$T ASAN_OPTIONS=$ASAN_OPTIONS:verify_asan_link_order=0 $P merge --format csv "
         "y1 y2 --output tm && cat .tm.*.tmp && S merge --format csv y1 y2 | cmp - tm",
         0, "taken\n", ""},
        // --resume changes a file only after every check: another seed's, torn,
        // and someone's without a newline are left as they were.
        {"S $W --seed 5 --format csv --output o && printf 0,1 >>o && cp o o2 && S $W --output o "
         "--format csv --resume; s=$?; cmp o o2; exit $s",
         2, "", "o:2: cell 0 starts at state 5"},
        {R"(printf '{"api_token":"x"}' >t && S $W --format csv --output t --resume; s=$?; cat t; )"
         "exit $s",
         2, R"({"api_token":"x"})", "t:1: was not written by this sweep"},
        {": >ours && S $W --format csv --output ours && S $W --format csv --output ours && cat "
         "ours",
         0, "cell,vars,clauses,ratio,trials,", ""},
        {": >ours && S $W --format jsonl --shard 1/1 --output s && S merge --format csv s --output "
         "ours && S merge --format csv s --output ours && cat ours",
         0, "cell,vars,clauses,ratio,trials,", ""},
        // solve: input bounded however it comes; a verdict that cannot be
        // written is a failure, not a verdict; hand-written files refused at
        // the line of the problem (the reader's tests hold the rest).
        {"S solve /dev/zero", 1, "", "satphase solve: /dev/zero: more than 64 MiB of input"},
        {"yes c | S solve", 1, "", "satphase solve: <stdin>: more than 64 MiB of input"},
        {"S solve .", 1, "", "satphase solve: .: a directory, not a DIMACS file\n"},
        {"S solve $D/uf20-layout.cnf > /dev/full", 1, "",
         "satphase solve: cannot write to standard output: No space left on device\n"},
        {"S solve --solver gsat $D/uf20-layout.cnf", 2, "", "satphase solve: --solver gsat: not"},
        {"cd $D && S solve no-header.cnf", 1, "",
         "satphase solve: no-header.cnf:2: no 'p cnf' header before the clauses\n"},
        {"cd $D && S solve too-many-clauses.cnf", 1, "",
         "satphase solve: too-many-clauses.cnf:5: more clauses than the header's 2\n"},
        {"cd $D && S solve too-few-clauses.cnf", 1, "",
         "satphase solve: too-few-clauses.cnf:2: the header declares 3 clauses, but 2 follow\n"},
        // A file-size limit is a failed write, said as one, not the end by SIGXFSZ.
        {"mkdir u && cd u && S $Y --shard 1/1 --output s && ulimit -f 1 && S merge s --format "
         "jsonl --output m; s=$?; ls -A | wc -l; exit $s",
         1, "1\n", "satphase merge: cannot write m: File too large\n"},
        {"cd $D && S solve over-limit.cnf", 1, "",
         "satphase solve: over-limit.cnf:2: 1001 variables, more than this search takes (at most "
         "1000)\n"},
    };
    const fs::path work = scratch::directory();
    const std::string shell =
        "cd '" + work.string() + "' && D='" + SATPHASE_DIMACS_FILES + "' R='" +
        SATPHASE_EXPECTED_REPORT + "' W='sweep --vars 10 --ratios 4 --trials 5 --quiet' " +
        "X='sweep --vars 10 --ratios 3,4,5 --trials 5 --quiet --format jsonl' " +
        "Y='sweep --vars 10,20 --ratios 3,4.5 --per-formula --quiet --format jsonl' " +
        "G='generate --seed 1 --vars 10 --clauses 40' F=satphase-v10-c40-s1-0001.cnf P=" +
        kSatphase + " V='sweep --vars 100 --ratios 4.26 --trials 3 --quiet --jobs 1' T='" +
        SATPHASE_TAKEN_TEMPORARY + "' && S() { " + kQuietSatphase + " \"$@\"; } && ";
    for (const auto& c : cases) {
        const ProgramRun result = run(shell + "{ " + c.command + "; }");
        EXPECT_EQ(result.status, c.status) << c.command;
        for (const auto& [text, pieces] : {std::pair{result.out, c.out}, {result.err, c.err}}) {
            std::size_t at = 0;
            std::istringstream split(pieces);
            for (std::string piece; std::getline(split, piece, '|');) {
                at = text.find(piece, at);
                EXPECT_NE(at, std::string::npos) << c.command << ": " << piece << " in " << text;
            }
            EXPECT_TRUE(*pieces != '\0' || text.empty()) << c.command << ": " << text;
        }
        if (*c.err != '\0') {
            EXPECT_TRUE(result.err.starts_with("satphase") &&
                        scratch::lines(result.err).size() == 1)
                << c.command << ": " << result.err;
        }
    }
    EXPECT_FALSE(fs::exists(work / "out"));  // no refused request made its output
}

// Hand-written files in tests/dimacs: every accepted form, the step counts
// showing the clauses arrive in file order, a thousand values on more than
// one 4,096-character line, and the other solvers naming their cost in its
// own unit (the counts traced by hand in the dpll tests; lookahead's pinned
// as they are).
TEST(SolveCommand, HandWrittenFiles) {
    const struct {
        const char *name, *arguments;
        int status;
        const char* piece;
    } cases[] = {
        {"uf20-layout", "", 10, "\nc steps 144\n"},
        {"layout-mix", "", 20, "\nc steps 14\n"},
        {"mixed-lengths", "", 10, "\nc steps 10\n"},
        {"simplified", "", 20, "\nc steps 14\n"},
        {"empty-clause", "", 20, "\nc steps 0\n"},
        {"no-variables", "", 10, "\nc steps 0\n"},
        {"wide", "< ", 10, "c satphase solve <stdin>\n"},
        {"layout-mix", "--solver dpll ", 20, "\nc solver dpll\nc branches 3\nc propagations 4\n"},
        {"uf20-layout", "--solver lookahead ", 10,
         "\nc solver lookahead\nc nodes 3\nc lookaheads 67\n"},
        {"layout-mix", "--solver lookahead ", 20,
         "\nc solver lookahead\nc nodes 1\nc lookaheads 8\n"},
#ifdef SATPHASE_HAVE_CADICAL
        {"uf20-layout", "--solver cdcl ", 10, "\nc solver cdcl\nc conflicts 0\n"},
#endif
        // A local search names its seed; out of flips, it says UNKNOWN with
        // status 0; an empty clause needs no search to be unsatisfiable.
        {"uf20-layout", "--solver probsat ", 10, "\nc solver probsat\nc flips 8\nc seed 1\n"},
        {"mixed-lengths", "--solver walksat ", 10, "\nc solver walksat\nc flips 1\n"},
        {"uf20-layout", "--solver walksat --seed 7 --max-flips 1 ", 0, "\nc flips 1\nc seed 7\n"},
        {"empty-clause", "--solver probsat ", 20, "\nc flips 0\n"},
        {"over-limit", "--solver walksat ", 10, "c 1001 variables, 1 clauses to decide\n"},
    };
    for (const auto& c : cases) {
        const std::string name = std::string(c.name) + ".cnf";
        SCOPED_TRACE(name);
        std::string command = std::string("cd '") + SATPHASE_DIMACS_FILES + "' && ";
        command.append(kSatphase).append(" solve ").append(c.arguments).append(name);
        const ProgramRun solve = run(command);
        EXPECT_EQ(solve.status, c.status);
        EXPECT_EQ(solve.err, "");
        const std::string verdict = c.status == 10   ? "\ns SATISFIABLE\n"
                                    : c.status == 20 ? "\ns UNSATISFIABLE\n"
                                                     : "\ns UNKNOWN\n";
        EXPECT_THAT(solve.out, AllOf(HasSubstr(c.piece), HasSubstr(verdict)));
        Formula formula;
        ASSERT_FALSE(
            readDimacs(read(fs::path(SATPHASE_DIMACS_FILES) / name), formula, kSearchedLimits));
        if (c.status == 10) {
            EXPECT_EQ(firstFalseClause(formula, valuesOf(solve.out, formula.numVars)),
                      std::nullopt);
        } else {
            EXPECT_TRUE(solve.out.ends_with(verdict));
        }
    }
}

}  // namespace

}  // namespace satphase
