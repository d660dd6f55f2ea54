#include "sweep/resume.h"

#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>

namespace {

// The fields a record is checked by.
struct RecordKey {
    std::int64_t cell = -1;
    std::int64_t vars = -1;
    std::int64_t clauses = -1;
    std::int64_t trialsOrTrial = -1;  // `trials` of a cell record, `trial` of a formula record
    std::int64_t startState = -1;
};

std::optional<RecordKey> parseJsonRecord(const std::string& line, bool perFormula) {
    const nlohmann::json record = nlohmann::json::parse(line, nullptr, false);
    if (!record.is_object()) {
        return std::nullopt;
    }
    RecordKey key;
    const auto field = [&](const char* name, std::int64_t& to) {
        const auto found = record.find(name);
        if (found == record.end() || !found->is_number_integer()) {
            return false;
        }
        to = found->get<std::int64_t>();
        return true;
    };
    if (!field("cell", key.cell) || !field("vars", key.vars) || !field("clauses", key.clauses) ||
        !field(perFormula ? "trial" : "trials", key.trialsOrTrial) ||
        !field("start_state", key.startState)) {
        return std::nullopt;
    }
    return key;
}

std::optional<RecordKey> parseCsvRecord(const std::string& line, bool perFormula) {
    std::vector<std::int64_t> fields;
    std::istringstream in(line);
    for (std::string field; std::getline(in, field, ',');) {
        std::int64_t value = -1;
        std::istringstream number(field);
        number >> value;  // doubles read only their whole part, which is never compared
        fields.push_back(number.fail() ? -1 : value);
    }
    const std::size_t expected = perFormula ? 8 : 16;
    if (fields.size() != expected) {
        return std::nullopt;
    }
    // Formula rows: cell,vars,clauses,ratio,trial,start_state,...; cell rows:
    // cell,vars,clauses,ratio,trials,...,start_state last.
    return RecordKey{fields[0], fields[1], fields[2], fields[4],
                     perFormula ? fields[5] : fields[15]};
}

}  // namespace

std::variant<KeptOutput, std::string> readKeptOutput(const std::string& path, OutputFormat format,
                                                     const std::string& preamble,
                                                     const SweepDefinition& definition,
                                                     std::span<const SweepCell> cells) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return path + ": cannot be read to resume from";
    }
    const std::string text((std::istreambuf_iterator<char>(file)),
                           std::istreambuf_iterator<char>());
    const bool perFormula = definition.perFormula;
    const std::size_t perCell = perFormula ? static_cast<std::size_t>(definition.trials) : 1;

    KeptOutput kept;
    std::size_t lineStart = 0;
    std::size_t lineNumber = 0;
    std::size_t records = 0;
    while (true) {
        const std::size_t end = text.find('\n', lineStart);
        if (end == std::string::npos) {
            break;  // a torn last line, or nothing more
        }
        ++lineNumber;
        const std::string line = text.substr(lineStart, end - lineStart);
        const std::string where = path + ":" + std::to_string(lineNumber) + ": ";
        lineStart = end + 1;
        if (lineNumber == 1) {
            if (line + "\n" != preamble) {
                return where +
                       "was not written by this sweep (its first line differs: other "
                       "options, or another format)";
            }
            kept.hasPreamble = true;
            kept.bytes = lineStart;
            continue;
        }
        const std::optional<RecordKey> key = format == OutputFormat::Csv
                                                 ? parseCsvRecord(line, perFormula)
                                                 : parseJsonRecord(line, perFormula);
        if (!key) {
            return where + "is not a record of this sweep";
        }
        const std::size_t cellIndex = records / perCell;
        const std::size_t trial = records % perCell;
        if (cellIndex >= cells.size()) {
            return where + "holds more records than this sweep writes there";
        }
        const SweepCell& cell = cells[cellIndex];
        const std::int64_t expectedCount =
            perFormula ? static_cast<std::int64_t>(trial) : definition.trials;
        if (key->cell != cell.index || key->vars != cell.vars || key->clauses != cell.clauses ||
            key->trialsOrTrial != expectedCount) {
            return where + "does not hold the record this sweep writes there (cell " +
                   std::to_string(cell.index) + ")";
        }
        if (trial == 0) {
            kept.startStates.push_back(static_cast<std::int32_t>(key->startState));
        }
        ++records;
        if (records % perCell == 0) {
            kept.cells = static_cast<std::int32_t>(records / perCell);
            kept.bytes = lineStart;
        }
    }
    kept.startStates.resize(static_cast<std::size_t>(kept.cells));
    return kept;
}
