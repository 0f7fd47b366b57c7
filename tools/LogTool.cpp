#include "tools/LogTool.h"

#include "board/ReplaySpeed.h"
#include "tools/LogToolHelp.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "OrvVersion.h"

namespace {

const std::string& Usage() {
    static const std::string text = FormatHelp(LogToolHelp());
    return text;
}

// A command's own --help text; every command the tool runs has one.
const char* CommandHelpText(std::string_view command) {
    const HelpCommand* entry = FindHelpCommand(LogToolHelp(), command);
    return entry != nullptr ? entry->help.data() : nullptr;
}

bool IsHelp(std::string_view arg) {
    return arg == "--help" || arg == "-h";
}

int Usage(std::FILE* err, const char* text) {
    std::fputs(text, err);
    return kExitUsage;
}

int Usage(std::FILE* err) {
    return Usage(err, Usage().c_str());
}

int BadArgs(std::FILE* err, const char* command, const char* help) {
    std::fprintf(err, "orvalis-log %s: wrong arguments\n\n", command);
    return Usage(err, help);
}

}  // namespace

std::string Counted(uint64_t n, const char* singular, const char* plural) {
    return std::to_string(n) + " " + (n == 1 ? singular : plural);
}

int RunLogTool(int argc, const char* const* argv, std::FILE* out, std::FILE* err) {
    if (argc < 2) return Usage(err);
    const std::string_view command = argv[1];
    if (IsHelp(command) || command == "help") {
        std::fputs(Usage().c_str(), out);
        return kExitOk;
    }
    if (command == "report" || command == "heatmap") return RunReportCommand(argc, argv, out, err);
    if (command == "--version") {
        std::fprintf(out, "orvalis-log %s\n", ORV_VERSION);
        return kExitOk;
    }
    const int nArgs = argc - 2;
    const char* const* args = argv + 2;
    for (int i = 0; i < nArgs; ++i) {
        if (IsHelp(args[i])) {
            const char* help = CommandHelpText(command);
            if (help == nullptr) break;
            std::fputs(help, out);
            return kExitOk;
        }
    }

    if (command == "info" || command == "dump" || command == "verify") {
        const char* help = CommandHelpText(command);
        if (nArgs != 1) return BadArgs(err, argv[1], help);
        if (command == "info") return RunInfo(args[0], out, err);
        if (command == "dump") return RunDump(args[0], out, err);
        return RunVerify(args[0], out, err);
    }
    if (command == "replay") {
        std::string path;
        double speed = 1.0;
        bool printOnly = false;
        for (int i = 0; i < nArgs; ++i) {
            const std::string_view arg = args[i];
            if (arg == "--speed" || arg.starts_with("--speed=")) {
                const bool bJoined = arg.starts_with("--speed=");
                if (!bJoined && i + 1 >= nArgs)
                    return BadArgs(err, "replay", CommandHelpText("replay"));
                const char* text = bJoined ? args[i] + 8 : args[++i];
                if (!ParseReplaySpeed(text, speed)) {
                    std::fprintf(err, "orvalis-log replay: --speed needs %s, not '%s'\n",
                                 kReplaySpeedRule, text);
                    return kExitUsage;
                }
            } else if (arg == "--print") {
                printOnly = true;
            } else if (path.empty() && !arg.starts_with("--")) {
                path = args[i];
            } else {
                return BadArgs(err, "replay", CommandHelpText("replay"));
            }
        }
        if (path.empty()) return BadArgs(err, "replay", CommandHelpText("replay"));
        return RunReplay(path, speed, printOnly, argv[0], out, err);
    }
    if (command == "export" && nArgs >= 1 && std::string_view(args[0]) == "geojson") {
        if (nArgs != 2 && nArgs != 3) return BadArgs(err, "export", CommandHelpText("export"));
        return RunExportGeoJson(args[1], nArgs == 3 ? args[2] : "", out, err);
    }
    if (command == "export") {
        if (nArgs != 3) return BadArgs(err, "export", CommandHelpText("export"));
        const std::string_view format = args[0];
        if (format == "pcap") return RunExportPcap(args[1], args[2], out, err);
        if (format == "wigle") return RunExportWigle(args[1], args[2], out, err);
        if (format == "kml") return RunExportKml(args[1], args[2], out, err);
        std::fprintf(err, "orvalis-log export: unknown format '%s'\n\n", args[0]);
        return Usage(err, CommandHelpText("export"));
    }
    std::fprintf(err, "orvalis-log: unknown command '%s'\n\n", argv[1]);
    return Usage(err);
}
