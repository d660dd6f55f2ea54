#pragma once

namespace satphase {

// `satphase plot`: the figures of a sweep, drawn by the plotting program in
// python/ (Python with matplotlib). Its arguments go to that program as they
// are, so that `satphase plot --help` is its help. Runs it with argv[2..];
// returns only when it could not be started.
int runPlot(int argc, char** argv);

}  // namespace satphase
