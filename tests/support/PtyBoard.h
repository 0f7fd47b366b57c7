#pragma once

#include <string>

// Opens a pseudo-terminal, points the link path at its slave (replacing
// whatever the path named before) and returns the master, the board's end of
// the line; the slave is closed, so the port under test opens it by the link.
// The caller closes the master. Failures are reported to the running test.
int NewPtyBoard(const std::string& link);
