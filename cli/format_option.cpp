#include "cli/format_option.h"

#include <string>

namespace satphase {

CLI::Option* addFormatOption(CLI::App& app, OutputFormat& format) {
    return app
        .add_option_function<std::string>(
            "--format",
            [&format](const std::string& name) {
                format = name == "csv"     ? OutputFormat::Csv
                         : name == "jsonl" ? OutputFormat::JsonLines
                                           : OutputFormat::Table;
            },
            "table (the classic layout), csv or jsonl")
        ->check(CLI::IsMember({"table", "csv", "jsonl"}))
        ->default_str("table");
}

}  // namespace satphase
