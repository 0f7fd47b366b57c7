#include <gtest/gtest.h>

#include <cstring>
#include <ctime>
#include <memory>

#include "data/SurveyData.h"
#include "platform/Clock.h"
#include "tests/support/MessageRecorder.h"
#include "tests/support/PacketBuilders.h"

using namespace testpkt;

namespace {

class HandlersTest : public ::testing::Test {
protected:
    HandlersTest() : store(std::make_unique<CSurveyData>()) { store->m_hNotifyWnd = &messages; }
    ~HandlersTest() override { CClock::Reset(); }

    void Send(uint8_t type, const Bytes& data) { Dispatch(*store, type, data); }

    std::unique_ptr<CSurveyData> store;
    CMessageRecorder messages;
};

// ---------------------------------------------------------------- sweeps

TEST_F(HandlersTest, SweepsStoreTheirFixedNumberOfBytes) {
    const Bytes narrow = SweepData(130, 3);
    const Bytes wide = SweepData(546, 9);
    Send(5, narrow);
    Send(14, wide);
    EXPECT_TRUE(std::equal(narrow.begin(), narrow.end(), store->m_abNarrowSweep.begin()));
    EXPECT_TRUE(std::equal(wide.begin(), wide.end(), store->m_abWideSweep.begin()));
}

TEST_F(HandlersTest, LongerSweepsStoreOnlyTheirFirstBytes) {
    Bytes narrow = SweepData(130, 3);
    Bytes longer = narrow;
    longer.insert(longer.end(), 20, 0xEE);
    Send(5, longer);
    EXPECT_TRUE(std::equal(narrow.begin(), narrow.end(), store->m_abNarrowSweep.begin()));
}

TEST_F(HandlersTest, ShortSweepsKeepThePreviousSweepWhole) {
    const Bytes narrow = SweepData(130, 3);
    const Bytes wide = SweepData(546, 9);
    Send(5, narrow);
    Send(14, wide);
    // 130 bytes with the check byte are only 129 sweep bytes.
    Send(5, SweepData(129, 77));
    Send(14, SweepData(545, 77));
    Send(5, {});
    EXPECT_TRUE(std::equal(narrow.begin(), narrow.end(), store->m_abNarrowSweep.begin()));
    EXPECT_TRUE(std::equal(wide.begin(), wide.end(), store->m_abWideSweep.begin()));
    EXPECT_EQ(messages.Count(UM_REFRESH_VIEW), 5);
}

// ---------------------------------------------------------------- channel load and battery

TEST_F(HandlersTest, ChannelLoadReplacesTheAccumulatedRateBytes) {
    Send(4, {6});
    store->m_anBytesPerRateChannel[0][6] = 999;
    store->m_anBytesPerRateChannel[4][6] = 555;
    store->m_anBytesPerRateChannel[0][5] = 444;
    Send(19, ChannelLoadData(100, 200, 300, 400));

    EXPECT_EQ(store->m_anBytesPerRateChannel[0][6], 100u);
    EXPECT_EQ(store->m_anBytesPerRateChannel[1][6], 200u);
    EXPECT_EQ(store->m_anBytesPerRateChannel[2][6], 300u);
    EXPECT_EQ(store->m_anBytesPerRateChannel[3][6], 400u);
    EXPECT_EQ(store->m_anBytesPerRateChannel[4][6], 555u);  // rate 4 untouched
    EXPECT_EQ(store->m_anBytesPerRateChannel[0][5], 444u);  // other channels untouched
    const Bytes raw = ChannelLoadData(100, 200, 300, 400);
    EXPECT_TRUE(std::equal(raw.begin(), raw.end(), store->m_abChannelLoad.begin()));
    EXPECT_EQ(store->m_bBatteryLow, 0);
}

TEST_F(HandlersTest, ChannelLoadReadsLittleEndianWords) {
    Send(19, ChannelLoadData(0x04030201, 0xFFFFFFFF, 0, 0x11));
    EXPECT_EQ(store->m_anBytesPerRateChannel[0][1], 0x04030201u);
    EXPECT_EQ(store->m_anBytesPerRateChannel[1][1], 0xFFFFFFFFu);
    EXPECT_EQ(store->m_anBytesPerRateChannel[3][1], 0x11u);
}

TEST_F(HandlersTest, ShortChannelLoadStoresNothing) {
    Bytes load = ChannelLoadData(1, 2, 3, 4);
    load.pop_back();
    Send(19, load);
    EXPECT_EQ(store->m_anBytesPerRateChannel[0][1], 0u);
    EXPECT_EQ(store->m_abChannelLoad, (std::array<uint8_t, 16>{}));
    EXPECT_EQ(store->StoreChannelLoad(nullptr, 16), -1);
}

TEST_F(HandlersTest, BatteryLowIsMarkedOnceAtTheFirstReport) {
    std::tm local{};
    local.tm_year = 106;
    local.tm_mon = 6;
    local.tm_mday = 4;
    local.tm_hour = 13;
    local.tm_isdst = -1;
    CClock::SetLocal(local);
    Send(13, ChannelLoadData(1, 2, 3, 4));
    const uint32_t first = store->m_tBatteryLowSince;
    EXPECT_EQ(store->m_bBatteryLow, 1);
    EXPECT_NEAR(static_cast<double>(first), static_cast<double>(CClock::Now()), 2.0);
    EXPECT_EQ(store->m_anBytesPerRateChannel[2][1], 3u);

    local.tm_hour = 15;
    CClock::SetLocal(local);
    Send(13, ChannelLoadData(5, 6, 7, 8));
    EXPECT_EQ(store->m_tBatteryLowSince, first);
    EXPECT_EQ(store->m_anBytesPerRateChannel[0][1], 5u);
}

TEST_F(HandlersTest, ShortBatteryReportStillMarksTheBattery) {
    Send(13, {});
    EXPECT_EQ(store->m_bBatteryLow, 1);
    EXPECT_EQ(store->m_abChannelLoad, (std::array<uint8_t, 16>{}));
}

// ---------------------------------------------------------------- noise levels

TEST_F(HandlersTest, ChannelValueIsASignedLittleEndianLevel) {
    Send(32, {0x9C, 0xFF, 0x05});
    EXPECT_EQ(store->m_anChannelValue[5], -100);
    Send(32, {0x34, 0x12, 0x03});
    EXPECT_EQ(store->m_anChannelValue[3], 0x1234);
    Send(32, {0x01, 0x00, 14});
    EXPECT_EQ(store->m_anChannelValue[14], 1);
}

TEST_F(HandlersTest, ChannelValueOutsideTheArrayOrShortIsIgnored) {
    Send(32, {0x9C, 0xFF, 15});
    Send(32, {0x9C, 0xFF, 255});
    Send(32, {0x9C, 0xFF});
    EXPECT_EQ(store->m_anChannelValue, (std::array<int16_t, 15>{}));
}

// ---------------------------------------------------------------- GPS

TEST_F(HandlersTest, GpsPacketReachesTheDecoder) {
    Send(7, GpsData());
    EXPECT_EQ(store->m_Gps.m_bMessageReceived, 1);
    const Bytes gps = GpsData();
    EXPECT_TRUE(std::equal(gps.begin(), gps.end(), store->m_Gps.m_aRaw.begin()));
}

TEST_F(HandlersTest, ShortGpsPacketLeavesTheLastMessage) {
    Send(7, GpsData());
    Bytes shortMessage(151, 0xEE);
    Send(7, shortMessage);  // 152 bytes with the check byte: one message byte short
    EXPECT_EQ(store->m_Gps.m_aRaw[0], GpsData()[0]);
}

// ---------------------------------------------------------------- identity texts

TEST_F(HandlersTest, FirmwareNumberIsReadFromTheThirdCharacter) {
    Send(1, Text("V 1.10"));
    EXPECT_DOUBLE_EQ(store->m_dFirmwareVersion, 1.10);
    Send(1, Text("1.15"));  // third character on: "15"
    EXPECT_DOUBLE_EQ(store->m_dFirmwareVersion, 15.0);
    Send(1, Text("v"));
    EXPECT_EQ(store->m_dFirmwareVersion, 0.0);
    Send(1, Text("V abc"));
    EXPECT_EQ(store->m_dFirmwareVersion, 0.0);
    Send(1, Text("V nan"));
    EXPECT_EQ(store->m_dFirmwareVersion, 0.0);
}

TEST_F(HandlersTest, IdentityTextsStopAtTheirNul) {
    Bytes text = Text("V 1.2");
    text.insert(text.end(), {'j', 'u', 'n', 'k'});
    Send(1, text);
    EXPECT_STREQ(store->m_szFirmwareVersion, "V 1.2");
}

TEST_F(HandlersTest, IdentityTextsWithoutNulLeaveOutTheCheckByte) {
    Send(2, Text("ABC", false));
    EXPECT_STREQ(store->m_szSerialNumber, "ABC");
}

TEST_F(HandlersTest, OverlongIdentityTextsAreCutToTheirField) {
    const std::string longText(100, 'S');
    Send(2, Text(longText, false));
    EXPECT_EQ(std::strlen(store->m_szSerialNumber), 31u);
    Send(1, Text("V " + longText));
    EXPECT_EQ(std::strlen(store->m_szFirmwareVersion), 38u);
    EXPECT_EQ(store->m_szFirmwareVersion[38], '\0');
}

TEST_F(HandlersTest, ShorterIdentityLeavesNoTailOfTheLongerOne) {
    Send(2, Text("LONGSERIAL"));
    Send(2, Text("AB"));
    EXPECT_STREQ(store->m_szSerialNumber, "AB");
    EXPECT_EQ(store->m_szSerialNumber[5], '\0');
    Send(2, {});
    EXPECT_STREQ(store->m_szSerialNumber, "");
}

}  // namespace
