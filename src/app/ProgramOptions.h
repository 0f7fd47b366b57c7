#pragma once

#include <memory>
#include <string>

class ISerialPort;

// The command line of the program `orvalis`.
struct ProgramOptions {
    std::string strPort;     // --port PATH (empty: ORVALIS_PORT, then discovery)
    std::string strDataDir;  // --data-dir DIR, or the default folder
    int nScale = 2;          // --scale N
    bool bFullscreen = false;
    bool bHeadless = false;
    std::string strScript;  // --script FILE
    bool bHelp = false;
    bool bVersion = false;
    // The sources of the board link still to come (the simulated board, a
    // recorded log played back) are chosen here too; OpenBoardLink builds
    // whichever the options name.
};

// Parses the arguments (argv[0] is the program). Options take their value as
// the next argument or after '='. 0, or -1 with a one-line reason in `error`.
// The data folder defaults to DefaultDataDir of the environment.
int ParseProgramOptions(int argc, const char* const* argv, ProgramOptions& out, std::string& error);

// $XDG_DATA_HOME/orvalis when XDG_DATA_HOME is an absolute path, else
// $HOME/.local/share/orvalis, else ./orvalis-data.
std::string DefaultDataDir(const char* xdgDataHome, const char* home);

// Creates the folder (and its parents) when missing: 0, or -1.
int EnsureDataDir(const std::string& path);

// The --help text.
const char* ProgramUsage();

// The serial line to the board the options name: the tty of --port, else of
// ORVALIS_PORT, else the one discovery finds, opened with the board settings.
// When it cannot be opened or configured, the person is told once ("Cannot
// Open Connection To Board." or "Could not SetCommState") and the port
// returned is not open: the program runs on without a board.
std::unique_ptr<ISerialPort> OpenBoardLink(const ProgramOptions& options);
