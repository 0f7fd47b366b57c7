#include "tools/SurveyReport.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "board/Wire.h"
#include "platform/Bytes.h"
#include "platform/Latin1.h"

namespace {

// Inside a management frame's capture (rate byte first): the information
// elements behind the fixed fields.
constexpr uint32_t kElementsOffset = 40;
constexpr uint8_t kElementSsid = 0;
constexpr size_t kSsidMaxLength = 32;

constexpr int kSubtypeBeacon = 8;
constexpr int kSubtypeProbeResponse = 5;

// A noise report: the level (signed 16 bits) and the channel it belongs to.
constexpr uint32_t kNoiseReportLength = 3;

FrameKind KindOf(uint8_t frameControl) {
    const int type = (frameControl >> 2) & 3;
    const int subtype = frameControl >> 4;
    switch (type) {
        case 0:
            if (subtype == kSubtypeBeacon) return FrameKind::Beacon;
            if (subtype == kSubtypeProbeResponse) return FrameKind::ProbeResponse;
            return FrameKind::Management;
        case 1:
            return FrameKind::Control;
        case 2:
            return FrameKind::Data;
        default:
            return FrameKind::Reserved;
    }
}

bool IsChannel(int channel) {
    return channel >= 1 && channel < kReportChannels;
}

}  // namespace

int ApSummary::MainChannel() const {
    int best = 0;
    for (int c = 1; c < kReportChannels; ++c)
        if (anChannelSightings[c] > anChannelSightings[best]) best = c;
    return best;
}

std::string ApSummary::ChannelList() const {
    std::string text;
    for (int c = 1; c < kReportChannels; ++c) {
        if (anChannelSightings[c] == 0) continue;
        if (!text.empty()) text.push_back(',');
        text += std::to_string(c);
    }
    return text;
}

const char* FrameKindName(FrameKind kind) {
    switch (kind) {
        case FrameKind::Beacon:
            return "beacons";
        case FrameKind::ProbeResponse:
            return "probe responses";
        case FrameKind::Management:
            return "other management";
        case FrameKind::Control:
            return "control";
        case FrameKind::Data:
            return "data";
        default:
            return "reserved";
    }
}

uint64_t ChannelSummary::Frames() const {
    uint64_t total = 0;
    for (const uint64_t n : anFrames) total += n;
    return total;
}

int ChannelSummary::BusiestRate() const {
    int best = -1;
    uint64_t most = 0;
    for (int r = 0; r < 256; ++r) {
        if (anRateFrames[r] > most) {
            most = anRateFrames[r];
            best = r;
        }
    }
    return best;
}

std::string RateText(int rateByte) {
    char text[32];
    if (rateByte % 10 == 0) {
        std::snprintf(text, sizeof text, "%d Mbit/s", rateByte / 10);
    } else {
        std::snprintf(text, sizeof text, "%d.%d Mbit/s", rateByte / 10, rateByte % 10);
    }
    return text;
}

void AppendJsonString(std::string& out, std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    out.push_back('"');
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (b == '"' || b == '\\') {
            out.push_back('\\');
            out.push_back(c);
        } else if (b < 0x20 || b == 0x7F) {
            out += "\\u00";
            out.push_back(kHex[b >> 4]);
            out.push_back(kHex[b & 15]);
        } else {
            AppendLatin1AsUtf8(out, b);
        }
    }
    out.push_back('"');
}

std::string BeaconSsid(const uint8_t* capture, uint32_t length) {
    if (capture == nullptr || length <= kElementsOffset) return {};
    const uint8_t* elements = capture + kElementsOffset;
    const uint32_t end = length - kElementsOffset;
    // An element whose value would run past the capture ends the walk.
    for (uint32_t p = 0; p + 2 <= end && p + 2 + elements[p + 1] <= end;
         p += 2u + elements[p + 1]) {
        if (elements[p] != kElementSsid) continue;
        const size_t size = std::min<size_t>(elements[p + 1], kSsidMaxLength);
        const char* value = reinterpret_cast<const char*>(elements + p + 2);
        // A hidden network sends NULs in place of its name.
        return std::string(value, strnlen(value, size));
    }
    return {};
}

void CSurveyCollector::Take(const SurveyStep& step) {
    const LogRecord& record = *step.pRecord;
    ++m_nRecords;
    if (record.bTimeValid) {
        if (!m_bHasTime) m_firstTime = record.time;
        m_bHasTime = true;
        m_lastTime = record.time;
    }
    if (step.bGpsMessage && step.fix.bValid) {
        const SurveyFix& fix = step.fix;
        if (m_track.empty() || m_track.back().dLatitude != fix.dLatitude ||
            m_track.back().dLongitude != fix.dLongitude)
            m_track.push_back(fix);
    }
    // The program drops packets with a bad check byte; so does the report.
    if (!record.bCheckGood || record.nLength == 0) return;
    const uint32_t length = record.nLength - 1;

    if (record.nType == PacketType::kChannelValue && length >= kNoiseReportLength) {
        const int channel = record.pPayload[2];
        if (IsChannel(channel)) {
            ChannelSummary& c = m_channels[static_cast<size_t>(channel)];
            c.nNoiseSum += static_cast<int16_t>(ReadLe16(record.pPayload));
            ++c.nNoiseReports;
        }
        return;
    }
    CaptureView capture;
    if (!PacketType::IsCapture(record.nType) ||
        !CaptureView::Read(record.pPayload, length, capture)) {
        return;
    }
    // A capture without its frame-control byte cannot be classified.
    if (capture.length <= CaptureHeader::kFrameControl) return;
    const FrameKind kind = KindOf(capture.capture[CaptureHeader::kFrameControl]);
    if (IsChannel(step.nChannel)) {
        ChannelSummary& c = m_channels[static_cast<size_t>(step.nChannel)];
        ++c.anFrames[static_cast<size_t>(kind)];
        ++c.anRateFrames[capture.capture[CaptureHeader::kRate]];
    }

    if (!step.ap.bPresent) return;
    const ApSighting& sighting = step.ap;
    auto [it, inserted] = m_index.try_emplace(sighting.mac, m_aps.size());
    if (inserted) {
        m_aps.emplace_back();
        m_aps.back().mac = sighting.mac;
    }
    ApSummary& ap = m_aps[it->second];
    if (ap.nSightings == 0) {
        ap.firstSeen = record.time;
        ap.nMinRssi = ap.nMaxRssi = sighting.nRssi;
    }
    ap.lastSeen = record.time;
    ++ap.nSightings;
    ap.nMinRssi = std::min(ap.nMinRssi, sighting.nRssi);
    ap.nMaxRssi = std::max(ap.nMaxRssi, sighting.nRssi);
    ap.nRssiSum += sighting.nRssi;
    ap.bPrivacy = sighting.bPrivacy;
    if (IsChannel(sighting.nChannel)) ++ap.anChannelSightings[sighting.nChannel];
    // The name comes from the access point's own announcements, whatever
    // frame first put it in the station table.
    if ((kind == FrameKind::Beacon || kind == FrameKind::ProbeResponse) && capture.validFlag) {
        std::string ssid = BeaconSsid(capture.capture, capture.length);
        if (!ssid.empty()) ap.ssid = std::move(ssid);
    }
    if (step.fix.bValid && (!ap.bHasStrongest || sighting.nRssi > ap.nStrongestRssi)) {
        ap.bHasStrongest = true;
        ap.strongestFix = step.fix;
        ap.nStrongestRssi = sighting.nRssi;
        ap.strongestTime = record.time;
    }
}

void CSurveyCollector::Finish() {
    for (ChannelSummary& c : m_channels) c.nAccessPoints = 0;
    for (const ApSummary& ap : m_aps)
        ++m_channels[static_cast<size_t>(ap.MainChannel())].nAccessPoints;
}

const ApSummary* CSurveyCollector::Find(const std::string& mac) const {
    const auto it = m_index.find(mac);
    return it == m_index.end() ? nullptr : &m_aps[it->second];
}

CProgress::CProgress(std::FILE* err, std::string path, uint64_t totalBytes,
                     std::chrono::milliseconds quiet)
    : m_pErr(err),
      m_strPath(std::move(path)),
      m_nTotal(totalBytes),
      m_quiet(quiet),
      m_start(std::chrono::steady_clock::now()) {}

void CProgress::Check(uint64_t offset) {
    const auto now = std::chrono::steady_clock::now();
    if (now - m_start < m_quiet) return;
    if (m_bShown && now - m_lastShown < std::chrono::milliseconds(250)) return;
    const unsigned percent =
        m_nTotal == 0
            ? 100u
            : static_cast<unsigned>(std::min<uint64_t>(offset, m_nTotal) * 100 / m_nTotal);
    std::fprintf(m_pErr, "\rorvalis-log: reading %s ... %u%%", m_strPath.c_str(), percent);
    std::fflush(m_pErr);
    m_bShown = true;
    m_lastShown = now;
}

void CProgress::Done() {
    if (!m_bShown) return;
    std::fprintf(m_pErr, "\rorvalis-log: reading %s ... 100%%\n", m_strPath.c_str());
    std::fflush(m_pErr);
    m_bShown = false;
}

int RunSurveyOf(const std::string& path, std::FILE* err, const CLogSurvey::StepFn& onStep,
                SurveyRunResult& result) {
    CLogReader reader;
    std::string error;
    if (reader.Open(path, error) < 0) {
        std::fprintf(err, "orvalis-log: cannot open %s: %s\n", path.c_str(), error.c_str());
        return -1;
    }
    CProgress progress(err, path, reader.FileSize());
    CLogSurvey survey;
    result = SurveyRunResult{};
    result.nDamage = survey.Run(
        reader,
        [&](const SurveyStep& step) {
            ++result.nRecords;
            progress.Update(step.pRecord->nOffset);
            onStep(step);
        },
        [&](const LogProblem& problem) {
            progress.Done();
            std::fprintf(err, "orvalis-log: %s\n", problem.Describe().c_str());
        });
    progress.Done();
    result.bHeaderGood = reader.HeaderGood();
    return 0;
}

bool SameFile(const std::string& a, const std::string& b) {
    struct stat sa {};
    struct stat sb {};
    if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0) return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

CAtomicOutput::CAtomicOutput(std::string path)
    : m_strPath(std::move(path)),
      m_strTemp(m_strPath + ".tmp-" + std::to_string(static_cast<long>(::getpid()))) {}

CAtomicOutput::~CAtomicOutput() {
    if (!m_bCommitted) std::remove(m_strTemp.c_str());
}

int CAtomicOutput::Commit() {
    if (std::rename(m_strTemp.c_str(), m_strPath.c_str()) != 0) return -1;
    m_bCommitted = true;
    return 0;
}
