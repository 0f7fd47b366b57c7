#include "sim/main/BoardSimHelp.h"

namespace {

constexpr HelpOption kOptions[] = {
    {"--pty", "",
     "create a pseudo-terminal, print its path and serve it (then: orvalis --port PATH)",
     HelpArg::None, "", "The path goes to standard output on a line of its own."},
    {"--stdio", "", "read commands on standard input, write packets to standard output"},
    {"--scenario", "FILE", "the radio environment (JSON); default: the built-in city block walk",
     HelpArg::File, "",
     "A bad scenario file is reported as \"orvalis-board-sim: FILE:LINE: problem\" (exit code "
     "2)."},
    {"--seed", "N", "seed of the simulation (default 1); same seed, same bytes", HelpArg::Word},
    {"--unpaced", "", "send as fast as the reader takes the bytes, not at 38,400 baud"},
    {"--duration", "S", "stop after S seconds of board time", HelpArg::Word},
    {"--gps", "gpsd[:HOST[:PORT]]",
     "the board's GPS messages carry a real receiver's fixes from gpsd (default "
     "localhost:2947) instead of the scenario's walk",
     HelpArg::Word, "gpsd",
     "gpsd's absence or loss is one line on standard error; it is tried again in the "
     "background."},
    {"--print-scenario", "", "write the built-in scenario's JSON to standard output"},
    {"-h, --help", "", "show this text"},
    {"--version", "", "show the version"},
};

constexpr HelpItem kFiles[] = {
    {"SCENARIO.json",
     "a scenario: the access points and stations of the radio environment, their traffic, the "
     "noise and the walk with its GPS fixes. --print-scenario writes the built-in one to start "
     "from."},
};

constexpr HelpItem kExitCodes[] = {
    {"0", "stopped by a signal, the end of --duration or the reader closing the line"},
    {"1", "the pseudo-terminal or the line failed"},
    {"2", "bad usage or a bad scenario file"},
    {"3", "a fault of the program's own it could not handle"},
};

constexpr HelpItem kExamples[] = {
    {"orvalis-board-sim --pty --seed 4",
     "Prints the pseudo-terminal's path (e.g. /dev/pts/7) and serves it; then run orvalis --port "
     "/dev/pts/7."},
    {"orvalis-board-sim --print-scenario > my-site.json", "The built-in scenario, to edit."},
    {"orvalis-board-sim --stdio --unpaced --seed 3 --duration 60 < commands.bin > board.bin",
     "Records a minute of board time."},
};

constexpr HelpSection kSections[] = {
    {"FILES", "", kFiles},
    {"EXIT STATUS", "", kExitCodes},
    {"EXAMPLES", "", kExamples},
};

constexpr CommandHelp kHelp = {
    "orvalis-board-sim",
    "the simulated RF measurement board of Orvalis",
    "orvalis-board-sim (--pty | --stdio) [--scenario FILE] [--seed N] [--unpaced]\n"
    "                         [--duration SECONDS] [--gps gpsd[:HOST[:PORT]]]\n"
    "       orvalis-board-sim --print-scenario | --help | --version",
    "Simulates the RF measurement board of the survey instrument.",
    "It answers the program's commands and streams beacons, data frames, sweeps, channel load, "
    "noise levels and GPS messages from a scenario (a radio environment and a walk), at the "
    "board's line rate unless --unpaced. Serve it on a pseudo-terminal and point orvalis(1) at "
    "it, or record its bytes. orvalis --simulate runs the same board inside the program.",
    kOptions,
    {},
    "",
    kSections,
    "orvalis(1), orvalis-log(1)",
};

}  // namespace

const CommandHelp& BoardSimHelp() {
    return kHelp;
}
