#include <iostream>

#include "experiment/report.h"
#include "platform/tone.h"

int main() {
    HostTone tone;
    runExperiment(tone, std::cout);
    return 0;
}
