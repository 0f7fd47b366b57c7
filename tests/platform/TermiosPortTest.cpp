#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/TermiosPort.h"
#include "tests/support/PtyBoard.h"
#include "tests/support/TempFolder.h"

namespace {

using Clock = std::chrono::steady_clock;

// A pseudo-terminal: the port opens the slave by its path, the test plays the
// board on the master.
class PtyTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::array<char, 128> name{};
        ASSERT_EQ(openpty(&m_master, &m_slave, name.data(), nullptr, nullptr), 0);
        m_path = name.data();
        const int flags = fcntl(m_master, F_GETFL);
        fcntl(m_master, F_SETFL, flags | O_NONBLOCK);
    }
    void TearDown() override {
        if (m_master >= 0) close(m_master);
        if (m_slave >= 0) close(m_slave);
    }

    void MasterWrite(const std::vector<uint8_t>& bytes) {
        ASSERT_EQ(write(m_master, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }

    // Reads from the master until `count` bytes have come or `wait` passed.
    std::vector<uint8_t> MasterRead(size_t count,
                                    std::chrono::milliseconds wait = std::chrono::seconds(1)) {
        std::vector<uint8_t> got;
        const auto deadline = Clock::now() + wait;
        while (got.size() < count && Clock::now() < deadline) {
            pollfd pfd{m_master, POLLIN, 0};
            if (poll(&pfd, 1, 20) <= 0) continue;
            std::array<uint8_t, 512> chunk{};
            const ssize_t n = read(m_master, chunk.data(), chunk.size());
            if (n > 0) got.insert(got.end(), chunk.begin(), chunk.begin() + n);
        }
        return got;
    }

    // Waits until the port reports `count` bytes waiting (the pty hands bytes
    // over asynchronously); returns the last count seen.
    static int WaitForBytes(CTermiosPort& port, int count) {
        const auto deadline = Clock::now() + std::chrono::seconds(1);
        int waiting = port.BytesWaiting();
        while (waiting < count && Clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            waiting = port.BytesWaiting();
        }
        return waiting;
    }

    static std::vector<uint8_t> AllByteValues() {
        std::vector<uint8_t> bytes(256);
        for (int i = 0; i < 256; ++i) bytes[i] = static_cast<uint8_t>(i);
        return bytes;
    }

    int m_master = -1;
    int m_slave = -1;
    std::string m_path;
};

}  // namespace

TEST_F(PtyTest, OpenAppliesBoardSettingsOverACookedTerminal) {
    // Start from a line in the state a login shell would leave: 9600 baud,
    // 7E2, hardware and software flow control, canonical input with echo.
    termios cooked{};
    ASSERT_EQ(tcgetattr(m_slave, &cooked), 0);
    cfsetispeed(&cooked, B9600);
    cfsetospeed(&cooked, B9600);
    cooked.c_cflag = (cooked.c_cflag & ~CSIZE) | CS7 | PARENB | CSTOPB | CRTSCTS;
    cooked.c_iflag |= IXON | IXOFF | ICRNL;
    cooked.c_lflag |= ICANON | ECHO | ISIG;
    cooked.c_oflag |= OPOST | ONLCR;
    ASSERT_EQ(tcsetattr(m_slave, TCSANOW, &cooked), 0);

    CTermiosPort port;
    ASSERT_EQ(port.Open(m_path), 0) << port.LastError();
    EXPECT_EQ(port.LastOpenResult(), CTermiosPort::OpenResult::Ok);
    EXPECT_TRUE(port.IsOpen());

    termios tio{};
    ASSERT_EQ(tcgetattr(port.Handle(), &tio), 0);
    EXPECT_EQ(cfgetospeed(&tio), static_cast<speed_t>(B38400));
    EXPECT_EQ(cfgetispeed(&tio), static_cast<speed_t>(B38400));
    EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(tio.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(tio.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF | IXANY | ICRNL | INLCR | IGNCR | ISTRIP), 0u);
    EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(tio.c_oflag & OPOST, 0u);
    EXPECT_EQ(tio.c_cc[VMIN], 0);
    EXPECT_EQ(tio.c_cc[VTIME], 0);
    // The descriptor must not become our controlling terminal.
    EXPECT_NE(tcgetsid(port.Handle()), getsid(0));
}

TEST_F(PtyTest, EveryByteValuePassesUnchangedBothWays) {
    // 0x11/0x13 are XON/XOFF and frame every board packet; 0x0D, 0x0A, 0x03
    // and 0x7F would be eaten or translated by a cooked line.
    CTermiosPort port;
    ASSERT_EQ(port.Open(m_path), 0) << port.LastError();
    const std::vector<uint8_t> all = AllByteValues();

    MasterWrite(all);
    ASSERT_EQ(WaitForBytes(port, 256), 256);
    std::vector<uint8_t> got(300);
    ASSERT_EQ(port.Read(got.data(), static_cast<int>(got.size())), 256);
    got.resize(256);
    EXPECT_EQ(got, all);
    // Nothing echoed back towards the board.
    EXPECT_TRUE(MasterRead(1, std::chrono::milliseconds(100)).empty());

    ASSERT_EQ(port.Write(all.data(), static_cast<int>(all.size())), 256);
    EXPECT_EQ(MasterRead(256), all);
}

TEST_F(PtyTest, BytesWaitingCountsWhatReadsLeave) {
    CTermiosPort port;
    ASSERT_EQ(port.Open(m_path), 0) << port.LastError();
    EXPECT_EQ(port.BytesWaiting(), 0);

    MasterWrite({0x11, 0x12, 0x07, 0x01, 0x02, 0x03, 0x04, 0x05, 0x11, 0x13});
    ASSERT_EQ(WaitForBytes(port, 10), 10);
    std::array<uint8_t, 4> head{};
    ASSERT_EQ(port.Read(head.data(), 4), 4);
    EXPECT_EQ(head, (std::array<uint8_t, 4>{0x11, 0x12, 0x07, 0x01}));
    EXPECT_EQ(port.BytesWaiting(), 6);
    std::array<uint8_t, 16> rest{};
    EXPECT_EQ(port.Read(rest.data(), 16), 6);
    EXPECT_EQ(port.BytesWaiting(), 0);
    // With nothing waiting a read returns at once.
    const auto start = Clock::now();
    EXPECT_EQ(port.Read(rest.data(), 16), 0);
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(100));
}

TEST_F(PtyTest, HeldInputWaitsOnTheLineWhileWritesGoOut) {
    CTermiosPort port;
    ASSERT_EQ(port.Open(m_path), 0) << port.LastError();
    MasterWrite({0x01, 0x02, 0x03});
    ASSERT_EQ(WaitForBytes(port, 3), 3);

    port.HoldInput(true);
    EXPECT_EQ(port.BytesWaiting(), 0);
    std::array<uint8_t, 8> got{};
    EXPECT_EQ(port.Read(got.data(), 8), 0);
    const std::array<uint8_t, 2> command{0x11, 0x22};
    EXPECT_EQ(port.Write(command.data(), 2), 2);
    EXPECT_EQ(MasterRead(2), (std::vector<uint8_t>{0x11, 0x22}));

    // Released, nothing was lost.
    port.HoldInput(false);
    EXPECT_EQ(port.BytesWaiting(), 3);
    ASSERT_EQ(port.Read(got.data(), 8), 3);
    EXPECT_EQ(got[0], 0x01);
    EXPECT_EQ(got[2], 0x03);
}

TEST_F(PtyTest, OpenDiscardsBytesAlreadyOnTheLine) {
    // A raw line, so the bytes count as waiting without a line end.
    termios raw{};
    ASSERT_EQ(tcgetattr(m_slave, &raw), 0);
    cfmakeraw(&raw);
    ASSERT_EQ(tcsetattr(m_slave, TCSANOW, &raw), 0);
    MasterWrite({0xAA, 0xBB, 0xCC});
    // Wait until the line holds them before the port opens.
    const auto deadline = Clock::now() + std::chrono::seconds(1);
    int pending = 0;
    while (pending < 3 && Clock::now() < deadline) {
        ioctl(m_slave, FIONREAD, &pending);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ASSERT_EQ(pending, 3);

    CTermiosPort port;
    ASSERT_EQ(port.Open(m_path), 0) << port.LastError();
    EXPECT_EQ(port.BytesWaiting(), 0);
}

TEST_F(PtyTest, WriteFailsOnceTheBoardHangsUp) {
    CTermiosPort port;
    ASSERT_EQ(port.Open(m_path), 0) << port.LastError();
    close(m_master);
    m_master = -1;
    const uint8_t command[] = {0x11, 0x12, 0x01, 0x11, 0x13};
    const auto start = Clock::now();
    EXPECT_EQ(port.Write(command, 5), -1);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(1));
    EXPECT_EQ(port.BytesWaiting(), 0);
}

TEST(TermiosPortHangUp, TheLostLineClosesAndIsOpenedAgainWhenItsDeviceReturns) {
    // The port's path is a link that the test points at a new pseudo-terminal
    // once the first one is gone, as the system gives an unplugged adapter's
    // node back when it returns.
    CTempFolder dir;
    const std::string link = dir.Path("board");
    const uint8_t command[] = {0x11, 0x12, 0x01, 0x11, 0x13};
    struct Case {
        const char* name;
        // What the reader does next on the line whose other end closed.
        std::function<void(CTermiosPort&)> touch;
    };
    const Case cases[] = {
        {"asking what is waiting", [](CTermiosPort& port) { EXPECT_EQ(port.BytesWaiting(), 0); }},
        {"writing a command", [&](CTermiosPort& port) { EXPECT_EQ(port.Write(command, 5), -1); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int master = NewPtyBoard(link);
        CTermiosPort port;
        ASSERT_EQ(port.Open(link), 0) << port.LastError();
        EXPECT_FALSE(port.IsLost());

        close(master);
        c.touch(port);
        EXPECT_TRUE(port.IsLost());
        EXPECT_FALSE(port.IsOpen());
        // Gone: nothing to open at the path yet.
        std::remove(link.c_str());
        EXPECT_EQ(port.Reopen(), -1);
        EXPECT_TRUE(port.IsLost());

        master = NewPtyBoard(link);
        ASSERT_EQ(port.Reopen(), 0) << port.LastError();
        EXPECT_FALSE(port.IsLost());
        EXPECT_EQ(port.Write(command, 5), 5);
        std::array<uint8_t, 16> got{};
        pollfd pfd{master, POLLIN, 0};
        ASSERT_GT(poll(&pfd, 1, 1000), 0);
        EXPECT_EQ(read(master, got.data(), got.size()), 5);
        close(master);
    }
}

TEST_F(PtyTest, MissingDeviceCannotBeOpened) {
    CTermiosPort port;
    ASSERT_EQ(port.Open(m_path), 0) << port.LastError();
    EXPECT_EQ(port.Open("/dev/orvalis-no-such-tty"), -1);
    EXPECT_EQ(port.LastOpenResult(), CTermiosPort::OpenResult::CannotOpen);
    EXPECT_NE(port.LastError().find("/dev/orvalis-no-such-tty"), std::string::npos);
    EXPECT_EQ(port.LastOpenErrno(), ENOENT);
    EXPECT_STREQ(CTermiosPort::FailureMessage(port.LastOpenResult()),
                 "Cannot Open Connection To Board.");
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.BytesWaiting(), 0);
    uint8_t byte = 0;
    EXPECT_EQ(port.Read(&byte, 1), -1);
    EXPECT_EQ(port.Write(&byte, 1), -1);
}

TEST(TermiosPortOpen, FileThatIsNotATerminalIsRefusedItsSettings) {
    char path[] = "/tmp/orvalis-port-XXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    close(fd);

    CTermiosPort port;
    EXPECT_EQ(port.Open(path), -1);
    EXPECT_EQ(port.LastOpenResult(), CTermiosPort::OpenResult::CannotSetState);
    EXPECT_STREQ(CTermiosPort::FailureMessage(port.LastOpenResult()), "Could not SetCommState");
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.Handle(), -1);
    EXPECT_EQ(CTermiosPort::FailureMessage(CTermiosPort::OpenResult::Ok), nullptr);
    // The device did open: the failure is not one of access.
    EXPECT_EQ(port.LastOpenErrno(), 0);
    unlink(path);
}

TEST(TermiosPortOpen, DeviceTheUserMayNotOpenReportsEacces) {
    if (geteuid() == 0) GTEST_SKIP() << "permission checks do not apply to root";
    char path[] = "/tmp/orvalis-port-XXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    close(fd);
    ASSERT_EQ(chmod(path, 0), 0);

    CTermiosPort port;
    EXPECT_EQ(port.Open(path), -1);
    EXPECT_EQ(port.LastOpenResult(), CTermiosPort::OpenResult::CannotOpen);
    EXPECT_EQ(port.LastOpenErrno(), EACCES);
    EXPECT_NE(port.LastError().find("Permission denied"), std::string::npos);
    unlink(path);
}
