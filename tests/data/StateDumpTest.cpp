#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>

#include "data/StateDump.h"
#include "data/SurveyData.h"
#include "tests/support/PacketBuilders.h"

using namespace testpkt;
using nlohmann::json;

namespace {

class StateDumpTest : public ::testing::Test {
protected:
    StateDumpTest() : store(std::make_unique<CSurveyData>()) {}
    std::unique_ptr<CSurveyData> store;
};

TEST_F(StateDumpTest, EveryStoreFieldAppearsUnderItsMemberName) {
    const json j = DumpState(*store);
    for (const char* name : {"m_bRefreshEnabled",
                             "m_szSerialNumber",
                             "m_szFirmwareVersion",
                             "m_dFirmwareVersion",
                             "m_nMode",
                             "m_abHeronRecord",
                             "m_nHeronRecordLength",
                             "m_nBestRssi",
                             "m_szBestMac",
                             "m_szBestSsid",
                             "m_aszAuthorized",
                             "m_aszUnauthorized",
                             "m_nAuthorizedCount",
                             "m_nUnauthorizedCount",
                             "m_bAuthorizedChanged",
                             "m_bUnauthorizedChanged",
                             "m_tBatteryLowSince",
                             "m_abNarrowSweep",
                             "m_abWideSweep",
                             "m_abMgmtHeader",
                             "m_abBeaconFixed",
                             "m_abDataHeader",
                             "m_abMgmtFrame",
                             "m_abDataFrame",
                             "m_szSelectedMac",
                             "m_szSelectedSsid",
                             "m_nSelectedRssi",
                             "m_nSelectedChannel",
                             "m_aCfrIq",
                             "m_aCfrPower",
                             "m_nCfrPowerSum",
                             "m_nCfrPeakBin",
                             "m_nCfrSampleCount",
                             "m_aRateStats",
                             "m_bCfrUpdated",
                             "m_nFramesCaptured",
                             "m_nSelectedFrames",
                             "m_abChannelLoad",
                             "m_anChannelValue",
                             "m_szAlertMac",
                             "m_bStationsChanged",
                             "m_nSelectedTrace",
                             "m_aSpectrumTrace",
                             "m_nSpectrumMarker",
                             "m_bRecording",
                             "m_strLogFile",
                             "m_nChannel",
                             "m_nFrameChannel",
                             "m_nPreviousChannel",
                             "m_szFrameSsid",
                             "m_bBatteryLow",
                             "m_bSecurityEnabled",
                             "m_bShowNonApMacs",
                             "m_bHeronEnabled",
                             "m_bPacketSeen",
                             "m_nFramesTotal",
                             "m_nBeacons",
                             "m_nDataFrames",
                             "m_nControlFrames",
                             "m_nMgmtFrames",
                             "m_nReservedFrames",
                             "m_nAuthFrames",
                             "m_nDeauthFrames",
                             "m_anFramesPerChannel",
                             "m_nFramesAllChannels",
                             "m_anBeaconsPerChannel",
                             "m_anBytesPerRateChannel",
                             "m_anChannelReports",
                             "m_bSelectedUpdated",
                             "m_bChannelPending",
                             "m_nPendingChannel",
                             "m_aRateWindow",
                             "m_FrameWindow",
                             "m_nMarkerNumber",
                             "m_bSerialReceived",
                             "stations",
                             "gps"}) {
        EXPECT_TRUE(j.contains(name)) << name;
    }
}

TEST_F(StateDumpTest, StartUpValuesAndShapes) {
    const json j = DumpState(*store);
    EXPECT_EQ(j["m_szSerialNumber"], "XXXXXX");
    EXPECT_EQ(j["m_szFirmwareVersion"], "0.00");
    EXPECT_EQ(j["m_nChannel"], 1);
    EXPECT_EQ(j["m_nPendingChannel"], 1);
    EXPECT_EQ(j["m_nSelectedTrace"], 1);
    EXPECT_EQ(j["m_abHeronRecord"], "");
    EXPECT_EQ(j["m_abNarrowSweep"], std::string(260, '0'));
    EXPECT_EQ(j["m_anBytesPerRateChannel"].size(), 5u);
    EXPECT_EQ(j["m_anBytesPerRateChannel"][4].size(), 15u);
    ASSERT_EQ(j["m_aCfrIq"].size(), 44u);
    EXPECT_EQ(j["m_aCfrIq"][0], json::array({0, 0}));
    EXPECT_EQ(j["m_aRateStats"].size(), 5u);
    EXPECT_EQ(j["m_aRateStats"][0]["frames"], 0);
    EXPECT_EQ(j["m_aSpectrumTrace"][1]["visible"], 1);
    EXPECT_EQ(j["m_aSpectrumTrace"][2]["visible"], 0);
    EXPECT_EQ(j["m_aszAuthorized"], json::array());
    EXPECT_EQ(j["stations"], json::array());
    EXPECT_EQ(j["gps"]["received"], 0);
    for (const char* key : {"received", "fix_status", "date", "time", "latitude", "longitude",
                            "status", "visible", "tracked", "velocity", "altitude", "heading"})
        EXPECT_TRUE(j["gps"].contains(key)) << key;
}

TEST_F(StateDumpTest, PacketDataIsDumpedAsStored) {
    Dispatch(*store, 4, {6});
    Dispatch(*store, 5, SweepData(130, 0xA0));
    Dispatch(*store, 10, CaptureData(Beacon(MacOf(0xAB), "home", 6, -42)));
    store->AddAuthorized("00-11-22-33-44-55");
    store->m_nHeronRecordLength = 2;
    store->m_abHeronRecord[0] = 0x07;
    store->m_abHeronRecord[1] = 0xFE;

    const json j = DumpState(*store);
    EXPECT_EQ(j["m_nChannel"], 6);
    EXPECT_EQ(j["m_abNarrowSweep"].get<std::string>().substr(0, 6), "a0adba");
    EXPECT_EQ(j["m_abHeronRecord"], "07fe");
    EXPECT_EQ(j["m_aszAuthorized"], json::array({"00-11-22-33-44-55"}));
    ASSERT_EQ(j["stations"].size(), 1u);
    EXPECT_EQ(j["stations"][0]["mac"], MacText(MacOf(0xAB)));
    EXPECT_EQ(j["stations"][0]["rssi"], -42);
    EXPECT_EQ(j["stations"][0]["channel"], 6);
    EXPECT_EQ(j["stations"][0]["kind"], 1);
    EXPECT_EQ(j["stations"][0]["ssid"], "home");
}

TEST_F(StateDumpTest, ArbitraryBoardBytesStillMakeValidJson) {
    Dispatch(*store, 2, Bytes{0xFF, 0xC3, 0x80, 'A', 0x01});
    const json j = DumpState(*store);
    EXPECT_EQ(j["m_szSerialNumber"], "\u00FF\u00C3\u0080A\u0001");
    EXPECT_NO_THROW((void)j.dump());
}

TEST_F(StateDumpTest, PathsThatAreNotUtf8StillMakeAWrittenDump) {
    const std::string path = std::string(ORV_BINARY_DIR) + "/state_dump_names.json";
    store->m_strLogFile = "/data/caf\xC3\xA9-\xFF\xFE.ov";
    json state = DumpState(*store);
    EXPECT_EQ(state["m_strLogFile"], "/data/caf\u00E9-\u00FF\u00FE.ov");
    // A text a caller adds (the headless program adds its own) cannot fail
    // the dump either, as a value or as a name.
    state["added"] = {{"path", "x\x80y"}, {"name\xC0", 1}};
    ASSERT_EQ(WriteStateJson(state, path), 0);
    std::ifstream in(path);
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const json back = json::parse(text);
    EXPECT_EQ(back["m_strLogFile"], state["m_strLogFile"]);
    EXPECT_EQ(back["added"]["path"], "x\u0080y");
    EXPECT_EQ(back["added"]["name\u00C0"], 1);
    std::remove(path.c_str());
}

TEST_F(StateDumpTest, WriteStateWritesTheDumpAndReportsFailure) {
    const std::string path = std::string(ORV_BINARY_DIR) + "/state_dump_test.json";
    store->m_anChannelValue[3] = -87;
    store->m_aSpectrumTrace[1].anLevel[4095] = 12;
    ASSERT_EQ(WriteState(*store, path), 0);
    std::ifstream in(path);
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const json back = json::parse(text);
    EXPECT_EQ(back, DumpState(*store));
    // Arrays of numbers take one line each, nested ones one line per row;
    // everything else keeps the usual indented layout.
    EXPECT_NE(
        text.find("\n  \"m_anChannelValue\": [0, 0, 0, -87, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0],\n"),
        std::string::npos);
    EXPECT_NE(text.find("\n    [0, 0],\n"), std::string::npos);  // a tap of m_aCfrIq
    EXPECT_NE(text.find(", 0, 12],\n"), std::string::npos);      // a trace's last level
    EXPECT_NE(text.find("\n  \"m_aszAuthorized\": [],\n"), std::string::npos);
    EXPECT_LT(std::count(text.begin(), text.end(), '\n'), 400);
    std::remove(path.c_str());
    EXPECT_EQ(WriteState(*store, "/nonexistent-dir/x/state.json"), -1);
}

}  // namespace
