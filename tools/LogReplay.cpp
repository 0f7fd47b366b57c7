// replay: hands the log to the program itself.

#include <unistd.h>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "board/LogReader.h"
#include "board/ReplaySpeed.h"
#include "tools/LogTool.h"

namespace {

bool IsExecutable(const std::filesystem::path& p) {
    std::error_code ec;
    return std::filesystem::is_regular_file(p, ec) && access(p.c_str(), X_OK) == 0;
}

// Beside this tool (an installed pair), in the build tree (tools/ and src/
// side by side), then on PATH.
std::string FindProgram(const char* argv0) {
    std::error_code ec;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec && argv0 != nullptr) self = std::filesystem::absolute(argv0, ec);
    if (!self.empty()) {
        const std::filesystem::path dir = self.parent_path();
        for (const auto& candidate : {dir / "orvalis", dir.parent_path() / "src" / "orvalis"}) {
            if (IsExecutable(candidate)) return candidate.string();
        }
    }
    const char* pathVar = std::getenv("PATH");
    std::string paths = pathVar != nullptr ? pathVar : "";
    size_t start = 0;
    while (start <= paths.size()) {
        const size_t colon = paths.find(':', start);
        const std::string dir =
            paths.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
        if (!dir.empty() && IsExecutable(std::filesystem::path(dir) / "orvalis")) {
            return (std::filesystem::path(dir) / "orvalis").string();
        }
        if (colon == std::string::npos) break;
        start = colon + 1;
    }
    return std::string();
}

std::string Quoted(const std::string& text) {
    if (text.find_first_of(" \t'\"\\$`!*?;&|<>()") == std::string::npos && !text.empty()) {
        return text;
    }
    std::string out = "'";
    for (const char c : text) {
        if (c == '\'') {
            out += "'\\''";
        } else {
            out.push_back(c);
        }
    }
    return out + "'";
}

}  // namespace

int RunReplay(const std::string& path, double speed, bool printOnly, const char* argv0,
              std::FILE* out, std::FILE* err) {
    CLogReader reader;
    std::string error;
    if (reader.Open(path, error) < 0) {
        std::fprintf(err, "orvalis-log: cannot open %s: %s\n", path.c_str(), error.c_str());
        return kExitUsage;
    }
    const std::string speedText = FormatReplaySpeed(speed);
    const std::string program = FindProgram(argv0);
    const std::string shown = program.empty() ? "orvalis" : program;
    // A name starting with '-' is joined to its option, where the program
    // cannot take it for an option of its own.
    const bool bJoin = path.starts_with('-');
    const std::string line = Quoted(shown) + (bJoin ? " --replay=" : " --replay ") + Quoted(path) +
                             " --speed " + speedText;
    if (printOnly) {
        std::fprintf(out, "%s\n", line.c_str());
        return kExitOk;
    }
    if (program.empty()) {
        std::fprintf(err, "orvalis-log: the program 'orvalis' was not found; run:\n  %s\n",
                     line.c_str());
        return kExitUsage;
    }
    std::fflush(out);
    std::fflush(err);
    std::vector<std::string> args = {program};
    if (bJoin) {
        args.push_back("--replay=" + path);
    } else {
        args.insert(args.end(), {"--replay", path});
    }
    args.insert(args.end(), {"--speed", speedText});
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    std::fprintf(err, "orvalis-log: could not run %s\n", program.c_str());
    return kExitUsage;
}
