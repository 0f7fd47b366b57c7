#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class COrvApp;
class CHeadlessHost;
class CMemoryPort;
class ISerialPort;
struct ProgramOptions;

// One step of a headless script.
struct ScriptStep {
    enum class Kind {
        Feed,      // bytes from the board (feed, feed-file)
        FeedFile,  // the file is read when the step runs
        Settle,
        Tap,
        Command,
        Click,
        Text,
        Minimize,
        Answer,
        Clock,
        Screenshot,
        State,
        Texts,
        Sleep,
        Option,  // a switch of the options screen, set without the screen
        Quit,
    };
    Kind kind = Kind::Settle;
    int nLine = 0;
    std::vector<std::uint8_t> bytes;  // Feed
    std::string text;                 // paths, the text of `text`, the name of `answer ok NAME`
    int a = 0;                        // x, command or control id, milliseconds, option
    int b = 0;                        // y
    bool bOk = true;                  // answer ok / cancel, option on / off
    bool bHasName = false;            // answer ok NAME
    bool bQuestion = false;           // answer yes / no: bOk is the answer
    std::tm clock{};                  // Clock
};

// The largest script, and the largest file one feed-file step reads.
inline constexpr std::size_t kMaxScriptFileBytes = std::size_t{16} << 20;

// Parses a whole script. 0, or -1 with "line N: reason" in `error`.
int ParseScript(std::string_view script, std::vector<ScriptStep>& steps, std::string& error);

// The command id of a command-bar identifier ("ID_SNAPSHOT") or a number;
// -1 when unknown.
int CommandIdByName(std::string_view name);

// The program's serial port when the script plays the board. The caller
// keeps `board` (feeding it, printing its writes); it outlives the board port
// the program closes at shutdown.
std::unique_ptr<ISerialPort> MakeScriptBoardPort(std::shared_ptr<CMemoryPort> board);

// One line of the `tx:` event for a write to the board.
std::string TxLine(const std::uint8_t* bytes, int length);

// Runs script steps against a started application. Without a script board
// (memory port) the board is a real serial line.
class CScriptDriver {
public:
    using LineSink = std::function<void(const std::string&)>;

    CScriptDriver(COrvApp& app, CHeadlessHost& host, CMemoryPort* pBoard, LineSink errors);

    // Runs the steps in order until `quit`, the end, or the program ending
    // (minimise). 0, 2 for a step that cannot run (a feed file that cannot
    // be read), 1 when an output could not be written or a control was
    // missing (the script goes on).
    int Run(const std::vector<ScriptStep>& steps);

    // Waits until the board input fed so far has been read and dispatched,
    // the pending command written, every posted message handled and the
    // active view repainted.
    void Settle();

private:
    int RunStep(const ScriptStep& step);
    void WaitForReader();
    void Report(const ScriptStep& step, const std::string& what);
    int WriteTexts(const std::string& path);

    COrvApp& m_app;
    CHeadlessHost& m_host;
    CMemoryPort* m_pBoard;
    LineSink m_errors;
    bool m_bFailed = false;
};

// What a headless run may change for tests.
struct HeadlessSettings {
    // Standard output and standard error lines; empty: the process streams.
    std::function<void(const std::string&)> out;
    std::function<void(const std::string&)> err;
    int nStartupPauseMs = 2000;
    int nShutdownGraceMs = 500;
    // Called once the application has started, and before it is destroyed.
    std::function<void(COrvApp&)> onStarted;
    std::function<void(COrvApp&)> onFinished;
};

// The whole headless program for parsed options: the script (when given)
// drives the application; without one the program runs until it is closed
// or signalled. Returns the process exit code.
int RunHeadlessProgram(const ProgramOptions& options, const HeadlessSettings& settings = {});
