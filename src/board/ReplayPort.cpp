#include "board/ReplayPort.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>

#include "board/PacketFramer.h"

namespace {

void AppendEscaped(uint8_t byte, std::vector<uint8_t>& out) {
    out.push_back(byte);
    if (byte == CPacketFramer::kMarker) out.push_back(CPacketFramer::kEscape);
}

// The packet as the board put it on the line. The recorded payload already
// ends with its check byte, so it is framed as it stands.
void FrameRecorded(const LogRecord& record, std::vector<uint8_t>& out) {
    out.push_back(CPacketFramer::kMarker);
    out.push_back(CPacketFramer::kStart);
    AppendEscaped(record.nType, out);
    for (uint32_t i = 0; i < record.nLength; ++i) AppendEscaped(record.pPayload[i], out);
    out.push_back(CPacketFramer::kMarker);
    out.push_back(CPacketFramer::kEnd);
}

}  // namespace

CReplayPort::CReplayPort(double speed, TimeSource now)
    : m_dSpeed(speed > 0.0 ? speed : 0.0), m_now(std::move(now)) {}

namespace {

// A damaged header is forgiven when a record follows within this many bytes.
constexpr uint64_t kProbeBytes = 64 * 1024;

// Whether the file reads as a packet log: its header, or a good record near
// its start behind a damaged header.
bool LooksLikeLog(const std::string& path) {
    CLogReader probe;
    std::string error;
    if (probe.Open(path, error) < 0) return false;
    if (probe.Next() == CLogReader::Item::Problem && !probe.HeaderGood()) {
        return probe.Next() == CLogReader::Item::Record && probe.Record().nOffset <= kProbeBytes;
    }
    return true;
}

}  // namespace

int CReplayPort::Open(const std::string& path, std::string& error) {
    // Opening a FIFO or a device would wait for a writer: look first.
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) {
        error = std::strerror(errno);
        return -1;
    }
    if (!S_ISREG(st.st_mode)) {
        error = S_ISDIR(st.st_mode) ? "Is a directory" : "Not a regular file";
        return -1;
    }
    if (!LooksLikeLog(path)) {
        error = kNotALog;
        return -1;
    }
    if (m_reader.Open(path, error) < 0) return -1;
    m_bOpen = true;
    return 0;
}

void CReplayPort::OpenBytes(std::vector<uint8_t> bytes) {
    m_reader.OpenBytes(std::move(bytes));
    m_bOpen = true;
}

double CReplayPort::Now() const {
    if (m_now) return m_now();
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

void CReplayPort::LoadNextSecond() {
    m_group.clear();
    m_nGroupPos = 0;
    size_t count = 0;
    LogTime groupTime;
    if (m_bHaveAhead) {
        m_group.swap(m_aheadFramed);
        m_aheadFramed.clear();
        groupTime = m_aheadTime;
        m_bHaveAhead = false;
        m_pending.push_back(Pending{0.0, m_group.size()});
        count = 1;
    }
    const bool bContinues = m_bSecondCut;
    m_bSecondCut = false;
    while (!m_bEndOfLog) {
        const CLogReader::Item item = m_reader.Next();
        if (item == CLogReader::Item::End) {
            m_bEndOfLog = true;
            break;
        }
        if (item == CLogReader::Item::Problem) {
            if (m_reader.Problem().kind != LogProblem::Kind::BadHeader) ++m_nSkipped;
            continue;
        }
        const LogRecord& record = m_reader.Record();
        if (!record.bCheckGood) {
            ++m_nSkipped;
            continue;
        }
        const LogTime time = record.bTimeValid || count == 0 ? record.time : groupTime;
        const bool bFull = count >= kMaxSecondPackets || m_group.size() >= kMaxSecondBytes;
        if (count != 0 && (!(time == groupTime) || bFull)) {
            m_bHaveAhead = true;
            m_aheadTime = time;
            FrameRecorded(record, m_aheadFramed);
            m_bSecondCut = time == groupTime;
            break;
        }
        if (count == 0) groupTime = time;
        const size_t before = m_group.size();
        FrameRecorded(record, m_group);
        m_pending.push_back(Pending{0.0, m_group.size() - before});
        ++count;
    }
    if (count == 0) return;

    if (m_bHaveLastTime) {
        double gap = 0.0;
        if (bContinues) {
            gap = 1.0;
        } else if (groupTime.IsValid() && m_lastTime.IsValid()) {
            gap = static_cast<double>(groupTime.CalendarSeconds() - m_lastTime.CalendarSeconds());
        }
        m_dVirtualSecond += std::clamp(gap, 0.0, kMaxGapSeconds);
    }
    m_bHaveLastTime = true;
    m_lastTime = groupTime;
    const double n = static_cast<double>(count);
    for (size_t i = 0; i < count; ++i) {
        m_pending[i].dVirtual = m_dVirtualSecond + static_cast<double>(i) / n;
    }
    NotePeak();
}

void CReplayPort::Release() {
    // What the reader has taken is dropped, so the read-ahead never grows.
    if (m_nReadyPos != 0) {
        m_ready.erase(m_ready.begin(), m_ready.begin() + static_cast<std::ptrdiff_t>(m_nReadyPos));
        m_nReadyPos = 0;
    }
    const double now = Now();
    if (!m_bStarted) {
        m_bStarted = true;
        m_dStart = now;
    }
    const double elapsed = (now - m_dStart) * m_dSpeed;
    while (m_ready.size() < kMaxReady) {
        if (m_pending.empty()) {
            if (m_bEndOfLog && !m_bHaveAhead) break;
            LoadNextSecond();
            if (m_pending.empty()) break;
        }
        const Pending& next = m_pending.front();
        if (m_dSpeed > 0.0 && next.dVirtual > elapsed) break;
        const auto first = m_group.begin() + static_cast<std::ptrdiff_t>(m_nGroupPos);
        m_ready.insert(m_ready.end(), first, first + static_cast<std::ptrdiff_t>(next.nBytes));
        m_nGroupPos += next.nBytes;
        m_pending.pop_front();
        ++m_nReleased;
        NotePeak();
    }
}

size_t CReplayPort::BufferedBytes() const {
    return (m_ready.size() - m_nReadyPos) + (m_group.size() - m_nGroupPos) + m_aheadFramed.size();
}

void CReplayPort::NotePeak() {
    m_nPeakBuffered = std::max(m_nPeakBuffered, BufferedBytes());
}

int CReplayPort::BytesWaiting() {
    if (!m_bOpen) return 0;
    Release();
    return static_cast<int>(std::min<size_t>(m_ready.size() - m_nReadyPos, INT_MAX));
}

int CReplayPort::Read(uint8_t* buffer, int max) {
    if (!m_bOpen || buffer == nullptr || max < 0) return -1;
    const size_t n = std::min<size_t>(static_cast<size_t>(max), m_ready.size() - m_nReadyPos);
    if (n != 0) std::memcpy(buffer, m_ready.data() + m_nReadyPos, n);
    m_nReadyPos += n;
    return static_cast<int>(n);
}

int CReplayPort::Write(const uint8_t* buffer, int length) {
    if (!m_bOpen || (buffer == nullptr && length != 0) || length < 0) return -1;
    return length;
}
