#pragma once

#include <span>
#include <string>
#include <string_view>

// The description of one program's command line: what --help prints, and
// what the manual page and the shell completion are generated from, so that
// the three cannot tell different stories.

// What an option's value (or a command's argument) is, for completion.
enum class HelpArg {
    None,    // a switch without a value
    File,    // a file name
    Dir,     // a folder name
    Device,  // a serial device (/dev/tty*)
    Choice,  // one of `choices`
    Word,    // anything else: a number, an address
};

struct HelpOption {
    constexpr HelpOption(std::string_view names_, std::string_view arg_, std::string_view text_,
                         HelpArg kind_ = HelpArg::None, std::string_view choices_ = {},
                         std::string_view more_ = {})
        : names(names_), arg(arg_), text(text_), kind(kind_), choices(choices_), more(more_) {}

    std::string_view names;  // "--port", or "-o, --output"
    std::string_view arg;    // "PATH", "[FILE]" when optional, empty for a switch
    std::string_view text;   // the --help line(s), one paragraph
    HelpArg kind;
    std::string_view choices;  // blank-separated words of a Choice
    std::string_view more;     // further detail for the manual page only
};

// A term and its description: a file, a variable, an exit code, a script
// step, an example.
struct HelpItem {
    std::string_view term;
    std::string_view text;
};

// A section of the manual page beyond the generated ones: paragraphs
// separated by blank lines, then the items.
struct HelpSection {
    std::string_view title;  // "FILES", "EXIT STATUS"
    std::string_view text;
    std::span<const HelpItem> items;
};

// A subcommand (orvalis-log info FILE).
struct HelpCommand {
    constexpr HelpCommand(std::string_view name_, std::string_view args_, std::string_view summary_,
                          std::string_view help_, std::span<const HelpOption> options_,
                          std::string_view firstWords_ = {},
                          std::span<const HelpItem> listing_ = {})
        : name(name_),
          args(args_),
          summary(summary_),
          help(help_),
          options(options_),
          firstWords(firstWords_),
          listing(listing_) {}

    std::string_view name;     // "export"
    std::string_view args;     // "pcap|wigle|kml FILE OUT"
    std::string_view summary;  // its line in the program's --help
    // The command's own --help text, printed as it is: a string literal, so
    // that help.data() ends with its NUL.
    std::string_view help;
    std::span<const HelpOption> options;
    std::string_view firstWords;  // blank-separated words its first argument is one of
    // Its lines in the program's --help when one (name args, summary) will
    // not do: a line per form.
    std::span<const HelpItem> listing;
};

struct CommandHelp {
    std::string_view name;         // "orvalis"
    std::string_view purpose;      // the manual page's one-line NAME text
    std::string_view usage;        // the usage line(s) after "usage: ", newline-separated
    std::string_view intro;        // paragraphs between the usage and the options
    std::string_view description;  // the manual page's DESCRIPTION, after the intro
    std::span<const HelpOption> options;
    std::span<const HelpCommand> commands;
    std::string_view outro;  // paragraphs at the end of --help
    std::span<const HelpSection> sections;
    std::string_view seeAlso;  // "orvalis-log(1), orvalis-board-sim(1)"
};

// The --help text: usage, intro, options (or commands) in two columns, outro.
std::string FormatHelp(const CommandHelp& help);

// The option named `name` ("--port", "-o"), or null.
const HelpOption* FindHelpOption(std::span<const HelpOption> options, std::string_view name);

// The subcommand named `name`, or null.
const HelpCommand* FindHelpCommand(const CommandHelp& help, std::string_view name);

// Each name of an option, "-o, --output" giving "-o" and "--output".
template <typename F>
void ForEachOptionName(const HelpOption& option, F&& f) {
    std::string_view rest = option.names;
    while (!rest.empty()) {
        const size_t comma = rest.find(',');
        std::string_view one = rest.substr(0, comma);
        while (!one.empty() && one.front() == ' ') one.remove_prefix(1);
        while (!one.empty() && one.back() == ' ') one.remove_suffix(1);
        if (!one.empty()) f(one);
        if (comma == std::string_view::npos) break;
        rest.remove_prefix(comma + 1);
    }
}
