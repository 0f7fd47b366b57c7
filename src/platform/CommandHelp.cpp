#include "platform/CommandHelp.h"

namespace {

constexpr size_t kWidth = 80;
constexpr size_t kOptionColumn = 20;
constexpr size_t kCommandColumn = 30;

// Appends `left` in the first column and `text` wrapped from `column` on;
// a left part too wide for its column puts the text on the next line.
void AppendEntry(std::string& out, std::string_view left, std::string_view text, size_t column) {
    std::string line = "  ";
    line += left;
    if (line.size() + 1 > column) {
        out += line;
        out += '\n';
        line.clear();
    }
    line.resize(column, ' ');
    bool bFirstWord = true;
    while (!text.empty()) {
        while (!text.empty() && (text.front() == ' ' || text.front() == '\n'))
            text.remove_prefix(1);
        if (text.empty()) break;
        size_t end = 0;
        while (end < text.size() && text[end] != ' ' && text[end] != '\n') ++end;
        const std::string_view word = text.substr(0, end);
        text.remove_prefix(end);
        if (!bFirstWord && line.size() + 1 + word.size() > kWidth) {
            out += line;
            out += '\n';
            line.assign(column, ' ');
            bFirstWord = true;
        }
        if (!bFirstWord) line += ' ';
        line += word;
        bFirstWord = false;
    }
    out += line;
    out += '\n';
}

std::string Left(std::string_view names, std::string_view arg) {
    std::string left(names);
    if (!arg.empty()) {
        left += ' ';
        left += arg;
    }
    return left;
}

}  // namespace

std::string FormatHelp(const CommandHelp& help) {
    std::string out = "usage: ";
    out += help.usage;
    out += '\n';
    if (!help.intro.empty()) {
        out += '\n';
        out += help.intro;
        out += "\n\n";
    }
    if (!help.commands.empty()) {
        out += "commands:\n";
        for (const HelpCommand& command : help.commands) {
            if (command.listing.empty())
                AppendEntry(out, Left(command.name, command.args), command.summary, kCommandColumn);
            for (const HelpItem& line : command.listing)
                AppendEntry(out, line.term, line.text, kCommandColumn);
        }
        if (!help.options.empty()) out += "\noptions:\n";
    }
    for (const HelpOption& option : help.options)
        AppendEntry(out, Left(option.names, option.arg), option.text, kOptionColumn);
    if (!help.outro.empty()) {
        out += '\n';
        out += help.outro;
        out += '\n';
    }
    return out;
}

const HelpOption* FindHelpOption(std::span<const HelpOption> options, std::string_view name) {
    for (const HelpOption& option : options) {
        bool bMatch = false;
        ForEachOptionName(option, [&](std::string_view one) { bMatch = bMatch || one == name; });
        if (bMatch) return &option;
    }
    return nullptr;
}

const HelpCommand* FindHelpCommand(const CommandHelp& help, std::string_view name) {
    for (const HelpCommand& command : help.commands)
        if (command.name == name) return &command;
    return nullptr;
}
