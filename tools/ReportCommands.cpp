// The command lines of report and heatmap.

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "tools/LogTool.h"
#include "tools/LogToolHelp.h"

namespace {

constexpr double kMinCellM = 0.5;
constexpr double kMaxCellM = 10000.0;

int Help(std::FILE* out, const char* text) {
    std::fputs(text, out);
    return kExitOk;
}

int Bad(std::FILE* err, const char* command, const std::string& what, const char* help) {
    std::fprintf(err, "orvalis-log %s: %s\n\n%s", command, what.c_str(), help);
    return kExitUsage;
}

bool ParseCell(const char* text, double& cell) {
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(text, &end);
    if (end == text || *end != '\0' || errno != 0 || !std::isfinite(value) || value < kMinCellM ||
        value > kMaxCellM)
        return false;
    cell = value;
    return true;
}

}  // namespace

int RunReportCommand(int argc, const char* const* argv, std::FILE* out, std::FILE* err) {
    const std::string_view command = argv[1];
    const bool report = command == "report";
    const char* help = FindHelpCommand(LogToolHelp(), command)->help.data();
    std::string path, format = "text", output, mac;
    double cell = 1.0;
    for (int i = 2; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--help" || arg == "-h") return Help(out, help);
        if (report && arg == "--format" && hasValue) {
            format = argv[++i];
        } else if (report && arg.starts_with("--format=")) {
            format = std::string(arg.substr(9));
        } else if (!report && (arg == "-o" || arg == "--output") && hasValue) {
            output = argv[++i];
        } else if (!report && arg == "--mac" && hasValue) {
            mac = argv[++i];
        } else if (!report && arg == "--cell" && hasValue) {
            if (!ParseCell(argv[++i], cell))
                return Bad(err, argv[1],
                           std::string("bad cell size '") + argv[i] + "' (metres, 0.5 to 10000)",
                           help);
        } else if (path.empty() && !arg.starts_with("-")) {
            path = argv[i];
        } else {
            return Bad(err, argv[1], "wrong arguments", help);
        }
    }
    if (path.empty()) return Bad(err, argv[1], "no log file given", help);
    if (report) return RunReport(path, format, out, err);
    if (output.empty()) return Bad(err, argv[1], "no picture named (-o MAP.png)", help);
    return RunHeatMap(path, output, mac, cell, out, err);
}
