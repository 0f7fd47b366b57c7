#include "board/ReplayPort.h"

#include <algorithm>
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
std::vector<uint8_t> FrameRecorded(const LogRecord& record) {
    std::vector<uint8_t> out;
    out.reserve(record.nLength + record.nLength / 16 + 8);
    out.push_back(CPacketFramer::kMarker);
    out.push_back(CPacketFramer::kStart);
    AppendEscaped(record.nType, out);
    for (uint32_t i = 0; i < record.nLength; ++i) AppendEscaped(record.pPayload[i], out);
    out.push_back(CPacketFramer::kMarker);
    out.push_back(CPacketFramer::kEnd);
    return out;
}

}  // namespace

CReplayPort::CReplayPort(double speed, TimeSource now)
    : m_dSpeed(speed > 0.0 ? speed : 0.0), m_now(std::move(now)) {}

int CReplayPort::Open(const std::string& path, std::string& error) {
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
    std::vector<std::vector<uint8_t>> group;
    LogTime groupTime;
    if (m_bHaveAhead) {
        group.push_back(std::move(m_aheadFramed));
        groupTime = m_aheadTime;
        m_bHaveAhead = false;
    }
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
        // A record whose time cannot be read keeps to the second before it.
        const LogTime time = record.bTimeValid || group.empty() ? record.time : groupTime;
        if (group.empty()) {
            groupTime = time;
        } else if (!(time == groupTime)) {
            m_bHaveAhead = true;
            m_aheadTime = time;
            m_aheadFramed = FrameRecorded(record);
            break;
        }
        group.push_back(FrameRecorded(record));
    }
    if (group.empty()) return;

    if (m_bHaveLastTime) {
        double gap = 0.0;
        if (groupTime.IsValid() && m_lastTime.IsValid()) {
            gap = static_cast<double>(groupTime.CalendarSeconds() - m_lastTime.CalendarSeconds());
        }
        m_dVirtualSecond += std::clamp(gap, 0.0, kMaxGapSeconds);
    }
    m_bHaveLastTime = true;
    m_lastTime = groupTime;
    const double count = static_cast<double>(group.size());
    for (size_t i = 0; i < group.size(); ++i) {
        m_pending.push_back(
            Pending{m_dVirtualSecond + static_cast<double>(i) / count, std::move(group[i])});
    }
}

void CReplayPort::Release() {
    if (m_nReadyPos == m_ready.size()) {
        m_ready.clear();
        m_nReadyPos = 0;
    }
    const double now = Now();
    if (!m_bStarted) {
        m_bStarted = true;
        m_dStart = now;
    }
    const double elapsed = (now - m_dStart) * m_dSpeed;
    while (m_ready.size() - m_nReadyPos < kMaxReady) {
        if (m_pending.empty()) {
            if (m_bEndOfLog && !m_bHaveAhead) break;
            LoadNextSecond();
            if (m_pending.empty()) break;
        }
        Pending& next = m_pending.front();
        if (m_dSpeed > 0.0 && next.dVirtual > elapsed) break;
        m_ready.insert(m_ready.end(), next.framed.begin(), next.framed.end());
        m_pending.pop_front();
        ++m_nReleased;
    }
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
