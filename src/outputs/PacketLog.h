#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "board/LogWriter.h"
#include "data/Messages.h"

// One recording: the log file and the queue of packets staged for it.
//
// The reader thread stages every good packet (StagePacket, under the store
// lock); the GUI thread writes, on each UM_LOG_PACKET, every packet queued
// so far (WriteRecord). However the messages and packets interleave, each
// staged packet is written exactly once and in the order staged. The queue is
// bounded in bytes: a packet that does not fit is dropped and counted, and
// the count is told to the person when the recording stops. Payloads up to
// the largest the file can hold (65,534 bytes) are kept whole; a longer one
// is dropped and counted the same way.
class CPacketLog : public IPacketStager {
public:
    // About four minutes of the board line at full rate.
    static constexpr size_t kQueueBytes = size_t{1} << 20;
    // Shows a message to the person and waits until it is dismissed.
    using MessageFn = std::function<void(std::string_view text)>;

    // `showMessage` defaults to a message box of the main frame's caption.
    explicit CPacketLog(std::string path, MessageFn showMessage = {});
    ~CPacketLog() override;
    CPacketLog(const CPacketLog&) = delete;
    CPacketLog& operator=(const CPacketLog&) = delete;

    // Creates the file (replacing one of that name) and writes its header.
    // On failure tells the person "Could not open file (<reason>)" with the
    // path on the next line, and returns -1.
    int Open();
    // Writes what is still queued, then closes the file.
    void Close();

    // Any thread; never waits for the GUI thread.
    void StagePacket(uint8_t type, const uint8_t* payload, uint32_t length) override;
    // GUI thread: writes every queued packet as one record each, flushing
    // after each. Returns the number written, or -1 when none is open or the
    // recording has failed. The first record the file refuses ends the
    // writing: the file keeps the records before it (whole) and everything
    // staged from then on is dropped; Failed() tells the owner to stop.
    int WriteRecord();
    // The next record written carries this text; a later call before that
    // record replaces it.
    void SetMarker(std::string_view text);

    const std::string& GetPath() const { return m_strPath; }
    bool IsOpen() const { return m_writer.IsOpen(); }
    uint64_t RecordsWritten() const { return m_nWritten; }
    // Packets staged but not recorded: the queue was full, or they were too long.
    uint64_t DroppedPackets() const;
    // Records the file refused (disk full, device gone): 0 or 1, since the
    // first one ends the writing.
    uint64_t WriteErrors() const { return m_nWriteErrors; }
    bool Failed() const { return m_nWriteErrors != 0; }
    // The system's reason for the refused record ("" while none failed).
    const std::string& FailureReason() const { return m_strFailure; }

private:
    std::string m_strPath;
    MessageFn m_showMessage;
    CLogWriter m_writer;

    std::string m_strMarker;
    uint8_t m_bMarkerPending = 0;

    // Leaf lock over the staging queue. Entries: type, length (4 bytes, host
    // order), payload.
    mutable std::mutex m_queueMutex;
    std::vector<uint8_t> m_queue;
    uint64_t m_nDropped = 0;
    // The GUI thread's side of the queue, swapped in whole.
    std::vector<uint8_t> m_writing;

    uint64_t m_nWritten = 0;
    uint64_t m_nWriteErrors = 0;
    std::string m_strFailure;
};
