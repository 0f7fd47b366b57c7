#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "board/BoardPort.h"
#include "board/BoardReaderThread.h"
#include "board/PacketFramer.h"
#include "data/StateDump.h"
#include "data/SurveyData.h"
#include "sim/GpsReceiver.h"
#include "sim/Scenario.h"
#include "sim/SimPort.h"
#include "sim/SimulatedBoard.h"

namespace {

// The program's board link on the simulated board, unpaced: the real reader
// loop, framer and dispatcher, run pass by pass on the test thread so that
// every run is the same.
class Instrument {
public:
    explicit Instrument(const CScenario& scenario, uint64_t seed = 17) {
        auto port = std::make_unique<CSimPort>(scenario, seed, CSimPort::Pacing::Unpaced);
        m_pSim = port.get();
        m_pPort = std::make_unique<CBoardPort>(std::move(port));
        m_pStore = std::make_unique<CSurveyData>();
        m_pStore->SetBoardPort(m_pPort.get());
        m_pFramer = std::make_unique<CPacketFramer>();
        auto lock = m_pStore->Lock();
        m_pStore->RequestFirmwareVersion();
    }

    // Runs the reader until the board has run `seconds` more, calling
    // `check` with the store locked about every half second of board time.
    template <typename Check>
    void Run(double seconds, Check check) {
        const int64_t end = Now() + static_cast<int64_t>(seconds * 1e9);
        int64_t nextCheck = Now();
        while (Now() < end) {
            BoardReaderPass(*m_pPort, *m_pFramer, *m_pStore, nullptr, m_abReceive.data(), nullptr);
            if (Now() >= nextCheck) {
                auto lock = m_pStore->Lock();
                check(*m_pStore);
                nextCheck = Now() + CSimulatedBoard::kSecond / 2;
            }
        }
    }
    void Run(double seconds) {
        Run(seconds, [](CSurveyData&) {});
    }

    // A screen entering a mode, with a channel to follow when it names one.
    void Enter(uint8_t mode, uint8_t channel = 0) {
        auto lock = m_pStore->Lock();
        if (channel != 0) {
            m_pStore->m_nPendingChannel = channel;
            m_pStore->m_bChannelPending = 1;
        }
        m_pStore->SetMode(mode);
    }

    int64_t Now() { return m_pSim->Board().Now(); }
    CSurveyData& Store() { return *m_pStore; }

private:
    CSimPort* m_pSim = nullptr;  // owned by the board port
    std::unique_ptr<CBoardPort> m_pPort;
    std::unique_ptr<CSurveyData> m_pStore;
    std::unique_ptr<CPacketFramer> m_pFramer;
    std::array<uint8_t, CBoardReader::kReceiveSize> m_abReceive{};
};

std::string Ssid(const StationEntry* e) {
    return e->szSsid;
}

}  // namespace

TEST(StoreEndToEnd, HandshakeFillsTheIdentity) {
    const CScenario scenario = CScenario::Default();
    Instrument unit(scenario);
    unit.Run(1.0);
    auto lock = unit.Store().Lock();
    EXPECT_EQ(unit.Store().m_bSerialReceived, 1);
    EXPECT_STREQ(unit.Store().m_szFirmwareVersion, scenario.m_strFirmware.c_str());
    EXPECT_DOUBLE_EQ(unit.Store().m_dFirmwareVersion, 1.21);
    EXPECT_STREQ(unit.Store().m_szSerialNumber, scenario.m_strSerial.c_str());
}

// The MAC list survey: every access point of the scenario appears in the
// station table with its SSID, channel and privacy bit, and with security on
// only the one left off the authorized list raises the alert.
TEST(StoreEndToEnd, SurveyFindsEveryAccessPoint) {
    const CScenario scenario = CScenario::Default();
    Instrument unit(scenario);
    unit.Run(1.0);
    {
        auto lock = unit.Store().Lock();
        for (const std::string& mac : scenario.AuthorizedMacTexts())
            unit.Store().AddAuthorized(mac.c_str());
        unit.Store().m_bSecurityEnabled = 1;
    }
    unit.Enter(4);
    std::set<std::string> found;
    std::set<std::string> wrong;
    unit.Run(90.0, [&](CSurveyData& store) {
        for (const auto& ap : scenario.m_aAccessPoints) {
            const std::string mac = CScenario::MacText(ap.mac);
            StationEntry* e = nullptr;
            if (store.m_Stations.Find(mac.c_str(), &e) != 0) continue;
            if (Ssid(e) == ap.ssid && e->nChannel == ap.channel &&
                (e->bPrivacy != 0) == ap.privacy && e->nKind == kStationAccessPoint)
                found.insert(mac);
            else
                wrong.insert(mac + " " + Ssid(e) + " " + std::to_string(e->nChannel));
        }
    });
    EXPECT_EQ(found.size(), scenario.m_aAccessPoints.size());
    EXPECT_TRUE(wrong.empty()) << *wrong.begin();

    auto lock = unit.Store().Lock();
    EXPECT_TRUE(unit.Store().IsUnauthorized("02-11-5E-0D-11-A7"));
    for (const std::string& mac : scenario.AuthorizedMacTexts())
        EXPECT_FALSE(unit.Store().IsUnauthorized(mac.c_str())) << mac;
    // Hopping reached every channel, and the noise of each is known.
    for (int c = 1; c <= 14; ++c) {
        EXPECT_GT(unit.Store().m_anChannelReports[c], 0u) << c;
        EXPECT_LT(unit.Store().m_anChannelValue[c], 0) << c;
    }
}

TEST(StoreEndToEnd, FixedChannelKeepsToIt) {
    const CScenario scenario = CScenario::Default();
    Instrument unit(scenario);
    unit.Run(1.0);
    unit.Enter(1, 11);
    std::set<std::string> heard;
    unit.Run(20.0, [&](CSurveyData& store) {
        EXPECT_EQ(store.m_nMode, 1);
        StationEntry* e = nullptr;
        for (int n = 1; store.m_Stations.GetAt(n, &e) == 0; ++n) {
            EXPECT_EQ(e->nChannel, 11) << e->szMac;
            heard.insert(e->szMac);
        }
    });
    auto lock = unit.Store().Lock();
    EXPECT_EQ(unit.Store().m_nChannel, 11);
    EXPECT_EQ(unit.Store().m_bChannelPending, 0);
    EXPECT_TRUE(heard.count("00-12-17-C0-FF-EE"));  // HomeBase
    EXPECT_TRUE(heard.count("00-20-A6-55-31-08"));  // Physics-2F
    EXPECT_LT(unit.Store().m_anChannelValue[11], 0);
    EXPECT_GT(unit.Store().m_anFramesPerChannel[11], 20u);
}

TEST(StoreEndToEnd, GpsFollowsTheTrack) {
    const CScenario scenario = CScenario::Default();
    Instrument unit(scenario);
    unit.Run(30.5);
    CGpsReceiver gps(scenario);
    const auto fix = gps.PositionAt(30.0);
    double lat = 0, lon = 0;
    gps.ToLatLon(fix.east, fix.north, lat, lon);
    auto lock = unit.Store().Lock();
    const CGpsStatus& status = unit.Store().m_Gps;
    EXPECT_EQ(status.m_bMessageReceived, 1);
    EXPECT_NEAR(status.m_dLatitude2, lat, 1e-6);
    EXPECT_NEAR(status.m_dLongitude2, lon, 1e-6);
    EXPECT_STREQ(status.FormatFixStatus(), "3D Fix");
    EXPECT_EQ(status.FormatDate(), "05/14/2026");
    EXPECT_EQ(status.FormatTime(), "09:30:30");
    // Walking east along the first leg at 1.4 m/s (3.02 MPH by the program's
    // conversion, give or take the receiver's noise), heading east.
    const int mph = std::atoi(status.FormatVelocity().c_str());
    EXPECT_TRUE(mph == 2 || mph == 3) << status.FormatVelocity();
    EXPECT_NE(status.FormatVelocity().find(" E"), std::string::npos) << status.FormatVelocity();
}

TEST(StoreEndToEnd, UtilizationAndSpectrumReachTheStore) {
    Instrument unit(CScenario::Default());
    unit.Run(1.0);
    unit.Enter(9);
    unit.Run(20.0);
    {
        auto lock = unit.Store().Lock();
        const auto& load = unit.Store().m_anBytesPerRateChannel;
        EXPECT_GT(load[0][6], 0u);
        EXPECT_GT(load[3][6], 0u);
        for (int r = 0; r < 4; ++r) EXPECT_EQ(load[r][14], 0u);
    }
    unit.Enter(6);
    unit.Run(3.0);
    auto lock = unit.Store().Lock();
    const auto& sweep = unit.Store().m_abWideSweep;
    auto level = [&](double mhz) {
        const size_t p = static_cast<size_t>(std::lround((mhz - 2400.0) * 272.0 / 100.0));
        return static_cast<int16_t>(sweep[2 * p] | (sweep[2 * p + 1] << 8)) / 256;
    };
    for (size_t p = 0; p < 273; ++p) {
        const int dbm = static_cast<int16_t>(sweep[2 * p] | (sweep[2 * p + 1] << 8)) / 256;
        EXPECT_GE(dbm, -127);
        EXPECT_LE(dbm, -10);
    }
    EXPECT_LT(level(2496.0), -85);
}

TEST(StoreEndToEnd, SameSeedSameState) {
    auto session = [](uint64_t seed) {
        Instrument unit(CScenario::Default(), seed);
        unit.Run(1.0);
        unit.Enter(4);
        unit.Run(15.0);
        unit.Enter(1, 6);
        unit.Run(5.0);
        unit.Enter(8);
        unit.Run(5.0);
        auto lock = unit.Store().Lock();
        return DumpState(unit.Store()).dump();
    };
    const std::string first = session(3);
    EXPECT_EQ(first, session(3));
    EXPECT_NE(first, session(4));
}
