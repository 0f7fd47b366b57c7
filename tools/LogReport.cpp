// report: one row per access point and one per channel, as a terminal
// table, CSV or JSON.

#include <cinttypes>
#include <cmath>
#include <nlohmann/json.hpp>
#include <string>

#include "platform/Latin1.h"
#include "tools/LogTool.h"
#include "tools/SurveyReport.h"

namespace {

using Json = nlohmann::ordered_json;

// What a log yields for the report.
struct ReportData {
    CSurveyCollector survey;
    SurveyRunResult run;
};

// The access point's noise: the mean noise report of its main channel.
bool ApNoise(const ReportData& data, const ApSummary& ap, double& noise) {
    const ChannelSummary& channel = data.survey.Channels()[static_cast<size_t>(ap.MainChannel())];
    if (!channel.HasNoise()) return false;
    noise = channel.MeanNoise();
    return true;
}

std::string Fixed(double value, int decimals) {
    char text[48];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

// Printable 8-bit text for the terminal: Latin-1 as UTF-8, control bytes as '?'.
std::string Printable(const std::string& text) {
    std::string out;
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b == 0x7F) {
            out.push_back('?');
        } else {
            AppendLatin1AsUtf8(out, b);
        }
    }
    return out;
}

// Pads to `width` characters (a Latin-1 byte is one character).
std::string Pad(const std::string& latin1, size_t width) {
    std::string out = Printable(latin1);
    if (latin1.size() < width) out.append(width - latin1.size(), ' ');
    return out;
}

std::string CsvField(const std::string& text) {
    std::string out;
    bool quote = false;
    for (const char c : Printable(text)) {
        if (c == ',' || c == '"') quote = true;
        if (c == '"') out.push_back('"');
        out.push_back(c);
    }
    return quote ? "\"" + out + "\"" : out;
}

void WriteText(const ReportData& data, const std::string& path, std::FILE* out) {
    const CSurveyCollector& s = data.survey;
    std::fprintf(out, "Survey report of %s\n", path.c_str());
    std::fprintf(out, "%" PRIu64 " records", data.run.nRecords);
    if (s.HasTime())
        std::fprintf(out, " from %s to %s", s.FirstTime().Format().c_str(),
                     s.LastTime().Format().c_str());
    std::fprintf(out, ", %zu access points, %zu GPS positions\n\n", s.AccessPoints().size(),
                 s.Track().size());

    size_t ssidWidth = 4;
    for (const ApSummary& ap : s.AccessPoints()) ssidWidth = std::max(ssidWidth, ap.ssid.size());
    std::fprintf(out,
                 "Access points\n%-17s  %s  %-8s %-7s %-19s  %-19s  %8s %5s %6s %5s %6s %5s  %s\n",
                 "MAC", Pad("SSID", ssidWidth).c_str(), "CHANNEL", "PRIVACY", "FIRST SEEN",
                 "LAST SEEN", "SEEN", "MIN", "MEAN", "MAX", "NOISE", "S/N", "STRONGEST AT");
    for (const ApSummary& ap : s.AccessPoints()) {
        double noise = 0;
        const bool hasNoise = ApNoise(data, ap, noise);
        std::string position = "-";
        if (ap.bHasStrongest)
            position = Fixed(ap.strongestFix.dLatitude, 6) + " " +
                       Fixed(ap.strongestFix.dLongitude, 6) + " (" +
                       std::to_string(ap.nStrongestRssi) + " dBm)";
        std::fprintf(
            out, "%-17s  %s  %-8s %-7s %-19s  %-19s  %8" PRIu64 " %5d %6s %5d %6s %5s  %s\n",
            ap.mac.c_str(), Pad(ap.ssid, ssidWidth).c_str(), ap.ChannelList().c_str(),
            ap.bPrivacy ? "yes" : "no", ap.firstSeen.Format().c_str(), ap.lastSeen.Format().c_str(),
            ap.nSightings, ap.nMinRssi, Fixed(ap.MeanRssi(), 1).c_str(), ap.nMaxRssi,
            hasNoise ? Fixed(noise, 1).c_str() : "-",
            hasNoise ? Fixed(ap.MeanRssi() - noise, 1).c_str() : "-", position.c_str());
    }

    std::fprintf(out, "\nChannels\n%-7s %4s %9s %9s %9s %9s %9s %9s  %-13s %s\n", "CHANNEL", "APS",
                 "BEACONS", "PROBE-RSP", "MGMT", "CONTROL", "DATA", "RESERVED", "BUSIEST RATE",
                 "NOISE");
    for (int c = 1; c < kReportChannels; ++c) {
        const ChannelSummary& ch = s.Channels()[static_cast<size_t>(c)];
        if (ch.Frames() == 0 && ch.nAccessPoints == 0 && !ch.HasNoise()) continue;
        const int rate = ch.BusiestRate();
        std::fprintf(out, "%-7d %4d", c, ch.nAccessPoints);
        for (const uint64_t n : ch.anFrames) std::fprintf(out, " %9" PRIu64, n);
        std::fprintf(out, "  %-13s %s\n", rate < 0 ? "-" : RateText(rate).c_str(),
                     ch.HasNoise() ? (Fixed(ch.MeanNoise(), 1) + " dBm").c_str() : "-");
    }
}

void WriteCsv(const ReportData& data, std::FILE* out) {
    const CSurveyCollector& s = data.survey;
    std::fputs(
        "mac,ssid,channels,privacy,first_seen,last_seen,sightings,rssi_min,rssi_mean,rssi_max,"
        "noise,snr,latitude,longitude,strongest_rssi\n",
        out);
    for (const ApSummary& ap : s.AccessPoints()) {
        double noise = 0;
        const bool hasNoise = ApNoise(data, ap, noise);
        std::string row = ap.mac + "," + CsvField(ap.ssid) + "," + CsvField(ap.ChannelList()) +
                          "," + (ap.bPrivacy ? "yes" : "no") + "," + ap.firstSeen.Format() + "," +
                          ap.lastSeen.Format() + "," + std::to_string(ap.nSightings) + "," +
                          std::to_string(ap.nMinRssi) + "," + Fixed(ap.MeanRssi(), 1) + "," +
                          std::to_string(ap.nMaxRssi) + ",";
        if (hasNoise)
            row += Fixed(noise, 1) + "," + Fixed(ap.MeanRssi() - noise, 1);
        else
            row += ",";
        row += ",";
        if (ap.bHasStrongest)
            row += Fixed(ap.strongestFix.dLatitude, 7) + "," +
                   Fixed(ap.strongestFix.dLongitude, 7) + "," + std::to_string(ap.nStrongestRssi);
        else
            row += ",,";
        std::fprintf(out, "%s\n", row.c_str());
    }
    // The channels follow as a second table after an empty line.
    std::fputs(
        "\nchannel,access_points,beacons,probe_responses,other_management,control,data,reserved,"
        "busiest_rate_mbps,noise\n",
        out);
    for (int c = 1; c < kReportChannels; ++c) {
        const ChannelSummary& ch = s.Channels()[static_cast<size_t>(c)];
        if (ch.Frames() == 0 && ch.nAccessPoints == 0 && !ch.HasNoise()) continue;
        std::string row = std::to_string(c) + "," + std::to_string(ch.nAccessPoints);
        for (const uint64_t n : ch.anFrames) row += "," + std::to_string(n);
        const int rate = ch.BusiestRate();
        row += "," + (rate < 0 ? std::string() : Fixed(rate / 10.0, 1)) + ",";
        if (ch.HasNoise()) row += Fixed(ch.MeanNoise(), 1);
        std::fprintf(out, "%s\n", row.c_str());
    }
}

double Rounded(double value) {
    return std::round(value * 10.0) / 10.0;
}

void WriteJson(const ReportData& data, const std::string& path, std::FILE* out) {
    const CSurveyCollector& s = data.survey;
    Json doc;
    doc["log"] = path;
    doc["records"] = data.run.nRecords;
    doc["first_time"] = s.HasTime() ? Json(s.FirstTime().Format()) : Json();
    doc["last_time"] = s.HasTime() ? Json(s.LastTime().Format()) : Json();
    doc["gps_positions"] = s.Track().size();
    Json aps = Json::array();
    for (const ApSummary& ap : s.AccessPoints()) {
        double noise = 0;
        const bool hasNoise = ApNoise(data, ap, noise);
        Json channels = Json::array();
        for (int c = 1; c < kReportChannels; ++c)
            if (ap.anChannelSightings[c] != 0) channels.push_back(c);
        Json row;
        row["mac"] = ap.mac;
        row["ssid"] = Latin1ToUtf8(ap.ssid);
        row["channels"] = channels;
        row["privacy"] = ap.bPrivacy;
        row["first_seen"] = ap.firstSeen.Format();
        row["last_seen"] = ap.lastSeen.Format();
        row["sightings"] = ap.nSightings;
        row["rssi"] = {
            {"min", ap.nMinRssi}, {"mean", Rounded(ap.MeanRssi())}, {"max", ap.nMaxRssi}};
        row["noise"] = hasNoise ? Json(Rounded(noise)) : Json();
        row["snr"] = hasNoise ? Json(Rounded(ap.MeanRssi() - noise)) : Json();
        if (ap.bHasStrongest) {
            row["strongest"] = {{"latitude", ap.strongestFix.dLatitude},
                                {"longitude", ap.strongestFix.dLongitude},
                                {"rssi", ap.nStrongestRssi},
                                {"time", ap.strongestTime.Format()}};
        } else {
            row["strongest"] = nullptr;
        }
        aps.push_back(std::move(row));
    }
    doc["access_points"] = std::move(aps);
    Json channels = Json::array();
    for (int c = 1; c < kReportChannels; ++c) {
        const ChannelSummary& ch = s.Channels()[static_cast<size_t>(c)];
        if (ch.Frames() == 0 && ch.nAccessPoints == 0 && !ch.HasNoise()) continue;
        Json frames;
        for (int k = 0; k < kFrameKinds; ++k)
            frames[FrameKindName(static_cast<FrameKind>(k))] = ch.anFrames[static_cast<size_t>(k)];
        const int rate = ch.BusiestRate();
        channels.push_back({{"channel", c},
                            {"access_points", ch.nAccessPoints},
                            {"frames", frames},
                            {"busiest_rate_mbps", rate < 0 ? Json() : Json(rate / 10.0)},
                            {"noise", ch.HasNoise() ? Json(Rounded(ch.MeanNoise())) : Json()}});
    }
    doc["channels"] = std::move(channels);
    // A file name that is not UTF-8 must not stop the report.
    std::fprintf(out, "%s\n", doc.dump(2, ' ', false, Json::error_handler_t::replace).c_str());
}

}  // namespace

int RunReport(const std::string& path, const std::string& format, std::FILE* out, std::FILE* err) {
    if (format != "text" && format != "csv" && format != "json") {
        std::fprintf(err, "orvalis-log report: unknown format '%s' (text, csv or json)\n",
                     format.c_str());
        return kExitUsage;
    }
    ReportData data;
    if (RunSurveyOf(
            path, err, [&](const SurveyStep& step) { data.survey.Take(step); }, data.run) < 0)
        return kExitUsage;
    if (!data.run.bHeaderGood && data.run.nRecords == 0) {
        std::fprintf(err, "orvalis-log report: %s is not a packet log (no records found)\n",
                     path.c_str());
        return kExitDamaged;
    }
    data.survey.Finish();
    if (format == "csv") {
        WriteCsv(data, out);
    } else if (format == "json") {
        WriteJson(data, path, out);
    } else {
        WriteText(data, path, out);
    }
    if (data.run.nDamage != 0) {
        std::fprintf(err,
                     "orvalis-log: the log is damaged (%" PRIu64
                     " faults); the report covers what could be read\n",
                     data.run.nDamage);
        return kExitDamaged;
    }
    return kExitOk;
}
