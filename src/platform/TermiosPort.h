#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "platform/SerialPort.h"

// The serial line to the RF board on a tty device, configured for the board:
// 38400 baud, 8 data bits, no parity, one stop bit, no flow control, raw
// bytes, RTS held on and DTR off.
class CTermiosPort : public ISerialPort {
public:
    // What the last Open did. The two failures are told apart because the user
    // sees a different message for each.
    enum class OpenResult { Ok, CannotOpen, CannotSetState };

    static constexpr int kBaudRate = 38400;

    CTermiosPort() = default;
    ~CTermiosPort() override;
    CTermiosPort(const CTermiosPort&) = delete;
    CTermiosPort& operator=(const CTermiosPort&) = delete;

    // Opens the existing tty device at `path` and applies the board settings.
    // Returns 0, or -1 with LastOpenResult() and LastError() telling why; on
    // failure the port is left closed. An open port is closed first.
    int Open(const std::string& path);
    void Close();

    OpenResult LastOpenResult() const { return m_eLastOpenResult; }
    // The system's reason for the last failure ("" after a successful open).
    const std::string& LastError() const { return m_strLastError; }
    // The errno of the last failed open() of the device (EACCES when the
    // user may not use the port), 0 after a success or a failure later on.
    int LastOpenErrno() const { return m_nLastOpenErrno; }
    // The message the user sees for a failed open, or nullptr for Ok.
    static const char* FailureMessage(OpenResult result);

    // The open file descriptor, or -1.
    int Handle() const { return m_nFd; }

    bool IsOpen() const override { return m_nFd >= 0; }
    int BytesWaiting() override;
    int Read(uint8_t* buffer, int max) override;
    int Write(const uint8_t* buffer, int length) override;

    // A hang-up (poll), or an I/O error that means the device is gone
    // (EIO, ENXIO, ENODEV), closes the port and marks it lost; closing lets
    // the system remove the device node and give it back when the device
    // returns. Reopen opens the path of the last successful Open again.
    bool IsLost() const override { return m_bLost; }
    int Reopen() override;

    // While held, the port reads nothing and reports nothing waiting: what
    // the board sends meanwhile waits in the tty's buffer (a board on the
    // other side of a pseudo-terminal waits for room), so the reader
    // catches up with what it had and a script's settle ends at once even
    // with an unpaced board. Writes still go out.
    void HoldInput(bool bHold) override { m_bHeld.store(bHold, std::memory_order_release); }

private:
    int ApplySettings();
    // Checks an errno of a failed call; a device that went away closes the
    // port and marks it lost.
    void CheckGone(int error);
    void CheckHangUp();
    void MarkLost();

    int m_nFd = -1;
    bool m_bLost = false;
    std::atomic<bool> m_bHeld{false};
    std::string m_strPath;
    OpenResult m_eLastOpenResult = OpenResult::Ok;
    std::string m_strLastError;
    int m_nLastOpenErrno = 0;
};
