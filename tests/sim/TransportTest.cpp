#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <thread>

#include "sim/BoardServer.h"
#include "sim/Scenario.h"
#include "sim/SimPort.h"
#include "sim/SimulatedBoard.h"
#include "sim/main/BoardSimHelp.h"
#include "tests/sim/SimTestUtil.h"

using simtest::Packet;

namespace {

using Clock = std::chrono::steady_clock;

// Opens a terminal device the way a serial port is opened: raw, 8N1.
int OpenRaw(const std::string& path) {
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return -1;
    termios t{};
    tcgetattr(fd, &t);
    cfmakeraw(&t);
    cfsetispeed(&t, B38400);
    cfsetospeed(&t, B38400);
    tcsetattr(fd, TCSANOW, &t);
    return fd;
}

// Reads from fd until a packet of `type` has been assembled or time is up.
bool AwaitPacket(int fd, uint8_t type, double seconds, Packet* out = nullptr) {
    simtest::StreamDecoder decoder;
    const auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
    std::vector<uint8_t> chunk(512);
    while (Clock::now() < deadline) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 20) <= 0) continue;
        const ssize_t n = read(fd, chunk.data(), chunk.size());
        if (n <= 0) continue;
        for (Packet& packet : decoder.Push({chunk.begin(), chunk.begin() + n})) {
            if (packet.type == type && packet.checkOk) {
                if (out != nullptr) *out = packet;
                return true;
            }
        }
    }
    return false;
}

void WriteAll(int fd, const std::vector<uint8_t>& bytes) {
    ASSERT_EQ(write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
}

std::string Program() {
    return std::string(ORV_BINARY_DIR) + "/sim/orvalis-board-sim";
}

// Runs the program with arguments; returns its exit status and standard
// error.
int RunProgram(const std::vector<std::string>& args, std::string& err) {
    int pipeErr[2];
    if (pipe(pipeErr) != 0) return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(pipeErr[1], 2);
        const int devnull = open("/dev/null", O_RDWR);
        dup2(devnull, 0);
        dup2(devnull, 1);
        std::vector<char*> argv;
        std::string program = Program();
        argv.push_back(program.data());
        std::vector<std::string> copy = args;
        for (auto& a : copy) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(pipeErr[1]);
    char buffer[512];
    ssize_t n;
    while ((n = read(pipeErr[0], buffer, sizeof buffer)) > 0)
        err.append(buffer, static_cast<size_t>(n));
    close(pipeErr[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

TEST(SimPort, UnpacedShowsAGapThenRunsAhead) {
    CSimPort port(CScenario::Default(), 1, CSimPort::Pacing::Unpaced);
    EXPECT_TRUE(port.IsOpen());
    const uint8_t command1[] = {0x11, 0x12, 0x01, 0x11, 0x13};
    EXPECT_EQ(port.Write(command1, sizeof command1), 5);
    // The reply is on the line at once; without pacing it all comes out.
    simtest::StreamDecoder decoder;
    std::vector<uint8_t> buffer(4096);
    int gaps = 0;
    std::vector<Packet> packets;
    for (int pass = 0; pass < 200; ++pass) {
        const int waiting = port.BytesWaiting();
        if (waiting == 0) {
            ++gaps;
            continue;
        }
        const int n = port.Read(buffer.data(), static_cast<int>(buffer.size()));
        ASSERT_GT(n, 0);
        for (auto& p : decoder.Push({buffer.begin(), buffer.begin() + n})) packets.push_back(p);
    }
    ASSERT_FALSE(packets.empty());
    EXPECT_EQ(packets.front().type, 1);
    // Every burst is followed by one empty poll, in which the reader thread
    // writes its pending command.
    EXPECT_GT(gaps, 50);
    // Board time ran far ahead of the wall clock.
    EXPECT_GT(port.Board().Now(), 5 * CSimulatedBoard::kSecond);
}

// Held, the unpaced board hands out what it has and then stands still; the
// reader is told to sleep meanwhile. Released, it runs on.
TEST(SimPort, AHeldUnpacedBoardStandsStillUntilReleased) {
    CSimPort port(CScenario::Default(), 1, CSimPort::Pacing::Unpaced);
    EXPECT_TRUE(port.IsUnpaced());
    std::vector<uint8_t> buffer(4096);
    for (int pass = 0; pass < 20; ++pass)
        if (port.BytesWaiting() > 0) port.Read(buffer.data(), static_cast<int>(buffer.size()));
    port.HoldInput(true);
    EXPECT_FALSE(port.IsUnpaced());
    while (port.BytesWaiting() > 0) port.Read(buffer.data(), static_cast<int>(buffer.size()));
    const int64_t held = port.Board().Now();
    for (int pass = 0; pass < 20; ++pass) EXPECT_EQ(port.BytesWaiting(), 0);
    EXPECT_EQ(port.Board().Now(), held);
    port.HoldInput(false);
    EXPECT_TRUE(port.IsUnpaced());
    int got = 0;
    for (int pass = 0; pass < 4 && got == 0; ++pass) got = port.BytesWaiting();
    EXPECT_GT(got, 0);
    EXPECT_GT(port.Board().Now(), held);

    CSimPort paced(CScenario::Default(), 1, CSimPort::Pacing::RealTime);
    EXPECT_FALSE(paced.IsUnpaced());
}

TEST(SimPort, RealTimeFollowsTheClock) {
    const auto start = Clock::now();
    CSimPort port(CScenario::Default(), 1, CSimPort::Pacing::RealTime);
    const uint8_t command1[] = {0x11, 0x12, 0x01, 0x11, 0x13};
    port.Write(command1, sizeof command1);
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    const int waiting = port.BytesWaiting();
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    EXPECT_GT(waiting, 0);
    EXPECT_LE(waiting, static_cast<int>(elapsed * 3840) + 1);
    EXPECT_LE(port.Board().Now(), static_cast<int64_t>(elapsed * 1e9));
    EXPECT_EQ(port.Read(nullptr, 3), -1);
    EXPECT_EQ(port.Write(nullptr, 3), -1);
}

TEST(PtyTransport, ServerAnswersThroughThePseudoTerminal) {
    CBoardServer server(CScenario::Default(), 1, false);
    std::string path, error;
    ASSERT_EQ(server.OpenPty(path, error), 0) << error;
    std::atomic<bool> stop{false};
    std::thread serving([&] { server.ServePty(stop, 0.0); });

    const int fd = OpenRaw(path);
    ASSERT_GE(fd, 0) << path;
    WriteAll(fd, simtest::Command(1));
    Packet reply;
    EXPECT_TRUE(AwaitPacket(fd, 1, 3.0, &reply));
    EXPECT_EQ(reply.payload.front(), 'V');
    // Opening again after closing works: the server holds the far end.
    close(fd);
    const int again = OpenRaw(path);
    ASSERT_GE(again, 0);
    WriteAll(again, simtest::Command(3, {6}));
    EXPECT_TRUE(AwaitPacket(again, 14, 3.0));
    close(again);
    stop = true;
    serving.join();
}

TEST(PtyTransport, ProgramPrintsThePathAndServesIt) {
    int out[2];
    ASSERT_EQ(pipe(out), 0);
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        dup2(out[1], 1);
        close(out[0]);
        const std::string program = Program();
        execl(program.c_str(), program.c_str(), "--pty", "--seed", "3",
              static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);
    std::string line;
    char c;
    while (read(out[0], &c, 1) == 1 && c != '\n') line += c;
    ASSERT_EQ(line.rfind("/dev/pts/", 0), 0u) << "printed: " << line;

    const int fd = OpenRaw(line);
    ASSERT_GE(fd, 0);
    WriteAll(fd, simtest::Command(1));
    Packet reply;
    EXPECT_TRUE(AwaitPacket(fd, 1, 3.0, &reply));
    const std::string text(reply.payload.begin(),
                           std::find(reply.payload.begin(), reply.payload.end(), 0));
    EXPECT_GE(std::strtod(text.c_str() + 2, nullptr), 1.15) << text;
    close(fd);

    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
    close(out[0]);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST(ProgramOptions, BadInputExitsWithTwo) {
    std::string err;
    EXPECT_EQ(RunProgram({"--pty", "--bogus"}, err), 2);
    EXPECT_EQ(err, "orvalis-board-sim: unknown option \"--bogus\" (try --help)\n");
    err.clear();
    EXPECT_EQ(RunProgram({"--stdio", "--seed", "x"}, err), 2);
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1);
    err.clear();
    EXPECT_EQ(RunProgram({}, err), 2);
    err.clear();

    const std::string path = testing::TempDir() + "orv_sim_bad.json";
    {
        std::ofstream file(path);
        file << "{\n  \"access_points\": [\n    {\"mac\": \"00:00:00:00:00:01\", \"channel\": 0}\n "
                " ]\n}\n";
    }
    EXPECT_EQ(RunProgram({"--stdio", "--scenario", path}, err), 2);
    EXPECT_EQ(err,
              "orvalis-board-sim: " + path + ":3: access_points[0].channel: 0 is outside 1..14\n");
    std::remove(path.c_str());
    err.clear();
    EXPECT_EQ(RunProgram({"--help"}, err), 0);
    EXPECT_EQ(RunProgram({"--version"}, err), 0);
}

// Every option --help describes is one the program takes.
TEST(ProgramOptions, EveryOptionOfTheHelpTableIsTaken) {
    const std::vector<std::string> run = {"--stdio", "--unpaced", "--duration", "0.05"};
    auto with = [&](std::vector<std::string> args) {
        args.insert(args.end(), run.begin(), run.end());
        return args;
    };
    const std::map<std::string, std::vector<std::string>> uses = {
        {"--pty", {"--pty", "--unpaced", "--duration", "0.05"}},
        {"--stdio", run},
        {"--scenario", with({"--scenario", testing::TempDir() + "orv_sim_help.json"})},
        {"--seed", with({"--seed", "9"})},
        {"--unpaced", run},
        {"--duration", run},
        {"--gps", with({"--gps", "gpsd:127.0.0.1:1"})},
        {"--print-scenario", {"--print-scenario"}},
        {"-h", {"-h"}},
        {"--help", {"--help"}},
        {"--version", {"--version"}},
    };
    {
        std::ofstream file(testing::TempDir() + "orv_sim_help.json");
        file << CScenario::DefaultText();
    }
    for (const HelpOption& option : BoardSimHelp().options) {
        ForEachOptionName(option, [&](std::string_view name) {
            const auto use = uses.find(std::string(name));
            ASSERT_NE(use, uses.end()) << "no command line using " << name;
            std::string err;
            EXPECT_EQ(RunProgram(use->second, err), 0) << name << ": " << err;
        });
    }
    std::remove((testing::TempDir() + "orv_sim_help.json").c_str());
}

TEST(ProgramOptions, StdioUnpacedIsReproducible) {
    auto capture = [](const char* seed) {
        int out[2];
        EXPECT_EQ(pipe(out), 0);
        const pid_t pid = fork();
        if (pid == 0) {
            dup2(out[1], 1);
            close(out[0]);
            const int devnull = open("/dev/null", O_RDONLY);
            dup2(devnull, 0);
            const std::string program = Program();
            execl(program.c_str(), program.c_str(), "--stdio", "--unpaced", "--seed", seed,
                  "--duration", "20.5", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(out[1]);
        std::vector<uint8_t> bytes;
        uint8_t buffer[4096];
        ssize_t n;
        while ((n = read(out[0], buffer, sizeof buffer)) > 0)
            bytes.insert(bytes.end(), buffer, buffer + n);
        close(out[0]);
        int status = 0;
        waitpid(pid, &status, 0);
        return bytes;
    };
    const auto first = capture("5");
    const auto packets = simtest::Decode(first);
    // Twenty seconds of an idle board: GPS every second, noise now and then.
    EXPECT_EQ(simtest::CountTypes(packets)[7], 20);
    EXPECT_EQ(first, capture("5"));
}
