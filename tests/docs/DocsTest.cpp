// The manual pages and completion scripts generated from the help tables:
// they render cleanly, show what the tables hold, and complete command lines.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "tests/support/ChildProcess.h"
#include "tests/support/FileText.h"
#include "tests/support/TempFolder.h"
#include "tools/docs/Completion.h"
#include "tools/docs/ManPage.h"
#include "tools/docs/Programs.h"

using ::testing::HasSubstr;
using ::testing::UnorderedElementsAreArray;

namespace {

struct ShellResult {
    int rc = -1;
    std::string out;
    std::string err;
};

// Runs a shell script with the arguments $1...
ShellResult Shell(const CTempFolder& dir, const std::string& script,
                  const std::vector<std::string>& args = {}) {
    std::vector<std::string> argv = {"-c", script, "sh"};
    argv.insert(argv.end(), args.begin(), args.end());
    ShellResult result;
    const pid_t pid = SpawnChild("/bin/sh", argv, dir.Path("out.txt"), dir.Path("err.txt"));
    result.rc = pid < 0 ? -1 : WaitChild(pid);
    result.out = ReadFileText(dir.Path("out.txt"));
    result.err = ReadFileText(dir.Path("err.txt"));
    return result;
}

std::string Write(const CTempFolder& dir, const std::string& name, const std::string& text) {
    const std::string path = dir.Path(name);
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

bool HaveTool(const CTempFolder& dir, const char* tool) {
    return Shell(dir, "command -v \"$1\" >/dev/null", {tool}).rc == 0;
}

// The page as plain text on a line wide enough that nothing is broken.
std::string Rendered(const CTempFolder& dir, const std::string& page) {
    return Shell(dir, "groff -man -Tascii -P-cbou -rLL=400n -rHY=0 \"$1\"", {page}).out;
}

TEST(ManPageTest, EveryPageRendersWithoutWarnings) {
    CTempFolder dir;
    if (!HaveTool(dir, "groff") || !HaveTool(dir, "man")) GTEST_SKIP() << "groff or man missing";
    for (const CommandHelp* help : DocumentedPrograms()) {
        const std::string name(help->name);
        const std::string page = Write(dir, name + ".1", ManPage(*help, "1.0"));
        const auto groff = Shell(dir, "groff -man -ww -z \"$1\"", {page});
        EXPECT_EQ(groff.rc, 0) << name;
        EXPECT_EQ(groff.err, "") << name;
        const auto man =
            Shell(dir, "LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l \"$1\" >/dev/null", {page});
        EXPECT_EQ(man.rc, 0) << name;
        EXPECT_EQ(man.err, "") << name;

        // Every option and command of the table reaches the reader intact.
        const std::string text = Rendered(dir, page);
        EXPECT_THAT(text, HasSubstr(name + " - ")) << name;
        for (const HelpOption& option : help->options)
            EXPECT_THAT(text, HasSubstr(std::string(option.names))) << name;
        for (const HelpCommand& command : help->commands) {
            EXPECT_THAT(text, HasSubstr(name + " " + std::string(command.name))) << name;
            for (const HelpOption& option : command.options)
                EXPECT_THAT(text, HasSubstr(std::string(option.names))) << command.name;
        }
        for (const HelpSection& section : help->sections)
            for (const HelpItem& item : section.items)
                EXPECT_THAT(text, HasSubstr(std::string(item.term))) << name;
    }
}

// Text that roff would otherwise take for requests, escapes or macros.
TEST(ManPageTest, AwkwardTextComesOutAsWritten) {
    CTempFolder dir;
    if (!HaveTool(dir, "groff")) GTEST_SKIP() << "groff missing";
    static constexpr HelpOption kOptions[] = {
        {"--path", "C:\\DIR", "a folder like C:\\fB, not bold", HelpArg::Dir},
    };
    static constexpr HelpItem kItems[] = {{".hidden", "'quoted line"}};
    static constexpr HelpSection kSections[] = {{"FILES", "", kItems}};
    const CommandHelp help{"odd-tool",
                           "a tool with awkward text",
                           "odd-tool [--path DIR]",
                           "The first line.\n.br is not a request\n'also not",
                           "",
                           kOptions,
                           {},
                           "",
                           kSections,
                           "orvalis(1)"};
    const std::string page = Write(dir, "odd.1", ManPage(help, "1.0"));
    const auto groff = Shell(dir, "groff -man -ww -z \"$1\"", {page});
    EXPECT_EQ(groff.err, "");
    const std::string text = Rendered(dir, page);
    for (const char* expected : {".br is not a request 'also not", "--path C:\\DIR",
                                 "C:\\fB, not bold", ".hidden", "'quoted line", "odd-tool - a"})
        EXPECT_THAT(text, HasSubstr(expected));
}

TEST(HelpTextTest, FitsTheTerminalAndListsEveryOption) {
    for (const CommandHelp* help : DocumentedPrograms()) {
        const std::string text = FormatHelp(*help);
        std::istringstream lines(text);
        for (std::string line; std::getline(lines, line);) {
            // A usage line is kept as written; the rest is wrapped.
            if (line.starts_with("usage:") || line.starts_with("       ")) continue;
            EXPECT_LE(line.size(), 80u) << help->name << ": " << line;
        }
        for (const HelpOption& option : help->options)
            EXPECT_THAT(text, HasSubstr("  " + std::string(option.names))) << help->name;
    }
}

// What the completion function offers for a command line; the last word is
// the one being completed.
std::vector<std::string> Complete(const CTempFolder& dir, const std::string& program,
                                  const std::vector<std::string>& words) {
    const CommandHelp* help = FindDocumentedProgram(program);
    if (help == nullptr) return {"no such program"};
    const std::string script = Write(dir, program + ".bash", BashCompletion(*help));
    std::vector<std::string> args = {script, program};
    args.insert(args.end(), words.begin(), words.end());
    const auto run = Shell(dir,
                           "exec bash -c '. \"$1\"; shift; COMP_WORDS=(\"$@\"); "
                           "COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); "
                           "f=$(complete -p \"$1\" | sed \"s/.*-F \\([^ ]*\\) .*/\\1/\"); "
                           "$f; printf \"%s\\n\" \"${COMPREPLY[@]}\"' bash \"$@\"",
                           args);
    std::vector<std::string> offered;
    std::istringstream lines(run.out);
    for (std::string line; std::getline(lines, line);)
        if (!line.empty()) offered.push_back(line);
    if (!run.err.empty()) offered.push_back("stderr: " + run.err);
    return offered;
}

TEST(CompletionTest, OffersTheTablesWords) {
    CTempFolder dir;
    if (!HaveTool(dir, "bash")) GTEST_SKIP() << "bash missing";
    Write(dir, "survey.ov", "");
    Write(dir, "survey.json", "");
    const std::string ov = dir.Path("survey.o");
    struct Case {
        std::vector<std::string> words;
        std::vector<std::string> expected;
    };
    const std::vector<Case> cases = {
        {{"orvalis", "--s"}, {"--scale", "--speed", "--simulate", "--seed", "--script"}},
        {{"orvalis", "--replay", ov}, {ov + "v"}},
        {{"orvalis", "--replay", "=", ov}, {ov + "v"}},
        {{"orvalis", "--simulate", dir.Path("survey.j")}, {dir.Path("survey.json")}},
        {{"orvalis", "--data-dir", dir.Folder() + "/"}, {}},
        {{"orvalis", "--scale", ""}, {}},
        {{"orvalis", "--gps", "g"}, {"gpsd"}},
        {{"orvalis-log", "ex"}, {"export"}},
        {{"orvalis-log", "--v"}, {"--version"}},
        {{"orvalis-log", "export", ""}, {"pcap", "wigle", "kml", "geojson"}},
        {{"orvalis-log", "export", "kml", ov}, {ov + "v"}},
        {{"orvalis-log", "report", "x.ov", "--format", ""}, {"text", "csv", "json"}},
        {{"orvalis-log", "report", "x.ov", "--format", "=", "j"}, {"json"}},
        {{"orvalis-log", "heatmap", "x.ov", "--"}, {"--output", "--mac", "--cell", "--help"}},
        {{"orvalis-log", "replay", "x.ov", "--p"}, {"--print"}},
        {{"orvalis-board-sim", "--p"}, {"--pty", "--print-scenario"}},
        {{"orvalis-board-sim", "--scenario", dir.Path("survey.j")}, {dir.Path("survey.json")}},
    };
    for (const Case& c : cases) {
        std::string line;
        for (const std::string& word : c.words) line += word + " ";
        std::vector<std::string> words(c.words.begin() + 1, c.words.end());
        EXPECT_THAT(Complete(dir, c.words[0], words), UnorderedElementsAreArray(c.expected))
            << line;
    }
    // A serial port is completed among the terminal devices.
    const auto ports = Complete(dir, "orvalis", {"--port", ""});
    ASSERT_FALSE(ports.empty());
    for (const std::string& port : ports) EXPECT_TRUE(port.starts_with("/dev/tty")) << port;
}

}  // namespace
