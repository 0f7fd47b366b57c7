// A reset store must be indistinguishable from a new one: the same dump, and
// the same dump again after both take the same packets (which catches state
// the dump does not show, such as the ageing counter and the list indexes).
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

#include "data/StateDump.h"
#include "data/SurveyData.h"
#include "tests/support/MessageRecorder.h"
#include "tests/support/PacketBuilders.h"

using namespace testpkt;

namespace {

// Packets of every kind the board sends, with a selected station so the
// statistics windows and the channel estimate fill, and the alarm on.
void Survey(CSurveyData& store) {
    {
        auto lock = store.Lock();
        store.m_bSecurityEnabled = 1;
        store.m_bHeronEnabled = 1;
        store.AddAuthorized(MacText(MacOf(1)).c_str());
        std::snprintf(store.m_szSelectedMac, sizeof store.m_szSelectedMac, "%s",
                      MacText(MacOf(2)).c_str());
    }
    Dispatch(store, PacketType::kFirmwareVersion, Text("V 1.10"));
    Dispatch(store, PacketType::kSerialNumber, Text("SN1234"));
    Dispatch(store, PacketType::kNarrowSweep, SweepData(130, 3));
    Dispatch(store, PacketType::kWideSweep, SweepData(546, 5));
    Dispatch(store, PacketType::kChannelLoad, ChannelLoadData(1, 2, 3, 4));
    Dispatch(store, PacketType::kGps, GpsData());
    for (uint32_t i = 0; i < 40; ++i) {
        Dispatch(
            store, PacketType::kCapturedBeacon,
            CaptureData(Beacon(MacOf(i), "net" + std::to_string(i), 1 + static_cast<int>(i % 11),
                               static_cast<int8_t>(-40 - static_cast<int>(i)))));
        Dispatch(store, PacketType::kCapturedFrame, CaptureData(DataFrame(MacOf(2))));
    }
    Dispatch(store, PacketType::kBatteryLow, Bytes{1});
    Dispatch(store, 0xEE, Bytes{1, 2, 3});  // an unassigned type: counted as dropped
}

TEST(StoreResetTest, AResetStoreDumpsLikeANewOneBeforeAndAfterTheSamePackets) {
    CSurveyData fresh;
    CSurveyData used;
    Survey(used);
    {
        auto lock = used.Lock();
        used.AddUnauthorized(MacText(MacOf(9)).c_str());
        used.m_bRecording = 1;
        used.m_strLogFile = "/tmp/survey.log";
        used.m_nSelectedTrace = 3;
        used.m_aSpectrumTrace[2].bHold = 1;
        used.m_nMarkerNumber = 7;
        ASSERT_NE(DumpState(used), DumpState(fresh));
    }

    used.Reset();
    {
        auto a = fresh.Lock();
        auto b = used.Lock();
        EXPECT_EQ(DumpState(used), DumpState(fresh));
    }

    Survey(fresh);
    Survey(used);
    auto a = fresh.Lock();
    auto b = used.Lock();
    EXPECT_EQ(DumpState(used), DumpState(fresh));
    // The lists' indexes were rebuilt from empty: lookups agree with the slots.
    EXPECT_TRUE(used.IsAuthorized(MacText(MacOf(1)).c_str()));
    EXPECT_FALSE(used.IsUnauthorized(MacText(MacOf(9)).c_str()));
}

TEST(StoreResetTest, TheWiringOutlivesAReset) {
    CSurveyData store;
    CMessageRecorder poster;
    CStageRecorder stager;
    {
        auto lock = store.Lock();
        store.m_hNotifyWnd = &poster;
    }
    store.SetPacketStager(&stager);
    store.Reset();
    {
        auto lock = store.Lock();
        store.m_bRecording = 1;
    }
    Dispatch(store, PacketType::kGps, GpsData());
    EXPECT_EQ(poster.Count(UM_REFRESH_VIEW), 1);
    EXPECT_EQ(stager.Packets().size(), 1u);
}

}  // namespace
