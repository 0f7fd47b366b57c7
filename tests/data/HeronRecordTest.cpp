#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

#include "data/SurveyData.h"
#include "tests/support/MessageRecorder.h"
#include "tests/support/PacketBuilders.h"

using namespace testpkt;

namespace {

class HeronRecordTest : public ::testing::Test {
protected:
    HeronRecordTest() : store(std::make_unique<CSurveyData>()) {
        store->m_hNotifyWnd = &messages;
        store->m_bHeronEnabled = 1;
    }

    std::string TextPart(size_t payloadLength) const {
        const auto* begin = store->m_abHeronRecord.data() + 3 + payloadLength;
        const auto* end = store->m_abHeronRecord.data() + store->m_nHeronRecordLength;
        return std::string(begin, end);
    }

    std::unique_ptr<CSurveyData> store;
    CMessageRecorder messages;
};

TEST_F(HeronRecordTest, EmptyTableGivesThePaddedDefaultText) {
    const Bytes payload = WithCheck(7, Bytes(9, 0x5A));  // 10 bytes with the check byte
    Dispatch(*store, 7, Bytes(9, 0x5A));

    EXPECT_EQ(TextPart(10), "X,XXXXXX,-120,            ,");
    EXPECT_EQ(store->m_nHeronRecordLength, 40);
    EXPECT_EQ(store->m_abHeronRecord[0], 7);
    EXPECT_EQ(store->m_abHeronRecord[1], 37);
    EXPECT_EQ(store->m_abHeronRecord[2], 0);
    EXPECT_TRUE(std::equal(payload.begin(), payload.end(), store->m_abHeronRecord.begin() + 3));
    EXPECT_TRUE(std::all_of(store->m_abHeronRecord.begin() + 40, store->m_abHeronRecord.end(),
                            [](uint8_t b) { return b == 0; }));
    EXPECT_EQ(store->m_nBestRssi, -120);
}

TEST_F(HeronRecordTest, StrongestStationIsNamedInTheText) {
    Dispatch(*store, 2, Text("SN77"));
    Dispatch(*store, 9, CaptureData(Beacon(MacOf(1), "weak", 1, -80)));
    Dispatch(*store, 9, CaptureData(Beacon(MacOf(2), "home", 1, -40)));
    Dispatch(*store, 7, GpsData());

    EXPECT_EQ(TextPart(153), "X,SN77,-40," + MacText(MacOf(2)) + ",home");
    EXPECT_EQ(store->m_nHeronRecordLength, static_cast<int>(3 + 153 + TextPart(153).size()));
    const int l = store->m_abHeronRecord[1] | store->m_abHeronRecord[2] << 8;
    EXPECT_EQ(l, store->m_nHeronRecordLength - 3);
}

TEST_F(HeronRecordTest, ShorterRecordLeavesNoTailOfTheLongerOne) {
    Dispatch(*store, 7, Bytes(500, 0x77));
    Dispatch(*store, 7, Bytes(9, 0x01));
    EXPECT_EQ(store->m_nHeronRecordLength, 40);
    EXPECT_TRUE(std::all_of(store->m_abHeronRecord.begin() + 40, store->m_abHeronRecord.end(),
                            [](uint8_t b) { return b == 0; }));
}

TEST_F(HeronRecordTest, RecordThatWouldOverflowIsNotBuiltOrSent) {
    Dispatch(*store, 7, Bytes(9, 0x01));
    ASSERT_EQ(store->m_nHeronRecordLength, 40);
    messages.Clear();

    // With the 27-character text, 8162 payload bytes fill the buffer exactly;
    // one more would run past it.
    Dispatch(*store, 7, Bytes(8162, 0x02));  // 8163 with the check byte
    EXPECT_EQ(store->m_nHeronRecordLength, 40);
    EXPECT_EQ(store->m_abHeronRecord[3], 0x01);
    EXPECT_EQ(messages.Count(UM_IR_SEND), 0);
    EXPECT_EQ(messages.Count(UM_REFRESH_VIEW), 1);

    Dispatch(*store, 7, Bytes(8161, 0x03));
    EXPECT_EQ(store->m_nHeronRecordLength, 8192);
    EXPECT_EQ(store->m_abHeronRecord[8191], ',');
    EXPECT_EQ(messages.Count(UM_IR_SEND), 1);
}

TEST_F(HeronRecordTest, UnterminatedTextsStayInsideTheirBuffers) {
    std::fill(std::begin(store->m_szSerialNumber), std::end(store->m_szSerialNumber), 'S');
    std::fill(std::begin(store->m_szBestMac), std::end(store->m_szBestMac), 'M');
    std::fill(std::begin(store->m_szBestSsid), std::end(store->m_szBestSsid), 'D');
    ASSERT_GT(store->BuildHeronRecord(7, nullptr, 0), 0);
    EXPECT_EQ(TextPart(0), "X," + std::string(32, 'S') + ",-120," + std::string(64, 'M') + "," +
                               std::string(512, 'D'));
}

}  // namespace
