#pragma once

#include "platform/CommandHelp.h"

// The command line of `orvalis-board-sim` as --help, the manual page and the
// shell completion describe it.
const CommandHelp& BoardSimHelp();
