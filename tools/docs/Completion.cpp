#include "tools/docs/Completion.h"

#include <string_view>

namespace {

std::string FunctionName(std::string_view program) {
    std::string name = "_";
    for (char c : program) name += c == '-' ? '_' : c;
    return name;
}

std::string OptionWords(std::span<const HelpOption> options) {
    std::string words;
    for (const HelpOption& option : options) {
        ForEachOptionName(option, [&](std::string_view name) {
            if (!words.empty()) words += ' ';
            words += name;
        });
    }
    return words;
}

// The call completing the value of an option of this kind.
std::string ValueCall(const std::string& fn, const HelpOption& option) {
    const std::string choices(option.choices);
    switch (option.kind) {
        case HelpArg::File:
            return fn + "_value file";
        case HelpArg::Dir:
            return fn + "_value dir";
        case HelpArg::Device:
            return fn + "_value device";
        case HelpArg::Choice:
            return fn + std::string("_value choice '") + choices + "'";
        case HelpArg::Word:
            // A value that starts with a fixed word (gpsd:HOST) is offered
            // that word, to go on typing after it.
            if (!choices.empty()) return fn + std::string("_value prefix '") + choices + "'";
            return ":";
        case HelpArg::None:
            break;
    }
    return ":";
}

// `case $prev in ... esac` arms for the options that take a value; an arm
// completes the value and returns.
std::string ValueCases(const std::string& fn, std::span<const HelpOption> options,
                       std::string_view indent) {
    std::string out;
    for (const HelpOption& option : options) {
        if (option.arg.empty() || option.arg.starts_with('[')) continue;
        std::string names;
        ForEachOptionName(option, [&](std::string_view name) {
            if (!names.empty()) names += '|';
            names += name;
        });
        out += std::string(indent) + names + ") " + ValueCall(fn, option) + "; return ;;\n";
    }
    return out;
}

// Options whose value is optional ("--simulate [FILE]"): a word after them
// that is not an option is their value.
std::string OptionalValues(const std::string& fn, std::span<const HelpOption> options,
                           std::string_view indent) {
    std::string out;
    for (const HelpOption& option : options) {
        if (!option.arg.starts_with('[')) continue;
        ForEachOptionName(option, [&](std::string_view name) {
            out += std::string(indent) + "if [[ $prev == " + std::string(name) +
                   " && $cur != -* ]]; then " + ValueCall(fn, option) + "; return; fi\n";
        });
    }
    return out;
}

}  // namespace

std::string BashCompletion(const CommandHelp& help) {
    const std::string program(help.name);
    const std::string fn = FunctionName(help.name);
    std::string out;
    out += "# bash completion for " + program + "\n\n";
    out += fn + "_value()\n{\n";
    out += "    case $1 in\n";
    out += "        file) compopt -o filenames 2>/dev/null\n";
    out += "            mapfile -t COMPREPLY < <(compgen -f -- \"$cur\") ;;\n";
    out += "        dir) compopt -o filenames 2>/dev/null\n";
    out += "            mapfile -t COMPREPLY < <(compgen -d -- \"$cur\") ;;\n";
    out += "        device) compopt -o filenames 2>/dev/null\n";
    out += "            mapfile -t COMPREPLY < <(compgen -f -- \"${cur:-/dev/tty}\") ;;\n";
    out += "        choice) mapfile -t COMPREPLY < <(compgen -W \"$2\" -- \"$cur\") ;;\n";
    out += "        prefix) compopt -o nospace 2>/dev/null\n";
    out += "            mapfile -t COMPREPLY < <(compgen -W \"$2\" -- \"$cur\") ;;\n";
    out += "    esac\n}\n\n";

    out += fn + "()\n{\n";
    out += "    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}\n";
    out += "    local cword=$COMP_CWORD\n";
    out += "    COMPREPLY=()\n";
    out += "    # bash splits --option=value at the '='.\n";
    out += "    if [[ $cur == = ]]; then\n        cur=\n";
    out += "    elif [[ $prev == = ]] && ((cword > 1)); then\n";
    out += "        prev=${COMP_WORDS[cword-2]}\n    fi\n";

    if (help.commands.empty()) {
        out += "    case $prev in\n" + ValueCases(fn, help.options, "        ") + "    esac\n";
        out += OptionalValues(fn, help.options, "    ");
        out += "    mapfile -t COMPREPLY < <(compgen -W \"" + OptionWords(help.options) +
               "\" -- \"$cur\")\n";
    } else {
        std::string commandWords;
        for (const HelpCommand& command : help.commands) {
            if (!commandWords.empty()) commandWords += ' ';
            commandWords += command.name;
        }
        out += "    if ((cword == 1)); then\n";
        out += "        mapfile -t COMPREPLY < <(compgen -W \"" + commandWords + " " +
               OptionWords(help.options) + "\" -- \"$cur\")\n";
        out += "        return\n    fi\n";
        out += "    case ${COMP_WORDS[1]} in\n";
        for (const HelpCommand& command : help.commands) {
            out += "        " + std::string(command.name) + ")\n";
            const std::string cases = ValueCases(fn, command.options, "                ");
            if (!cases.empty()) out += "            case $prev in\n" + cases + "            esac\n";
            if (!command.firstWords.empty()) {
                out += "            if ((cword == 2)); then " + fn + "_value choice '" +
                       std::string(command.firstWords) + "'; return; fi\n";
            }
            out += "            if [[ $cur == -* ]]; then\n";
            out += "                mapfile -t COMPREPLY < <(compgen -W \"" +
                   OptionWords(command.options) + "\" -- \"$cur\")\n";
            out += "            else\n                " + fn + "_value file\n            fi ;;\n";
        }
        out += "    esac\n";
    }
    out += "}\n";
    out += "complete -F " + fn + " " + program + "\n";
    return out;
}
