#pragma once

#include <span>

#include "platform/CommandHelp.h"

// The help tables of every installed program, for the manual pages and the
// completion scripts.
std::span<const CommandHelp* const> DocumentedPrograms();

// The table of the program named `name`, or null.
const CommandHelp* FindDocumentedProgram(std::string_view name);
