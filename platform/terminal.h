#pragma once

namespace satphase {

// Whether standard error is a terminal, where a progress line can be redrawn.
bool standardErrorIsTerminal();

}  // namespace satphase
