#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <vector>

#include "board/BoardPort.h"
#include "board/BoardReaderThread.h"
#include "board/MemoryPort.h"
#include "board/PacketFramer.h"
#include "data/SurveyData.h"
#include "tests/support/MessageRecorder.h"
#include "tests/support/PacketBuilders.h"

using namespace testpkt;

namespace {

// The store wired to a board port on an in-memory serial line, with a board
// that answers commands 1, 2 and 3 the way the RF board does. The reader loop
// is run pass by pass on the test thread.
class CommandTest : public ::testing::Test {
protected:
    CommandTest() {
        auto port = std::make_unique<CMemoryPort>();
        line = port.get();
        board = std::make_unique<CBoardPort>(std::move(port));
        store = std::make_unique<CSurveyData>();
        store->SetBoardPort(board.get());
        store->m_hNotifyWnd = &messages;
        line->SetWriteCallback([this](const uint8_t* bytes, int length) {
            if (answer) Answer(Bytes(bytes, bytes + length));
        });
    }

    void Answer(const Bytes& command) {
        if (command == Bytes{0x11, 0x12, 0x01, 0x11, 0x13}) line->Feed(Framed(1, Text("V 1.20")));
        if (command == Bytes{0x11, 0x12, 0x02, 0x11, 0x13}) line->Feed(Framed(2, Text("SN4711")));
        if (command.size() >= 3 && command[2] == 0x03) line->Feed(Framed(3, {command[3]}));
    }

    // Runs reader passes until the line has been quiet for two passes.
    void RunReader() {
        int idle = 0;
        for (int i = 0; i < 100 && idle < 2; ++i) {
            const auto pass =
                BoardReaderPass(*board, framer, *store, nullptr, receive.data(), nullptr);
            idle = pass == CBoardReader::Pass::Idle ? idle + 1 : 0;
        }
    }

    std::vector<Bytes> Written() const { return line->Writes(); }

    CMemoryPort* line = nullptr;
    std::unique_ptr<CBoardPort> board;
    std::unique_ptr<CSurveyData> store;
    CPacketFramer framer;
    std::array<uint8_t, CBoardReader::kReceiveSize> receive{};
    CMessageRecorder messages;
    bool answer = true;
};

TEST_F(CommandTest, StartUpHandshakeWritesCommandsOneTwoEightInOrder) {
    ASSERT_EQ(store->RequestFirmwareVersion(), 1);
    RunReader();

    EXPECT_EQ(Written(), (std::vector<Bytes>{{0x11, 0x12, 0x01, 0x11, 0x13},
                                             {0x11, 0x12, 0x02, 0x11, 0x13},
                                             {0x11, 0x12, 0x08, 0x01, 0x11, 0x13}}));
    EXPECT_STREQ(store->m_szFirmwareVersion, "V 1.20");
    EXPECT_DOUBLE_EQ(store->m_dFirmwareVersion, 1.20);
    EXPECT_STREQ(store->m_szSerialNumber, "SN4711");
    EXPECT_EQ(store->m_bSerialReceived, 1);
}

TEST_F(CommandTest, IdentityBeforeTheHandshakeReadsTheStartUpTexts) {
    EXPECT_STREQ(store->m_szFirmwareVersion, "0.00");
    EXPECT_STREQ(store->m_szSerialNumber, "XXXXXX");
    EXPECT_EQ(store->m_dFirmwareVersion, 0.0);
}

TEST_F(CommandTest, LateIdentityPacketsRepeatTheirStep) {
    answer = false;
    line->Feed(Framed(2, Text("B")));
    RunReader();
    line->Feed(Framed(1, Text("x")));
    RunReader();
    EXPECT_EQ(Written(), (std::vector<Bytes>{{0x11, 0x12, 0x08, 0x01, 0x11, 0x13},
                                             {0x11, 0x12, 0x02, 0x11, 0x13}}));
    EXPECT_EQ(store->m_dFirmwareVersion, 0.0);  // "x" has no third character
}

TEST_F(CommandTest, EnteringTheSpectrumScreenSendsModeSixAndNoChannel) {
    store->SetMode(6);
    RunReader();
    EXPECT_EQ(store->m_nMode, 6);
    EXPECT_EQ(Written(), (std::vector<Bytes>{{0x11, 0x12, 0x03, 0x06, 0x11, 0x13}}));
}

TEST_F(CommandTest, ChannelChangeWaitsForTheModeAcknowledgement) {
    store->m_nPendingChannel = 11;
    store->m_bChannelPending = 1;
    store->SetMode(1);
    RunReader();
    EXPECT_EQ(Written(), (std::vector<Bytes>{{0x11, 0x12, 0x03, 0x01, 0x11, 0x13},
                                             {0x11, 0x12, 0x04, 0x0B, 0x11, 0x13}}));
    EXPECT_EQ(store->m_bChannelPending, 0);

    // A second acknowledgement finds nothing pending.
    line->Feed(Framed(3, {1}));
    RunReader();
    EXPECT_EQ(Written().size(), 2u);
}

TEST_F(CommandTest, ArgumentEqualToTheMarkerIsEscaped) {
    store->SetMode(0x11);
    store->SetChannel(0x11);  // replaces the waiting mode command
    answer = false;
    RunReader();
    EXPECT_EQ(Written(), (std::vector<Bytes>{{0x11, 0x12, 0x04, 0x11, 0x14, 0x11, 0x13}}));
    store->SendCommand(0x11, nullptr, 0);
    RunReader();
    EXPECT_EQ(Written().back(), (Bytes{0x11, 0x12, 0x11, 0x14, 0x11, 0x13}));
}

TEST_F(CommandTest, CommandsWithoutAPortFailAndSendNothing) {
    store->SetBoardPort(nullptr);
    EXPECT_EQ(store->RequestFirmwareVersion(), -1);
    EXPECT_EQ(store->SetMode(4), -1);
    EXPECT_EQ(store->m_nMode, 4);  // the mode is recorded even so
    // The dispatcher's answers are lost the same way, without harm.
    Dispatch(*store, 1, Text("V 1.10"));
    Dispatch(*store, 2, Text("S"));
    EXPECT_EQ(store->m_bSerialReceived, 1);
    RunReader();
    EXPECT_TRUE(Written().empty());
}

TEST_F(CommandTest, CommandTooLongForTheSlotIsRefused) {
    const std::vector<uint8_t> args(200, 0x11);
    EXPECT_EQ(store->SendCommand(9, args.data(), static_cast<uint32_t>(args.size())), -1);
    EXPECT_FALSE(board->HasPendingCommand());
}

}  // namespace
