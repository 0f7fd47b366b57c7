#include "tools/LogTool.h"

#include "board/ReplaySpeed.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "OrvVersion.h"

namespace {

constexpr const char* kUsage =
    "usage: orvalis-log COMMAND [ARGS]\n"
    "\n"
    "Inspects, checks, replays and exports Orvalis packet log files (*.ov).\n"
    "\n"
    "commands:\n"
    "  info FILE                   header, records, time span, packet types, markers\n"
    "  dump FILE                   one JSON object per record\n"
    "  verify FILE                 checks structure and check bytes\n"
    "  replay FILE [--speed X]     plays the log to the program as if from the board\n"
    "  export pcap FILE OUT.pcap   captured 802.11 frames, radiotap link type\n"
    "  export wigle FILE OUT.csv   access points in the WiGLE CSV 1.6 format\n"
    "  export kml FILE OUT.kml     GPS track and access points for map viewers\n"
    "  export geojson FILE [OUT]   track, sightings and access points as GeoJSON\n"
    "  report FILE [--format F]    access points and channels (text, csv or json)\n"
    "  heatmap FILE -o MAP.png     coverage map [--mac MAC] [--cell METRES]\n"
    "\n"
    "'orvalis-log COMMAND --help' describes a command; 'orvalis-log --version' prints\n"
    "the release.\n"
    "exit codes: 0 success, 1 damaged file, 2 bad usage or a file that cannot be\n"
    "opened or written.\n";

constexpr const char* kInfoHelp =
    "usage: orvalis-log info FILE\n"
    "\n"
    "Prints the file header, the number of records, the time span, the packet\n"
    "types with their counts, the markers and the byte counts. Damage is listed\n"
    "at the end; the exit code is then 1.\n";

constexpr const char* kDumpHelp =
    "usage: orvalis-log dump FILE\n"
    "\n"
    "Prints one JSON object per line for each record: offset, time, marker (null\n"
    "when none), packet type, payload length, payload as hex (check byte last)\n"
    "and whether the check byte is good. Damage appears in place as an object\n"
    "with a \"damage\" member; the exit code is then 1.\n";

constexpr const char* kVerifyHelp =
    "usage: orvalis-log verify FILE\n"
    "\n"
    "Checks the header, the sync bytes and lengths of every record, the record\n"
    "times and the check bytes, and reports a truncated last record (a recording\n"
    "cut by power loss) with its offset. Prints one line per fault and a summary.\n"
    "Exit code 0 when the file is sound, 1 when it is damaged.\n";

constexpr const char* kReplayHelp =
    "usage: orvalis-log replay FILE [--speed X] [--print]\n"
    "\n"
    "Runs 'orvalis --replay FILE --speed X': the program reads the recorded\n"
    "packets as if from the board, released at the times they were recorded.\n"
    "X = 1 (the default) is real time, 2 twice as fast, 0 as fast as possible.\n"
    "--print only prints the command line. The program is looked for beside\n"
    "this tool, in the build tree, then on PATH.\n";

constexpr const char* kExportHelp =
    "usage: orvalis-log export pcap|wigle|kml FILE OUT\n"
    "       orvalis-log export geojson FILE [OUT]\n"
    "\n"
    "  pcap   every captured 802.11 frame (packet types 6, 9, 10, 18) as a pcap\n"
    "         record with radiotap headers (flags, rate, channel, antenna signal)\n"
    "         and the record's time\n"
    "  wigle  one row per access point per GPS fix in which it was heard, with its\n"
    "         strongest RSSI in that fix (WiGLE CSV 1.6). A fix lasts from a GPS\n"
    "         message with a valid fix to the next GPS message; sightings outside\n"
    "         a fix have no position and are left out, and their number is given\n"
    "         on standard error\n"
    "  kml    the GPS track and one placemark per access point at its strongest\n"
    "         sighting with a position\n"
    "  geojson a FeatureCollection: the track, one point per sighting with a\n"
    "         position and one per access point at its strongest (to standard\n"
    "         output without OUT)\n"
    "\n"
    "The records are run through the program's own decoders, so the export shows\n"
    "what the screens showed; an access point is named by its beacons. Record\n"
    "times are taken as local times of this machine (set TZ to change that).\n"
    "Damage, including records with an impossible time, is reported and skipped\n"
    "(such times are left out; pcap leaves such frames out); the export is still\n"
    "written and the exit code is 1.\n"
    "\n"
    "OUT may not be FILE itself. A file is written under a temporary name beside\n"
    "OUT and renamed to OUT only when complete, so a failed export leaves OUT as\n"
    "it was; a device, a pipe or this tool's standard output (/dev/stdout) is\n"
    "written directly, and the summary line then goes to standard error. Success\n"
    "is reported only once OUT is written and closed.\n";

bool IsHelp(std::string_view arg) {
    return arg == "--help" || arg == "-h";
}

int Usage(std::FILE* err, const char* text) {
    std::fputs(text, err);
    return kExitUsage;
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
    if (argc < 2) return Usage(err, kUsage);
    const std::string_view command = argv[1];
    if (IsHelp(command) || command == "help") {
        std::fputs(kUsage, out);
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
            const char* help = command == "info"     ? kInfoHelp
                               : command == "dump"   ? kDumpHelp
                               : command == "verify" ? kVerifyHelp
                               : command == "replay" ? kReplayHelp
                               : command == "export" ? kExportHelp
                                                     : nullptr;
            if (help == nullptr) break;
            std::fputs(help, out);
            return kExitOk;
        }
    }

    if (command == "info" || command == "dump" || command == "verify") {
        const char* help = command == "info"   ? kInfoHelp
                           : command == "dump" ? kDumpHelp
                                               : kVerifyHelp;
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
                if (!bJoined && i + 1 >= nArgs) return BadArgs(err, "replay", kReplayHelp);
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
                return BadArgs(err, "replay", kReplayHelp);
            }
        }
        if (path.empty()) return BadArgs(err, "replay", kReplayHelp);
        return RunReplay(path, speed, printOnly, argv[0], out, err);
    }
    if (command == "export" && nArgs >= 1 && std::string_view(args[0]) == "geojson") {
        if (nArgs != 2 && nArgs != 3) return BadArgs(err, "export", kExportHelp);
        return RunExportGeoJson(args[1], nArgs == 3 ? args[2] : "", out, err);
    }
    if (command == "export") {
        if (nArgs != 3) return BadArgs(err, "export", kExportHelp);
        const std::string_view format = args[0];
        if (format == "pcap") return RunExportPcap(args[1], args[2], out, err);
        if (format == "wigle") return RunExportWigle(args[1], args[2], out, err);
        if (format == "kml") return RunExportKml(args[1], args[2], out, err);
        std::fprintf(err, "orvalis-log export: unknown format '%s'\n\n", args[0]);
        return Usage(err, kExportHelp);
    }
    std::fprintf(err, "orvalis-log: unknown command '%s'\n\n", argv[1]);
    return Usage(err, kUsage);
}
