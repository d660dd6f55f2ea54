#pragma once

namespace satphase {

// `satphase analyze`: the threshold's statistics from a sweep's results,
// computed by the analysis program in python/ (Python with numpy and
// scipy). Its arguments go to that program as they are, so that
// `satphase analyze --help` is its help. Runs it with argv[2..]; returns only
// when it could not be started.
int runAnalyze(int argc, char** argv);

}  // namespace satphase
