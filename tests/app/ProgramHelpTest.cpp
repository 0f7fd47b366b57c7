// The options --help describes are the options the parser takes.

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "app/ProgramHelp.h"
#include "app/ProgramOptions.h"

namespace {

int ParseArgs(const std::vector<std::string>& args, std::string& error) {
    std::vector<const char*> argv = {"orvalis"};
    for (const std::string& arg : args) argv.push_back(arg.c_str());
    ProgramOptions options;
    return ParseProgramOptions(static_cast<int>(argv.size()), argv.data(), options, error);
}

// A command line that uses each option, with what it needs beside it. An
// option added to the table without a line here fails the test below.
const std::map<std::string, std::vector<std::string>> kUses = {
    {"--port", {"--port", "/dev/ttyUSB0"}},
    {"--data-dir", {"--data-dir", "/tmp/orv"}},
    {"--scale", {"--scale", "3"}},
    {"--fullscreen", {"--fullscreen"}},
    {"--replay", {"--replay", "survey.ov"}},
    {"--speed", {"--replay", "survey.ov", "--speed", "0"}},
    {"--simulate", {"--simulate"}},
    {"--seed", {"--simulate", "--seed", "4"}},
    {"--link-peer", {"--link-peer", "127.0.0.1:7207"}},
    {"--gps", {"--gps", "gpsd:localhost:2947"}},
    {"--headless", {"--headless"}},
    {"--script", {"--script", "steps.txt"}},
    {"-h", {"-h"}},
    {"--help", {"--help"}},
    {"--version", {"--version"}},
};

TEST(ProgramHelpTest, EveryDescribedOptionIsParsed) {
    for (const HelpOption& option : OrvalisHelp().options) {
        ForEachOptionName(option, [&](std::string_view name) {
            const auto use = kUses.find(std::string(name));
            ASSERT_NE(use, kUses.end()) << "no command line using " << name;
            std::string error;
            EXPECT_EQ(ParseArgs(use->second, error), 0) << name << ": " << error;
            // A value-taking option without its value is refused, a switch
            // given one is refused: the table says which is which.
            const bool bTakesValue = !option.arg.empty() && !option.arg.starts_with('[');
            if (name.starts_with("--")) {
                EXPECT_EQ(ParseArgs({std::string(name) + (bTakesValue ? "=" : "=x")}, error), -1)
                    << name;
            }
        });
    }
}

TEST(ProgramHelpTest, OptionsOutsideTheTableAreUnknown) {
    for (const char* arg : {"--verbose", "-p", "--Port", "--help-me", "port"}) {
        std::string error;
        EXPECT_EQ(ParseArgs({arg}, error), -1) << arg;
        EXPECT_NE(error.find("(try --help)"), std::string::npos) << arg << ": " << error;
    }
}

}  // namespace
