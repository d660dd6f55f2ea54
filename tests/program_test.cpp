// satphase run as a user runs it: the classic report and the help; generate
// and solve against picosat, against the sweep's per-formula records, on
// their own output and on hand-written files.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "dimacs/cnf_decision.h"
#include "dimacs/dimacs_reader.h"
#include "formula/formula.h"

namespace satphase {

namespace fs = std::filesystem;

namespace {

struct ProgramRun {
    int status = -1;
    std::string out;
    std::string err;
};

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Every scratch directory lies in this one, removed at exit.
const struct ScratchRoot {
    fs::path path =
        fs::path(::testing::TempDir()) / ("satphase-dimacs-" + std::to_string(getpid()));
    ~ScratchRoot() {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
} scratchRoot;

// A fresh scratch directory, named after the test and `part`.
fs::path scratchDirectory(const std::string& part = "") {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    fs::path path = scratchRoot.path / (std::string(test->name()) + part);
    fs::remove_all(path);
    fs::create_directories(path);
    return path;
}

// Runs `arguments` through the shell with standard error kept apart.
ProgramRun run(const std::string& arguments) {
    const fs::path errorFile = scratchDirectory("-stderr") / "stderr";
    ProgramRun result;
    std::FILE* pipe = popen((arguments + " 2>'" + errorFile.string() + "'").c_str(), "r");
    char buffer[4096];
    for (std::size_t got = 0;
         pipe != nullptr && (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
        result.out.append(buffer, got);
    }
    const int status = pipe == nullptr ? -1 : pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.err = readFile(errorFile);
    return result;
}

const std::string kSatphase = std::string("'") + SATPHASE_PROGRAM + "'";

// The program with the tones' waits taken out (tests/no_wait.cpp); nothing
// it writes depends on them.
const std::string kQuietSatphase = std::string("LD_PRELOAD='") + SATPHASE_NO_WAIT +
                                   "' ASAN_OPTIONS=\"$ASAN_OPTIONS:verify_asan_link_order=0\" " +
                                   kSatphase;

std::string generateCommand(std::int32_t vars, std::int32_t clauses, std::int32_t seed) {
    return kSatphase + " generate --vars " + std::to_string(vars) + " --clauses " +
           std::to_string(clauses) + " --seed " + std::to_string(seed);
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// The `v` lines of a solver's output as values, checked for form: at most
// 4,096 characters each, every variable once in order, a final 0.
std::vector<std::int8_t> valuesOf(const std::string& out, std::int32_t numVars) {
    std::vector<std::int8_t> values;
    bool closed = false;
    for (const std::string& line : linesOf(out)) {
        if (!line.starts_with("v ")) {
            continue;
        }
        EXPECT_LE(line.size(), 4096U);
        EXPECT_FALSE(closed) << "values after the closing 0";
        std::istringstream numbers(line.substr(2));
        for (long long number = 0; numbers >> number;) {
            closed = closed || number == 0;
            if (number != 0) {
                EXPECT_EQ(std::llabs(number), static_cast<long long>(values.size()) + 1);
                values.push_back(number > 0 ? 1 : 0);
            }
        }
    }
    EXPECT_TRUE(closed);
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

// The sweep's per-formula CSV rows of its one cell, drawn with `model`
// options: cell,vars,clauses,ratio[,model,k],trial,start_state,satisfiable,steps.
std::vector<SweepRecord> sweepRecords(std::int32_t vars, const std::string& ratio,
                                      std::int32_t trials, std::int32_t seed,
                                      const std::string& model = "") {
    const ProgramRun sweep =
        run(kSatphase + " sweep --vars " + std::to_string(vars) + " --ratios " + ratio +
            " --trials " + std::to_string(trials) + " --seed " + std::to_string(seed) +
            " --per-formula --format csv --quiet --jobs 1" + model);
    EXPECT_EQ(sweep.status, 0) << sweep.err;
    std::vector<SweepRecord> records;
    const std::vector<std::string> lines = linesOf(sweep.out);
    for (std::size_t i = 1; i < lines.size(); ++i) {
        std::vector<std::string> fields;
        std::istringstream row(lines[i]);
        for (std::string field; std::getline(row, field, ',');) {
            fields.push_back(field);
        }
        if (const std::size_t n = fields.size(); n == (model.empty() ? 8U : 10U)) {
            records.push_back(
                {std::stoi(fields[n - 3]), std::stoi(fields[n - 2]), std::stoull(fields[n - 1])});
        }
    }
    EXPECT_EQ(records.size(), static_cast<std::size_t>(trials)) << sweep.out;
    return records;
}

// One size, every ratio from 3 to 6: each generated formula gets the same
// verdict from solve, from picosat and from the sweep's record of the same
// trial, whose start state the file names; solve's step count is the
// sweep's (a clause written wrong would change it), its values satisfy the formula.
class GenerateSolveAgreement : public ::testing::TestWithParam<std::int32_t> {};

TEST_P(GenerateSolveAgreement, SolvePicosatAndSweepAgreeOnEveryFormula) {
    const std::int32_t vars = GetParam();
    constexpr std::int32_t kTrials = 10;
    constexpr std::int32_t kSeed = 90210;
    const std::map<std::string, std::int32_t> ratios = {
        {"3", 3 * vars}, {"4", 4 * vars}, {"4.5", 9 * vars / 2}, {"5", 5 * vars}, {"6", 6 * vars}};
    for (const auto& [ratio, clauses] : ratios) {
        SCOPED_TRACE(std::to_string(vars) + " variables, ratio " + ratio);
        const fs::path scratch = scratchDirectory();
        const ProgramRun generate =
            run(generateCommand(vars, clauses, kSeed) + " --count " + std::to_string(kTrials) +
                " --output-dir '" + scratch.string() + "'");
        ASSERT_EQ(generate.status, 0) << generate.err;
        const std::vector<SweepRecord> sweep = sweepRecords(vars, ratio, kTrials, kSeed);
        ASSERT_EQ(sweep.size(), static_cast<std::size_t>(kTrials));

        for (std::int32_t trial = 0; trial < kTrials; ++trial) {
            SCOPED_TRACE("trial " + std::to_string(trial));
            char name[128];
            std::snprintf(name, sizeof name, "satphase-v%d-c%d-s%d-%04d.cnf", vars, clauses, kSeed,
                          trial);
            const fs::path file = scratch / name;
            const std::string text = readFile(file);
            EXPECT_NE(text.find("\nc start state of this formula: " +
                                std::to_string(sweep[trial].startState) + "\n"),
                      std::string::npos);
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
            if (solve.status == 10) {
                EXPECT_NE(solve.out.find("\ns SATISFIABLE\n"), std::string::npos);
                EXPECT_EQ(firstFalseClause(drawn, valuesOf(solve.out, vars)), std::nullopt);
            } else {
                EXPECT_NE(solve.out.find("\ns UNSATISFIABLE\n"), std::string::npos);
                EXPECT_EQ(solve.out.find("\nv "), std::string::npos);
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, GenerateSolveAgreement, ::testing::Values(20, 50, 80));

TEST(GenerateCommand, PlantedFormulasAreTheSweepsTrialsAndNameTheirHiddenAssignment) {
    // 2-hidden 4-SAT at ratio 10, above the uniform threshold of 9.93: each
    // formula is satisfied by the assignment on its `c planted:` line and by
    // its complement, is decided as the sweep's trial of the same cell, and
    // its rerun line, model and k included, writes it again.
    const std::string model = " --model 2-hidden --k 4";
    const ProgramRun generate = run(generateCommand(30, 300, 4321) + model + " --count 4");
    ASSERT_EQ(generate.status, 0) << generate.err;
    const std::vector<SweepRecord> sweep = sweepRecords(30, "10", 4, 4321, model);
    ASSERT_EQ(sweep.size(), 4U);
    const fs::path scratch = scratchDirectory();
    std::size_t from = 0;
    for (std::size_t trial = 0; trial < 4; ++trial) {
        SCOPED_TRACE("trial " + std::to_string(trial));
        const std::size_t end = generate.out.find("c random", from + 1);
        const std::string text = generate.out.substr(from, end - from);
        from = end;
        EXPECT_TRUE(text.starts_with("c random 4-CNF formula of the 2-hidden model"));
        EXPECT_NE(text.find("\nc start state of this formula: " +
                            std::to_string(sweep[trial].startState) + "\n"),
                  std::string::npos);
        const std::size_t planted = text.find("\nc planted: ");
        ASSERT_NE(planted, std::string::npos);
        const std::size_t header = text.find('\n', planted + 1);
        ASSERT_TRUE(text.substr(header).starts_with("\np cnf 30 300\n"));
        std::istringstream literals(text.substr(planted + 12, header - planted - 12));
        std::vector<std::int8_t> sigma;
        std::vector<std::int8_t> complement;
        for (long long literal = 0; literals >> literal && literal != 0;) {
            EXPECT_EQ(std::llabs(literal), static_cast<long long>(sigma.size()) + 1);
            sigma.push_back(literal > 0 ? 1 : 0);
            complement.push_back(literal > 0 ? 0 : 1);
        }
        ASSERT_EQ(sigma.size(), 30U);
        Formula formula;
        ASSERT_EQ(readDimacs(text, formula), std::nullopt);
        const fs::path file = scratch / ("formula" + std::to_string(trial) + ".cnf");
        std::ofstream(file, std::ios::binary) << text;
        EXPECT_EQ(firstFalseClause(formula, sigma), std::nullopt);
        EXPECT_EQ(firstFalseClause(formula, complement), std::nullopt);
        const ProgramRun solve = run(kSatphase + " solve '" + file.string() + "'");
        EXPECT_EQ(solve.status, 10) << solve.err;
        EXPECT_EQ(sweep[trial].satisfiable, 1);
        EXPECT_EQ(stepsOf(solve.out), sweep[trial].steps);
        std::string rerunCommand = kSatphase;
        rerunCommand.append(" generate --vars 30 --clauses 300").append(model);
        rerunCommand.append(" --seed ").append(std::to_string(sweep[trial].startState));
        const ProgramRun rerun = run(rerunCommand);
        EXPECT_EQ(rerun.out.substr(rerun.out.find("\nc planted")),
                  text.substr(text.find("\nc planted")));
    }
}

TEST(GenerateCommand, FilesHoldWhatStandardOutputGetsAndEachNamesItsOwnRerun) {
    const fs::path scratch = scratchDirectory();
    const std::string command = generateCommand(12, 50, 777) + " --count 3";
    const ProgramRun toStdout = run(command);
    const ProgramRun toFiles = run(command + " --output-dir '" + (scratch / "cell").string() + "'");
    ASSERT_EQ(toStdout.status, 0) << toStdout.err;
    ASSERT_EQ(toFiles.status, 0) << toFiles.err;
    EXPECT_EQ(toFiles.out, "");

    std::string concatenated;
    for (int i = 0; i < 3; ++i) {
        const fs::path file =
            scratch / "cell" / ("satphase-v12-c50-s777-000" + std::to_string(i) + ".cnf");
        const std::string text = readFile(file);
        concatenated += text;
        // Which satphase drew it, for whoever cites the file.
        EXPECT_NE(
            text.find(std::string("\nc made by satphase ") + SATPHASE_VERSION_TEXT + ", commit "),
            std::string::npos);
        // The comment's command line alone gives this formula again.
        const std::string marker = "c reproduce it alone: satphase generate";
        const std::size_t at = text.find(marker);
        ASSERT_NE(at, std::string::npos);
        std::string rerunCommand = kSatphase + " generate";
        rerunCommand += text.substr(at + marker.size(), text.find('\n', at) - at - marker.size());
        const ProgramRun rerun = run(rerunCommand);
        EXPECT_EQ(rerun.out.substr(rerun.out.find("\np cnf")), text.substr(text.find("\np cnf")));
    }
    EXPECT_EQ(concatenated, toStdout.out);
    EXPECT_EQ(std::distance(fs::directory_iterator(scratch / "cell"), fs::directory_iterator()), 3);
}

std::vector<std::string> namesIn(const fs::path& directory) {
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(directory)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

TEST(GenerateCommand, RefusesTakenNamesAndWritesEveryFileOrNone) {
    const fs::path scratch = scratchDirectory();
    const fs::path directory = scratch / "out";
    const std::string into = " --output-dir '" + directory.string() + "'";

    const ProgramRun tooFewVars = run(generateCommand(2, 5, 1) + into);
    EXPECT_EQ(tooFewVars.status, 2);
    EXPECT_EQ(tooFewVars.err,
              "satphase generate: 2 variables and 5 clauses: a clause needs three distinct "
              "variables, so at least 3 variables\n");
    const ProgramRun badSeed = run(generateCommand(10, 40, 0) + into);
    EXPECT_EQ(badSeed.status, 2);
    EXPECT_EQ(linesOf(badSeed.err).size(), 1U);
    const ProgramRun classicK = run(generateCommand(10, 40, 1) + " --model classic --k 4" + into);
    EXPECT_EQ(classicK.status, 2);
    EXPECT_EQ(
        classicK.err,
        "satphase generate: 10 variables and 40 clauses: classic clauses of 4 literals, but the "
        "classic model's clauses have 3 literals\n");
    EXPECT_FALSE(fs::exists(directory));

    // A name already taken: refused before anything is written, unless --force.
    fs::create_directories(directory);
    const fs::path taken = directory / "satphase-v10-c40-s1-0001.cnf";
    std::ofstream(taken) << "the user's own\n";
    const ProgramRun refused = run(generateCommand(10, 40, 1) + " --count 3" + into);
    EXPECT_EQ(refused.status, 2);
    EXPECT_EQ(refused.err, "satphase generate: " + taken.string() +
                               " already exists; it is left as it is (--force replaces such "
                               "files)\n");
    EXPECT_EQ(namesIn(directory).size(), 1U);
    EXPECT_EQ(readFile(taken), "the user's own\n");
    const ProgramRun forced = run(generateCommand(10, 40, 1) + " --count 3 --force" + into);
    EXPECT_EQ(forced.status, 0) << forced.err;
    EXPECT_EQ(namesIn(directory).size(), 3U);
    EXPECT_TRUE(readFile(taken).starts_with("c random 3-CNF formula"));

    const ProgramRun notADirectory =
        run(generateCommand(10, 40, 1) + " --output-dir '" + taken.string() + "'");
    EXPECT_EQ(notADirectory.status, 1);
    EXPECT_EQ(notADirectory.err, "satphase generate: " + taken.string() + " is not a directory\n");

    // A write the device refuses (here a file-size limit) fails the whole set.
    const fs::path limited = scratch / "limited";
    const ProgramRun tooLarge = run("ulimit -f 4 && " + generateCommand(100, 400, 1) +
                                    " --count 3 --output-dir '" + limited.string() + "'");
    EXPECT_EQ(tooLarge.status, 1);
    EXPECT_TRUE(tooLarge.err.starts_with("satphase generate: cannot write ")) << tooLarge.err;
    EXPECT_NE(tooLarge.err.find(": File too large; no file written\n"), std::string::npos)
        << tooLarge.err;
    EXPECT_TRUE(namesIn(limited).empty());

    // And on standard output: a full device is a failure, found at the flush.
    const ProgramRun full = run(generateCommand(10, 40, 1) + " > /dev/full");
    EXPECT_EQ(full.status, 1);
    EXPECT_EQ(full.err,
              "satphase generate: cannot write the formulas to standard output: No space left on "
              "device\n");
}

// Ctrl-C while a large set is being written: every temporary file goes, and
// the exit status says the program was interrupted.
TEST(GenerateCommand, AnInterruptLeavesTheDirectoryEmpty) {
    const fs::path scratch = scratchDirectory();
    const fs::path directory = scratch / "out";
    const fs::path errors = scratch / "stderr";
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::freopen(errors.c_str(), "w", stderr);
        execl(SATPHASE_PROGRAM, SATPHASE_PROGRAM, "generate", "--vars", "50", "--clauses", "200",
              "--count", "100000", "--output-dir", directory.c_str(), nullptr);
        _exit(127);
    }
    // Wait until files are being written, then interrupt.
    for (int i = 0; i < 2000 && (!fs::exists(directory) || namesIn(directory).size() < 5); ++i) {
        usleep(5000);
    }
    EXPECT_GE(namesIn(directory).size(), 5U);
    kill(child, SIGINT);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 130);
    EXPECT_EQ(readFile(errors), "satphase generate: interrupted; no file written\n");
    EXPECT_TRUE(namesIn(directory).empty());
}

TEST(SolveCommand, ReadsStandardInputAndWrapsLongValueLines) {
    const fs::path scratch = scratchDirectory();
    const fs::path file = scratch / "wide.cnf";
    std::ofstream(file) << "p cnf 1000 2\n-1000 2 0\n3 -999 0\n";
    const ProgramRun solve = run(kSatphase + " solve < '" + file.string() + "'");
    ASSERT_EQ(solve.status, 10) << solve.err;
    EXPECT_TRUE(solve.out.starts_with("c satphase solve <stdin>\n"));
    valuesOf(solve.out, 1000);  // a thousand values need more than one 4,096-character line
}

// Input is bounded however it comes, and a verdict that cannot be written
// is a failure, not a verdict.
TEST(SolveCommand, RefusesEndlessInputAndReportsALostVerdict) {
    const fs::path scratch = scratchDirectory();
    const std::string tail =
        ": more than 64 MiB of input, more than any formula this search "
        "takes needs\n";
    const ProgramRun zeros = run(kSatphase + " solve /dev/zero");
    EXPECT_EQ(zeros.status, 1);
    EXPECT_EQ(zeros.err, "satphase solve: /dev/zero" + tail);
    const ProgramRun comments = run("yes c | " + kSatphase + " solve");
    EXPECT_EQ(comments.status, 1);
    EXPECT_EQ(comments.err, "satphase solve: <stdin>" + tail);
    const ProgramRun directory = run(kSatphase + " solve '" + scratch.string() + "'");
    EXPECT_EQ(directory.status, 1);
    EXPECT_EQ(directory.err,
              "satphase solve: " + scratch.string() + ": a directory, not a DIMACS file\n");

    const fs::path file = scratch / "one.cnf";
    std::ofstream(file) << "p cnf 3 1\n1 2 3 0\n";
    const ProgramRun full = run(kSatphase + " solve '" + file.string() + "' > /dev/full");
    EXPECT_EQ(full.status, 1);
    EXPECT_EQ(full.err,
              "satphase solve: cannot write to standard output: No space left on device\n");
}

// The classic report, byte for byte, also when the stack is far smaller than
// the search's depth would need for formulas held on it.
TEST(ClassicProgram, PrintsTheExpectedReportWithA1MiBStack) {
    const ProgramRun report = run("ulimit -s 1024 && " + kQuietSatphase);
    EXPECT_EQ(report.status, 0);
    EXPECT_EQ(report.err, "");
    EXPECT_TRUE(report.out == readFile(SATPHASE_EXPECTED_REPORT)) << "the report differs";
}

// What the help and the classic program's failures print: each piece in
// order on standard output, and on standard error one line naming what is
// wrong, or nothing at all.
TEST(ClassicProgram, HelpRefusalsAndFailedWrites) {
    const struct {
        const char* arguments;
        int status;
        std::vector<std::string> out, err;
    } cases[] = {
        {" --help", 0, {"Measures how hard", "Without arguments", "sweep"}, {}},
        {" -h", 0, {"Measures how hard"}, {}},
        {" sweep --help", 0, {"Usage: satphase sweep", "--vars", "--resume"}, {}},
        {" --fast", 2, {}, {"--fast"}},
        {" --help extra", 2, {}, {"extra"}},
        {" --help > /dev/full", 1, {}, {"cannot write the help"}},
        {" > /dev/full", 1, {}, {"cannot write", "No space left"}},
        {" | head -n 3", 0, {"Num of vars : 10\n-\nClause per variable"}, {}},
    };
    for (const auto& c : cases) {
        const ProgramRun result = run(kQuietSatphase + c.arguments);
        EXPECT_EQ(result.status, c.status) << c.arguments;
        for (const std::string* text : {&result.out, &result.err}) {
            std::size_t at = 0;
            for (const std::string& piece : text == &result.out ? c.out : c.err) {
                at = text->find(piece, at);
                EXPECT_NE(at, std::string::npos) << c.arguments << ": " << piece << " in " << *text;
            }
        }
        if (c.out.empty()) {
            EXPECT_EQ(result.out, "") << c.arguments;
        }
        if (c.err.empty()) {
            EXPECT_EQ(result.err, "") << c.arguments;
        } else {
            EXPECT_TRUE(result.err.starts_with("satphase: ") && linesOf(result.err).size() == 1)
                << c.arguments << ": " << result.err;
        }
    }
    const std::string version =
        std::regex_replace(std::string(SATPHASE_VERSION_TEXT), std::regex("\\."), "\\.");
    const ProgramRun versionRun = run(kSatphase + " --version");
    EXPECT_EQ(versionRun.status, 0);
    EXPECT_TRUE(std::regex_match(
        versionRun.out,
        std::regex("satphase " + version + "\ncommit ([0-9a-f]+(-dirty)?|unknown)\n")));
}

// Hand-written files in tests/dimacs: every accepted form, the step counts
// showing the clauses arrive in file order, and refusals as the program
// reports them, at the line of the problem (the reader's tests hold the rest).
TEST(SolveCommand, HandWrittenFiles) {
    const struct {
        const char* name;
        int status;
        std::uint64_t steps;
        const char* refusal;
    } cases[] = {
        {"uf20-layout", 10, 144, ""},
        {"layout-mix", 20, 14, ""},
        {"mixed-lengths", 10, 10, ""},
        {"simplified", 20, 14, ""},
        {"empty-clause", 20, 0, ""},
        {"no-variables", 10, 0, ""},
        {"no-header", 1, 0, ":2: no 'p cnf' header before the clauses"},
        {"too-many-clauses", 1, 0, ":5: more clauses than the header's 2"},
        {"too-few-clauses", 1, 0, ":2: the header declares 3 clauses, but 2 follow"},
        {"over-limit", 1, 0, ":2: 1001 variables, more than this search takes (at most 1000)"},
    };
    for (const auto& c : cases) {
        const std::string name = std::string(c.name) + ".cnf";
        std::string command = std::string("cd '") + SATPHASE_DIMACS_FILES + "' && ";
        command.append(kSatphase).append(" solve ").append(name);
        const ProgramRun solve = run(command);
        EXPECT_EQ(solve.status, c.status) << name << ": " << solve.err;
        if (c.status == 1) {
            EXPECT_EQ(solve.out, "") << name;
            EXPECT_EQ(solve.err, "satphase solve: " + name + c.refusal + "\n");
            continue;
        }
        EXPECT_EQ(solve.err, "") << name;
        EXPECT_EQ(stepsOf(solve.out), c.steps) << name;
        const std::string verdict = c.status == 10 ? "\ns SATISFIABLE\n" : "\ns UNSATISFIABLE\n";
        EXPECT_NE(solve.out.find(verdict), std::string::npos) << name;
        if (c.status == 10) {
            Formula formula;
            ASSERT_FALSE(readDimacs(readFile(fs::path(SATPHASE_DIMACS_FILES) / name), formula));
            EXPECT_EQ(firstFalseClause(formula, valuesOf(solve.out, formula.numVars)), std::nullopt)
                << name;
        } else {
            EXPECT_TRUE(solve.out.ends_with(verdict)) << name;
        }
    }
}

// Another solver decides the same file: its name and its cost in its own unit
// (the counts traced by hand in the dpll tests), the same verdict.
TEST(SolveCommand, OtherSolversNameTheirCost) {
    const std::string files = std::string("cd '") + SATPHASE_DIMACS_FILES + "' && " + kSatphase;
    const ProgramRun dpll = run(files + " solve --solver dpll layout-mix.cnf");
    EXPECT_EQ(dpll.status, 20) << dpll.err;
    EXPECT_NE(dpll.out.find("c solver dpll\nc branches 3\nc propagations 4\n"), std::string::npos)
        << dpll.out;
#ifdef SATPHASE_HAVE_CADICAL
    const ProgramRun cdcl = run(files + " solve --solver cdcl uf20-layout.cnf");
    EXPECT_EQ(cdcl.status, 10) << cdcl.err;
    EXPECT_NE(cdcl.out.find("c solver cdcl\nc conflicts 0\n"), std::string::npos) << cdcl.out;
#endif
    EXPECT_EQ(run(files + " solve --solver walksat uf20-layout.cnf").status, 2);
}

// A file the program did not write is never replaced: sweep and merge leave
// someone's file as it was, and write over their own outputs, or an empty file.
TEST(SweepAndMerge, NeverWriteOverAFileTheyDidNotWrite) {
    const fs::path scratch = scratchDirectory();
    const std::string sweep = kSatphase + " sweep --vars 10 --ratios 4 --trials 5 --quiet";
    const fs::path theirs = scratch / "conf.json";
    std::ofstream(theirs) << "{\"api_token\":\"x\"}\n";
    const std::string shard = (scratch / "shard.jsonl").string();
    ASSERT_EQ(run(sweep + " --format jsonl --shard 1/1 --output '" + shard + "'").status, 0);
    std::string merge = kSatphase;
    merge.append(" merge --format csv '").append(shard).append("' --output ");
    for (const std::string& writer : {sweep + " --format csv --output ", merge}) {
        const ProgramRun refused = run(writer + "'" + theirs.string() + "'");
        EXPECT_EQ(refused.status, 2) << writer;
        EXPECT_NE(refused.err.find("conf.json: exists and is no output of satphase"),
                  std::string::npos)
            << refused.err;
        EXPECT_EQ(readFile(theirs), "{\"api_token\":\"x\"}\n");
        const fs::path ours = scratch / "ours.csv";
        std::ofstream(ours) << "";
        EXPECT_EQ(run(writer + "'" + ours.string() + "'").status, 0) << writer;
        EXPECT_EQ(run(writer + "'" + ours.string() + "'").status, 0) << writer;
        EXPECT_TRUE(readFile(ours).starts_with("cell,vars,clauses,ratio,trials,")) << writer;
    }
}

}  // namespace

}  // namespace satphase
