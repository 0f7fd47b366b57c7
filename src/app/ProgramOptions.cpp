#include "app/ProgramOptions.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "app/MainFrame.h"
#include "app/ProgramHelp.h"
#include "board/ReplayPort.h"
#include "board/ReplaySpeed.h"
#include "platform/SerialDiscovery.h"
#include "platform/TermiosPort.h"
#include "sim/Scenario.h"
#include "sim/SimPort.h"
#include "ui/MessageBox.h"

namespace {

constexpr int kMaxScale = 16;

bool ParseScale(std::string_view text, int& out) {
    if (text.empty() || text.size() > 3) return false;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    if (value < 1 || value > kMaxScale) return false;
    out = value;
    return true;
}

bool ParseSeed(std::string_view text, uint64_t& out) {
    if (text.empty() || text.size() > 20) return false;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
    }
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return ec == std::errc() && end == text.data() + text.size();
}

}  // namespace

std::string BoardPortMessage(std::string_view message, const std::string& path,
                             std::string_view reason, int openErrno) {
    // The system's reason may name the device already ("/dev/ttyS0: ...").
    const std::string prefix = path + ": ";
    if (reason.starts_with(prefix)) reason.remove_prefix(prefix.size());
    std::string text(message);
    text += '\n';
    text += path;
    if (!reason.empty()) {
        text += " (";
        text += reason;
        text += ')';
    }
    // Serial devices belong to the dialout group (the package's udev rule
    // sees to the card's tty too); a user outside it is refused.
    if (openErrno == EACCES || openErrno == EPERM) {
        text += '\n';
        text += kBoardPortAccessHint;
    }
    return text;
}

const char* ProgramUsage() {
    static const std::string text = FormatHelp(OrvalisHelp());
    return text.c_str();
}

std::string DefaultDataDir(const char* xdgDataHome, const char* home) {
    if (xdgDataHome != nullptr && xdgDataHome[0] == '/')
        return std::string(xdgDataHome) + "/orvalis";
    if (home != nullptr && home[0] != '\0') return std::string(home) + "/.local/share/orvalis";
    return "orvalis-data";
}

int EnsureDataDir(const std::string& path) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) return 0;
    std::filesystem::create_directories(path, ec);
    return std::filesystem::is_directory(path, ec) ? 0 : -1;
}

int ParseProgramOptions(int argc, const char* const* argv, ProgramOptions& out,
                        std::string& error) {
    out = ProgramOptions{};
    bool bDataDirGiven = false;
    bool bLinkPeerGiven = false;
    bool bSeedGiven = false;
    std::vector<std::string> given;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i] != nullptr ? argv[i] : "";
        std::string_view name = arg;
        std::string_view inlineValue;
        bool bHasInline = false;
        if (const size_t eq = arg.find('=');
            arg.starts_with("--") && eq != std::string_view::npos) {
            name = arg.substr(0, eq);
            inlineValue = arg.substr(eq + 1);
            bHasInline = true;
        }
        // The help table is the list of options: one it does not describe
        // is unknown, and it says which take a value ("[FILE]": optional).
        const HelpOption* option = FindHelpOption(OrvalisHelp().options, name);
        if (option == nullptr) {
            error = name.starts_with("-")
                        ? "unknown option '" + std::string(arg) + "' (try --help)"
                        : "unexpected argument '" + std::string(arg) + "' (try --help)";
            return -1;
        }
        const bool bTakesValue = !option->arg.empty() && !option->arg.starts_with('[');
        // A single-valued option given twice would leave one of the two
        // values ignored without a word.
        if (name != "--link-peer" && (bTakesValue || name == "--simulate")) {
            const std::string key(name);
            if (std::find(given.begin(), given.end(), key) != given.end()) {
                error = "option '" + key + "' is given twice";
                return -1;
            }
            given.push_back(key);
        }
        if (name == "--simulate") {
            out.bSimulate = true;
            if (bHasInline) {
                if (inlineValue.empty()) {
                    error = "option '--simulate=' needs a scenario file";
                    return -1;
                }
                out.strScenario = std::string(inlineValue);
            } else if (i + 1 < argc && argv[i + 1] != nullptr && argv[i + 1][0] != '-' &&
                       argv[i + 1][0] != '\0') {
                // The program takes no plain arguments, so one after
                // --simulate can only be its scenario file.
                out.strScenario = argv[++i];
            }
            continue;
        }
        if (!bTakesValue && bHasInline) {
            error = "option '" + std::string(name) + "' takes no value";
            return -1;
        }
        std::string value;
        if (bTakesValue) {
            if (bHasInline) {
                value = std::string(inlineValue);
            } else if (i + 1 < argc && argv[i + 1] != nullptr) {
                const std::string_view next = argv[i + 1];
                // "--replay --speed 2" lacks the file name; it does not name
                // a file "--speed".
                if (next.size() > 1 && next[0] == '-') {
                    error = "option '" + std::string(name) + "' needs a value, not the option '" +
                            std::string(next) + "' (write " + std::string(name) +
                            "=VALUE for a value starting with '-')";
                    return -1;
                }
                value = argv[++i];
            } else {
                error = "option '" + std::string(name) + "' needs a value";
                return -1;
            }
            if (value.empty()) {
                error = "option '" + std::string(name) + "' needs a value";
                return -1;
            }
        }
        if (name == "--port") {
            out.strPort = value;
        } else if (name == "--data-dir") {
            out.strDataDir = value;
            bDataDirGiven = true;
        } else if (name == "--scale") {
            if (!ParseScale(value, out.nScale)) {
                error = "option '--scale' needs a whole number from 1 to 16, not '" + value + "'";
                return -1;
            }
        } else if (name == "--script") {
            out.strScript = value;
            out.bHeadless = true;
        } else if (name == "--replay") {
            out.strReplay = value;
        } else if (name == "--speed") {
            if (!ParseReplaySpeed(value, out.dSpeed)) {
                error = std::string("option '--speed' needs ") + kReplaySpeedRule + ", not '" +
                        value + "'";
                return -1;
            }
            out.bSpeedGiven = true;
        } else if (name == "--seed") {
            if (!ParseSeed(value, out.nSeed)) {
                error = "option '--seed' needs a non-negative whole number, not '" + value + "'";
                return -1;
            }
            bSeedGiven = true;
        } else if (name == "--link-peer") {
            LinkPeer peer;
            std::string why;
            if (ParseLinkPeer(value, peer, why) < 0) {
                error = "option '--link-peer': " + why;
                return -1;
            }
            out.linkPeers.push_back(std::move(peer));
            bLinkPeerGiven = true;
        } else if (name == "--gps") {
            GpsdAddress gpsd;
            std::string why;
            if (ParseGpsSource(value, gpsd, why) < 0) {
                error = "option '--gps': " + why;
                return -1;
            }
            out.gpsd = std::move(gpsd);
        } else if (name == "--fullscreen") {
            out.bFullscreen = true;
        } else if (name == "--headless") {
            out.bHeadless = true;
        } else if (name == "--help" || name == "-h") {
            out.bHelp = true;
        } else if (name == "--version") {
            out.bVersion = true;
        } else {
            // Described in the help table but handled nowhere here.
            error = "option '" + std::string(name) + "' is not supported";
            return -1;
        }
    }
    const int sources =
        (out.strPort.empty() ? 0 : 1) + (out.strReplay.empty() ? 0 : 1) + (out.bSimulate ? 1 : 0);
    if (sources > 1) {
        error = "choose one board: --port, --replay or --simulate";
        return -1;
    }
    if (bSeedGiven && !out.bSimulate) {
        error = "option '--seed' needs --simulate";
        return -1;
    }
    if (out.bFullscreen && out.bHeadless) {
        error = "option '--fullscreen' needs a window; it does not go with --headless or --script";
        return -1;
    }
    if (out.bSpeedGiven && out.strReplay.empty() && !out.bSimulate) {
        error = "option '--speed' needs --replay or --simulate";
        return -1;
    }
    if (out.bSimulate && out.bSpeedGiven && out.dSpeed != 0.0 && out.dSpeed != 1.0) {
        error = "the simulated board runs at --speed 1 (real time) or 0 (unpaced)";
        return -1;
    }
    if (out.bSimulate) {
        auto scenario = std::make_shared<CScenario>();
        if (out.strScenario.empty()) {
            *scenario = CScenario::Default();
        } else if (CScenario::Load(out.strScenario, *scenario, error) != 0) {
            return -1;
        }
        out.pScenario = std::move(scenario);
    }
    if (!bLinkPeerGiven) {
        if (const char* env = std::getenv("ORVALIS_LINK_PEER")) {
            std::string why;
            if (ParseLinkPeerList(env, out.linkPeers, why) < 0) {
                error = "ORVALIS_LINK_PEER: " + why;
                return -1;
            }
        }
    }
    if (!out.gpsd) {
        if (const char* env = std::getenv("ORVALIS_GPS"); env != nullptr && *env != '\0') {
            GpsdAddress gpsd;
            std::string why;
            if (ParseGpsSource(env, gpsd, why) < 0) {
                error = "ORVALIS_GPS: " + why;
                return -1;
            }
            out.gpsd = std::move(gpsd);
        }
    }
    if (!bDataDirGiven)
        out.strDataDir = DefaultDataDir(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
    return 0;
}

std::unique_ptr<ISerialPort> OpenBoardLink(const ProgramOptions& options) {
    if (!options.strReplay.empty()) {
        auto port = std::make_unique<CReplayPort>(options.dSpeed);
        std::string reason;
        if (port->Open(options.strReplay, reason) < 0) {
            const std::string message =
                reason == CReplayPort::kNotALog
                    ? options.strReplay + " is not an Orvalis log"
                    : "Cannot play the log " + options.strReplay + " (" + reason + ").";
            CMessageBox::Show(CMainFrame::kMessageCaption, message);
        }
        return port;
    }
    if (options.bSimulate) {
        const CScenario scenario = options.pScenario ? *options.pScenario : CScenario::Default();
        const auto pacing = options.bSpeedGiven && options.dSpeed == 0.0
                                ? CSimPort::Pacing::Unpaced
                                : CSimPort::Pacing::RealTime;
        return std::make_unique<CSimPort>(scenario, options.nSeed, pacing);
    }
    const std::string path = ResolveBoardPortPath(options.strPort, std::getenv("ORVALIS_PORT"));
    auto port = std::make_unique<CTermiosPort>();
    if (port->Open(path) < 0) {
        const char* message = CTermiosPort::FailureMessage(port->LastOpenResult());
        if (message != nullptr) {
            CMessageBox::Show(
                CMainFrame::kMessageCaption,
                BoardPortMessage(message, path, port->LastError(), port->LastOpenErrno()));
        }
    }
    return port;
}

std::string DescribeBoardLink(const ProgramOptions& options) {
    if (!options.strReplay.empty()) return "replay " + options.strReplay;
    if (options.bSimulate) return "simulated board";
    return ResolveBoardPortPath(options.strPort, std::getenv("ORVALIS_PORT"));
}
