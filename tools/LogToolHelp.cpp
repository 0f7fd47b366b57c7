#include "tools/LogToolHelp.h"

namespace {

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

constexpr HelpOption kHelpOnly[] = {
    {"-h, --help", "", "describes the command"},
};

constexpr HelpOption kReplayOptions[] = {
    {"--speed", "X", "1 as recorded (the default), 2 twice as fast, 0 as fast as possible",
     HelpArg::Word},
    {"--print", "", "only prints the command line"},
    {"-h, --help", "", "describes the command"},
};

constexpr HelpOption kReportOptions[] = {
    {"--format", "F", "text (the default), csv or json", HelpArg::Choice, "text csv json"},
    {"-h, --help", "", "describes the command"},
};

constexpr HelpOption kHeatMapOptions[] = {
    {"-o, --output", "MAP.png", "the picture to write", HelpArg::File},
    {"--mac", "MAC", "map one access point instead of the best of all", HelpArg::Word},
    {"--cell", "METRES", "the side of a cell (1 m unless given, 0.5 m at least)", HelpArg::Word},
    {"-h, --help", "", "describes the command"},
};

constexpr HelpItem kExportListing[] = {
    {"export pcap FILE OUT.pcap", "captured 802.11 frames, radiotap link type"},
    {"export wigle FILE OUT.csv", "access points in the WiGLE CSV 1.6 format"},
    {"export kml FILE OUT.kml", "GPS track and access points for map viewers"},
    {"export geojson FILE [OUT]", "track, sightings and access points as GeoJSON"},
};

constexpr HelpCommand kCommands[] = {
    {"info", "FILE", "header, records, time span, packet types, markers", kInfoHelp, kHelpOnly},
    {"dump", "FILE", "one JSON object per record", kDumpHelp, kHelpOnly},
    {"verify", "FILE", "checks structure and check bytes", kVerifyHelp, kHelpOnly},
    {"replay", "FILE [--speed X]", "plays the log to the program as if from the board", kReplayHelp,
     kReplayOptions},
    {"export", "pcap|wigle|kml FILE OUT", "", kExportHelp, kHelpOnly, "pcap wigle kml geojson",
     kExportListing},
    {"report", "FILE [--format F]", "access points and channels (text, csv or json)", kReportHelp,
     kReportOptions},
    {"heatmap", "FILE -o MAP.png", "coverage map [--mac MAC] [--cell METRES]", kHeatMapHelp,
     kHeatMapOptions},
};

constexpr HelpItem kFiles[] = {
    {"*.ov",
     "packet logs as orvalis(1) records them (Record Data; ovlog.ov in its data folder unless "
     "named otherwise). A log must be a regular file."},
};

constexpr HelpItem kEnvironment[] = {
    {"TZ", "the time zone record times are taken in for the exports"},
    {"PATH", "where replay looks for orvalis after the tool's own folder and the build tree"},
};

constexpr HelpItem kExitCodes[] = {
    {"0", "success"},
    {"1", "a damaged log (what could be read was used), or a log without positions to map"},
    {"2", "bad usage, or a file that cannot be opened or written"},
    {"3", "a fault of the tool's own it could not handle (\"orvalis-log: internal error: ...\")"},
};

constexpr HelpItem kExamples[] = {
    {"orvalis-log verify survey.ov", "One line per fault; exit code 1 when damaged."},
    {"orvalis-log replay survey.ov --speed 2", "Runs orvalis --replay survey.ov --speed 2."},
    {"orvalis-log export wigle survey.ov survey.csv", "Access points for WiGLE."},
    {"orvalis-log heatmap survey.ov -o coverage.png --cell 2", "A coverage map in 2 m cells."},
};

constexpr HelpSection kSections[] = {
    {"FILES", "", kFiles},
    {"ENVIRONMENT", "", kEnvironment},
    {"EXIT STATUS", "", kExitCodes},
    {"EXAMPLES", "", kExamples},
};

constexpr HelpOption kOptions[] = {
    {"-h, --help", "", "show this text (also: orvalis-log help)"},
    {"--version", "", "print the release"},
};

constexpr CommandHelp kHelp = {
    "orvalis-log",
    "inspect, check, replay and export Orvalis packet logs",
    "orvalis-log COMMAND [ARGS]",
    "Inspects, checks, replays and exports Orvalis packet log files (*.ov).",
    "Every command reads the file front to back in bounded memory and never stops at damage: "
    "what can be read is used, the damage is reported, and the exit code says so.",
    kOptions,
    kCommands,
    "'orvalis-log COMMAND --help' describes a command.\n"
    "exit codes: 0 success, 1 damaged file, 2 bad usage or a file that cannot be\n"
    "opened or written.",
    kSections,
    "orvalis(1), orvalis-board-sim(1)",
};

}  // namespace

const CommandHelp& LogToolHelp() {
    return kHelp;
}
