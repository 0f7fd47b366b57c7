#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

#include "platform/SerialPort.h"

// A serial port held in memory, for tests, the headless script driver and
// replay. Any thread may feed input or inspect what was written while the
// reader thread reads and writes it.
class CMemoryPort : public ISerialPort {
public:
    using WriteCallback = std::function<void(const uint8_t*, int)>;

    explicit CMemoryPort(bool open = true);

    // Appends bytes to the input the reader will find waiting.
    void Feed(const uint8_t* bytes, size_t length);
    void Feed(const std::vector<uint8_t>& bytes) { Feed(bytes.data(), bytes.size()); }

    // Called on the writing thread with every successful write, after it has
    // been logged and without any lock held, so it may feed this port. Set it
    // before the reader starts.
    void SetWriteCallback(WriteCallback callback);

    // Limits how many bytes one Read returns (0: no limit), so that tests
    // can split the input over reads.
    void SetMaxRead(int max);

    void SetOpen(bool open);

    // Input bytes not yet read.
    size_t Pending() const;
    // Every byte written, in order, and each write call separately.
    std::vector<uint8_t> Written() const;
    std::vector<std::vector<uint8_t>> Writes() const;
    // Write calls made, the failed ones on a closed port included.
    int WriteAttempts() const;
    int ReadCalls() const;
    void ClearWritten();

    bool IsOpen() const override;
    int BytesWaiting() override;
    int Read(uint8_t* buffer, int max) override;
    int Write(const uint8_t* buffer, int length) override;

private:
    mutable std::mutex m_mutex;
    bool m_bOpen;
    std::vector<uint8_t> m_abInput;
    size_t m_nReadOffset = 0;
    int m_nMaxRead = 0;
    std::vector<std::vector<uint8_t>> m_aWrites;
    int m_nWriteAttempts = 0;
    int m_nReadCalls = 0;
    WriteCallback m_onWrite;
};
