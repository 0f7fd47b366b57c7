// The command lines of report and heatmap.

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "tools/LogTool.h"

namespace {

constexpr const char* kReportHelp =
    "usage: orvalis-log report FILE [--format text|csv|json]\n"
    "\n"
    "One row per access point heard in the log's beacons and frames: MAC, SSID\n"
    "(from its beacons), channels, privacy, first and last seen, sightings,\n"
    "minimum, mean and maximum RSSI, the mean noise on its channel and the S/N\n"
    "of its mean RSSI (where the log has noise reports), and the position of\n"
    "its strongest sighting (where the log has GPS). Then one row per channel:\n"
    "access points, frames by kind and the rate most frames used.\n"
    "text (the default) is a table for the terminal; csv gives the access points\n"
    "and, after an empty line, the channels; json one object with both.\n";

constexpr const char* kHeatMapHelp =
    "usage: orvalis-log heatmap FILE -o MAP.png [--mac MAC] [--cell METRES]\n"
    "\n"
    "Draws a coverage map: the surveyed area in square cells (1 m unless --cell\n"
    "says otherwise, 0.5 m at least), each cell coloured by the strongest RSSI\n"
    "heard in it, of one access point (--mac) or the best of all; cells within\n"
    "15 m of one heard take the inverse-distance weighted mean of those levels,\n"
    "cells farther away stay grey. With the GPS track, the access points at\n"
    "their strongest, a colour scale in dBm and a scale bar; north is up.\n"
    "A log without GPS positions cannot be mapped: exit code 1.\n";

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
    const char* help = report ? kReportHelp : kHeatMapHelp;
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
