#pragma once

#include "platform/CommandHelp.h"

// The command line of `orvalis-link-server` as --help and the manual page
// describe it.
const CommandHelp& LinkServerHelp();
