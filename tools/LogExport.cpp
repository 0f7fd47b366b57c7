// export pcap, wigle and kml.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cinttypes>
#include <cmath>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <map>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "board/LogFormat.h"
#include "board/LogReader.h"
#include "board/Wire.h"
#include "platform/Latin1.h"
#include "tools/LogSurvey.h"
#include "tools/LogTool.h"
#include "tools/PcapWriter.h"

namespace {

// The export's output. A regular file (or a new name) is written to a
// temporary file in the same folder and renamed into place once it has been
// written and closed without error, so a failed export never leaves a half
// file under the final name and an existing file survives the failure. Any
// other file (a terminal, a pipe, /dev/full) cannot be replaced that way and
// is written directly, and so is the file the tool's standard output writes.
class COutput {
public:
    COutput() = default;
    ~COutput() { Abandon(); }
    COutput(const COutput&) = delete;
    COutput& operator=(const COutput&) = delete;

    // `out` is the tool's standard output: OUT naming the same file (as
    // /dev/stdout does) is written through it, at its position.
    int Open(const std::string& inPath, const std::string& outPath, std::FILE* out, std::FILE* err);
    // Flushes, closes and renames into place: 0, or -1 after saying why.
    int Commit(std::FILE* err);
    std::FILE* File() const { return m_pFile; }
    // Whether the export goes to the same file as `stream` (OUT named
    // /dev/stdout): the summary must then not go into the data.
    bool SameFileAs(std::FILE* stream) const;

private:
    int Fail(std::FILE* err, const char* what, int error);
    void Abandon();

    std::string m_outPath;  // as the user named it, for messages
    std::string m_target;   // the file renamed onto
    std::string m_temp;     // empty when writing directly
    std::FILE* m_pFile = nullptr;
    struct stat m_written {};
    // The descriptor under m_pFile and the first write error on it: stdio
    // only keeps a flag, and the reason is what the message needs.
    struct Sink {
        int fd = -1;
        int error = 0;
    } m_sink;
    static ssize_t SinkWrite(void* cookie, const char* data, size_t size);
    static int SinkClose(void* cookie);
};

ssize_t COutput::SinkWrite(void* cookie, const char* data, size_t size) {
    Sink& sink = *static_cast<Sink*>(cookie);
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(sink.fd, data + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (sink.error == 0) sink.error = n < 0 ? errno : EIO;
            return -1;
        }
        done += static_cast<size_t>(n);
    }
    return static_cast<ssize_t>(size);
}

int COutput::SinkClose(void* cookie) {
    Sink& sink = *static_cast<Sink*>(cookie);
    if (sink.fd < 0) return 0;
    const int rc = ::close(sink.fd);
    sink.fd = -1;
    if (rc != 0 && sink.error == 0) sink.error = errno;
    return rc;
}

int COutput::Fail(std::FILE* err, const char* what, int error) {
    std::fprintf(err, "orvalis-log: %s %s: %s\n", what, m_outPath.c_str(), std::strerror(error));
    return -1;
}

int COutput::Open(const std::string& inPath, const std::string& outPath, std::FILE* out,
                  std::FILE* err) {
    m_outPath = outPath;
    struct stat outStat {};
    const bool exists = ::stat(outPath.c_str(), &outStat) == 0;
    if (!exists && errno != ENOENT) return Fail(err, "cannot create", errno);
    struct stat inStat {};
    if (exists && ::stat(inPath.c_str(), &inStat) == 0 && inStat.st_dev == outStat.st_dev &&
        inStat.st_ino == outStat.st_ino) {
        std::fprintf(err,
                     "orvalis-log: %s is the log being exported (%s); choose another output "
                     "file\n",
                     outPath.c_str(), inPath.c_str());
        return -1;
    }
    if (exists && S_ISDIR(outStat.st_mode)) return Fail(err, "cannot create", EISDIR);

    int fd = -1;
    struct stat outStream {};
    if (exists && ::fstat(fileno(out), &outStream) == 0 && outStream.st_dev == outStat.st_dev &&
        outStream.st_ino == outStat.st_ino) {
        std::fflush(out);
        fd = ::fcntl(fileno(out), F_DUPFD_CLOEXEC, 0);
        if (fd < 0) return Fail(err, "cannot write", errno);
        m_target = outPath;
    } else if (exists && !S_ISREG(outStat.st_mode)) {
        // Without blocking, so that a FIFO nobody reads is refused rather
        // than waited on.
        fd = ::open(outPath.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0 && errno == ENXIO) {
            std::fprintf(err, "orvalis-log: cannot write %s: no process reads it\n",
                         outPath.c_str());
            return -1;
        }
        if (fd < 0) return Fail(err, "cannot write", errno);
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        m_target = outPath;
    } else {
        // Through a symbolic link the file it names is replaced, not the link.
        m_target = outPath;
        if (exists) {
            char* resolved = ::realpath(outPath.c_str(), nullptr);
            if (resolved == nullptr) return Fail(err, "cannot create", errno);
            m_target = resolved;
            std::free(resolved);
            // Replaced only where it could have been written over.
            if (::access(m_target.c_str(), W_OK) != 0) return Fail(err, "cannot write", errno);
        }
        const std::filesystem::path target(m_target);
        const std::filesystem::path folder =
            target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
        std::string temp = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
        fd = ::mkstemp(temp.data());
        if (fd < 0) return Fail(err, "cannot create a temporary file beside", errno);
        m_temp = temp;
        // The permissions a plain create would give, or the owner and
        // permissions of the file replaced (the owner only where allowed).
        mode_t mode = 0;
        if (exists) {
            mode = outStat.st_mode & 07777;
            if (::fchown(fd, outStat.st_uid, outStat.st_gid) != 0) {
                // Not permitted for others' files: the export is then ours.
            }
        } else {
            const mode_t mask = ::umask(0);
            ::umask(mask);
            mode = 0666 & ~mask;
        }
        ::fchmod(fd, mode);
    }
    ::fstat(fd, &m_written);
    m_sink = Sink{fd, 0};
    m_pFile = ::fopencookie(&m_sink, "wb", {nullptr, &SinkWrite, nullptr, &SinkClose});
    if (m_pFile == nullptr) {
        const int error = errno;
        SinkClose(&m_sink);
        Abandon();
        return Fail(err, "cannot create", error);
    }
    return 0;
}

int COutput::Commit(std::FILE* err) {
    const bool flushed = std::fflush(m_pFile) == 0 && std::ferror(m_pFile) == 0;
    if (!flushed && m_sink.error == 0) m_sink.error = EIO;
    // On disk before it takes the final name.
    if (m_sink.error == 0 && !m_temp.empty() && ::fsync(m_sink.fd) != 0) m_sink.error = errno;
    std::fclose(m_pFile);  // closes the descriptor; a failure lands in m_sink.error
    m_pFile = nullptr;
    int error = m_sink.error;
    if (error == 0 && !m_temp.empty() && ::rename(m_temp.c_str(), m_target.c_str()) != 0) {
        error = errno;
    }
    if (error != 0) {
        Abandon();
        return Fail(err, "could not write", error);
    }
    m_temp.clear();
    return 0;
}

bool COutput::SameFileAs(std::FILE* stream) const {
    struct stat st {};
    return m_written.st_ino != 0 && ::fstat(fileno(stream), &st) == 0 &&
           st.st_dev == m_written.st_dev && st.st_ino == m_written.st_ino;
}

void COutput::Abandon() {
    if (m_pFile != nullptr) std::fclose(m_pFile);
    m_pFile = nullptr;
    if (!m_temp.empty()) ::unlink(m_temp.c_str());
    m_temp.clear();
}

// Damage met on the way: structural problems from the reader and records
// with an impossible time, reported as verify reports them.
class CDamageReport {
public:
    explicit CDamageReport(std::FILE* err) : m_pErr(err) {}
    void Problem(const LogProblem& problem) { Line(problem.Describe()); }
    void ImpossibleTime(const LogRecord& r) {
        ++m_nBadTimes;
        Line("impossible time " + r.time.Format() + " in record at offset " +
             std::to_string(r.nOffset));
    }
    uint64_t BadTimes() const { return m_nBadTimes; }
    // After the walk: the lines left out, if any.
    void Close() {
        if (m_nLines > kMaxLines) {
            std::fprintf(m_pErr, "orvalis-log: ... %" PRIu64 " more\n", m_nLines - kMaxLines);
        }
    }

private:
    // A file wrecked throughout would print a line per record.
    static constexpr uint64_t kMaxLines = 1000;
    void Line(const std::string& text) {
        if (m_nLines++ < kMaxLines) std::fprintf(m_pErr, "orvalis-log: %s\n", text.c_str());
    }
    std::FILE* m_pErr;
    uint64_t m_nLines = 0;
    uint64_t m_nBadTimes = 0;
};

struct Files {
    CLogReader reader;
    COutput output;
};

int OpenFiles(Files& files, const std::string& path, const std::string& outPath, std::FILE* out,
              std::FILE* err) {
    std::string error;
    if (files.reader.Open(path, error) < 0) {
        std::fprintf(err, "orvalis-log: cannot open %s: %s\n", path.c_str(), error.c_str());
        return -1;
    }
    return files.output.Open(path, outPath, out, err);
}

// Closes the output; only then is the summary printed. `damage` counts the
// walk's damage apart from impossible times, which the report holds.
// `note` (if any) is a line for standard error beside the summary.
int Finish(Files& files, const std::string& summary, uint64_t damage, CDamageReport& report,
           std::FILE* out, std::FILE* err, const std::string& note = "") {
    report.Close();
    const bool intoOut = files.output.SameFileAs(out);
    if (files.output.Commit(err) < 0) return kExitUsage;
    std::fprintf(intoOut ? err : out, "%s\n", summary.c_str());
    if (!note.empty()) std::fprintf(err, "orvalis-log: %s\n", note.c_str());
    damage += report.BadTimes();
    if (damage != 0) {
        std::fprintf(err, "orvalis-log: the log is damaged (%s); what could be read was exported\n",
                     Counted(damage, "fault", "faults").c_str());
        return kExitDamaged;
    }
    return kExitOk;
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
    if (OpenFiles(files, path, outPath, out, err) < 0) return kExitUsage;
    CDamageReport report(err);
    CPcapWriter pcap(files.output.File());
    pcap.WriteHeader();
    uint64_t frames = 0, empty = 0, untimed = 0;
    bool haveWhen = false;
    LogTime whenFor;
    std::time_t when = 0;
    CLogSurvey survey;
    const uint64_t damage = survey.Run(
        files.reader,
        [&](const SurveyStep& step) {
            const LogRecord& r = *step.pRecord;
            if (!r.bTimeValid) report.ImpossibleTime(r);
            if (!r.bCheckGood || !PacketType::IsCapture(r.nType) || r.nLength == 0) return;
            CaptureView capture;
            if (!CaptureView::Read(r.pPayload, r.nLength - 1, capture)) return;
            // The 802.11 frame starts at its frame-control field.
            if (capture.length <= CaptureHeader::kFrameControl) {
                ++empty;
                return;
            }
            // Every pcap record carries a time; a frame without a real one
            // is left out rather than given a made-up time.
            if (!r.bTimeValid) {
                ++untimed;
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
                when = r.time.ToEpochAsLocal();
            }
            pcap.WriteFrame(static_cast<int64_t>(when), 0, radio, frame, frameLength);
            ++frames;
        },
        [&](const LogProblem& p) { report.Problem(p); });
    pcap.Flush();
    std::string summary = Counted(frames, "frame", "frames") + " written to " + outPath;
    if (empty != 0) {
        summary += " (" + Counted(empty, "capture", "captures") + " without frame bytes left out)";
    }
    if (untimed != 0) {
        summary +=
            " (" + Counted(untimed, "frame", "frames") + " with an impossible time left out)";
    }
    return Finish(files, summary, damage, report, out, err);
}

namespace {

// The strongest sighting of one access point in one fix interval.
struct WigleRow {
    ApSighting ap;
    LogTime time;
    bool bTimeValid = false;
    SurveyFix fix;
};

std::string WigleLine(const WigleRow& row) {
    const ApSighting& ap = row.ap;
    char pos[96];
    std::snprintf(pos, sizeof(pos), "%.7f,%.7f,%.1f", row.fix.dLatitude, row.fix.dLongitude,
                  row.fix.dAltitudeM);
    return ColonMac(ap.mac) + "," + CsvField(ap.ssid) + "," +
           (ap.bPrivacy ? "[WEP][ESS]" : "[ESS]") + "," +
           (row.bTimeValid ? row.time.Format() : std::string()) + "," +
           std::to_string(ap.nChannel) + "," +
           std::to_string(CLogFormat::ChannelFrequency(ap.nChannel)) + "," +
           std::to_string(ap.nRssi) + "," + pos + ",,,,WIFI\n";
}

}  // namespace

int RunExportWigle(const std::string& path, const std::string& outPath, std::FILE* out,
                   std::FILE* err) {
    Files files;
    if (OpenFiles(files, path, outPath, out, err) < 0) return kExitUsage;
    CDamageReport report(err);
    std::FILE* f = files.output.File();
    std::fputs(
        "WigleWifi-1.6,appRelease=orvalis-log,model=Orvalis,release=4.00,device=orvalis,"
        "display=orvalis,board=orvalis,brand=Orvalis,star=Sol,body=3,subBody=0\n"
        "MAC,SSID,AuthMode,FirstSeen,Channel,Frequency,RSSI,CurrentLatitude,CurrentLongitude,"
        "AltitudeMeters,AccuracyMeters,RCOIs,MfgrId,Type\n",
        f);
    // The rows of the current fix interval, in the order the access points
    // were first heard in it; written when the interval ends.
    std::vector<WigleRow> rows;
    std::unordered_map<std::string, size_t> rowOf;
    std::unordered_set<std::string> aps;
    uint64_t written = 0, unplaced = 0;
    auto flush = [&] {
        for (const WigleRow& row : rows) std::fputs(WigleLine(row).c_str(), f);
        written += rows.size();
        rows.clear();
        rowOf.clear();
    };
    CLogSurvey survey;
    const uint64_t damage = survey.Run(
        files.reader,
        [&](const SurveyStep& step) {
            const LogRecord& r = *step.pRecord;
            if (!r.bTimeValid) report.ImpossibleTime(r);
            if (step.bGpsMessage) flush();
            if (!step.ap.bPresent) return;
            if (step.nFix == 0) {
                ++unplaced;
                return;
            }
            const WigleRow sighting{step.ap, r.time, r.bTimeValid, step.fix};
            const auto [at, inserted] = rowOf.try_emplace(step.ap.mac, rows.size());
            if (inserted) {
                rows.push_back(sighting);
                aps.insert(step.ap.mac);
                return;
            }
            WigleRow& row = rows[at->second];
            if (sighting.ap.nRssi > row.ap.nRssi) row = sighting;
            // The name as last announced, even when a weaker frame announced it.
            if (!sighting.ap.ssid.empty()) row.ap.ssid = sighting.ap.ssid;
        },
        [&](const LogProblem& p) { report.Problem(p); });
    flush();
    const std::string summary = Counted(written, "row", "rows") + " (" +
                                Counted(aps.size(), "access point", "access points") +
                                ") written to " + outPath;
    return Finish(files, summary, damage, report, out, err,
                  Counted(unplaced, "sighting", "sightings") +
                      " of access points without a GPS fix left out");
}

int RunExportKml(const std::string& path, const std::string& outPath, std::FILE* out,
                 std::FILE* err) {
    Files files;
    if (OpenFiles(files, path, outPath, out, err) < 0) return kExitUsage;
    CDamageReport report(err);

    struct Best {
        ApSighting ap;
        SurveyFix fix;
        std::string time;  // empty when the record's time is impossible
        size_t order = 0;
    };
    std::map<std::string, Best> best;
    std::vector<std::string> track;
    CLogSurvey survey;
    const uint64_t damage = survey.Run(
        files.reader,
        [&](const SurveyStep& step) {
            const LogRecord& r = *step.pRecord;
            if (!r.bTimeValid) report.ImpossibleTime(r);
            if (step.bGpsMessage && step.fix.bValid) {
                std::string point = Coordinate(step.fix);
                if (track.empty() || track.back() != point) track.push_back(std::move(point));
            }
            if (!step.ap.bPresent || !step.fix.bValid) return;
            auto [it, inserted] = best.try_emplace(step.ap.mac);
            if (inserted || step.ap.nRssi > it->second.ap.nRssi) {
                const size_t order = inserted ? best.size() : it->second.order;
                it->second =
                    Best{step.ap, step.fix, r.bTimeValid ? r.time.Format() : std::string(), order};
            }
            if (!step.ap.ssid.empty()) it->second.ap.ssid = step.ap.ssid;
        },
        [&](const LogProblem& p) { report.Problem(p); });

    std::FILE* f = files.output.File();
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
        const std::string when = b->time.empty() ? std::string() : ", strongest at " + b->time;
        std::fprintf(f,
                     "<Placemark><name>%s</name><styleUrl>#%s</styleUrl>\n"
                     "<description>MAC %s, channel %d, RSSI %d dBm, %s%s</description>\n"
                     "<Point><coordinates>%s</coordinates></Point></Placemark>\n",
                     XmlText(name).c_str(), ap.bPrivacy ? "private" : "open", ap.mac.c_str(),
                     ap.nChannel, ap.nRssi, ap.bPrivacy ? "privacy required" : "open", when.c_str(),
                     Coordinate(b->fix).c_str());
    }
    std::fputs("</Document>\n</kml>\n", f);
    const std::string summary = Counted(track.size(), "track point", "track points") + " and " +
                                Counted(best.size(), "access point", "access points") +
                                " written to " + outPath;
    return Finish(files, summary, damage, report, out, err);
}
