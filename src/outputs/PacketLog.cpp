#include "outputs/PacketLog.h"

#include <cstring>

#include "platform/Clock.h"
#include "ui/MessageBox.h"

namespace {

constexpr size_t kEntryHeader = 1 + sizeof(uint32_t);
constexpr const char* kCaption = "Orvalis";

// Number of packets in a queue image (type, length, payload entries) from
// the entry at `at` on.
uint64_t CountEntries(const std::vector<uint8_t>& queue, size_t at = 0) {
    uint64_t count = 0;
    while (at + kEntryHeader <= queue.size()) {
        uint32_t length = 0;
        std::memcpy(&length, queue.data() + at + 1, sizeof(length));
        at += kEntryHeader + length;
        ++count;
    }
    return count;
}

}  // namespace

CPacketLog::CPacketLog(std::string path, MessageFn showMessage)
    : m_strPath(std::move(path)), m_showMessage(std::move(showMessage)) {
    if (!m_showMessage) {
        m_showMessage = [](std::string_view text) { CMessageBox::Show(kCaption, text); };
    }
}

CPacketLog::~CPacketLog() {
    Close();
}

int CPacketLog::Open() {
    std::string error;
    if (m_writer.Open(m_strPath, error) < 0) {
        // The reason is cut as the platform's description would be.
        if (error.size() > 1024) error.resize(1024);
        m_showMessage("Could not open file (" + error + ")\n" + m_strPath);
        return -1;
    }
    return 0;
}

void CPacketLog::Close() {
    if (!m_writer.IsOpen()) return;
    if (!Failed()) WriteRecord();
    m_writer.Close();
}

void CPacketLog::StagePacket(uint8_t type, const uint8_t* payload, uint32_t length) {
    std::lock_guard<std::mutex> lock(m_queueMutex);
    if (length > CLogFormat::kMaxPayload || (payload == nullptr && length != 0) ||
        m_queue.size() + kEntryHeader + length > kQueueBytes) {
        ++m_nDropped;
        return;
    }
    if (m_queue.capacity() == 0) m_queue.reserve(kQueueBytes);
    const size_t at = m_queue.size();
    m_queue.resize(at + kEntryHeader + length);
    m_queue[at] = type;
    std::memcpy(m_queue.data() + at + 1, &length, sizeof(length));
    if (length != 0) std::memcpy(m_queue.data() + at + kEntryHeader, payload, length);
}

int CPacketLog::WriteRecord() {
    if (!m_writer.IsOpen()) return -1;
    {
        std::lock_guard<std::mutex> lock(m_queueMutex);
        m_writing.clear();
        m_writing.swap(m_queue);
        if (Failed()) {
            // Staged after the failure, before the owner stopped staging.
            m_nDropped += CountEntries(m_writing);
            return -1;
        }
    }
    int written = 0;
    size_t at = 0;
    while (at + kEntryHeader <= m_writing.size()) {
        const uint8_t type = m_writing[at];
        uint32_t length = 0;
        std::memcpy(&length, m_writing.data() + at + 1, sizeof(length));
        const uint8_t* payload = m_writing.data() + at + kEntryHeader;
        at += kEntryHeader + length;

        const std::string_view marker =
            m_bMarkerPending ? std::string_view(m_strMarker) : std::string_view();
        const LogTime now = LogTime::FromLocal(CClock::LocalNow());
        if (m_writer.Append(now, marker, type, payload, length) < 0) {
            // Writing on after a refused record would leave a gap in the
            // middle of the log once space returns; the recording ends here.
            ++m_nWriteErrors;
            m_strFailure = m_writer.LastError();
            std::lock_guard<std::mutex> lock(m_queueMutex);
            m_nDropped += 1 + CountEntries(m_writing, at);
            return written;
        }
        ++m_nWritten;
        m_bMarkerPending = 0;
        ++written;
    }
    return written;
}

void CPacketLog::SetMarker(std::string_view text) {
    m_strMarker.assign(text);
    m_bMarkerPending = 1;
}

uint64_t CPacketLog::DroppedPackets() const {
    std::lock_guard<std::mutex> lock(m_queueMutex);
    return m_nDropped;
}
