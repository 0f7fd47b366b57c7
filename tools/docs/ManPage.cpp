#include "tools/docs/ManPage.h"

#include <vector>

namespace {

std::vector<std::string_view> Split(std::string_view text, std::string_view separator) {
    std::vector<std::string_view> parts;
    while (true) {
        const size_t at = text.find(separator);
        parts.push_back(text.substr(0, at));
        if (at == std::string_view::npos) break;
        text.remove_prefix(at + separator.size());
    }
    return parts;
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\n')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\n')) text.remove_suffix(1);
    return text;
}

std::string Upper(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

std::string Bold(std::string_view text) {
    return "\\fB" + RoffEscape(text) + "\\fR";
}

// One line of roff text: escaped, with a line that starts with a request
// character made literal.
std::string TextLine(std::string_view line) {
    std::string out = RoffEscape(Trim(line));
    if (!out.empty() && (out[0] == '.' || out[0] == '\'')) out.insert(0, "\\&");
    return out;
}

// A list in the help's own layout: an item starts with two blanks and its
// term, its text follows after blanks; lines indented further continue it.
bool IsIndentedList(std::string_view paragraph) {
    return paragraph.starts_with("  ") && paragraph.size() > 2 && paragraph[2] != ' ';
}

void AppendIndentedList(std::string& out, std::string_view paragraph) {
    for (std::string_view line : Split(paragraph, "\n")) {
        if (line.starts_with("  ") && line.size() > 2 && line[2] != ' ') {
            line.remove_prefix(2);
            const size_t space = line.find(' ');
            out += ".TP\n" + Bold(line.substr(0, space)) + "\n";
            if (space == std::string_view::npos) continue;
            line.remove_prefix(space);
        }
        if (!Trim(line).empty()) out += TextLine(line) + "\n";
    }
}

// Paragraphs separated by blank lines; `separator` starts each after the
// first (".PP" at the top level, ".IP" inside an item).
void AppendParagraphs(std::string& out, std::string_view text, std::string_view separator) {
    bool bFirst = true;
    for (std::string_view paragraph : Split(text, "\n\n")) {
        while (paragraph.starts_with("\n")) paragraph.remove_prefix(1);
        while (paragraph.ends_with("\n")) paragraph.remove_suffix(1);
        if (Trim(paragraph).empty()) continue;
        if (!bFirst) out += std::string(separator) + "\n";
        bFirst = false;
        if (IsIndentedList(paragraph)) {
            out += ".RS\n";
            AppendIndentedList(out, paragraph);
            out += ".RE\n";
            continue;
        }
        for (std::string_view line : Split(paragraph, "\n")) {
            if (!Trim(line).empty()) out += TextLine(line) + "\n";
        }
    }
}

std::string OptionTag(const HelpOption& option) {
    std::string tag;
    ForEachOptionName(option, [&](std::string_view name) {
        if (!tag.empty()) tag += ", ";
        tag += Bold(name);
    });
    if (!option.arg.empty()) tag += " \\fI" + RoffEscape(option.arg) + "\\fR";
    return tag;
}

void AppendOptions(std::string& out, std::span<const HelpOption> options) {
    for (const HelpOption& option : options) {
        out += ".TP\n" + OptionTag(option) + "\n";
        AppendParagraphs(out, option.text, ".IP");
        if (!option.more.empty()) {
            out += ".IP\n";
            AppendParagraphs(out, option.more, ".IP");
        }
    }
}

// A command's help text without its usage lines (those before the first
// blank line), which the page shows as the subsection's synopsis.
void SplitCommandHelp(std::string_view help, std::string_view& usage, std::string_view& body) {
    const size_t blank = help.find("\n\n");
    usage = help.substr(0, blank);
    body = blank == std::string_view::npos ? std::string_view() : help.substr(blank + 2);
}

void AppendSynopsis(std::string& out, std::string_view usage, std::string_view program) {
    out += ".nf\n";
    for (std::string_view line : Split(usage, "\n")) {
        line = Trim(line);
        if (line.starts_with("usage:")) line = Trim(line.substr(6));
        if (line.starts_with(program)) {
            out += Bold(program) + RoffEscape(line.substr(program.size())) + "\n";
        } else {
            out += "    " + TextLine(line) + "\n";
        }
    }
    out += ".fi\n";
}

}  // namespace

std::string RoffEscape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '\\') {
            out += "\\e";
        } else if (c == '-') {
            out += "\\-";
        } else {
            out += c;
        }
    }
    return out;
}

std::string ManPage(const CommandHelp& help, std::string_view version) {
    std::string out;
    out += ".TH " + Upper(help.name) + " 1 \"\" \"" + std::string(help.name) + " " +
           std::string(version) + "\" \"User Commands\"\n";
    out += ".SH NAME\n" + RoffEscape(help.name) + " \\- " + RoffEscape(help.purpose) + "\n";
    out += ".SH SYNOPSIS\n";
    AppendSynopsis(out, help.usage, help.name);
    out += ".SH DESCRIPTION\n";
    AppendParagraphs(out, help.intro, ".PP");
    if (!help.description.empty()) {
        if (!help.intro.empty()) out += ".PP\n";
        AppendParagraphs(out, help.description, ".PP");
    }
    if (!help.options.empty()) {
        out += ".SH OPTIONS\n";
        AppendOptions(out, help.options);
    }
    if (!help.commands.empty()) {
        out += ".SH COMMANDS\n";
        for (const HelpCommand& command : help.commands) {
            std::string_view usage, body;
            SplitCommandHelp(command.help, usage, body);
            out += ".SS " + RoffEscape(command.name) + "\n";
            AppendSynopsis(out, usage, help.name);
            out += ".PP\n";
            AppendParagraphs(out, body, ".PP");
            // A command whose only option is --help needs no list of them.
            const bool bOnlyHelp =
                command.options.size() == 1 && FindHelpOption(command.options, "--help") != nullptr;
            if (!command.options.empty() && !bOnlyHelp) {
                out += ".PP\nOptions:\n.RS\n";
                AppendOptions(out, command.options);
                out += ".RE\n";
            }
        }
    }
    for (const HelpSection& section : help.sections) {
        out += ".SH " + RoffEscape(section.title) + "\n";
        AppendParagraphs(out, section.text, ".PP");
        if (!section.text.empty() && !section.items.empty()) out += ".PP\n";
        for (const HelpItem& item : section.items) {
            out += ".TP\n" + Bold(item.term) + "\n";
            AppendParagraphs(out, item.text, ".IP");
        }
    }
    if (!help.seeAlso.empty()) {
        out += ".SH SEE ALSO\n";
        // "orvalis-log(1), gpsd(8)": each page name in bold, its section plain.
        bool bFirst = true;
        for (std::string_view ref : Split(help.seeAlso, ",")) {
            ref = Trim(ref);
            const size_t paren = ref.find('(');
            if (!bFirst) out += ",\n";
            bFirst = false;
            out += Bold(ref.substr(0, paren));
            if (paren != std::string_view::npos) out += RoffEscape(ref.substr(paren));
        }
        out += "\n";
    }
    return out;
}
