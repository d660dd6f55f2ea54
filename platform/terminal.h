#pragma once

// Whether standard error is a terminal, where a progress line can be redrawn.
bool standardErrorIsTerminal();
