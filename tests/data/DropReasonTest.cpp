#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "data/StateDump.h"
#include "data/SurveyData.h"
#include "tests/support/PacketBuilders.h"

using namespace testpkt;

namespace {

// Calls back on the thread that posts, with the store lock held: the way a
// poster or stager that acts at once would re-enter the store.
struct CallbackPoster : IMessagePoster {
    std::function<void(unsigned)> onPost;
    void PostMessage(unsigned message) override {
        if (onPost) onPost(message);
    }
};

struct Rig {
    std::unique_ptr<CSurveyData> store = std::make_unique<CSurveyData>();
    CallbackPoster poster;
    Rig() { store->m_hNotifyWnd = &poster; }

    void Send(uint8_t type, const Bytes& data) { Dispatch(*store, type, data); }
    void SendRaw(uint8_t type, const uint8_t* payload, uint32_t length) {
        store->DispatchPacket(type, payload, length);
    }
    // A beacon of channel 1 heard on channel 1: the decoders' channel is set.
    void HearBeacon() { Send(PacketType::kCapturedFrame, CaptureData(Beacon(MacOf(1), "a", 1))); }
};

struct Case {
    const char* name;
    std::function<void(Rig&)> prepare;  // may send good packets first
    std::function<void(Rig&)> send;
    std::optional<DropReason> expected;  // none: a good packet
};

Bytes Corrupt(uint8_t type, const Bytes& data) {
    Bytes payload = WithCheck(type, data);
    payload.back() ^= 0x40;
    return payload;
}

const std::vector<Case>& Cases() {
    static const std::vector<Case> cases = {
        {"nested dispatch",
         [](Rig& r) {
             r.poster.onPost = [&r, once = true](unsigned) mutable {
                 if (!once) return;
                 once = false;
                 r.Send(PacketType::kChannelReport, {9});
             };
         },
         [](Rig& r) { r.Send(PacketType::kChannelReport, {6}); }, DropReason::NestedDispatch},
        {"oversized payload", nullptr,
         [](Rig& r) {
             const Bytes payload = WithCheck(PacketType::kChannelReport, Bytes(8192, 6));
             r.SendRaw(PacketType::kChannelReport, payload.data(),
                       static_cast<uint32_t>(payload.size()));
         },
         DropReason::OversizedPayload},
        {"length without bytes", nullptr,
         [](Rig& r) { r.SendRaw(PacketType::kChannelReport, nullptr, 2); },
         DropReason::NullPayload},
        {"bad check byte", nullptr,
         [](Rig& r) {
             const Bytes payload = Corrupt(PacketType::kNarrowSweep, SweepData(kNarrowSweepBytes));
             r.SendRaw(PacketType::kNarrowSweep, payload.data(),
                       static_cast<uint32_t>(payload.size()));
         },
         DropReason::BadCheckByte},
        {"unassigned type", nullptr,
         [](Rig& r) {
             r.Send(8, {1, 2, 3});
         },
         DropReason::UnassignedType},
        {"short sweep", nullptr,
         [](Rig& r) { r.Send(PacketType::kWideSweep, SweepData(kWideSweepBytes - 1)); },
         DropReason::ShortPayload},
        {"empty channel report", nullptr,
         [](Rig& r) { r.Send(PacketType::kChannelReportCount, {}); }, DropReason::ShortPayload},
        {"short GPS message", nullptr,
         [](Rig& r) { r.Send(PacketType::kGps, Bytes(CGpsStatus::kMessageSize - 1, 0)); },
         DropReason::ShortPayload},
        {"short channel load", nullptr,
         [](Rig& r) { r.Send(PacketType::kChannelLoad, Bytes(kChannelLoadBytes - 1, 0)); },
         DropReason::ShortPayload},
        {"capture without frame control", nullptr,
         [](Rig& r) { r.Send(PacketType::kCapturedFrame, Bytes(CaptureHeader::kSize + 4, 0)); },
         DropReason::ShortPayload},
        {"beacon without capture header", nullptr,
         [](Rig& r) { r.Send(PacketType::kCapturedBeacon, Bytes(CaptureHeader::kSize - 1, 0)); },
         DropReason::ShortPayload},
        {"channel 15", nullptr, [](Rig& r) { r.Send(PacketType::kChannelReport, {15}); },
         DropReason::ChannelOutOfRange},
        {"channel 0", nullptr, [](Rig& r) { r.Send(PacketType::kChannelReport, {0}); },
         DropReason::ChannelOutOfRange},
        {"value of slot 15", nullptr,
         [](Rig& r) {
             r.Send(PacketType::kChannelValue, {0x10, 0x00, 15});
         },
         DropReason::ChannelOutOfRange},
        {"decoder re-entered from its alarm",
         [](Rig& r) {
             r.store->m_bSecurityEnabled = 1;
             r.poster.onPost = [&r](unsigned message) {
                 if (message != UM_UNAUTHORIZED_AP) return;
                 const Bytes again = CaptureData(Beacon(MacOf(8), "b", 1));
                 r.store->DecodeManagementFrame(again.data(), static_cast<uint32_t>(again.size()));
             };
         },
         [](Rig& r) { r.Send(PacketType::kCapturedFrame, CaptureData(Beacon(MacOf(7), "a", 1))); },
         DropReason::GuardSet},
        {"beacon of another channel", nullptr,
         [](Rig& r) { r.Send(PacketType::kCapturedFrame, CaptureData(Beacon(MacOf(2), "a", 6))); },
         DropReason::OffChannel},
        {"capture cut before the transmitter", [](Rig& r) { r.HearBeacon(); },
         [](Rig& r) {
             Capture data = DataFrame(MacOf(3));
             data.capturedLength = static_cast<int>(CaptureHeader::kTransmitterEnd) - 1;
             r.Send(PacketType::kCapturedFrame, CaptureData(data));
         },
         DropReason::NoTransmitter},
        // Good packets count nothing.
        {"good beacon", nullptr, [](Rig& r) { r.HearBeacon(); }, std::nullopt},
        {"good data frame", [](Rig& r) { r.HearBeacon(); },
         [](Rig& r) { r.Send(PacketType::kCapturedFrameAlt, CaptureData(DataFrame(MacOf(4)))); },
         std::nullopt},
        {"good channel report", nullptr, [](Rig& r) { r.Send(PacketType::kChannelReport, {14}); },
         std::nullopt},
        {"good sweep", nullptr,
         [](Rig& r) { r.Send(PacketType::kNarrowSweep, SweepData(kNarrowSweepBytes)); },
         std::nullopt},
        {"good GPS message", nullptr, [](Rig& r) { r.Send(PacketType::kGps, GpsData()); },
         std::nullopt},
        {"good battery report", nullptr,
         [](Rig& r) { r.Send(PacketType::kBatteryLow, ChannelLoadData(1, 2, 3, 4)); },
         std::nullopt},
    };
    return cases;
}

TEST(DropReasons, EachHostilePacketCountsItsOneReasonAndAGoodOneNothing) {
    std::set<DropReason> reached;
    for (const Case& c : Cases()) {
        SCOPED_TRACE(c.name);
        Rig rig;
        if (c.prepare) c.prepare(rig);
        std::array<uint32_t, kDropReasonCount> before{};
        {
            const auto lock = rig.store->Lock();
            before = rig.store->m_anDrops;
        }
        c.send(rig);
        const auto lock = rig.store->Lock();
        std::array<uint32_t, kDropReasonCount> expected = before;
        if (c.expected) {
            ++expected[static_cast<size_t>(*c.expected)];
            reached.insert(*c.expected);
        }
        EXPECT_EQ(rig.store->m_anDrops, expected);
    }
    // Every reason a packet can bring about is in the table; a failed station
    // allocation needs the memory to run out.
    for (size_t i = 0; i < kDropReasonCount; ++i) {
        const auto reason = static_cast<DropReason>(i);
        if (reason == DropReason::OutOfMemory) continue;
        EXPECT_TRUE(reached.count(reason)) << DropReasonName(reason);
    }
}

TEST(DropReasons, NamesAreDistinctSnakeCaseAndAppearInTheDump) {
    Rig rig;
    rig.Send(PacketType::kChannelReport, {15});
    const auto lock = rig.store->Lock();
    const nlohmann::json drops = DumpState(*rig.store)["drops"];
    std::set<std::string> names;
    for (const std::string_view name : kDropReasonNames) {
        EXPECT_EQ(name.find_first_not_of("abcdefghijklmnopqrstuvwxyz_"), std::string_view::npos)
            << name;
        names.emplace(name);
    }
    EXPECT_EQ(names.size(), kDropReasonCount);
    EXPECT_EQ(drops.size(), kDropReasonCount);
    EXPECT_EQ(drops["channel_out_of_range"], 1);
    EXPECT_EQ(drops["bad_check_byte"], 0);
}

}  // namespace
