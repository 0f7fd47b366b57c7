#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>

#include "gps/GpsMessage.h"
#include "gpsd/GpsdSource.h"

class CScenario;
class CSimulatedBoard;

// Serves a simulated board over file descriptors: a pseudo-terminal that the
// program opens as its serial port, or a pair of pipes. Commands read from
// the input go to the board; the board's bytes go to the output, in real
// time at 38,400 baud or as fast as the reader takes them.
class CBoardServer {
public:
    CBoardServer(const CScenario& scenario, uint64_t seed, bool unpaced);
    ~CBoardServer();
    CBoardServer(const CBoardServer&) = delete;
    CBoardServer& operator=(const CBoardServer&) = delete;

    // Creates a pseudo-terminal in raw mode. Returns 0 and its path, or -1
    // and a message. The server keeps the terminal's far end open as well,
    // so the program may open and close it as often as it likes.
    int OpenPty(std::string& path, std::string& error);
    // The master side of the pseudo-terminal, or -1.
    int PtyFd() const { return m_nMaster; }

    // Runs until `stop` is raised, the board has run `seconds` (when above
    // 0), or the output is closed. Returns 0, or -1 on an I/O error.
    int Serve(int inFd, int outFd, const std::atomic<bool>& stop, double seconds);
    int ServePty(const std::atomic<bool>& stop, double seconds) {
        return Serve(m_nMaster, m_nMaster, stop, seconds);
    }

    // The board's GPS receiver becomes the gpsd at `address`: its position
    // reports go out as the board's GPS messages, the scenario's receiver
    // falls silent. Notices go to standard error. 0, or -1 when already set.
    int UseGpsd(const GpsdAddress& address);

    CSimulatedBoard& Board() { return *m_pBoard; }

private:
    // Hands the messages gpsd has delivered since the last call to the board.
    void PassGpsMessages();

    std::unique_ptr<CSimulatedBoard> m_pBoard;
    bool m_bUnpaced;
    int m_nMaster = -1;
    int m_nSlave = -1;
    // gpsd's messages wait here (gpsd's thread to the serving thread).
    std::mutex m_gpsMutex;
    std::deque<GpsMessage> m_gpsWaiting;
    // Declared last: stopped before the queue it fills goes.
    std::unique_ptr<CGpsdSource> m_pGpsd;
};
