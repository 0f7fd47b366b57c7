#include "data/StateDump.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <fstream>

#include "data/SurveyData.h"
#include "platform/Latin1.h"

namespace {

using nlohmann::json;

std::string TextOf(const char* text, size_t capacity) {
    return Latin1ToUtf8(std::string_view(text, strnlen(text, capacity)));
}

template <size_t N>
std::string TextOf(const char (&text)[N]) {
    return TextOf(text, N);
}

std::string Hex(const uint8_t* bytes, size_t length) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out(length * 2, '0');
    for (size_t i = 0; i < length; ++i) {
        out[2 * i] = kDigits[bytes[i] >> 4];
        out[2 * i + 1] = kDigits[bytes[i] & 0x0F];
    }
    return out;
}

template <size_t N>
std::string Hex(const std::array<uint8_t, N>& bytes) {
    return Hex(bytes.data(), N);
}

json ListOf(const char (&slots)[kApListSlots][32], int32_t count) {
    json list = json::array();
    const int used = std::clamp<int32_t>(count, 0, kApListCapacity);
    for (int i = 0; i < used; ++i) list.push_back(TextOf(slots[i]));
    return list;
}

json WindowOf(const StatsWindow& window) {
    return {{"count", window.nCount},
            {"read_index", window.nReadIndex},
            {"write_index", window.nWriteIndex},
            {"ring", window.anRing}};
}

json StationsOf(const CStationList& stations) {
    json list = json::array();
    StationEntry* entry = nullptr;
    for (int rc = stations.GetAt(1, &entry); rc == 0 && entry != nullptr;
         rc = stations.Next(entry, &entry)) {
        list.push_back({{"mac", TextOf(entry->szMac)},
                        {"ssid", TextOf(entry->szSsid)},
                        {"rssi", entry->nRssi},
                        {"channel", entry->nChannel},
                        {"privacy", entry->bPrivacy},
                        {"kind", entry->nKind},
                        {"unauthorized", entry->bUnauthorized},
                        {"seen", entry->bSeen}});
    }
    return list;
}

json DropsOf(const std::array<uint32_t, kDropReasonCount>& drops) {
    json out = json::object();
    for (size_t i = 0; i < kDropReasonCount; ++i) out[std::string(kDropReasonNames[i])] = drops[i];
    return out;
}

bool IsNumericArray(const json& j) {
    if (!j.is_array() || j.empty()) return false;
    return std::all_of(j.begin(), j.end(), [](const json& e) { return e.is_number(); });
}

// The indented layout of json::dump(2), except that an array of numbers is
// written on one line: a trace or a counter table is then one line of the
// file, and a changed value shows as a changed word. Texts a caller added
// (paths, names) are made valid UTF-8 here, so no text can fail the dump.
void WriteIndented(std::string& out, const json& j, int depth) {
    const std::string inner(static_cast<size_t>(2 * (depth + 1)), ' ');
    const std::string outer(static_cast<size_t>(2 * depth), ' ');
    if (IsNumericArray(j)) {
        out.push_back('[');
        for (size_t i = 0; i < j.size(); ++i) {
            if (i != 0) out += ", ";
            out += j[i].dump();
        }
        out.push_back(']');
    } else if (j.is_array() && !j.empty()) {
        out += "[\n";
        for (size_t i = 0; i < j.size(); ++i) {
            if (i != 0) out += ",\n";
            out += inner;
            WriteIndented(out, j[i], depth + 1);
        }
        out += "\n" + outer + "]";
    } else if (j.is_object() && !j.empty()) {
        out += "{\n";
        bool first = true;
        for (const auto& [key, value] : j.items()) {
            if (!first) out += ",\n";
            first = false;
            out += inner + json(ToValidUtf8(key)).dump() + ": ";
            WriteIndented(out, value, depth + 1);
        }
        out += "\n" + outer + "}";
    } else if (j.is_string()) {
        out += json(ToValidUtf8(j.get_ref<const std::string&>())).dump();
    } else {
        out += j.dump();
    }
}

json GpsOf(const CGpsStatus& gps) {
    return {{"received", gps.m_bMessageReceived}, {"fix_status", gps.m_nFixStatus},
            {"date", gps.FormatDate()},           {"time", gps.FormatTime()},
            {"latitude", gps.FormatLatitude()},   {"longitude", gps.FormatLongitude()},
            {"status", gps.FormatFixStatus()},    {"visible", gps.m_nVisibleSats},
            {"tracked", gps.m_nTrackedSats},      {"velocity", gps.FormatVelocity()},
            {"altitude", gps.FormatAltitude()},   {"heading", gps.FormatHeading()}};
}

}  // namespace

nlohmann::json DumpState(const CSurveyData& d) {
    json j;
    j["m_bRefreshEnabled"] = d.m_bRefreshEnabled;
    j["m_szSerialNumber"] = TextOf(d.m_szSerialNumber);
    j["m_szFirmwareVersion"] = TextOf(d.m_szFirmwareVersion);
    j["m_dFirmwareVersion"] = d.m_dFirmwareVersion;
    j["m_nMode"] = d.m_nMode;

    const size_t heronLength =
        static_cast<size_t>(std::clamp<int32_t>(d.m_nHeronRecordLength, 0, kHeronRecordSize));
    j["m_abHeronRecord"] = Hex(d.m_abHeronRecord.data(), heronLength);
    j["m_nHeronRecordLength"] = d.m_nHeronRecordLength;
    j["m_nBestRssi"] = d.m_nBestRssi;
    j["m_szBestMac"] = TextOf(d.m_szBestMac);
    j["m_szBestSsid"] = TextOf(d.m_szBestSsid);

    j["m_aszAuthorized"] = ListOf(d.m_aszAuthorized, d.m_nAuthorizedCount);
    j["m_aszUnauthorized"] = ListOf(d.m_aszUnauthorized, d.m_nUnauthorizedCount);
    j["m_nAuthorizedCount"] = d.m_nAuthorizedCount;
    j["m_nUnauthorizedCount"] = d.m_nUnauthorizedCount;
    j["m_bAuthorizedChanged"] = d.m_bAuthorizedChanged;
    j["m_bUnauthorizedChanged"] = d.m_bUnauthorizedChanged;
    j["m_tBatteryLowSince"] = d.m_tBatteryLowSince;

    j["m_abNarrowSweep"] = Hex(d.m_abNarrowSweep);
    j["m_abWideSweep"] = Hex(d.m_abWideSweep);

    j["m_abMgmtHeader"] = Hex(d.m_abMgmtHeader);
    j["m_abBeaconFixed"] = Hex(d.m_abBeaconFixed);
    j["m_abDataHeader"] = Hex(d.m_abDataHeader);
    j["m_abMgmtFrame"] = Hex(d.m_abMgmtFrame);
    j["m_abDataFrame"] = Hex(d.m_abDataFrame);

    j["m_szSelectedMac"] = TextOf(d.m_szSelectedMac);
    j["m_szSelectedSsid"] = TextOf(d.m_szSelectedSsid);
    j["m_nSelectedRssi"] = d.m_nSelectedRssi;
    j["m_nSelectedChannel"] = d.m_nSelectedChannel;
    json iq = json::array();
    for (const CfrSample& tap : d.m_aCfrIq) iq.push_back({tap.nI, tap.nQ});
    j["m_aCfrIq"] = std::move(iq);
    j["m_aCfrPower"] = d.m_aCfrPower;
    j["m_nCfrPowerSum"] = d.m_nCfrPowerSum;
    j["m_nCfrPeakBin"] = d.m_nCfrPeakBin;
    j["m_nCfrSampleCount"] = d.m_nCfrSampleCount;
    json rateStats = json::array();
    for (const RateStats& s : d.m_aRateStats) {
        rateStats.push_back({{"frames", s.nFrames},
                             {"flag_zero_percent", s.dFlagZeroPercent},
                             {"share_percent", s.dSharePercent},
                             {"flag_zero_count", s.nFlagZeroCount}});
    }
    j["m_aRateStats"] = std::move(rateStats);
    j["m_bCfrUpdated"] = d.m_bCfrUpdated;
    j["m_nFramesCaptured"] = d.m_nFramesCaptured;
    j["m_nSelectedFrames"] = d.m_nSelectedFrames;

    j["m_abChannelLoad"] = Hex(d.m_abChannelLoad);
    j["m_anChannelValue"] = d.m_anChannelValue;

    j["m_szAlertMac"] = TextOf(d.m_szAlertMac);
    j["m_bStationsChanged"] = d.m_bStationsChanged;
    j["m_nSelectedTrace"] = d.m_nSelectedTrace;
    json traces = json::array();
    for (const SpectrumTrace& t : d.m_aSpectrumTrace) {
        traces.push_back({{"selected", t.bSelected},
                          {"visible", t.bVisible},
                          {"hold", t.bHold},
                          {"levels", t.anLevel}});
    }
    j["m_aSpectrumTrace"] = std::move(traces);
    j["m_nSpectrumMarker"] = d.m_nSpectrumMarker;

    j["m_bRecording"] = d.m_bRecording;
    j["m_strLogFile"] = ToValidUtf8(d.m_strLogFile);

    j["m_nChannel"] = d.m_nChannel;
    j["m_nFrameChannel"] = d.m_nFrameChannel;
    j["m_nPreviousChannel"] = d.m_nPreviousChannel;
    j["m_szFrameSsid"] = TextOf(d.m_szFrameSsid);
    j["m_bBatteryLow"] = d.m_bBatteryLow;
    j["m_bSecurityEnabled"] = d.m_bSecurityEnabled;
    j["m_bShowNonApMacs"] = d.m_bShowNonApMacs;
    j["m_bHeronEnabled"] = d.m_bHeronEnabled;
    j["m_bPacketSeen"] = d.m_bPacketSeen;

    j["m_nFramesTotal"] = d.m_nFramesTotal;
    j["m_nBeacons"] = d.m_nBeacons;
    j["m_nDataFrames"] = d.m_nDataFrames;
    j["m_nControlFrames"] = d.m_nControlFrames;
    j["m_nMgmtFrames"] = d.m_nMgmtFrames;
    j["m_nReservedFrames"] = d.m_nReservedFrames;
    j["m_nAuthFrames"] = d.m_nAuthFrames;
    j["m_nDeauthFrames"] = d.m_nDeauthFrames;
    j["m_anFramesPerChannel"] = d.m_anFramesPerChannel;
    j["m_nFramesAllChannels"] = d.m_nFramesAllChannels;
    j["m_anBeaconsPerChannel"] = d.m_anBeaconsPerChannel;
    j["m_anBytesPerRateChannel"] = d.m_anBytesPerRateChannel;
    j["m_anChannelReports"] = d.m_anChannelReports;
    j["drops"] = DropsOf(d.m_anDrops);

    j["m_bSelectedUpdated"] = d.m_bSelectedUpdated;
    j["m_bChannelPending"] = d.m_bChannelPending;
    j["m_nPendingChannel"] = d.m_nPendingChannel;

    json rateWindows = json::array();
    for (const StatsWindow& w : d.m_aRateWindow) rateWindows.push_back(WindowOf(w));
    j["m_aRateWindow"] = std::move(rateWindows);
    j["m_FrameWindow"] = WindowOf(d.m_FrameWindow);

    j["m_nMarkerNumber"] = d.m_nMarkerNumber;
    j["m_bSerialReceived"] = d.m_bSerialReceived;

    j["stations"] = StationsOf(d.m_Stations);
    j["gps"] = GpsOf(d.m_Gps);
    return j;
}

int WriteState(const CSurveyData& data, const std::string& path) {
    return WriteStateJson(DumpState(data), path);
}

int WriteStateJson(const nlohmann::json& state, const std::string& path) {
    try {
        std::string text;
        WriteIndented(text, state, 0);
        text += "\n";
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        if (!out) return -1;
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        out.close();
        return out ? 0 : -1;
    } catch (const std::exception&) {
        return -1;
    }
}
