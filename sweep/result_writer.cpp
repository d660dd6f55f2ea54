#include "sweep/result_writer.h"

#include <cassert>
#include <utility>

namespace satphase {

SweepResultWriter::SweepResultWriter(const SweepDefinition& definition, OutputFormat format,
                                     const CellSelection& selection, const KeptOutput& kept,
                                     std::optional<LockedOutput> file)
    : selection_(selection),
      keptCells_(kept.cells),
      file_(std::move(file)),
      writer_(format, definition),
      written_(kept.cells) {
    assert(0 <= kept.cells && static_cast<std::size_t>(kept.cells) <= selection.selected.size());
}

std::optional<std::string> SweepResultWriter::write(const std::string& text) {
    return file_ ? file_->write(text) : writeStandardOutput(text);
}

SweepRunner::Hooks SweepResultWriter::hooks() {
    SweepRunner::Hooks hooks;
    hooks.decides = [this](const SweepCell& cell) {
        return selection_.placeOf[static_cast<std::size_t>(cell.index)] >= keptCells_;
    };
    hooks.finished = [this](const FinishedCell& finished) {
        text_.clear();
        writer_.append(finished, text_);
        failure_ = write(text_);
        written_ += failure_ ? 0 : 1;
    };
    hooks.halted = [this] { return failure_.has_value(); };
    return hooks;
}

void SweepResultWriter::finish() {
    text_.clear();
    writer_.flush(text_);
    if (!text_.empty() && !failure_) {
        failure_ = write(text_);
    }
}

}  // namespace satphase
