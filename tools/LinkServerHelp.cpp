#include "tools/LinkServerHelp.h"

namespace {

constexpr HelpOption kOptions[] = {
    {"--port", "N", "TCP port to listen on (default 7207; 0 lets the system pick)", HelpArg::Word},
    {"--bind", "ADDRESS", "address to listen on (default: every address)", HelpArg::Word},
    {"--json", "FILE",
     "write one JSON object per message to FILE instead ('-' for standard output)", HelpArg::File},
    {"--count", "N", "stop after N messages", HelpArg::Word},
    {"-h, --help", "", "show this text"},
};

constexpr HelpItem kExitCodes[] = {
    {"0", "stopped normally: a signal, or --count reached"},
    {"1", "cannot listen or write"},
    {"2", "bad usage"},
    {"3", "a fault of the program's own it could not handle"},
};

constexpr HelpItem kExamples[] = {
    {"orvalis-link-server --port 7207 --json survey.jsonl",
     "Receive on the default port and keep every message; the instrument runs with "
     "orvalis --link-peer HOST."},
};

constexpr HelpSection kSections[] = {
    {"EXIT STATUS", "", kExitCodes},
    {"EXAMPLES", "", kExamples},
};

constexpr CommandHelp kHelp = {
    "orvalis-link-server",
    "receive the messages Orvalis forwards over its link",
    "orvalis-link-server [--port N] [--bind ADDRESS] [--json FILE] [--count N]",
    "Receives the messages Orvalis forwards over its link (orvalis --link-peer\n"
    "HOST[:PORT] with \"Enable Heron Interface\" on): each a GPS packet from the\n"
    "board with a text record naming the board and the strongest station.\n"
    "Prints one line per message: the sender, the text record's five fields and\n"
    "the GPS fix it carries.",
    "Any number of peers may connect.",
    kOptions,
    {},
    "Connections and the listening address are reported on standard error\n"
    "(\"listening on ADDRESS:PORT\").\n"
    "exit codes: 0 stopped normally (a signal, or --count reached), 1 cannot\n"
    "listen or write, 2 bad usage.",
    kSections,
    "orvalis(1)",
};

}  // namespace

const CommandHelp& LinkServerHelp() {
    return kHelp;
}
