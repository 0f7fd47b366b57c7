#pragma once

#include <string>
#include <string_view>

#include "platform/CommandHelp.h"

// The manual page (section 1, man macros) of a program, from its help table.
std::string ManPage(const CommandHelp& help, std::string_view version);

// Text as roff input: backslashes and hyphens escaped, a leading '.' or '\''
// (which roff would take for a request) neutralised.
std::string RoffEscape(std::string_view text);
