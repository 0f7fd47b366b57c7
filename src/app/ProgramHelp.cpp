#include "app/ProgramHelp.h"

namespace {

constexpr HelpOption kOptions[] = {
    {"--port", "PATH", "serial device of the RF board (else ORVALIS_PORT, else discovery)",
     HelpArg::Device, "",
     "Without it: the device ORVALIS_PORT names, then the serial devices the system lists (the "
     "board's CompactFlash or USB serial card), then /dev/ttyS0."},
    {"--data-dir", "DIR", "the instrument's root folder (default $XDG_DATA_HOME/orvalis)",
     HelpArg::Dir, "",
     "It holds the counter file, the list files, the Geiger click kernel and is the default "
     "folder of logs and snapshots (see FILES). Without XDG_DATA_HOME: ~/.local/share/orvalis. "
     "The folder is created when needed."},
    {"--scale", "N",
     "window pixels per screen pixel (1-16; default 2, less on a display too small for it)",
     HelpArg::Word},
    {"--fullscreen", "", "fill the display", HelpArg::None, "", "Not with --headless or --script."},
    {"--replay", "FILE", "play a recorded log as the board", HelpArg::File, "",
     "The program's commands to the board are dropped. A file that cannot be played is told once "
     "(\"Cannot play the log FILE (reason).\" or \"FILE is not an Orvalis log\") and the program "
     "runs on without a board."},
    {"--speed", "X",
     "replay speed (1 = as recorded, 0 = as fast as possible); with --simulate, 0 runs the "
     "simulator unpaced",
     HelpArg::Word, "",
     "With --replay from 0 to 1000 (2 is twice as fast). With --simulate only 1, the board's "
     "line rate, and 0."},
    {"--simulate", "[FILE]", "run on the simulated board (built-in or FILE scenario)",
     HelpArg::File, "",
     "The scenario file follows as the next argument or after '='. A bad scenario file is "
     "reported as \"orvalis: FILE:LINE: problem\" and the program exits with code 2. The window "
     "title says \"simulated board\"."},
    {"--seed", "N", "seed of the simulated board (default 1; with --simulate)", HelpArg::Word, "",
     "Same seed, scenario and command timing give the same bytes."},
    {"--link-peer", "HOST[:PORT]",
     "a peer of the forwarding link (repeatable; default port 7207; else ORVALIS_LINK_PEER)",
     HelpArg::Word, "",
     "Peers are tried in order; an IPv6 address goes in brackets ([::1]:7207). The receiving "
     "side is orvalis-link-server(1)."},
    {"--gps", "gpsd[:HOST[:PORT]]",
     "positions from gpsd (default localhost:2947) while the board's own GPS receiver is "
     "silent; else ORVALIS_GPS",
     HelpArg::Word, "gpsd",
     "An IPv6 address goes in brackets (gpsd:[::1]:2947). A gpsd that is absent or lost is tried "
     "again in the background; each change is one line on standard error."},
    {"--headless", "", "run without a window", HelpArg::None, "",
     "No window and no sound device; events are printed on standard output (see HEADLESS "
     "SCRIPTS)."},
    {"--script", "FILE", "drive the program from a script (implies --headless)", HelpArg::File},
    {"-h, --help", "", "show this text"},
    {"--version", "", "show the version"},
};

constexpr HelpItem kSteps[] = {
    {"feed HEX ...", "bytes from the board, each one or two hexadecimal digits (0x allowed)"},
    {"feed-file PATH", "the bytes of a file, from the board (at most 16 MB)"},
    {"settle",
     "waits until every byte fed has been read and dispatched, every posted message handled, the "
     "pending command written to the board and the active screen repainted"},
    {"tap X Y", "stylus down at view coordinates (the screen area is 240 x 270)"},
    {"command ID_NAME",
     "a command-bar command by its identifier (ID_GOTO_MAIN_MENU, ID_RECORD_DATA, "
     "ID_STOP_RECORDING, ID_SNAPSHOT, ID_UP, ID_DOWN, ID_OPTIONS, ID_INCREMENT_MARKER, ID_ABOUT) "
     "or its number"},
    {"click ID", "clicks the control with that numeric id on the active form"},
    {"text ID TEXT", "sets the text of an edit field of the active form (the rest of the line)"},
    {"minimize", "minimises the window, which ends the program"},
    {"answer ok [NAME] | answer cancel",
     "how the next save-file dialog is answered (default: ok with the proposed name); NAME is a "
     "file name in the data folder"},
    {"answer yes | answer no", "how the next Yes/No question is answered (default: yes)"},
    {"clock YYYY-MM-DD HH:MM:SS", "the local time the program sees from then on"},
    {"screenshot PATH", "the active screen as a PNG, 240 x 270 pixels"},
    {"state PATH", "the data store as JSON"},
    {"texts PATH", "every text the last paint of the active screen drew, as a JSON array"},
    {"option NAME on|off", "sets a switch of the options screen (security, non-ap, heron)"},
    {"sleep MS", "lets the program run for MS milliseconds"},
    {"quit", "ends the run"},
};

constexpr HelpItem kEvents[] = {
    {"tx: 11 12 03 06 11 13", "the program wrote these bytes to the board"},
    {"sound: NAME", "a sound cue played (PING, WHOOSH, CAMERA, REDALERT)"},
    {"beep", "the exclamation beep"},
    {"msgbox: CAPTION | TEXT", "a message box, answered OK at once"},
    {"view: CClassName", "the screen shown changed"},
    {"dialog: save | PROPOSED NAME", "a save-file dialog, answered as the script said"},
    {"question: CAPTION | TEXT | yes", "a Yes/No question and the answer given"},
};

constexpr HelpItem kFiles[] = {
    {"$XDG_DATA_HOME/orvalis, ~/.local/share/orvalis",
     "the data folder, unless --data-dir names another; ./orvalis-data without HOME"},
    {"DATA/ovlog.ov",
     "the name Record Data offers for a packet log; logs (*.ov) are read by orvalis-log(1) and "
     "--replay"},
    {"DATA/ovNNNNNN.jpg", "snapshots of the screen, numbered from the counter file"},
    {"DATA/ovimgcnt.cnt",
     "the snapshot counter: its first line is the next number; missing or unreadable, it counts "
     "as 1"},
    {"DATA/auth.lst, DATA/unauth.lst",
     "the authorized and unauthorized access points of the security screen"},
    {"DATA/windows/spike.wav", "the Geiger click kernel, written when missing; yours to replace"},
    {"SCENARIO.json",
     "a scenario of the simulated board (--simulate FILE); orvalis-board-sim --print-scenario "
     "writes the built-in one"},
};

constexpr HelpItem kEnvironment[] = {
    {"ORVALIS_PORT", "the board's serial device when --port is not given"},
    {"ORVALIS_LINK_PEER",
     "the forwarding link's peers (HOST[:PORT], commas or blanks between) without --link-peer"},
    {"ORVALIS_GPS", "gpsd[:HOST[:PORT]] as for --gps, when the option is not given"},
    {"ORVALIS_FONT", "a font file used for every face instead of fontconfig's choice"},
    {"XDG_DATA_HOME, HOME", "where the default data folder lies"},
    {"SDL_VIDEODRIVER",
     "another SDL video driver than the desktop's (Wayland, X11) or the console's (KMS/DRM)"},
    {"WAYLAND_DISPLAY, DISPLAY", "the desktop display the window opens on"},
    {"SDL_AUDIODRIVER", "another SDL audio driver than PipeWire, PulseAudio or ALSA"},
    {"XDG_RUNTIME_DIR, PULSE_SERVER",
     "where the PipeWire and PulseAudio sockets are looked for; PULSE_SERVER names a PulseAudio "
     "server"},
};

constexpr HelpItem kExitCodes[] = {
    {"0", "normal end; a script ran to its end"},
    {"1",
     "no display found for the window, or a script step could not do its work (the script goes "
     "on)"},
    {"2", "bad usage: a bad option, script or scenario file"},
    {"3", "a fault of the program's own it could not handle (\"orvalis: internal error: ...\")"},
};

constexpr HelpItem kExamples[] = {
    {"orvalis --port /dev/ttyUSB0", "Survey with the board on a USB serial adapter."},
    {"orvalis --simulate --seed 7", "Run on the simulated board."},
    {"orvalis --replay survey.ov --speed 2", "Play a recorded survey twice as fast."},
    {"orvalis --script steps.txt --simulate --speed 0 --data-dir /tmp/orv",
     "Drive the program headless from a script, on the unpaced simulator."},
};

constexpr HelpSection kSections[] = {
    {"HEADLESS SCRIPTS",
     "With --script FILE the program runs without a window and takes one step per line from "
     "FILE. # at the start of a word begins a comment; blank lines are ignored. The whole script "
     "is checked before anything runs: a malformed step is reported with its line number "
     "(\"orvalis: FILE: line 3: ...\") and the program exits with code 2.\n\n"
     "Without --port, --replay or --simulate the board is the script: feed steps are what the "
     "program receives, and every write to the board is printed as a tx: line. With one of them "
     "feed steps are refused. Every step but settle settles first; after the last step the "
     "program settles once more and exits.",
     kSteps},
    {"OUTPUT",
     "Headless, standard output carries one event per line. The first tx: line of every run asks "
     "for the firmware version: tx: 11 12 01 11 13.",
     kEvents},
    {"FILES", "DATA stands for the data folder.", kFiles},
    {"ENVIRONMENT", "", kEnvironment},
    {"EXIT STATUS",
     "When the board's port cannot be opened the program says so once (\"Cannot Open Connection "
     "To Board.\" or \"Could not SetCommState\", with the port and the reason) and runs on "
     "without a board.",
     kExitCodes},
    {"EXAMPLES", "", kExamples},
};

constexpr CommandHelp kHelp = {
    "orvalis",
    "front end of a hand-held 2.4 GHz 802.11b survey instrument",
    "orvalis [options]",
    "",
    "Orvalis configures the RF measurement board on a serial line, keeps what it streams "
    "(spectrum sweeps, captured 802.11 frames, channel load, noise levels, battery state and GPS "
    "messages) in one data store and shows it on 240 x 320 touch screens, in a window or "
    "headless.\n\n"
    "The board is the serial device of --port, a recorded log (--replay) or the simulated board "
    "(--simulate); only one of them may be given. Options take their value as the next argument "
    "or after '=' (--scale=3); a value that starts with '-' must be joined (--replay=-old.ov). "
    "An option given twice (--link-peer aside) is refused.",
    kOptions,
    {},
    "",
    kSections,
    "orvalis-log(1), orvalis-board-sim(1), orvalis-link-server(1), gpsd(8)",
};

}  // namespace

const CommandHelp& OrvalisHelp() {
    return kHelp;
}
