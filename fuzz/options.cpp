// The program's command line. The input is the arguments after the program
// name, separated by NUL bytes. A refused line gives a reason; an accepted
// one names at most one board, a scale and speed in range, and a loaded
// scenario whenever the simulator is chosen.
//
// Scenario files are read from a folder of the target's own holding two
// scenarios: a --simulate=NAME is given as that folder's NAME, and inputs
// with a '/' (which would reach files and devices outside it) are skipped.
#include <unistd.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "app/ProgramOptions.h"

namespace {

namespace fs = std::filesystem;

fs::path g_dir;

void RemoveFolder() {
    std::error_code ec;
    fs::remove_all(g_dir, ec);
}

void Prepare() {
    g_dir = fs::temp_directory_path() / ("orvalis-fuzz-options-" + std::to_string(getpid()));
    fs::create_directories(g_dir);
    std::FILE* f = std::fopen((g_dir / "a.json").c_str(), "w");
    if (f == nullptr) std::abort();
    std::fputs("{\"name\": \"one\", \"access_points\": []}\n", f);
    std::fclose(f);
    f = std::fopen((g_dir / "b.json").c_str(), "w");
    if (f == nullptr) std::abort();
    std::fputs("{\"name\": 7\n", f);
    std::fclose(f);
    // The environment's link peers are not part of the input.
    unsetenv("ORVALIS_LINK_PEER");
    std::atexit(RemoveFolder);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool prepared = (Prepare(), true);
    (void)prepared;
    std::vector<std::string> args{"orvalis"};
    std::string current;
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            args.push_back(current);
            current.clear();
        } else {
            current.push_back(static_cast<char>(data[i]));
        }
    }
    if (size > 0) args.push_back(current);
    constexpr std::string_view kSimulate = "--simulate=";
    for (std::string& a : args) {
        if (a.find('/') != std::string::npos) return 0;
        if (a.starts_with(kSimulate) && a.size() > kSimulate.size())
            a = std::string(kSimulate) + (g_dir / a.substr(kSimulate.size())).string();
    }
    std::vector<const char*> argv;
    for (const std::string& a : args) argv.push_back(a.c_str());
    argv.push_back(nullptr);

    ProgramOptions options;
    std::string error;
    if (ParseProgramOptions(static_cast<int>(args.size()), argv.data(), options, error) != 0) {
        if (error.empty()) __builtin_trap();
        return 0;
    }
    const int sources = (options.strPort.empty() ? 0 : 1) + (options.strReplay.empty() ? 0 : 1) +
                        (options.bSimulate ? 1 : 0);
    if (sources > 1) __builtin_trap();
    // 0: no --scale, the window fits the scale to the display.
    if (options.nScale < 0 || options.nScale > 16) __builtin_trap();
    if (!std::isfinite(options.dSpeed) || options.dSpeed < 0 || options.dSpeed > 1000)
        __builtin_trap();
    if (options.bSimulate != (options.pScenario != nullptr)) __builtin_trap();
    if (options.strDataDir.empty()) __builtin_trap();
    return 0;
}
