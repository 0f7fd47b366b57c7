#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "data/SurveyData.h"
#include "tests/support/MessageRecorder.h"
#include "tests/support/PacketBuilders.h"

using namespace testpkt;

namespace {

class DispatchTest : public ::testing::Test {
protected:
    DispatchTest() : store(std::make_unique<CSurveyData>()) {
        store->m_hNotifyWnd = &messages;
        store->SetPacketStager(&staged);
    }

    void Send(uint8_t type, const Bytes& data) { Dispatch(*store, type, data); }
    void SendRaw(uint8_t type, const Bytes& payload) {
        store->DispatchPacket(type, payload.data(), static_cast<uint32_t>(payload.size()));
    }
    void ReportChannel(uint8_t channel) { Send(4, {channel}); }

    std::unique_ptr<CSurveyData> store;
    CMessageRecorder messages;
    CStageRecorder staged;
};

TEST_F(DispatchTest, BadCheckByteDropsThePacketEvenWhileRecording) {
    store->m_bRecording = 1;
    Bytes payload = WithCheck(5, SweepData(130));
    payload.back() ^= 0x01;
    SendRaw(5, payload);

    EXPECT_TRUE(messages.Messages().empty());
    EXPECT_TRUE(staged.Packets().empty());
    EXPECT_EQ(store->m_bPacketSeen, 0);
    EXPECT_EQ(store->m_abNarrowSweep, (std::array<uint8_t, 130>{}));
}

TEST_F(DispatchTest, CheckCoversTheTypeByte) {
    // A payload whose XOR is right for type 4 is wrong for type 5.
    SendRaw(5, WithCheck(4, {6}));
    EXPECT_EQ(store->m_bPacketSeen, 0);
    SendRaw(4, WithCheck(4, {6}));
    EXPECT_EQ(store->m_nChannel, 6);
}

TEST_F(DispatchTest, RecordingStagesEveryGoodPacketBeforeItsRefresh) {
    store->m_bRecording = 1;
    Send(8, {1, 2, 3});
    Send(4, {6});

    const auto packets = staged.Packets();
    ASSERT_EQ(packets.size(), 2u);
    EXPECT_EQ(packets[0].type, 8);
    EXPECT_EQ(packets[0].payload, WithCheck(8, {1, 2, 3}));  // check byte included
    EXPECT_EQ(packets[1].type, 4);
    EXPECT_EQ(messages.Messages(),
              (std::vector<unsigned>{UM_LOG_PACKET, UM_LOG_PACKET, UM_REFRESH_VIEW}));
}

TEST_F(DispatchTest, UnassignedTypesAreSeenButNotRefreshed) {
    for (uint8_t type : {0, 8, 12, 15, 16, 17, 20, 31, 33, 255}) Send(type, {0x42});
    EXPECT_EQ(store->m_bPacketSeen, 1);
    EXPECT_TRUE(messages.Messages().empty());
    EXPECT_EQ(store->m_nFramesTotal, 0u);
}

TEST_F(DispatchTest, RefreshFollowsTheRefreshFlag) {
    store->m_bRefreshEnabled = 0;
    ReportChannel(3);
    EXPECT_EQ(messages.Count(UM_REFRESH_VIEW), 0);
    store->m_bRefreshEnabled = 1;
    ReportChannel(4);
    EXPECT_EQ(messages.Count(UM_REFRESH_VIEW), 1);
}

TEST_F(DispatchTest, NoPosterMeansNothingIsPosted) {
    store->m_hNotifyWnd = nullptr;
    store->m_bRecording = 1;
    store->m_bHeronEnabled = 1;
    Send(7, GpsData());
    EXPECT_EQ(store->m_Gps.m_bMessageReceived, 1);
}

TEST_F(DispatchTest, GpsPacketBuildsTheInfraredRecordBeforeDecoding) {
    store->m_bHeronEnabled = 1;
    store->m_bRecording = 1;
    Send(7, GpsData());

    EXPECT_EQ(messages.Messages(),
              (std::vector<unsigned>{UM_LOG_PACKET, UM_IR_SEND, UM_REFRESH_VIEW}));
    EXPECT_EQ(store->m_abHeronRecord[0], 7);
    EXPECT_EQ(store->m_Gps.m_bMessageReceived, 1);
    EXPECT_EQ(store->m_Gps.m_aRaw[0], GpsData()[0]);
}

TEST_F(DispatchTest, GpsPacketWithoutHeronBuildsNoRecord) {
    Send(7, GpsData());
    EXPECT_EQ(messages.Count(UM_IR_SEND), 0);
    EXPECT_EQ(store->m_nHeronRecordLength, 0);
}

TEST_F(DispatchTest, NestedDispatchFromAPosterIsDropped) {
    // A poster that feeds packets straight back in must neither deadlock nor
    // have its packet handled.
    struct Reentrant : IMessagePoster {
        CSurveyData* store = nullptr;
        int calls = 0;
        void PostMessage(unsigned) override {
            ++calls;
            Dispatch(*store, 4, {9});
        }
    } poster;
    poster.store = store.get();
    store->m_hNotifyWnd = &poster;
    ReportChannel(6);
    EXPECT_EQ(poster.calls, 1);
    EXPECT_EQ(store->m_nChannel, 6);
    ReportChannel(7);  // the guard is released after each packet
    EXPECT_EQ(store->m_nChannel, 7);
}

TEST_F(DispatchTest, OversizedPayloadIsDroppedUnread) {
    Bytes data(8192, 0);
    data[0] = 6;
    SendRaw(4, WithCheck(4, data));  // 8193 bytes
    EXPECT_EQ(store->m_bPacketSeen, 0);
    EXPECT_EQ(store->m_nChannel, 1);
}

TEST_F(DispatchTest, EmptyPayloadNeedsTypeZeroToPassTheCheck) {
    store->DispatchPacket(4, nullptr, 0);
    EXPECT_EQ(store->m_bPacketSeen, 0);
    store->DispatchPacket(0, nullptr, 0);
    EXPECT_EQ(store->m_bPacketSeen, 1);
}

// ---------------------------------------------------------------- channel reports

TEST_F(DispatchTest, ChannelReportMovesTheChannelAndKeepsThePrevious) {
    ReportChannel(6);
    EXPECT_EQ(store->m_nPreviousChannel, 1);
    EXPECT_EQ(store->m_nChannel, 6);
    ReportChannel(11);
    EXPECT_EQ(store->m_nPreviousChannel, 6);
    EXPECT_EQ(store->m_nChannel, 11);
}

TEST_F(DispatchTest, ChannelReportsOutsideTheBandChangeNothing) {
    ReportChannel(6);
    for (uint8_t bad : {0, 15, 0x11, 255}) {
        ReportChannel(bad);
        Send(11, {bad});
    }
    Send(4, {});
    Send(11, {});
    EXPECT_EQ(store->m_nChannel, 6);
    EXPECT_EQ(store->m_nPreviousChannel, 1);
}

TEST_F(DispatchTest, CountedReportCountsTheChannelInForceBeforeIt) {
    ReportChannel(3);
    Send(11, {9});
    Send(11, {9});
    EXPECT_EQ(store->m_anChannelReports[3], 1u);
    EXPECT_EQ(store->m_anChannelReports[9], 1u);
    EXPECT_EQ(store->m_nChannel, 9);
}

TEST_F(DispatchTest, EveryThirtiethReportAgesTheStationTable) {
    ReportChannel(1);
    Send(9, CaptureData(Beacon(MacOf(1), "a", 1)));
    ASSERT_EQ(store->m_Stations.Count(), 1);
    // Two ageing passes without a frame from the station: the first clears its
    // seen flag, the second removes it.
    for (int i = 0; i < 59; ++i) ReportChannel(1);
    EXPECT_EQ(store->m_Stations.Count(), 0);
}

// ---------------------------------------------------------------- frame classification

TEST_F(DispatchTest, CapturedFramesAreCountedByKind) {
    ReportChannel(1);
    const Mac mac = MacOf(7);
    auto frame = [&](uint8_t fc) {
        Capture c = DataFrame(mac);
        c.frameControl = fc;
        return CaptureData(c);
    };
    Send(6, frame(kFcAuth));
    Send(18, frame(kFcDeauth));
    Send(6, frame(kFcProbeRequest));
    Send(6, frame(kFcAck));
    Send(18, frame(kFcData));
    Send(6, frame(kFcReserved));
    Send(6, CaptureData(Beacon(MacOf(8), "b", 1)));

    EXPECT_EQ(store->m_nMgmtFrames, 4u);
    EXPECT_EQ(store->m_nAuthFrames, 1u);
    EXPECT_EQ(store->m_nDeauthFrames, 1u);
    EXPECT_EQ(store->m_nBeacons, 1u);
    EXPECT_EQ(store->m_nControlFrames, 1u);
    EXPECT_EQ(store->m_nDataFrames, 1u);
    EXPECT_EQ(store->m_nReservedFrames, 1u);
    // Management 4 + control 1 + data 1 + reserved 1, with authentication and
    // deauthentication counted a second time.
    EXPECT_EQ(store->m_nFramesTotal, 9u);
    EXPECT_EQ(store->m_anFramesPerChannel[1], 7u);
    EXPECT_EQ(store->m_nFramesAllChannels, 7u);
}

TEST_F(DispatchTest, AuthenticationFrameAddsTwoToTheTotal) {
    Capture c = DataFrame(MacOf(1));
    c.frameControl = kFcAuth;
    Send(6, CaptureData(c));
    EXPECT_EQ(store->m_nMgmtFrames, 1u);
    EXPECT_EQ(store->m_nAuthFrames, 1u);
    EXPECT_EQ(store->m_nFramesTotal, 2u);
}

TEST_F(DispatchTest, OnlyDataFramesAndBeaconPacketsMarkTheStationsChanged) {
    Send(6, CaptureData(Beacon(MacOf(1), "a", 1)));
    EXPECT_EQ(store->m_bStationsChanged, 0);
    Send(9, CaptureData(Beacon(MacOf(1), "a", 1)));
    EXPECT_EQ(store->m_bStationsChanged, 1);
    store->m_bStationsChanged = 0;
    Send(18, CaptureData(DataFrame(MacOf(2))));
    EXPECT_EQ(store->m_bStationsChanged, 1);
}

TEST_F(DispatchTest, BeaconPacketsAreCountedOnTheBoardChannelEvenOffChannel) {
    ReportChannel(5);
    Send(10, CaptureData(Beacon(MacOf(1), "far", 6)));
    EXPECT_EQ(store->m_anFramesPerChannel[5], 1u);
    EXPECT_EQ(store->m_nFramesAllChannels, 1u);
    EXPECT_EQ(store->m_nBeacons, 1u);
    EXPECT_EQ(store->m_nFramesTotal, 0u);  // beacon packets are not frame kinds
    EXPECT_EQ(store->m_Stations.Count(), 0);
}

TEST_F(DispatchTest, CapturesTooShortToClassifyAreNotCounted) {
    Bytes shortFrame = CaptureData(DataFrame(MacOf(1)));
    for (size_t size : {0u, 50u, 93u, 97u}) {
        Send(6, Bytes(shortFrame.begin(), shortFrame.begin() + static_cast<long>(size)));
        Send(18, Bytes(shortFrame.begin(), shortFrame.begin() + static_cast<long>(size)));
    }
    EXPECT_EQ(store->m_nFramesAllChannels, 0u);
    EXPECT_EQ(store->m_nDataFrames, 0u);
    // 98 bytes reach the frame-control byte: counted and classified.
    Send(6, Bytes(shortFrame.begin(), shortFrame.begin() + 98));
    EXPECT_EQ(store->m_nDataFrames, 1u);
    EXPECT_EQ(store->m_nFramesAllChannels, 1u);
}

TEST_F(DispatchTest, BeaconPacketsWithoutAWholeHeaderAreIgnored) {
    const Bytes beacon = CaptureData(Beacon(MacOf(1), "a", 1));
    Send(9, Bytes(beacon.begin(), beacon.begin() + 92));
    EXPECT_EQ(store->m_nBeacons, 0u);
    EXPECT_EQ(store->m_nFramesAllChannels, 0u);
    EXPECT_EQ(messages.Count(UM_REFRESH_VIEW), 1);  // still a handled type
}

}  // namespace
