// orvalis-board-sim: the simulated RF board on a pseudo-terminal or on
// standard input and output.

#include <unistd.h>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "OrvVersion.h"
#include "gpsd/GpsdSource.h"
#include "platform/GuardedMain.h"
#include "sim/BoardServer.h"
#include "sim/Scenario.h"
#include "sim/main/BoardSimHelp.h"

namespace {

std::atomic<bool> g_bStop{false};

void OnSignal(int) {
    g_bStop.store(true);
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "orvalis-board-sim: %s\n", message.c_str());
    return 2;
}

bool ParseUnsigned(const char* text, uint64_t& value) {
    if (text == nullptr || *text == '\0' || *text == '-') return false;
    char* end = nullptr;
    errno = 0;
    const unsigned long long v = std::strtoull(text, &end, 0);
    if (errno != 0 || *end != '\0') return false;
    value = v;
    return true;
}

bool ParseSeconds(const char* text, double& value) {
    if (text == nullptr || *text == '\0') return false;
    char* end = nullptr;
    const double v = std::strtod(text, &end);
    if (*end != '\0' || !(v > 0.0) || v > 1e9) return false;
    value = v;
    return true;
}

int RunBoardSim(int argc, char** argv) {
    bool pty = false;
    bool stdio = false;
    bool unpaced = false;
    std::string scenarioPath;
    uint64_t seed = 1;
    double duration = 0.0;
    std::optional<GpsdAddress> gpsd;

    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        // The argument of an option, or null when the command line ends.
        auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
        if (FindHelpOption(BoardSimHelp().options, arg) == nullptr)
            return Fail("unknown option \"" + arg + "\" (try --help)");
        if (arg == "--help" || arg == "-h") {
            std::fputs(FormatHelp(BoardSimHelp()).c_str(), stdout);
            return 0;
        } else if (arg == "--version") {
            std::printf("orvalis-board-sim %s\n", ORV_VERSION);
            return 0;
        } else if (arg == "--print-scenario") {
            const auto text = CScenario::DefaultText();
            std::fwrite(text.data(), 1, text.size(), stdout);
            std::fputc('\n', stdout);
            return 0;
        } else if (arg == "--pty") {
            pty = true;
        } else if (arg == "--stdio") {
            stdio = true;
        } else if (arg == "--unpaced") {
            unpaced = true;
        } else if (arg == "--scenario") {
            const char* v = value();
            if (v == nullptr) return Fail("--scenario needs a file name");
            scenarioPath = v;
        } else if (arg == "--seed") {
            const char* v = value();
            if (!ParseUnsigned(v, seed)) return Fail("--seed needs a non-negative whole number");
        } else if (arg == "--duration") {
            const char* v = value();
            if (!ParseSeconds(v, duration))
                return Fail("--duration needs a number of seconds above 0");
        } else if (arg == "--gps") {
            const char* v = value();
            if (v == nullptr) return Fail("--gps needs gpsd[:HOST[:PORT]]");
            GpsdAddress address;
            std::string why;
            if (ParseGpsSource(v, address, why) < 0) return Fail("--gps: " + why);
            gpsd = address;
        } else {
            // In the help table but handled nowhere here.
            return Fail("option \"" + arg + "\" is not supported");
        }
    }
    if (pty == stdio) return Fail("choose one of --pty and --stdio (try --help)");

    CScenario scenario;
    if (!scenarioPath.empty()) {
        std::string error;
        if (CScenario::Load(scenarioPath, scenario, error) != 0) return Fail(error);
    } else {
        scenario = CScenario::Default();
    }

    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);

    CBoardServer server(scenario, seed, unpaced);
    if (gpsd) server.UseGpsd(*gpsd);
    int result = 0;
    if (pty) {
        std::string path, error;
        if (server.OpenPty(path, error) != 0) {
            std::fprintf(stderr, "orvalis-board-sim: %s\n", error.c_str());
            return 1;
        }
        std::printf("%s\n", path.c_str());
        std::fflush(stdout);
        result = server.ServePty(g_bStop, duration);
    } else {
        result = server.Serve(STDIN_FILENO, STDOUT_FILENO, g_bStop, duration);
    }
    return result == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    return RunGuardedMain("orvalis-board-sim", [&] { return RunBoardSim(argc, argv); });
}
