// The reader thread dispatches a generated board stream at full speed while a
// GUI-thread stand-in works the store the way the screens and forms do, each
// operation under the store lock. Run under ThreadSanitizer it must stay
// silent; in any build the store's invariants must hold whenever the lock is
// held.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "board/BoardPort.h"
#include "board/BoardReaderThread.h"
#include "board/MemoryPort.h"
#include "board/PacketFramer.h"
#include "data/StateDump.h"
#include "data/SurveyData.h"
#include "tests/support/PacketBuilders.h"

using namespace testpkt;

namespace {

// Like the main frame's queue: a lock of its own, taken while the reader
// thread holds the store lock.
class CCountingPoster : public IMessagePoster {
public:
    void PostMessage(unsigned message) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_nCount[message - UM_REFRESH_VIEW];
    }
    unsigned long Count(unsigned message) const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_nCount[message - UM_REFRESH_VIEW];
    }

private:
    mutable std::mutex m_mutex;
    unsigned long m_nCount[4] = {};
};

class CCountingStager : public IPacketStager {
public:
    void StagePacket(uint8_t, const uint8_t* payload, uint32_t length) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (length > 0) m_nLastByte = payload[length - 1];
        ++m_nStaged;
    }

private:
    std::mutex m_mutex;
    unsigned long m_nStaged = 0;
    uint8_t m_nLastByte = 0;
};

// One pass over the band: per channel a report, beacons and data frames of
// the stations living there, then sweeps, loads, noise, GPS and a mode
// acknowledgement.
Bytes GenerateStream() {
    Bytes stream;
    auto add = [&](uint8_t type, const Bytes& data) {
        const Bytes framed = Framed(type, data);
        stream.insert(stream.end(), framed.begin(), framed.end());
    };
    uint32_t next = 0;
    for (int round = 0; round < 3; ++round) {
        for (uint8_t channel = 1; channel <= 14; ++channel) {
            add(round == 0 ? 4 : 11, {channel});
            for (int i = 0; i < 12; ++i) {
                const uint32_t id = channel * 100 + static_cast<uint32_t>(i) + round * 5;
                Capture beacon = Beacon(MacOf(id), "ssid" + std::to_string(id), channel,
                                        static_cast<int8_t>(-90 + (id * 7) % 60));
                beacon.valid = (id % 9) != 0;
                beacon.rate = (id % 2) ? 110 : 10;
                for (size_t k = 0; k < beacon.iq.size(); ++k)
                    beacon.iq[k] = static_cast<int8_t>((id + k) % 23 - 11);
                add(i % 3 == 0 ? 6 : 9, CaptureData(beacon));
                Capture data = DataFrame(MacOf(id + 50000), static_cast<int8_t>(-70 + i));
                data.valid = (next++ % 4) != 0;
                add(18, CaptureData(data));
            }
            add(32, {static_cast<uint8_t>(0xA0 + channel), 0xFF, channel});
            add(19, ChannelLoadData(channel, 2u * channel, 3u * channel, 4u * channel));
        }
        add(5, SweepData(130, static_cast<uint8_t>(round)));
        add(14, SweepData(546, static_cast<uint8_t>(round)));
        add(7, GpsData());
        add(13, ChannelLoadData(1, 2, 3, 4));
        add(3, {1});
    }
    return stream;
}

TEST(StressTest, ReaderAndGuiThreadShareTheStoreUnderOneLock) {
    auto store = std::make_unique<CSurveyData>();
    CCountingPoster poster;
    CCountingStager stager;
    store->m_hNotifyWnd = &poster;
    store->SetPacketStager(&stager);

    auto port = std::make_unique<CMemoryPort>();
    CMemoryPort* line = port.get();
    CBoardPort board(std::move(port));
    store->SetBoardPort(&board);
    CPacketFramer framer;
    CBoardReader reader(board, framer, *store, nullptr);

    const Bytes stream = GenerateStream();
    std::atomic<bool> stopFeeding{false};
    std::thread feeder([&] {
        while (!stopFeeding.load(std::memory_order_acquire)) {
            if (line->Pending() < stream.size())
                line->Feed(stream);
            else
                std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    });
    ASSERT_EQ(reader.Start(), 0);

    const std::vector<std::string> saved = {MacText(MacOf(101)), MacText(MacOf(202)),
                                            MacText(MacOf(50303))};
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    unsigned long operations = 0;
    unsigned long walked = 0;
    std::string gpsText;
    // Assertions leave this lambda only, so the threads are always stopped.
    auto guiThread = [&] {
        for (int step = 0; std::chrono::steady_clock::now() < until; ++step) {
            auto lock = store->Lock();
            switch (step % 10) {
                case 0: {  // the MAC list screen's walk
                    int n = 0;
                    StationEntry* e = nullptr;
                    for (int rc = store->m_Stations.GetAt(1, &e); rc == 0;
                         rc = store->m_Stations.Next(e, &e)) {
                        ++n;
                        ASSERT_EQ(std::strlen(e->szMac), 17u);
                    }
                    ASSERT_EQ(n, store->m_Stations.Count());
                    int perChannel = 0;
                    for (uint16_t ch = 0; ch < 15; ++ch)
                        perChannel += store->m_Stations.CountOnChannel(ch);
                    ASSERT_EQ(perChannel, n);
                    walked += static_cast<unsigned long>(n);
                    break;
                }
                case 1:  // counters as the usage screen reads them
                    ASSERT_EQ(store->m_nFramesTotal,
                              store->m_nDeauthFrames + store->m_nAuthFrames +
                                  store->m_nReservedFrames + store->m_nMgmtFrames +
                                  store->m_nControlFrames + store->m_nDataFrames);
                    ASSERT_GE(store->m_nChannel, 1);
                    ASSERT_LE(store->m_nChannel, 14);
                    break;
                case 2:  // the GPS screen
                    gpsText = store->m_Gps.FormatDate() + store->m_Gps.FormatTime() +
                              store->m_Gps.FormatLatitude() + store->m_Gps.FormatVelocity() +
                              store->m_Gps.FormatFixStatus();
                    break;
                case 3: {  // selecting a station on the MAC list
                    StationEntry* e = nullptr;
                    const int count = store->m_Stations.Count();
                    if (count > 0 && store->m_Stations.GetAt(1 + step % count, &e) == 0) {
                        store->ClearSelectedStation();
                        std::memcpy(store->m_szSelectedMac, e->szMac,
                                    sizeof store->m_szSelectedMac);
                        std::memcpy(store->m_szSelectedSsid, e->szSsid,
                                    sizeof store->m_szSelectedSsid - 1);
                    }
                    break;
                }
                case 4:  // the options form
                    store->m_bSecurityEnabled ^= 1;
                    store->m_bShowNonApMacs ^= 1;
                    store->m_bHeronEnabled = (step / 10) % 3 == 0;
                    store->m_bRecording = (step / 10) % 5 == 0;
                    break;
                case 5:  // the security form's buttons
                    store->AddAuthorized(saved[static_cast<size_t>(step) % saved.size()].c_str());
                    if (store->m_nUnauthorizedCount > 0) {
                        store->AddAuthorized(store->m_aszUnauthorized[0]);
                        store->RemoveUnauthorized(0);
                    }
                    if (store->m_nAuthorizedCount > 50) store->RemoveAuthorized(1);
                    break;
                case 6:  // RETRIEVE: clear and reload both lists
                    if (step % 70 == 6) {
                        store->ClearAuthorized();
                        store->ClearUnauthorized();
                        for (const std::string& mac : saved) store->AddAuthorized(mac.c_str());
                    }
                    break;
                case 7:  // the spectrum screen and the infrared sender
                    ASSERT_LE(store->m_nHeronRecordLength, kHeronRecordSize);
                    gpsText.assign(reinterpret_cast<const char*>(store->m_abNarrowSweep.data()), 4);
                    if (store->m_nSelectedFrames > 0) {
                        ASSERT_LE(store->m_nCfrPeakBin, 43);
                    }
                    break;
                case 8:  // a screen change with a channel
                    store->m_nPendingChannel = static_cast<uint8_t>(1 + step % 14);
                    store->m_bChannelPending = 1;
                    store->SetMode(1);
                    break;
                case 9:
                    if (step % 500 == 9) (void)DumpState(*store).size();
                    break;
            }
            ++operations;
            lock.unlock();
            // A screen lets go of the store between paints and touches; the
            // store's mutex is not fair, so without a pause this loop could
            // take it back at once and starve the reader.
            if (step % 4 == 0) std::this_thread::sleep_for(std::chrono::microseconds(50));
        }
    };
    guiThread();

    reader.Stop();
    stopFeeding.store(true, std::memory_order_release);
    feeder.join();

    auto lock = store->Lock();
    EXPECT_GT(reader.PacketsDispatched(), 2000u);
    EXPECT_GT(operations, 1000u);
    EXPECT_GT(poster.Count(UM_REFRESH_VIEW), 2000u);
    EXPECT_GT(poster.Count(UM_UNAUTHORIZED_AP), 0u);
    EXPECT_GT(store->m_nFramesAllChannels, 0u);
    EXPECT_GT(walked, 0u);
    RecordProperty("packets", std::to_string(reader.PacketsDispatched()));
    RecordProperty("gui_operations", std::to_string(operations));
}

}  // namespace
