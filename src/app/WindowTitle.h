#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/SerialPort.h"

class CReplayPort;

// What the desktop window's title tells: the program, what the instrument is
// connected to, and whether it records. A state another part of the frame
// learns later (say, a board that stopped answering) becomes one more field
// here and one more clause in FormatWindowTitle.
struct WindowTitleState {
    // "simulated board", the port's path, "replay FILE", "replay ended", or
    // "no board".
    std::string strSource;
    bool bRecording = false;
    std::string strLogFile;           // the recording's file name, without its folder
    std::int64_t nRecordSeconds = 0;  // elapsed time of the recording
    bool bBoardLost = false;          // the board's line went away and has not come back
};

// "Orvalis 4.23 - SOURCE", " - board lost" while the board's line is gone,
// and while recording " - REC FILE H:MM:SS".
std::string FormatWindowTitle(const WindowTitleState& state);

// Passes a replayed log through unchanged and notes, on the reader thread that
// uses it, when the log has been played to its end; the GUI thread asks
// HasEnded without touching the replay itself.
class CReplayEndWatch : public ISerialPort {
public:
    CReplayEndWatch(std::unique_ptr<ISerialPort> port, const CReplayPort& replay);
    bool IsOpen() const override { return m_pPort->IsOpen(); }
    int BytesWaiting() override;
    int Read(std::uint8_t* buffer, int max) override { return m_pPort->Read(buffer, max); }
    int Write(const std::uint8_t* buffer, int length) override {
        return m_pPort->Write(buffer, length);
    }
    bool HasEnded() const;

private:
    std::unique_ptr<ISerialPort> m_pPort;
    const CReplayPort& m_replay;
    std::atomic<bool> m_bEnded{false};
};
