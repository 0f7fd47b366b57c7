// export pcap, wigle and kml.

#include <cinttypes>
#include <cmath>
#include <cstring>
#include <ctime>
#include <map>
#include <string>
#include <vector>

#include "board/LogFormat.h"
#include "board/LogReader.h"
#include "board/Wire.h"
#include "platform/Latin1.h"
#include "tools/LogSurvey.h"
#include "tools/LogTool.h"
#include "tools/PcapWriter.h"

namespace {

struct Files {
    CLogReader reader;
    std::FILE* out = nullptr;
    ~Files() {
        if (out != nullptr) std::fclose(out);
    }
};

int OpenFiles(Files& files, const std::string& path, const std::string& outPath, std::FILE* err) {
    std::string error;
    if (files.reader.Open(path, error) < 0) {
        std::fprintf(err, "orvalis-log: cannot open %s: %s\n", path.c_str(), error.c_str());
        return -1;
    }
    files.out = std::fopen(outPath.c_str(), "wb");
    if (files.out == nullptr) {
        std::fprintf(err, "orvalis-log: cannot create %s: %s\n", outPath.c_str(),
                     std::strerror(errno));
        return -1;
    }
    return 0;
}

int Finish(Files& files, const std::string& outPath, uint64_t damage, std::FILE* err) {
    const bool writeFailed = std::ferror(files.out) != 0;
    const bool closeFailed = std::fclose(files.out) != 0;
    files.out = nullptr;
    if (writeFailed || closeFailed) {
        std::fprintf(err, "orvalis-log: could not write %s\n", outPath.c_str());
        return kExitUsage;
    }
    if (damage != 0) {
        std::fprintf(err,
                     "orvalis-log: the log is damaged (%" PRIu64
                     " faults); what could be read was exported\n",
                     damage);
        return kExitDamaged;
    }
    return kExitOk;
}

void ReportProblem(const LogProblem& problem, std::FILE* err) {
    std::fprintf(err, "orvalis-log: %s\n", problem.Describe().c_str());
}

// "00-11-22-AA-BB-CC" as "00:11:22:aa:bb:cc".
std::string ColonMac(const std::string& mac) {
    std::string out = mac;
    for (char& c : out) {
        if (c == '-') c = ':';
        if (c >= 'A' && c <= 'F') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

// A CSV field: quoted when it holds a comma, quote or line break; bytes above
// 0x7F are taken as Latin-1 and written as UTF-8.
std::string CsvField(const std::string& text) {
    std::string utf8;
    bool quote = false;
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (b == ',' || b == '"' || b == '\n' || b == '\r') quote = true;
        if (b == '"') utf8.push_back('"');
        if (b >= 0x80) {
            AppendLatin1AsUtf8(utf8, b);
        } else if (b < 0x20 && b != '\n' && b != '\r') {
            utf8.push_back('?');
        } else {
            utf8.push_back(c);
        }
    }
    return quote ? "\"" + utf8 + "\"" : utf8;
}

std::string XmlText(const std::string& text) {
    std::string out;
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                if (b >= 0x80) {
                    AppendLatin1AsUtf8(out, b);
                } else if (b < 0x20) {
                    out.push_back('?');
                } else {
                    out.push_back(c);
                }
        }
    }
    return out;
}

std::string Coordinate(const SurveyFix& fix) {
    char text[96];
    std::snprintf(text, sizeof(text), "%.7f,%.7f,%.1f", fix.dLongitude, fix.dLatitude,
                  fix.dAltitudeM);
    return text;
}

}  // namespace

int RunExportPcap(const std::string& path, const std::string& outPath, std::FILE* out,
                  std::FILE* err) {
    Files files;
    if (OpenFiles(files, path, outPath, err) < 0) return kExitUsage;
    CPcapWriter pcap(files.out);
    pcap.WriteHeader();
    uint64_t frames = 0, empty = 0;
    bool haveWhen = false;
    LogTime whenFor;
    std::time_t when = 0;
    CLogSurvey survey;
    const uint64_t damage = survey.Run(
        files.reader,
        [&](const SurveyStep& step) {
            const LogRecord& r = *step.pRecord;
            if (!r.bCheckGood || !PacketType::IsCapture(r.nType) || r.nLength == 0) return;
            CaptureView capture;
            if (!CaptureView::Read(r.pPayload, r.nLength - 1, capture)) return;
            // The 802.11 frame starts at its frame-control field.
            if (capture.length <= CaptureHeader::kFrameControl) {
                ++empty;
                return;
            }
            const uint8_t* frame = capture.capture + CaptureHeader::kFrameControl;
            const uint32_t frameLength = capture.length - CaptureHeader::kFrameControl;
            RadioInfo radio;
            radio.bBadFcs = capture.validFlag == 0;
            radio.nRate500k = CPcapWriter::RateIn500k(capture.capture[CaptureHeader::kRate]);
            radio.nFrequency = CLogFormat::ChannelFrequency(step.nChannel);
            radio.nSignalDbm = capture.rssi;
            // The local-time conversion consults the time zone each call;
            // records come in runs of the same second.
            if (!haveWhen || !(r.time == whenFor)) {
                haveWhen = true;
                whenFor = r.time;
                when = r.bTimeValid ? r.time.ToEpochAsLocal() : 0;
            }
            pcap.WriteFrame(static_cast<int64_t>(when), 0, radio, frame, frameLength);
            ++frames;
        },
        [&](const LogProblem& p) { ReportProblem(p, err); });
    pcap.Flush();
    std::fprintf(out, "%" PRIu64 " frames written to %s", frames, outPath.c_str());
    if (empty != 0)
        std::fprintf(out, " (%" PRIu64 " captures without frame bytes left out)", empty);
    std::fprintf(out, "\n");
    return Finish(files, outPath, damage, err);
}

int RunExportWigle(const std::string& path, const std::string& outPath, std::FILE* out,
                   std::FILE* err) {
    Files files;
    if (OpenFiles(files, path, outPath, err) < 0) return kExitUsage;
    std::fputs(
        "WigleWifi-1.6,appRelease=orvalis-log,model=Orvalis,release=4.00,device=orvalis,"
        "display=orvalis,board=orvalis,brand=Orvalis,star=Sol,body=3,subBody=0\n"
        "MAC,SSID,AuthMode,FirstSeen,Channel,Frequency,RSSI,CurrentLatitude,CurrentLongitude,"
        "AltitudeMeters,AccuracyMeters,RCOIs,MfgrId,Type\n",
        files.out);
    uint64_t rows = 0;
    CLogSurvey survey;
    const uint64_t damage = survey.Run(
        files.reader,
        [&](const SurveyStep& step) {
            if (!step.ap.bPresent || !step.ap.bFirst) return;
            const ApSighting& ap = step.ap;
            std::string row = ColonMac(ap.mac) + "," + CsvField(ap.ssid) + "," +
                              (ap.bPrivacy ? "[WEP][ESS]" : "[ESS]") + "," +
                              step.pRecord->time.Format() + "," + std::to_string(ap.nChannel) +
                              "," + std::to_string(CLogFormat::ChannelFrequency(ap.nChannel)) +
                              "," + std::to_string(ap.nRssi) + ",";
            if (step.fix.bValid) {
                char pos[96];
                std::snprintf(pos, sizeof(pos), "%.7f,%.7f,%.1f,", step.fix.dLatitude,
                              step.fix.dLongitude, step.fix.dAltitudeM);
                row += pos;
            } else {
                row += ",,,";
            }
            row += ",,,WIFI\n";
            std::fputs(row.c_str(), files.out);
            ++rows;
        },
        [&](const LogProblem& p) { ReportProblem(p, err); });
    std::fprintf(out, "%" PRIu64 " access points written to %s\n", rows, outPath.c_str());
    return Finish(files, outPath, damage, err);
}

int RunExportKml(const std::string& path, const std::string& outPath, std::FILE* out,
                 std::FILE* err) {
    Files files;
    if (OpenFiles(files, path, outPath, err) < 0) return kExitUsage;

    struct Best {
        ApSighting ap;
        SurveyFix fix;
        std::string time;
        size_t order = 0;
    };
    std::map<std::string, Best> best;
    std::vector<std::string> track;
    CLogSurvey survey;
    const uint64_t damage = survey.Run(
        files.reader,
        [&](const SurveyStep& step) {
            if (step.bGpsMessage && step.fix.bValid) {
                std::string point = Coordinate(step.fix);
                if (track.empty() || track.back() != point) track.push_back(std::move(point));
            }
            if (!step.ap.bPresent || !step.fix.bValid) return;
            auto [it, inserted] = best.try_emplace(step.ap.mac);
            if (inserted || step.ap.nRssi > it->second.ap.nRssi) {
                const size_t order = inserted ? best.size() : it->second.order;
                it->second = Best{step.ap, step.fix, step.pRecord->time.Format(), order};
            }
        },
        [&](const LogProblem& p) { ReportProblem(p, err); });

    std::FILE* f = files.out;
    std::fputs(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<kml xmlns=\"http://www.opengis.net/kml/2.2\">\n<Document>\n",
        f);
    std::fprintf(f, "<name>%s</name>\n", XmlText(path).c_str());
    std::fputs(
        "<Style id=\"track\"><LineStyle><color>ff0000ff</color><width>3</width></LineStyle>"
        "</Style>\n"
        "<Style id=\"open\"><IconStyle><color>ff00ff00</color></IconStyle></Style>\n"
        "<Style id=\"private\"><IconStyle><color>ff0000ff</color></IconStyle></Style>\n",
        f);
    if (!track.empty()) {
        std::fputs("<Placemark><name>GPS track</name><styleUrl>#track</styleUrl>\n", f);
        // A single fix is a point, not a line.
        if (track.size() == 1) {
            std::fprintf(f, "<Point><coordinates>%s</coordinates></Point>\n", track[0].c_str());
        } else {
            std::fputs(
                "<LineString><tessellate>1</tessellate><altitudeMode>clampToGround"
                "</altitudeMode><coordinates>\n",
                f);
            for (const std::string& p : track) std::fprintf(f, "%s\n", p.c_str());
            std::fputs("</coordinates></LineString>\n", f);
        }
        std::fputs("</Placemark>\n", f);
    }
    std::vector<const Best*> ordered(best.size());
    for (const auto& [mac, b] : best) ordered[b.order - 1] = &b;
    for (const Best* b : ordered) {
        const ApSighting& ap = b->ap;
        const std::string name = ap.ssid.empty() ? ap.mac : ap.ssid;
        std::fprintf(f,
                     "<Placemark><name>%s</name><styleUrl>#%s</styleUrl>\n"
                     "<description>MAC %s, channel %d, RSSI %d dBm, %s, strongest at %s"
                     "</description>\n"
                     "<Point><coordinates>%s</coordinates></Point></Placemark>\n",
                     XmlText(name).c_str(), ap.bPrivacy ? "private" : "open", ap.mac.c_str(),
                     ap.nChannel, ap.nRssi, ap.bPrivacy ? "privacy required" : "open",
                     b->time.c_str(), Coordinate(b->fix).c_str());
    }
    std::fputs("</Document>\n</kml>\n", f);
    std::fprintf(out, "%zu track points and %zu access points written to %s\n", track.size(),
                 best.size(), outPath.c_str());
    return Finish(files, outPath, damage, err);
}
