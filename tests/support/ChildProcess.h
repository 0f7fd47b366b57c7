#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

// Starts `program` with `args` (without the program's own name), its standard
// output and error written to the files `out` and `err`, and, when `workDir`
// is not empty, that folder as its working folder. The child's id, or -1.
pid_t SpawnChild(const char* program, std::vector<std::string> args,
                 const std::filesystem::path& out, const std::filesystem::path& err,
                 const std::filesystem::path& workDir = {});

// Waits for the child: its exit code, or -1 when it did not exit normally.
int WaitChild(pid_t pid);
