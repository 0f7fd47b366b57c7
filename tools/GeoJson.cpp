// export geojson: the track, every sighting with a position and every access
// point at its strongest, as one GeoJSON FeatureCollection (positions
// longitude first, WGS 84 degrees).

#include <cinttypes>
#include <cstring>
#include <optional>
#include <string>

#include "tools/LogTool.h"
#include "tools/SurveyReport.h"

namespace {

constexpr size_t kFlushBytes = size_t{1} << 16;

// "2026-05-14T09:30:05": the record's time as recorded (no zone).
std::string IsoTime(const LogTime& time) {
    std::string text = time.Format();
    if (text.size() > 10 && text[10] == ' ') text[10] = 'T';
    return text;
}

void AppendPosition(std::string& out, const SurveyFix& fix) {
    char text[96];
    std::snprintf(text, sizeof text, "[%.7f,%.7f,%.1f]", fix.dLongitude, fix.dLatitude,
                  fix.dAltitudeM);
    out += text;
}

// Features are separated by commas: the first one goes without.
class CFeatureWriter {
public:
    explicit CFeatureWriter(std::FILE* f) : m_pFile(f) {
        m_buffer = "{\"type\":\"FeatureCollection\",\"features\":[";
    }
    std::string& Begin() {
        if (m_nFeatures++ != 0) m_buffer.push_back(',');
        m_buffer += "\n{\"type\":\"Feature\",";
        return m_buffer;
    }
    void End() {
        m_buffer += "}";
        if (m_buffer.size() >= kFlushBytes) Flush();
    }
    void Close() {
        m_buffer += "\n]}\n";
        Flush();
    }
    uint64_t Features() const { return m_nFeatures; }

private:
    void Flush() {
        std::fwrite(m_buffer.data(), 1, m_buffer.size(), m_pFile);
        m_buffer.clear();
    }
    std::FILE* m_pFile;
    std::string m_buffer;
    uint64_t m_nFeatures = 0;
};

void WriteTrack(CFeatureWriter& writer, const std::vector<SurveyFix>& track) {
    if (track.empty()) return;
    std::string& out = writer.Begin();
    // A single position is a point: a line needs two.
    out += track.size() == 1 ? "\"geometry\":{\"type\":\"Point\",\"coordinates\":"
                             : "\"geometry\":{\"type\":\"LineString\",\"coordinates\":[";
    for (size_t i = 0; i < track.size(); ++i) {
        if (i != 0) out.push_back(',');
        AppendPosition(out, track[i]);
    }
    if (track.size() != 1) out.push_back(']');
    out +=
        "},\"properties\":{\"kind\":\"track\",\"positions\":" + std::to_string(track.size()) + "}";
    writer.End();
}

void WriteAccessPoint(CFeatureWriter& writer, const ApSummary& ap) {
    std::string& out = writer.Begin();
    out += "\"geometry\":{\"type\":\"Point\",\"coordinates\":";
    AppendPosition(out, ap.strongestFix);
    out += "},\"properties\":{\"kind\":\"access point\",\"mac\":";
    AppendJsonString(out, ap.mac);
    out += ",\"ssid\":";
    AppendJsonString(out, ap.ssid);
    out += ",\"channels\":[" + ap.ChannelList() + "],\"privacy\":";
    out += ap.bPrivacy ? "true" : "false";
    out += ",\"rssi\":" + std::to_string(ap.nStrongestRssi) +
           ",\"sightings\":" + std::to_string(ap.nSightings) + ",\"time\":";
    AppendJsonString(out, IsoTime(ap.strongestTime));
    out += "}";
    writer.End();
}

}  // namespace

int RunExportGeoJson(const std::string& path, const std::string& outPath, std::FILE* out,
                     std::FILE* err) {
    const bool toFile = !outPath.empty() && outPath != "-";
    if (toFile && SameFile(path, outPath)) {
        std::fprintf(err, "orvalis-log: %s is the log itself; choose another output\n",
                     outPath.c_str());
        return kExitUsage;
    }
    std::optional<CAtomicOutput> output;
    std::FILE* f = out;
    if (toFile) {
        output.emplace(outPath);
        f = std::fopen(output->TempPath().c_str(), "wb");
        if (f == nullptr) {
            std::fprintf(err, "orvalis-log: cannot create %s: %s\n", outPath.c_str(),
                         std::strerror(errno));
            return kExitUsage;
        }
    }
    // Closes the temporary file on every way out.
    struct Closer {
        std::FILE* f;
        bool own;
        ~Closer() {
            if (own && f != nullptr) std::fclose(f);
        }
    } closer{f, toFile};

    CSurveyCollector survey;
    CFeatureWriter writer(f);
    uint64_t sightings = 0;
    // Sightings come in runs at the same position and second: their texts
    // are formatted once per run.
    SurveyFix textFix;
    std::string fixText;
    LogTime textTime;
    std::string timeText;
    SurveyRunResult run;
    const int opened = RunSurveyOf(
        path, err,
        [&](const SurveyStep& step) {
            survey.Take(step);
            if (!step.ap.bPresent || !step.fix.bValid) return;
            // The SSID as the access point's announcements gave it so far.
            const ApSummary* ap = survey.Find(step.ap.mac);
            std::string& o = writer.Begin();
            o += "\"geometry\":{\"type\":\"Point\",\"coordinates\":";
            if (fixText.empty() || step.fix.dLatitude != textFix.dLatitude ||
                step.fix.dLongitude != textFix.dLongitude ||
                step.fix.dAltitudeM != textFix.dAltitudeM) {
                textFix = step.fix;
                fixText.clear();
                AppendPosition(fixText, step.fix);
            }
            o += fixText;
            o += "},\"properties\":{\"kind\":\"sighting\",\"mac\":";
            AppendJsonString(o, step.ap.mac);
            o += ",\"ssid\":";
            AppendJsonString(o, ap != nullptr ? ap->ssid : std::string());
            o += ",\"channel\":" + std::to_string(step.ap.nChannel) +
                 ",\"rssi\":" + std::to_string(step.ap.nRssi) + ",\"time\":";
            if (timeText.empty() || !(step.pRecord->time == textTime)) {
                textTime = step.pRecord->time;
                timeText.clear();
                AppendJsonString(timeText, IsoTime(textTime));
            }
            o += timeText;
            o += "}";
            writer.End();
            ++sightings;
        },
        run);
    if (opened < 0) return kExitUsage;
    WriteTrack(writer, survey.Track());
    uint64_t placed = 0;
    for (const ApSummary& ap : survey.AccessPoints()) {
        if (!ap.bHasStrongest) continue;
        WriteAccessPoint(writer, ap);
        ++placed;
    }
    writer.Close();

    if (toFile) {
        const bool failed = std::ferror(f) != 0;
        closer.f = nullptr;
        if (std::fclose(f) != 0 || failed || output->Commit() < 0) {
            std::fprintf(err, "orvalis-log: could not write %s\n", outPath.c_str());
            return kExitUsage;
        }
        std::fprintf(out,
                     "%zu track positions, %" PRIu64 " sightings and %" PRIu64
                     " access points written to %s\n",
                     survey.Track().size(), sightings, placed, outPath.c_str());
    } else {
        std::fflush(out);
    }
    if (!run.bHeaderGood && run.nRecords == 0) {
        std::fprintf(err, "orvalis-log export: %s is not a packet log (no records found)\n",
                     path.c_str());
        return kExitDamaged;
    }
    if (survey.Track().empty()) {
        std::fprintf(err,
                     "orvalis-log export: %s has no GPS positions, so nothing could be placed "
                     "on a map\n",
                     path.c_str());
        return kExitDamaged;
    }
    if (run.nDamage != 0) {
        std::fprintf(err,
                     "orvalis-log: the log is damaged (%" PRIu64
                     " faults); what could be read was exported\n",
                     run.nDamage);
        return kExitDamaged;
    }
    return kExitOk;
}
