#pragma once

#include <cstdint>

// A byte link to the RF board: the termios serial port, the simulated board
// in process, or a recorded log played back. Only the reader thread uses it,
// except HoldInput.
class ISerialPort {
public:
    virtual ~ISerialPort() = default;

    virtual bool IsOpen() const = 0;
    // Clears any pending line error and returns the number of bytes waiting
    // to be read (0 when none, or when the port is not open).
    virtual int BytesWaiting() = 0;
    // Reads at most `max` bytes without blocking; returns the count read or -1.
    virtual int Read(uint8_t* buffer, int max) = 0;
    // Writes `length` bytes; returns the count written or -1.
    virtual int Write(const uint8_t* buffer, int length) = 0;

    // A source that makes its input when asked (the simulated board run
    // unpaced) rather than as time passes: after a pass that found nothing
    // the reader asks again at once instead of sleeping.
    virtual bool IsUnpaced() const { return false; }
    // Any thread: while held, an unpaced source makes no new input, so the
    // reader can catch up with it; released, it runs on from where it was.
    virtual void HoldInput(bool bHold) { (void)bHold; }
    // True once the device has gone away under the port (hang-up, the card
    // pulled, the adapter unplugged): the port has closed itself and stays
    // closed until Reopen succeeds. Links that cannot go away never are.
    virtual bool IsLost() const { return false; }
    // Opens the same device again after a loss: 0, or -1 while it is still
    // missing.
    virtual int Reopen() { return -1; }
};
