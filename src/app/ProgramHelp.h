#pragma once

#include "platform/CommandHelp.h"

// The command line of `orvalis` as --help, the manual page and the shell
// completion describe it. This file and its source depend on nothing but
// platform/CommandHelp.h, so that the documentation generator can build them
// without the program.
const CommandHelp& OrvalisHelp();
