// The gpsd thread and the board reader enter the store's dispatcher at once
// while a GUI stand-in reads it under the lock (run under TSan).

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "board/Wire.h"
#include "data/SurveyData.h"
#include "gpsd/GpsdFeed.h"
#include "tests/support/GpsdFake.h"
#include "tests/support/TempFolder.h"

namespace {

using namespace std::chrono_literals;

TEST(GpsdStoreStress, GpsdAndBoardReaderShareTheDispatcher) {
    if (const std::string why = CGpsdFake::Unavailable(); !why.empty())
        GTEST_SKIP() << "gpsd cannot run here: " << why;
    CTempFolder folder;
    CGpsdFake gpsd(folder.Root());
    const int port = CGpsdFake::FreePort();
    const std::string walk =
        CGpsdFake::Walk({120000, 48.1173, 11.5167, 545.4, true, 2.5, 0.0}, 1e-4, "080326");
    ASSERT_EQ(gpsd.Start(port, walk), 0) << gpsd.Output();

    CSurveyData store;
    CGpsdSource::Setup setup;
    setup.address.host = "127.0.0.1";
    setup.address.port = std::to_string(port);
    CGpsdFeed feed(store, setup);
    ASSERT_EQ(feed.Start(), 0);

    std::atomic<bool> stop{false};
    std::atomic<uint64_t> reports{0};
    // The board reader: channel reports as fast as they come.
    std::thread reader([&] {
        uint8_t channel = 1;
        while (!stop.load()) {
            const uint8_t payload[2] = {channel,
                                        static_cast<uint8_t>(PacketType::kChannelReport ^ channel)};
            feed.DispatchPacket(PacketType::kChannelReport, payload, sizeof payload);
            channel = static_cast<uint8_t>(channel % 14 + 1);
            reports.fetch_add(1);
            std::this_thread::sleep_for(100us);
        }
    });
    // The GUI thread: paints read the position under the lock.
    bool seen = false;
    double latitude = 0.0;
    const auto end = std::chrono::steady_clock::now() + 15s;
    while (std::chrono::steady_clock::now() < end) {
        {
            const auto lock = store.Lock();
            seen = store.m_Gps.m_bMessageReceived != 0;
            if (store.m_Gps.m_nFixStatus >= 6) latitude = store.m_Gps.m_dLatitude2;
        }
        if (seen && feed.Source().Delivered() >= 5) break;
        std::this_thread::sleep_for(1ms);
    }
    stop.store(true);
    reader.join();
    feed.Stop();
    gpsd.Stop();

    EXPECT_TRUE(seen);
    EXPECT_NEAR(latitude, 48.1175, 3e-4);
    EXPECT_GE(feed.Source().Delivered(), 5u);
    EXPECT_GT(reports.load(), 100u);
    // No board packet was lost to gpsd's: the last channel report is in force.
    const auto lock = store.Lock();
    EXPECT_EQ(store.m_nChannel, 1 + (reports.load() - 1) % 14);
}

}  // namespace
