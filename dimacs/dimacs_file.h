#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "formula/formula.h"

namespace satphase {

// The most input a DIMACS file may hold. The largest formula the reader takes
// (100,000 clauses over 1,000 variables) is under 2 MB as generate lays it
// out; this leaves room for wide layouts and long comments, and still bounds
// what a stream such as /dev/zero can make the program hold.
inline constexpr std::size_t kMaxDimacsBytes = std::size_t{64} << 20U;
// The same for the formulas of a local search (kSearchedLimits): 10^7 clauses
// of three literals take about 300 MB as generate lays them out.
inline constexpr std::size_t kMaxSearchedDimacsBytes = std::size_t{1} << 30U;

// Reads the DIMACS CNF file at `path` ("-": standard input) into `formula`,
// as readDimacs() reads a text. Returns nothing on success, or one line to
// show the user: "NAME:LINE: problem" for the text, "NAME: problem" for the
// file (NAME is <stdin> for standard input). Input beyond kMaxDimacsBytes
// (kMaxSearchedDimacsBytes for kSearchedLimits) is refused as soon as that
// much has been read, and a header beyond `limits` as soon as it is read.
std::optional<std::string> readDimacsFile(const std::string& path, Formula& formula,
                                          FormulaLimits limits = kDecidedLimits);

}  // namespace satphase
