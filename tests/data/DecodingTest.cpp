#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "data/SurveyData.h"
#include "tests/support/MessageRecorder.h"
#include "tests/support/PacketBuilders.h"

namespace {

constexpr uint8_t kChannel = 6;

using Decoder = int (CSurveyData::*)(const uint8_t*, uint32_t);
using testpkt::Capture;

class Decoding : public testing::Test {
protected:
    void SetUp() override {
        store->m_hNotifyWnd = &recorder;
        store->m_nChannel = kChannel;
        store->m_dFirmwareVersion = 1.20;
    }

    // A beacon of station n on the tuned channel; Data() sends it as a data
    // frame with whatever extra bytes it carries as the body.
    static Capture Frame(uint32_t n) {
        return testpkt::Beacon(testpkt::MacOf(n), "survey", kChannel);
    }

    // Payloads travel without their check byte, in a buffer of exactly their
    // size, so that any read past the end is caught by the sanitizer.
    int Call(Decoder decoder, const std::vector<uint8_t>& bytes) {
        std::unique_ptr<uint8_t[]> exact(new uint8_t[bytes.size() + 1]);
        if (!bytes.empty()) std::memcpy(exact.get(), bytes.data(), bytes.size());
        return (store.get()->*decoder)(exact.get(), static_cast<uint32_t>(bytes.size()));
    }
    int Beacon(const Capture& c) {
        return Call(&CSurveyData::DecodeManagementFrame, testpkt::CaptureData(c));
    }
    int Data(Capture c) { return Call(&CSurveyData::DecodeDataFrame, DataBytes(c)); }
    static std::vector<uint8_t> DataBytes(Capture c) { return testpkt::CaptureData(c.AsData()); }
    int Elements(const std::vector<uint8_t>& bytes) {
        std::unique_ptr<uint8_t[]> exact(new uint8_t[bytes.size() + 1]);
        if (!bytes.empty()) std::memcpy(exact.get(), bytes.data(), bytes.size());
        return store->ParseInformationElements(exact.get(), static_cast<uint32_t>(bytes.size()));
    }

    StationEntry* Station(uint32_t n) const {
        StationEntry* entry = nullptr;
        store->m_Stations.Find(testpkt::MacText(testpkt::MacOf(n)).c_str(), &entry);
        return entry;
    }
    void Select(uint32_t n) {
        store->ClearSelectedStation();
        std::snprintf(store->m_szSelectedMac, sizeof(store->m_szSelectedMac), "%s",
                      testpkt::MacText(testpkt::MacOf(n)).c_str());
    }
    uint32_t AllBytesCounted() const {
        uint32_t sum = 0;
        for (const auto& row : store->m_anBytesPerRateChannel)
            for (uint32_t v : row) sum += v;
        for (uint32_t v : store->m_anBeaconsPerChannel) sum += v;
        return sum + store->m_nFramesCaptured;
    }

    std::unique_ptr<CSurveyData> store = std::make_unique<CSurveyData>();
    CMessageRecorder recorder;
};

// --- Station table ----------------------------------------------------------

TEST_F(Decoding, BeaconCreatesThenRefreshesAnAccessPoint) {
    ASSERT_EQ(Beacon(Frame(1).Rssi(-67).Ssid("corner-cafe").Privacy(true).Rate(55)), 0);
    StationEntry* ap = Station(1);
    ASSERT_NE(ap, nullptr);
    EXPECT_STREQ(ap->szMac, "02-00-00-00-00-01");
    EXPECT_STREQ(ap->szSsid, "corner-cafe");
    EXPECT_EQ(ap->nRssi, -67);
    EXPECT_EQ(ap->nChannel, kChannel);
    EXPECT_EQ(ap->bPrivacy, 1);
    EXPECT_EQ(ap->nKind, kStationAccessPoint);
    EXPECT_EQ(ap->bSeen, 1);
    EXPECT_EQ(store->m_anBeaconsPerChannel[kChannel], 1u);
    EXPECT_EQ(store->m_nFramesCaptured, 1u);
    const size_t frameBytes = testpkt::CaptureData(Frame(1).Ssid("corner-cafe")).size() - 93;
    EXPECT_EQ(store->m_anBytesPerRateChannel[2][kChannel], frameBytes * 10);
    EXPECT_EQ(store->m_abBeaconFixed[10], 0x11);  // capability, from body byte 38

    Beacon(Frame(1).Rssi(-55).Ssid("renamed").Privacy(false));
    EXPECT_EQ(store->m_Stations.Count(), 1);
    EXPECT_STREQ(ap->szSsid, "corner-cafe");
    EXPECT_EQ(ap->nRssi, -55);
    EXPECT_EQ(ap->bPrivacy, 0);
    EXPECT_STREQ(store->m_szFrameSsid, "renamed");
}

TEST_F(Decoding, DataFrameKeepsAccessPointsAndCreatesOtherStations) {
    Beacon(Frame(1).Rssi(-70).Ssid("net").Privacy(true));
    Data(Frame(1).Rssi(-52));
    StationEntry* ap = Station(1);
    EXPECT_EQ(ap->nKind, kStationAccessPoint);
    EXPECT_STREQ(ap->szSsid, "net");
    EXPECT_EQ(ap->bPrivacy, 1);
    EXPECT_EQ(ap->nRssi, -52);

    Data(Frame(2).Rssi(-75));
    StationEntry* client = Station(2);
    ASSERT_NE(client, nullptr);
    EXPECT_EQ(client->nKind, kStationOther);
    EXPECT_STREQ(client->szSsid, "");
    EXPECT_EQ(client->bPrivacy, 0);
    EXPECT_EQ(client->nChannel, kChannel);
    StationEntry* first = nullptr;
    store->m_Stations.GetAt(1, &first);
    EXPECT_EQ(first, client);  // weaker than the access point's current -52

    // Through the dispatcher as well.
    const auto packet = testpkt::WithCheck(18, DataBytes(Frame(3)));
    store->DispatchPacket(18, packet.data(), static_cast<uint32_t>(packet.size()));
    EXPECT_NE(Station(3), nullptr);
}

TEST_F(Decoding, InvalidFlagRefreshesButNeverCreatesOrReadsElements) {
    store->m_nFrameChannel = kChannel;
    Beacon(Frame(1).Valid(0).Ssid("ghost").DsChannel(3));
    Data(Frame(2).Valid(0));
    EXPECT_EQ(store->m_Stations.Count(), 0);
    EXPECT_EQ(store->m_nFrameChannel, kChannel);

    Beacon(Frame(1).Rssi(-70));
    Beacon(Frame(1).Valid(0).Rssi(-45));
    EXPECT_EQ(Station(1)->nRssi, -45);
}

TEST_F(Decoding, OffChannelFramesChangeOnlyTheCopiedFields) {
    store->m_nChannel = 5;
    Beacon(Frame(1).DsChannel(6).Ssid("neighbour").Rssi(-33));
    Data(Frame(2).Rssi(-20));  // the last beacon named another channel
    EXPECT_EQ(store->m_Stations.Count(), 0);
    EXPECT_EQ(AllBytesCounted(), 0u);
    EXPECT_EQ(store->m_nFrameChannel, 6);
    EXPECT_STREQ(store->m_szFrameSsid, "neighbour");
    EXPECT_EQ(static_cast<int8_t>(store->m_abMgmtHeader[1]), -33);
    EXPECT_EQ(static_cast<int8_t>(store->m_abDataHeader[1]), -20);
}

TEST_F(Decoding, AgeingPassEveryThirtyReportsDropsTheUnheard) {
    for (uint32_t n = 1; n <= 3; ++n) Beacon(Frame(n));
    Station(2)->bSeen = 0;
    for (int i = 0; i < 29; ++i) store->AgeStations();
    EXPECT_EQ(store->m_Stations.Count(), 3);
    store->AgeStations();
    EXPECT_EQ(store->m_Stations.Count(), 2);
    EXPECT_EQ(Station(2), nullptr);
    EXPECT_EQ(Station(1)->bSeen, 0);
    EXPECT_EQ(Station(3)->bSeen, 0);

    Data(Frame(3));  // heard again before the next pass
    for (int i = 0; i < 30; ++i) store->AgeStations();
    EXPECT_EQ(store->m_Stations.Count(), 1);
    EXPECT_NE(Station(3), nullptr);
    for (int i = 0; i < 60; ++i) store->AgeStations();
    EXPECT_EQ(store->m_Stations.Count(), 0);
}

TEST_F(Decoding, StrongestStationIsTheFirstOfTheLoudest) {
    std::snprintf(store->m_szBestMac, sizeof(store->m_szBestMac), "previous");
    store->FindStrongestStation();
    EXPECT_EQ(store->m_nBestRssi, -120);
    EXPECT_STREQ(store->m_szBestMac, "previous");

    Beacon(Frame(1).Rssi(-70).Ssid("a"));
    Beacon(Frame(2).Rssi(-40).Ssid("b"));
    Beacon(Frame(3).Rssi(-40).Ssid("c"));
    store->FindStrongestStation();
    EXPECT_EQ(store->m_nBestRssi, -40);
    EXPECT_STREQ(store->m_szBestMac, "02-00-00-00-00-02");
    EXPECT_STREQ(store->m_szBestSsid, "b");
}

// --- Selected-station measurements ------------------------------------------

TEST_F(Decoding, ChannelEstimateIsRotatedBeforeFirmwareOneFifteen) {
    Beacon(Frame(1));
    Select(1);
    Capture b = Frame(1);
    for (int i = 0; i < 44; ++i) b.Tap(i, static_cast<int8_t>(i), static_cast<int8_t>(-i));

    for (double version : {1.10, 0.0}) {  // 0.0: no version reported yet
        store->m_dFirmwareVersion = version;
        Data(b);
        EXPECT_EQ(store->m_aCfrIq[0].nI, 8);
        EXPECT_EQ(store->m_aCfrIq[0].nQ, -8);
        EXPECT_EQ(store->m_aCfrIq[36].nI, 0);
        EXPECT_EQ(store->m_aCfrIq[43].nI, 7);
        EXPECT_EQ(store->m_abDataHeader[2], 8);
    }
    store->m_dFirmwareVersion = 1.20;
    Data(b);
    for (int i = 0; i < 44; ++i) EXPECT_EQ(store->m_aCfrIq[i].nI, i);
}

TEST_F(Decoding, PowersOfTheSelectedStationOnlyAndFirstPeakWins) {
    Beacon(Frame(1));
    Beacon(Frame(2));
    Select(1);
    Data(Frame(2).Tap(0, 9, 9));
    EXPECT_EQ(store->m_nSelectedFrames, 0u);
    EXPECT_EQ(store->m_aCfrPower[0], 0u);

    Data(Frame(1).Rssi(-48).Tap(3, 3, -4).Tap(9, -5, 0).Tap(20, 1, 1));
    EXPECT_EQ(store->m_aCfrPower[9], 25u);
    EXPECT_EQ(store->m_nCfrPeakBin, 3);
    EXPECT_EQ(store->m_nCfrPowerSum, 52u);
    EXPECT_EQ(store->m_nSelectedRssi, -48);
    EXPECT_EQ(store->m_nSelectedFrames, 1u);
    EXPECT_EQ(store->m_nFramesCaptured, 2u);
    EXPECT_EQ(store->m_bSelectedUpdated, 1);

    Data(Frame(1).Tap(40, -128, -128));
    EXPECT_EQ(store->m_aCfrPower[40], 32768u);
    EXPECT_EQ(store->m_nCfrPeakBin, 40);
}

// Checks both 1024-frame windows against a plain recount of the frames sent,
// over a long stream of mixed rates and flags; the per-rate flag-zero count
// must equal the zero-flag frames inside that rate's window.
TEST_F(Decoding, WindowsMatchARecountOverALongMixedStream) {
    Beacon(Frame(1));
    Select(1);
    const uint8_t rates[] = {10, 20, 55, 110, 0xFF};
    std::mt19937 random(7);
    std::vector<std::pair<int, bool>> sent;  // (rate index, flag zero)
    for (int frame = 0; frame < 5000; ++frame) {
        // Long runs of one rate push whole rates out of the all-rates window.
        const int r = frame < 1100 ? 3 : static_cast<int>(random() % 5);
        const bool flagZero = frame < 1100 ? frame < 100 : random() % 4 == 0;
        Data(Frame(1).Rate(rates[r]).Valid(flagZero ? 0 : 1));
        sent.emplace_back(r, flagZero);
        if (frame % 97 != 0 && frame != 1023 && frame != 1099) continue;

        const size_t start = sent.size() > 1024 ? sent.size() - 1024 : 0;
        const auto total = static_cast<double>(sent.size() - start);
        for (int rate = 0; rate < 5; ++rate) {
            int inWindow = 0;
            for (size_t i = start; i < sent.size(); ++i) inWindow += sent[i].first == rate;
            int seen = 0, zeros = 0;
            for (size_t i = sent.size(); i-- > 0 && seen < 1024;) {
                if (sent[i].first != rate) continue;
                ++seen;
                zeros += sent[i].second;
            }
            const RateStats& stats = store->m_aRateStats[rate];
            ASSERT_EQ(stats.nFrames, inWindow) << frame << " rate " << rate;
            ASSERT_EQ(store->m_aRateWindow[rate].nCount, seen) << frame;
            ASSERT_EQ(stats.nFlagZeroCount, static_cast<uint32_t>(zeros)) << frame;
            if (rate != r) continue;  // only the frame's own rate is recomputed
            ASSERT_DOUBLE_EQ(stats.dFlagZeroPercent, static_cast<double>(zeros * 100 / seen));
            ASSERT_DOUBLE_EQ(stats.dSharePercent, inWindow * 100.0 / total);
        }
    }
    EXPECT_EQ(store->m_nCfrSampleCount, 1024u);
    EXPECT_EQ(store->m_nSelectedFrames, 5000u);
}

TEST_F(Decoding, ClearingTheSelectionEmptiesTheBlockAndWindows) {
    Beacon(Frame(1));
    Select(1);
    for (int i = 0; i < 10; ++i) Data(Frame(1).Valid(i % 2).Tap(2, 4, 4));
    store->ClearSelectedStation();
    EXPECT_STREQ(store->m_szSelectedMac, "");
    EXPECT_EQ(store->m_nSelectedRssi, -100);
    EXPECT_EQ(store->m_nFramesCaptured + store->m_nSelectedFrames + store->m_nCfrSampleCount, 0u);
    EXPECT_EQ(store->m_aCfrPower[2], 0u);
    EXPECT_EQ(store->m_aRateStats[3].nFlagZeroCount, 0u);
    EXPECT_EQ(store->m_aRateWindow[3].nWriteIndex, 0);
    EXPECT_EQ(store->m_FrameWindow.anRing[5], 0);

    Select(1);
    Data(Frame(1).Valid(0));
    EXPECT_EQ(store->m_aRateWindow[3].nCount, 1);
    EXPECT_DOUBLE_EQ(store->m_aRateStats[3].dFlagZeroPercent, 100.0);
    EXPECT_DOUBLE_EQ(store->m_aRateStats[3].dSharePercent, 100.0);
}

// --- Unauthorized-transmitter alarm -----------------------------------------

TEST_F(Decoding, EachUnlistedTransmitterAlarmsOnce) {
    store->m_bSecurityEnabled = 1;
    Beacon(Frame(1));
    EXPECT_EQ(recorder.Count(UM_UNAUTHORIZED_AP), 1);
    EXPECT_STREQ(store->m_szAlertMac, "02-00-00-00-00-01");
    EXPECT_EQ(Station(1)->bUnauthorized, 0);  // judged before the alarm listed it

    Beacon(Frame(1));
    Data(Frame(1));
    EXPECT_EQ(recorder.Count(UM_UNAUTHORIZED_AP), 1);
    EXPECT_EQ(Station(1)->bUnauthorized, 1);

    Data(Frame(2));
    EXPECT_EQ(recorder.Count(UM_UNAUTHORIZED_AP), 2);
    EXPECT_STREQ(store->m_szAlertMac, "02-00-00-00-00-02");
    EXPECT_EQ(store->m_nUnauthorizedCount, 2);
}

TEST_F(Decoding, NoAlarmForListedInvalidOffChannelOrWithSecurityOff) {
    Beacon(Frame(1));
    store->m_bSecurityEnabled = 1;
    store->AddAuthorized("02-00-00-00-00-03");
    Beacon(Frame(3));
    Data(Frame(4).Valid(0));
    store->m_nChannel = 2;
    Beacon(Frame(5).DsChannel(9));
    EXPECT_EQ(recorder.Count(UM_UNAUTHORIZED_AP), 0);
    EXPECT_EQ(store->m_nUnauthorizedCount, 0);
}

// --- Malformed captures -----------------------------------------------------

TEST_F(Decoding, PayloadShorterThanTheCaptureHeaderChangesNothing) {
    std::vector<uint8_t> cut = testpkt::CaptureData(Frame(1).Rssi(-30));
    cut.resize(92);
    EXPECT_EQ(Call(&CSurveyData::DecodeManagementFrame, cut), -1);
    EXPECT_EQ(Call(&CSurveyData::DecodeDataFrame, cut), -1);
    EXPECT_EQ(store->DecodeDataFrame(nullptr, 500), -1);
    EXPECT_EQ(store->m_abMgmtHeader[1] | store->m_abDataHeader[1], 0);
    EXPECT_EQ(store->m_Stations.Count(), 0);
}

TEST_F(Decoding, CapturedLengthIsCutToTheBytesThatArrived) {
    const auto beacon = testpkt::CaptureData(Frame(1).Ssid("short-haul").CapturedLength(2000));
    ASSERT_EQ(Call(&CSurveyData::DecodeManagementFrame, beacon), 0);
    EXPECT_STREQ(Station(1)->szSsid, "short-haul");
    EXPECT_EQ(store->m_anBytesPerRateChannel[3][kChannel], (beacon.size() - 93) * 10);

    // Cut inside the fixed fields: the address arrived, the capability did not.
    auto cut = testpkt::CaptureData(Frame(2).Privacy(true));
    cut.resize(93 + 30);
    ASSERT_EQ(Call(&CSurveyData::DecodeManagementFrame, cut), 0);
    EXPECT_EQ(Station(2)->bPrivacy, 0);
    EXPECT_EQ(store->m_abBeaconFixed[10], 0);

    ASSERT_EQ(Data(Frame(3).CapturedLength(0xFFFF)), 0);
    EXPECT_NE(Station(3), nullptr);
}

TEST_F(Decoding, FramesWithoutATransmitterAddressCreateAndCountNothing) {
    Beacon(Frame(1));
    store->m_bSecurityEnabled = 1;
    const uint32_t counted = AllBytesCounted();
    for (int length : {0, 1, 19}) {
        ASSERT_EQ(Data(Frame(2).Rssi(-41).CapturedLength(length)), 0);
        EXPECT_EQ(static_cast<int8_t>(store->m_abDataHeader[1]), -41);
        ASSERT_EQ(Beacon(Frame(3).CapturedLength(length)), 0);
    }
    EXPECT_EQ(store->m_Stations.Count(), 1);
    EXPECT_EQ(AllBytesCounted(), counted);
    EXPECT_EQ(recorder.Count(UM_UNAUTHORIZED_AP), 0);

    ASSERT_EQ(Data(Frame(2).CapturedLength(20)), 0);  // address 2 ends at byte 20
    EXPECT_NE(Station(2), nullptr);
}

TEST_F(Decoding, ChannelsOutsideTheBandNeverIndexTheCounters) {
    for (uint8_t channel : {0, 15, 200, 255}) {
        store->m_nChannel = channel;
        Beacon(Frame(1).DsChannel(channel));
        Data(Frame(2));
    }
    EXPECT_EQ(store->m_Stations.Count(), 0);
    EXPECT_EQ(AllBytesCounted(), 0u);
}

TEST_F(Decoding, RateBytesGoToTheirRowAndAnyOtherRateToTheLast) {
    Beacon(Frame(1));
    Data(Frame(1).Rate(20).Extra(std::vector<uint8_t>(10, 0x5A)));
    EXPECT_EQ(store->m_anBytesPerRateChannel[1][kChannel], 380u);  // (28 + 10) * 10
    Data(Frame(1).Rate(0xFF).Extra(std::vector<uint8_t>(0, 0x5A)));
    Data(Frame(1).Rate(0).Extra(std::vector<uint8_t>(0, 0x5A)));
    EXPECT_EQ(store->m_anBytesPerRateChannel[4][kChannel], 560u);
}

// --- Information elements ---------------------------------------------------

TEST_F(Decoding, ElementsGiveSsidAndChannelAndSkipKnownOthers) {
    EXPECT_EQ(Elements({1, 2, 0x82, 0x84, 0, 3, 'a', 'b', 'c', 5, 1, 0, 3, 1, 11}), 4);
    EXPECT_STREQ(store->m_szFrameSsid, "abc");
    EXPECT_EQ(store->m_nFrameChannel, 11);

    std::vector<uint8_t> longSsid(42, 'x');
    longSsid[0] = 0;
    longSsid[1] = 40;
    Elements(longSsid);
    EXPECT_EQ(std::string(store->m_szFrameSsid), std::string(32, 'x'));
}

TEST_F(Decoding, MalformedElementsEndTheWalkWithoutReadingPastTheData) {
    store->m_nFrameChannel = 4;
    EXPECT_EQ(Elements({3, 0, 0, 2, 'h', 'i'}), 2);  // DS without a value: ignored
    EXPECT_EQ(store->m_nFrameChannel, 4);
    EXPECT_STREQ(store->m_szFrameSsid, "hi");
    EXPECT_EQ(Elements({0, 2, 'o', 'k', 3, 5, 9}), 1);  // DS overruns: not applied
    EXPECT_EQ(Elements({0, 30, 'n', 'o'}), 0);          // SSID overruns
    EXPECT_STREQ(store->m_szFrameSsid, "ok");
    EXPECT_EQ(Elements({1, 1, 2, 3}), 1);                // lone trailing tag
    EXPECT_EQ(Elements({221, 3, 1, 2, 3, 3, 1, 9}), 0);  // unknown tag ends the walk
    EXPECT_EQ(store->m_nFrameChannel, 4);
    EXPECT_EQ(Elements({}), 0);
    EXPECT_EQ(store->ParseInformationElements(nullptr, 10), -1);

    std::vector<uint8_t> big;
    while (big.size() < 2040) big.insert(big.end(), {1, 1, 0x82});
    big.insert(big.end(), {3, 1, 13, 0, 2, 'i', 'n'});  // ends at 2047
    big.insert(big.end(), {3, 1, 2});                   // beyond the 2047 walked: not read
    Elements(big);
    EXPECT_EQ(store->m_nFrameChannel, 13);
    EXPECT_STREQ(store->m_szFrameSsid, "in");

    Beacon(Frame(1).Ssid("edge").Extra({1, 200, 0x82}));
    EXPECT_STREQ(Station(1)->szSsid, "edge");
}

}  // namespace
