#pragma once

#include <string>

#include "platform/CommandHelp.h"

// A bash completion script for a program, from its help table: option names,
// the values of options (files, folders, serial devices, choices) and, for a
// program with commands, the command words with each command's options.
// Defines _NAME (hyphens as underscores) and registers it for NAME.
std::string BashCompletion(const CommandHelp& help);
