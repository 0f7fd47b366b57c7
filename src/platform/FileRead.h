#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Reads the whole of a file a person named (a script, the bytes of a feed
// step) into memory, never more than `maxBytes`: a device that never ends
// (/dev/zero) or a huge file is refused once the cap is passed, a folder at
// once, and the open never waits for a writer (a FIFO without one reads as
// empty). Returns 0, or -1 with a short reason in `reason` ("is a folder",
// "larger than 16 MB", the system's description of an error).
int ReadWholeFile(const std::string& path, std::size_t maxBytes, std::vector<std::uint8_t>& out,
                  std::string& reason);
