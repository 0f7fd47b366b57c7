// The program in this process on a board behind a pseudo-terminal that goes
// away and comes back: told once, title, screens, and the board told its mode
// again.

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <functional>

#include "platform/TermiosPort.h"
#include "tests/app/ShellFixture.h"
#include "tests/support/PtyBoard.h"
#include "tests/support/TempFolder.h"

namespace {

using LinkState = CBoardPort::LinkState;
using Bytes = std::vector<uint8_t>;

class BoardLostTest : public ShellFixture {
protected:
    void Customize(AppOptions& options) override {
        m_master = NewPtyBoard(m_strLink);
        options.openBoardPort = [link = m_strLink]() -> std::unique_ptr<ISerialPort> {
            auto port = std::make_unique<CTermiosPort>();
            port->Open(link);
            return port;
        };
    }
    void TearDown() override {
        ShellFixture::TearDown();
        if (m_master >= 0) close(m_master);
    }

    // Lets the program run until `done`, at most a few seconds.
    bool RunUntil(const std::function<bool()>& done) {
        for (int i = 0; i < 250 && !done(); ++i) Run("sleep 20\n");
        return done();
    }

    // Reads the board's end until `command` came.
    bool BoardReceives(const Bytes& command) {
        Bytes got;
        for (int i = 0; i < 100; ++i) {
            if (std::search(got.begin(), got.end(), command.begin(), command.end()) != got.end())
                return true;
            pollfd pfd{m_master, POLLIN, 0};
            if (poll(&pfd, 1, 20) > 0 && (pfd.revents & POLLIN) != 0) {
                std::array<uint8_t, 256> chunk{};
                const ssize_t n = read(m_master, chunk.data(), chunk.size());
                if (n > 0) got.insert(got.end(), chunk.begin(), chunk.begin() + n);
            }
            Run("settle\n");
        }
        return false;
    }

    CTempFolder m_dir;
    std::string m_strLink = m_dir.Path("board");
    int m_master = -1;
};

const Bytes kMacMode = {0x11, 0x12, 0x03, 0x04, 0x11, 0x13};
const std::string kLostBox = "msgbox: Orvalis | Connection to the board lost.";

}  // namespace

TEST_F(BoardLostTest, LossIsToldOnceAndTheReturningBoardIsToldTheScreensMode) {
    ASSERT_EQ(m_nInitResult, 0);
    EXPECT_EQ(Frame().BoardLinkState(), LinkState::Connected);
    Run("tap 100 100\n");  // the main menu
    Run("tap 50 100\n");   // MAC LIST: the board is told mode 4
    ASSERT_TRUE(BoardReceives(kMacMode));
    const std::string title = Frame().ComposeTitle();
    EXPECT_EQ(title.find("board lost"), std::string::npos);

    close(m_master);
    m_master = -1;
    std::remove(m_strLink.c_str());
    ASSERT_TRUE(RunUntil([&] { return Frame().BoardLinkState() == LinkState::Lost; }));
    EXPECT_NE(Frame().ComposeTitle().find(" - board lost"), std::string::npos);
    // Looked for again and again while gone, told once.
    Run("sleep " + std::to_string(3 * CBoardPort::kReopenInterval.count()) + "\n");
    EXPECT_EQ(Count(kLostBox), 1);
    EXPECT_EQ(ActiveView(), "CMac");

    m_master = NewPtyBoard(m_strLink);
    ASSERT_TRUE(RunUntil([&] { return Frame().BoardLinkState() == LinkState::Connected; }));
    EXPECT_EQ(Frame().ComposeTitle(), title);
    EXPECT_TRUE(BoardReceives(kMacMode));
    EXPECT_EQ(Count(kLostBox), 1);
    EXPECT_EQ(ActiveView(), "CMac");
}
