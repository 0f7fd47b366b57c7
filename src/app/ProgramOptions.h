#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "gpsd/GpsdSource.h"
#include "platform/LinkSocket.h"

class ISerialPort;
class CScenario;

// The command line of the program `orvalis`.
struct ProgramOptions {
    std::string strPort;     // --port PATH (empty: ORVALIS_PORT, then discovery)
    std::string strDataDir;  // --data-dir DIR, or the default folder
    int nScale = 0;          // --scale N; 0: the largest up to 2 that fits the display
    bool bFullscreen = false;
    bool bHeadless = false;
    std::string strScript;  // --script FILE
    bool bHelp = false;
    bool bVersion = false;
    // A recorded packet log played back as the board: --replay FILE, at
    // --speed X (1 = as recorded, 2 = twice as fast, 0 = as fast as the
    // program takes the packets).
    std::string strReplay;
    double dSpeed = 1.0;
    bool bSpeedGiven = false;
    // The simulated board in this process: --simulate[=SCENARIO], --seed N.
    // With --speed 0 it runs unpaced (as fast as the program reads);
    // otherwise at the line rate of the real board.
    bool bSimulate = false;
    std::string strScenario;
    uint64_t nSeed = 1;
    // The scenario of --simulate, loaded while the options are parsed (the
    // built-in one without a file); shared by copies of the options.
    std::shared_ptr<const CScenario> pScenario;
    // The forwarding link's peers: every --link-peer HOST[:PORT], in order;
    // without one, those of ORVALIS_LINK_PEER (commas or blanks between).
    std::vector<LinkPeer> linkPeers;
    // Positions from a gpsd: --gps gpsd[:HOST[:PORT]], else ORVALIS_GPS.
    std::optional<GpsdAddress> gpsd;

    // The board link is something other than a script's own bytes: a
    // serial port, a recorded log or the simulator.
    bool NamesBoardSource() const { return !strPort.empty() || !strReplay.empty() || bSimulate; }
};

// Parses the arguments (argv[0] is the program). Options take their value as
// the next argument or after '='; a next argument that starts with '-' is an
// option, not a value (--replay=-odd-name names such a file). --simulate
// takes its scenario file after '=' or as the next argument when that is not
// an option. An option given twice (--link-peer aside), --seed without
// --simulate and --fullscreen without a window are refused. 0, or -1 with a
// one-line reason in `error`; a bad scenario file is reported as
// "FILE:LINE: problem".
// The data folder defaults to DefaultDataDir of the environment; the link
// peers to ORVALIS_LINK_PEER; the gpsd source to ORVALIS_GPS.
int ParseProgramOptions(int argc, const char* const* argv, ProgramOptions& out, std::string& error);

// $XDG_DATA_HOME/orvalis when XDG_DATA_HOME is an absolute path, else
// $HOME/.local/share/orvalis, else ./orvalis-data.
std::string DefaultDataDir(const char* xdgDataHome, const char* home);

// Creates the folder (and its parents) when missing: 0, or -1.
int EnsureDataDir(const std::string& path);

// The --help text.
const char* ProgramUsage();

// The line to the board the options name: the recorded log of --replay, the
// simulator of --simulate, else the tty of --port, else of ORVALIS_PORT, else
// the one discovery finds, opened with the board settings. When it cannot be
// opened or configured, the person is told once ("Cannot Open Connection To
// Board.", "Could not SetCommState", or that the log cannot be played) and
// the port returned is not open: the program runs on without a board.
std::unique_ptr<ISerialPort> OpenBoardLink(const ProgramOptions& options);

// The text of a board port that failed: the fixed message the person knows
// ("Could not SetCommState"), then on its own line the device's path and the
// system's reason. When the device is there but the user may not open it
// (`openErrno` EACCES or EPERM), a third line says how to get access.
std::string BoardPortMessage(std::string_view message, const std::string& path,
                             std::string_view reason, int openErrno = 0);

// The line added for a port the user may not open.
inline constexpr const char* kBoardPortAccessHint =
    "To use the board, add your user to the dialout group and log in again.";

// What OpenBoardLink connects to, in the window title's words: "simulated
// board", "replay FILE" or the port's path.
std::string DescribeBoardLink(const ProgramOptions& options);
