#pragma once

#include <cstdio>
#include <string>

// Opens a file a person named for reading, only when it is a regular file.
// The open itself never waits: a FIFO, a terminal or a device of that name is
// refused instead of holding the program up. Returns the stdio file, or
// nullptr with the reason in `reason` ("not a regular file", or the system's
// description).
std::FILE* OpenInputFile(const std::string& path, std::string* reason = nullptr);
