#pragma once

#include "platform/CommandHelp.h"

// The command line of `orvalis-log` as --help, the manual page and the shell
// completion describe it (the program's and each command's help texts).
const CommandHelp& LogToolHelp();
