#include "app/WindowTitle.h"

#include <cstdio>

#include "OrvVersion.h"
#include "board/ReplayPort.h"

std::string FormatWindowTitle(const WindowTitleState& state) {
    std::string title = "Orvalis " ORV_VERSION;
    if (!state.strSource.empty()) title += " - " + state.strSource;
    if (state.bBoardLost) title += " - board lost";
    if (state.bRecording) {
        const std::int64_t s = state.nRecordSeconds < 0 ? 0 : state.nRecordSeconds;
        char elapsed[32];
        std::snprintf(elapsed, sizeof elapsed, "%lld:%02d:%02d", static_cast<long long>(s / 3600),
                      static_cast<int>(s / 60 % 60), static_cast<int>(s % 60));
        title += " - REC";
        if (!state.strLogFile.empty()) title += " " + state.strLogFile;
        title += " ";
        title += elapsed;
    }
    return title;
}

CReplayEndWatch::CReplayEndWatch(std::unique_ptr<ISerialPort> port, const CReplayPort& replay)
    : m_pPort(std::move(port)), m_replay(replay) {}

int CReplayEndWatch::BytesWaiting() {
    const int waiting = m_pPort->BytesWaiting();
    if (waiting == 0 && m_replay.Finished()) m_bEnded.store(true, std::memory_order_relaxed);
    return waiting;
}

bool CReplayEndWatch::HasEnded() const {
    return m_bEnded.load(std::memory_order_relaxed);
}
