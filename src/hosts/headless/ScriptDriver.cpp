#include "hosts/headless/ScriptDriver.h"

#include <atomic>
#include <charconv>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <exception>
#include <fstream>
#include <mutex>
#include <thread>

#include <nlohmann/json.hpp>

#include "app/OrvApp.h"
#include "app/ProgramOptions.h"
#include "audio/ClickEngine.h"
#include "board/MemoryPort.h"
#include "data/StateDump.h"
#include "data/SurveyData.h"
#include "hosts/headless/HeadlessHost.h"
#include "platform/Clock.h"
#include "platform/FileRead.h"
#include "platform/Latin1.h"
#include "res/Resource.h"
#include "ui/FileDialog.h"
#include "ui/FormView.h"
#include "ui/UiLoop.h"

namespace {

using Clock = std::chrono::steady_clock;

// How long a settle waits for the reader before it gives up and goes on.
constexpr auto kReaderTimeout = std::chrono::seconds(10);
constexpr int kMaxSettleRounds = 256;
constexpr int kMaxSleepMs = 3600 * 1000;
constexpr int kMaxCoordinate = 100000;

struct NamedCommand {
    const char* name;
    unsigned id;
};
constexpr NamedCommand kCommands[] = {
    {"ID_GOTO_MAIN_MENU", ID_GOTO_MAIN_MENU},
    {"ID_RECORD_DATA", ID_RECORD_DATA},
    {"ID_STOP_RECORDING", ID_STOP_RECORDING},
    {"ID_SNAPSHOT", ID_SNAPSHOT},
    {"ID_ABOUT", ID_ABOUT},
    {"ID_OPTIONS", ID_OPTIONS},
    {"ID_UP", ID_UP},
    {"ID_DOWN", ID_DOWN},
    {"ID_INCREMENT_MARKER", ID_INCREMENT_MARKER},
};

// The switches of the options screen, by the names scripts use.
enum ScriptOption { kOptionSecurity, kOptionNonAp, kOptionHeron };
struct NamedOption {
    const char* name;
    ScriptOption option;
};
constexpr NamedOption kOptions[] = {
    {"security", kOptionSecurity},
    {"non-ap", kOptionNonAp},
    {"heron", kOptionHeron},
};

// The program's port when the script plays the board: the driver keeps the
// memory port, which outlives the board port that closes it at shutdown.
class CScriptBoardPort : public ISerialPort {
public:
    explicit CScriptBoardPort(std::shared_ptr<CMemoryPort> port) : m_pPort(std::move(port)) {}
    bool IsOpen() const override { return m_pPort->IsOpen(); }
    int BytesWaiting() override { return m_pPort->BytesWaiting(); }
    int Read(uint8_t* buffer, int max) override { return m_pPort->Read(buffer, max); }
    int Write(const uint8_t* buffer, int length) override { return m_pPort->Write(buffer, length); }

private:
    std::shared_ptr<CMemoryPort> m_pPort;
};

std::vector<std::string_view> Tokens(std::string_view line) {
    std::vector<std::string_view> out;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        if (i >= line.size()) break;
        const size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
        out.push_back(line.substr(start, i - start));
    }
    return out;
}

// The line without its comment: '#' at the start of a word begins one.
std::string_view StripComment(std::string_view line) {
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '#' && (i == 0 || line[i - 1] == ' ' || line[i - 1] == '\t')) {
            return line.substr(0, i);
        }
    }
    return line;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

// What follows the first `words` words of the line, trimmed.
std::string_view RestAfter(std::string_view line, int words) {
    size_t i = 0;
    for (int w = 0; w < words; ++w) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
    }
    return Trim(line.substr(i));
}

bool ParseInt(std::string_view text, int lo, int hi, int& out) {
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end || value < lo || value > hi) return false;
    out = value;
    return true;
}

bool ParseHexByte(std::string_view text, uint8_t& out) {
    if (text.starts_with("0x") || text.starts_with("0X")) text.remove_prefix(2);
    if (text.empty() || text.size() > 2) return false;
    unsigned value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value, 16);
    if (ec != std::errc() || ptr != end) return false;
    out = static_cast<uint8_t>(value);
    return true;
}

// "YYYY-MM-DD" and "HH:MM:SS" of a real calendar date and time of day.
bool ParseClock(std::string_view date, std::string_view time, std::tm& out) {
    if (date.size() != 10 || date[4] != '-' || date[7] != '-') return false;
    if (time.size() != 8 || time[2] != ':' || time[5] != ':') return false;
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    if (!ParseInt(date.substr(0, 4), 1970, 9999, year) ||
        !ParseInt(date.substr(5, 2), 1, 12, month) || !ParseInt(date.substr(8, 2), 1, 31, day) ||
        !ParseInt(time.substr(0, 2), 0, 23, hour) || !ParseInt(time.substr(3, 2), 0, 59, minute) ||
        !ParseInt(time.substr(6, 2), 0, 59, second)) {
        return false;
    }
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    // A day past the end of its month (2007-02-30) comes back changed.
    std::tm check = tm;
    const std::time_t t = timegm(&check);
    std::tm back{};
    if (t == static_cast<std::time_t>(-1) || gmtime_r(&t, &back) == nullptr ||
        back.tm_mday != day || back.tm_mon != month - 1) {
        return false;
    }
    tm.tm_isdst = -1;
    out = tm;
    return true;
}

nlohmann::json ColorJson(COLORREF c) {
    return nlohmann::json::array({GetRValue(c), GetGValue(c), GetBValue(c)});
}

// What the click engine is doing, beside the store in the state dump.
nlohmann::json ClickEngineState(const CMainFrame* frame) {
    const CClickEngine* engine = frame != nullptr ? frame->GetClickEngine() : nullptr;
    nlohmann::json out;
    out["level"] = engine != nullptr ? engine->GetLevel() : 0;
    out["running"] = engine != nullptr && engine->IsRunEventSet();
    out["blocks"] = engine != nullptr ? engine->Blocks() : 0u;
    out["click_blocks"] = engine != nullptr ? engine->ClickBlocks() : 0u;
    return out;
}

}  // namespace

std::string TxLine(const uint8_t* bytes, int length) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string line = "tx:";
    for (int i = 0; i < length; ++i) {
        line += ' ';
        line += kHex[bytes[i] >> 4];
        line += kHex[bytes[i] & 0x0F];
    }
    return line;
}

std::unique_ptr<ISerialPort> MakeScriptBoardPort(std::shared_ptr<CMemoryPort> board) {
    return std::make_unique<CScriptBoardPort>(std::move(board));
}

namespace {

std::atomic<bool> g_bSignalled{false};
extern "C" void OnTerminateSignal(int) {
    g_bSignalled.store(true);
}

}  // namespace

int CommandIdByName(std::string_view name) {
    for (const NamedCommand& c : kCommands) {
        if (name == c.name) return static_cast<int>(c.id);
    }
    int id = 0;
    if (ParseInt(name, 1, 65535, id)) return id;
    return -1;
}

int ParseScript(std::string_view script, std::vector<ScriptStep>& steps, std::string& error) {
    steps.clear();
    int nLine = 0;
    size_t pos = 0;
    while (pos <= script.size()) {
        size_t end = script.find('\n', pos);
        if (end == std::string_view::npos) end = script.size();
        const std::string_view raw = script.substr(pos, end - pos);
        pos = end + 1;
        ++nLine;
        const std::string_view line = Trim(StripComment(raw));
        const std::vector<std::string_view> t = Tokens(line);
        if (t.empty()) {
            if (end == script.size()) break;
            continue;
        }
        ScriptStep step;
        step.nLine = nLine;
        const std::string_view verb = t[0];
        const size_t n = t.size();
        auto fail = [&](const std::string& why) {
            error = "line " + std::to_string(nLine) + ": " + why;
            return -1;
        };
        if (verb == "feed") {
            if (n < 2) return fail("feed needs at least one byte (hexadecimal)");
            step.kind = ScriptStep::Kind::Feed;
            for (size_t i = 1; i < n; ++i) {
                uint8_t b = 0;
                if (!ParseHexByte(t[i], b))
                    return fail("'" + std::string(t[i]) + "' is not a hexadecimal byte");
                step.bytes.push_back(b);
            }
        } else if (verb == "feed-file") {
            if (n < 2) return fail("feed-file needs a path");
            step.kind = ScriptStep::Kind::FeedFile;
            step.text = std::string(RestAfter(line, 1));
        } else if (verb == "settle" || verb == "minimize" || verb == "quit") {
            if (n != 1) return fail(std::string(verb) + " takes no arguments");
            step.kind = verb == "settle"     ? ScriptStep::Kind::Settle
                        : verb == "minimize" ? ScriptStep::Kind::Minimize
                                             : ScriptStep::Kind::Quit;
        } else if (verb == "tap") {
            if (n != 3 || !ParseInt(t[1], -kMaxCoordinate, kMaxCoordinate, step.a) ||
                !ParseInt(t[2], -kMaxCoordinate, kMaxCoordinate, step.b)) {
                return fail("tap needs two whole-number coordinates: tap X Y");
            }
            step.kind = ScriptStep::Kind::Tap;
        } else if (verb == "command") {
            if (n != 2) return fail("command needs one identifier, for example ID_SNAPSHOT");
            step.a = CommandIdByName(t[1]);
            if (step.a < 0) return fail("unknown command '" + std::string(t[1]) + "'");
            step.kind = ScriptStep::Kind::Command;
        } else if (verb == "click") {
            if (n != 2 || !ParseInt(t[1], 0, 65535, step.a))
                return fail("click needs a control id: click ID");
            step.kind = ScriptStep::Kind::Click;
        } else if (verb == "text") {
            if (n < 2 || !ParseInt(t[1], 0, 65535, step.a))
                return fail("text needs a control id: text ID TEXT");
            step.kind = ScriptStep::Kind::Text;
            step.text = std::string(RestAfter(line, 2));
        } else if (verb == "answer") {
            if (n >= 2 && t[1] == "ok") {
                step.bOk = true;
                step.bHasName = n > 2;
                if (step.bHasName) step.text = std::string(RestAfter(line, 2));
                // The dialog saves in the data folder only; a name it would
                // refuse is refused here, before anything runs.
                if (step.bHasName && !CFileDialog::IsPlainFileName(step.text)) {
                    return fail("answer ok takes a file name, not a path or folder ('" + step.text +
                                "'); --data-dir chooses the folder");
                }
            } else if (n == 2 && t[1] == "cancel") {
                step.bOk = false;
            } else if (n == 2 && (t[1] == "yes" || t[1] == "no")) {
                step.bQuestion = true;
                step.bOk = t[1] == "yes";
            } else {
                return fail("answer needs 'ok', 'ok NAME', 'cancel', 'yes' or 'no'");
            }
            step.kind = ScriptStep::Kind::Answer;
        } else if (verb == "clock") {
            if (n != 3 || !ParseClock(t[1], t[2], step.clock)) {
                return fail("clock needs a date and time: clock YYYY-MM-DD HH:MM:SS");
            }
            step.kind = ScriptStep::Kind::Clock;
        } else if (verb == "screenshot" || verb == "state" || verb == "texts") {
            if (n < 2) return fail(std::string(verb) + " needs a path");
            step.kind = verb == "screenshot" ? ScriptStep::Kind::Screenshot
                        : verb == "state"    ? ScriptStep::Kind::State
                                             : ScriptStep::Kind::Texts;
            step.text = std::string(RestAfter(line, 1));
        } else if (verb == "option") {
            const NamedOption* found = nullptr;
            for (const NamedOption& o : kOptions) {
                if (n == 3 && t[1] == o.name) found = &o;
            }
            if (found == nullptr || (t[2] != "on" && t[2] != "off")) {
                return fail(
                    "option needs a switch and on or off: option security|non-ap|heron on|off");
            }
            step.kind = ScriptStep::Kind::Option;
            step.a = found->option;
            step.bOk = t[2] == "on";
        } else if (verb == "sleep") {
            if (n != 2 || !ParseInt(t[1], 0, kMaxSleepMs, step.a)) {
                return fail("sleep needs milliseconds: sleep MS");
            }
            step.kind = ScriptStep::Kind::Sleep;
        } else {
            return fail("unknown step '" + std::string(verb) + "'");
        }
        steps.push_back(std::move(step));
        if (end == script.size()) break;
    }
    return 0;
}

CScriptDriver::CScriptDriver(COrvApp& app, CHeadlessHost& host, CMemoryPort* pBoard,
                             LineSink errors)
    : m_app(app), m_host(host), m_pBoard(pBoard), m_errors(std::move(errors)) {}

void CScriptDriver::Report(const ScriptStep& step, const std::string& what) {
    if (m_errors) m_errors("orvalis: script line " + std::to_string(step.nLine) + ": " + what);
}

int CScriptDriver::Run(const std::vector<ScriptStep>& steps) {
    if (m_pBoard == nullptr) {
        for (const ScriptStep& step : steps) {
            if (step.kind == ScriptStep::Kind::Feed || step.kind == ScriptStep::Kind::FeedFile) {
                Report(step,
                       "feed needs the script board; with --port the board is the serial line");
                return 2;
            }
        }
    }
    for (const ScriptStep& step : steps) {
        if (m_app.Loop().IsQuitting()) break;
        if (step.kind == ScriptStep::Kind::Quit) break;
        int rc = 0;
        // A step that fails in a way nobody foresaw is reported with its
        // line, and the script goes on as for any step that could not work.
        try {
            rc = RunStep(step);
        } catch (const std::exception& e) {
            Report(step, std::string("failed: ") + e.what());
            m_bFailed = true;
        }
        if (rc == 2) return 2;
    }
    if (!m_app.Loop().IsQuitting()) Settle();
    return m_bFailed ? 1 : 0;
}

void CScriptDriver::WaitForReader() {
    CMainFrame* frame = m_app.GetMainFrame();
    if (frame == nullptr) return;
    CBoardReader* reader = frame->GetBoardReader();
    CBoardPort* port = frame->GetBoardPort();
    if (reader == nullptr || port == nullptr || !reader->IsRunning()) return;
    const auto deadline = Clock::now() + kReaderTimeout;
    while (Clock::now() < deadline) {
        const bool bQuiet =
            (m_pBoard == nullptr || m_pBoard->Pending() == 0) && !port->HasPendingCommand();
        if (!bQuiet) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            continue;
        }
        // Two idle passes after the input ran dry: the second began after
        // the first ended, so whatever was read before is dispatched and any
        // command that produced is written.
        const uint64_t start = reader->IdlePasses();
        while (reader->IdlePasses() < start + 2 && Clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return;
    }
}

// An unpaced board never goes quiet on its own: it is held while the script
// settles, so the settle covers what it had sent when the settle began (and
// what the commands written meanwhile set going), then it runs on.
void CScriptDriver::Settle() {
    CUiLoop& loop = m_app.Loop();
    CMainFrame* frame = m_app.GetMainFrame();
    CBoardPort* port = frame != nullptr ? frame->GetBoardPort() : nullptr;
    if (port != nullptr) port->HoldInput(true);
    for (int round = 0; round < kMaxSettleRounds && !loop.IsQuitting(); ++round) {
        WaitForReader();
        if (loop.ProcessPending() == 0) break;
    }
    if (port != nullptr) port->HoldInput(false);
}

int CScriptDriver::WriteTexts(const std::string& path) {
    CMainFrame* frame = m_app.GetMainFrame();
    CView* view = frame != nullptr ? frame->GetActiveView() : nullptr;
    nlohmann::json out = nlohmann::json::array();
    if (view != nullptr) {
        for (const CTextRecord& r : view->GetPaintTexts().Records()) {
            nlohmann::json item;
            item["text"] = Latin1ToUtf8(r.text);
            item["rect"] = {r.rect.left, r.rect.top, r.rect.right, r.rect.bottom};
            item["color"] = ColorJson(r.textColor);
            item["background"] =
                r.bkColor == CLR_INVALID ? nlohmann::json(nullptr) : ColorJson(r.bkColor);
            out.push_back(std::move(item));
        }
    }
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file) return -1;
    try {
        file << out.dump(2) << '\n';
    } catch (const std::exception&) {
        return -1;
    }
    return file.good() ? 0 : -1;
}

int CScriptDriver::RunStep(const ScriptStep& step) {
    CUiLoop& loop = m_app.Loop();
    Settle();
    if (loop.IsQuitting()) return 0;
    CMainFrame* frame = m_app.GetMainFrame();
    CView* view = frame != nullptr ? frame->GetActiveView() : nullptr;
    switch (step.kind) {
        case ScriptStep::Kind::Feed:
            m_pBoard->Feed(step.bytes);
            break;
        case ScriptStep::Kind::FeedFile: {
            std::vector<uint8_t> bytes;
            std::string reason;
            if (ReadWholeFile(step.text, kMaxScriptFileBytes, bytes, reason) < 0) {
                Report(step, "cannot read " + step.text + ": " + reason);
                return 2;
            }
            m_pBoard->Feed(bytes);
            break;
        }
        case ScriptStep::Kind::Settle:
        case ScriptStep::Kind::Quit:
            break;
        case ScriptStep::Kind::Tap:
            loop.OnStylusDown(step.a, step.b);
            break;
        case ScriptStep::Kind::Command:
            // A command nobody handles on this screen is a greyed button.
            if (frame != nullptr && frame->IsCommandEnabled(static_cast<unsigned>(step.a))) {
                frame->RouteCommand(static_cast<unsigned>(step.a));
            }
            break;
        case ScriptStep::Kind::Click: {
            auto* form = dynamic_cast<CFormView*>(view);
            if (form == nullptr || form->ClickControl(static_cast<unsigned>(step.a)) < 0) {
                Report(step,
                       "the active screen has no control " + std::to_string(step.a) + " to click");
                m_bFailed = true;
            }
            break;
        }
        case ScriptStep::Kind::Text: {
            auto* form = dynamic_cast<CFormView*>(view);
            if (form == nullptr ||
                form->SetControlText(static_cast<unsigned>(step.a), step.text) < 0) {
                Report(step, "the active screen has no edit field " + std::to_string(step.a));
                m_bFailed = true;
            }
            break;
        }
        case ScriptStep::Kind::Minimize:
            loop.OnMinimize();
            break;
        case ScriptStep::Kind::Answer: {
            if (step.bQuestion) {
                m_host.QueueQuestionAnswer(step.bOk);
                break;
            }
            CHeadlessHost::SaveAnswer answer;
            answer.bOk = step.bOk;
            if (step.bHasName) answer.name = step.text;
            m_host.QueueSaveAnswer(answer);
            break;
        }
        case ScriptStep::Kind::Clock:
            CClock::SetLocal(step.clock);
            break;
        case ScriptStep::Kind::Screenshot:
            if (view == nullptr || CHeadlessHost::CaptureView(step.text, *view) < 0) {
                Report(step, "cannot write " + step.text);
                m_bFailed = true;
            }
            break;
        case ScriptStep::Kind::State: {
            nlohmann::json state;
            {
                const CStoreLock lock(m_app.Data());
                state = DumpState(m_app.Data());
            }
            state["click_engine"] = ClickEngineState(frame);
            if (WriteStateJson(state, step.text) < 0) {
                Report(step, "cannot write " + step.text);
                m_bFailed = true;
            }
            break;
        }
        case ScriptStep::Kind::Texts:
            if (WriteTexts(step.text) < 0) {
                Report(step, "cannot write " + step.text);
                m_bFailed = true;
            }
            break;
        case ScriptStep::Kind::Option: {
            CSurveyData& data = m_app.Data();
            const CStoreLock lock(data);
            const uint8_t value = step.bOk ? 1 : 0;
            switch (static_cast<ScriptOption>(step.a)) {
                case kOptionSecurity:
                    data.m_bSecurityEnabled = value;
                    break;
                case kOptionNonAp:
                    data.m_bShowNonApMacs = value;
                    break;
                case kOptionHeron:
                    data.m_bHeronEnabled = value;
                    break;
            }
            break;
        }
        case ScriptStep::Kind::Sleep: {
            const auto end = Clock::now() + std::chrono::milliseconds(step.a);
            while (!loop.IsQuitting()) {
                const auto left =
                    std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now())
                        .count();
                if (left <= 0) break;
                loop.RunOnce(static_cast<int>(std::min<long long>(left, 50)));
            }
            break;
        }
    }
    return 0;
}

int RunHeadlessProgram(const ProgramOptions& options, const HeadlessSettings& settings) {
    // One line at a time, whichever thread prints it.
    auto outMutex = std::make_shared<std::mutex>();
    auto out = [outMutex, sink = settings.out](const std::string& line) {
        std::lock_guard<std::mutex> lock(*outMutex);
        if (sink) {
            sink(line);
        } else {
            std::fputs(line.c_str(), stdout);
            std::fputc('\n', stdout);
            std::fflush(stdout);
        }
    };
    auto err = [sink = settings.err](const std::string& line) {
        if (sink) {
            sink(line);
        } else {
            std::fprintf(stderr, "%s\n", line.c_str());
        }
    };

    std::vector<ScriptStep> steps;
    const bool bScript = !options.strScript.empty();
    if (bScript) {
        std::vector<uint8_t> text;
        std::string reason;
        if (ReadWholeFile(options.strScript, kMaxScriptFileBytes, text, reason) < 0) {
            err("orvalis: cannot read script " + options.strScript + ": " + reason);
            return 2;
        }
        std::string error;
        if (ParseScript(std::string_view(reinterpret_cast<const char*>(text.data()), text.size()),
                        steps, error) < 0) {
            err("orvalis: " + options.strScript + ": " + error);
            return 2;
        }
    }

    CHeadlessHost host(out);
    CUiLoop loop(host);

    std::shared_ptr<CMemoryPort> board;
    AppOptions appOptions;
    appOptions.strDataDir = options.strDataDir;
    appOptions.linkPeers = options.linkPeers;
    appOptions.gpsd = options.gpsd;
    appOptions.nStartupPauseMs = settings.nStartupPauseMs;
    appOptions.nShutdownGraceMs = settings.nShutdownGraceMs;
    appOptions.onViewChanged = [out](CView* view) {
        if (view != nullptr) out(std::string("view: ") + view->GetRuntimeClassName());
    };
    if (bScript && !options.NamesBoardSource()) {
        board = std::make_shared<CMemoryPort>(true);
        board->SetWriteCallback(
            [out](const uint8_t* bytes, int length) { out(TxLine(bytes, length)); });
        appOptions.openBoardPort = [board] { return MakeScriptBoardPort(board); };
    } else {
        appOptions.openBoardPort = [options] { return OpenBoardLink(options); };
    }

    int rc = 0;
    {
        COrvApp app(loop, appOptions);
        if (app.InitInstance() < 0) return 1;
        if (settings.onStarted) settings.onStarted(app);
        if (bScript) {
            CScriptDriver driver(app, host, board.get(), err);
            rc = driver.Run(steps);
        } else {
            g_bSignalled.store(false);
            std::signal(SIGINT, OnTerminateSignal);
            std::signal(SIGTERM, OnTerminateSignal);
            while (!loop.IsQuitting() && !g_bSignalled.load()) loop.RunOnce(100);
        }
        if (settings.onFinished) settings.onFinished(app);
    }
    CClock::Reset();
    return rc;
}
