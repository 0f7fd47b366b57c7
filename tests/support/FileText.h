#pragma once

#include <filesystem>
#include <string>

// The whole of a file's bytes as a string; empty when it cannot be read.
std::string ReadFileText(const std::filesystem::path& path);
