#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <limits>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "gps/GpsMessage.h"

// Where the gpsd to read is: `--gps gpsd[:HOST[:PORT]]`.
struct GpsdAddress {
    static constexpr const char* kDefaultHost = "localhost";
    static constexpr const char* kDefaultPort = "2947";
    std::string host = kDefaultHost;
    std::string port = kDefaultPort;
    // "HOST:PORT", with brackets round an IPv6 address.
    std::string Text() const;
};

// "gpsd", "gpsd:HOST", "gpsd:HOST:PORT" or "gpsd:[IPV6]:PORT". 0, or -1
// with a one-line reason in `why`.
int ParseGpsSource(std::string_view text, GpsdAddress& out, std::string& why);

// What one gpsd position report says, in gpsd's units. NaN marks a value
// gpsd does not know.
struct GpsdReport {
    static constexpr double kUnknown = std::numeric_limits<double>::quiet_NaN();
    struct Satellite {
        int prn = 0;
        bool used = false;
        double signal = kUnknown;  // dB-Hz
    };

    int mode = 0;                // 0 not seen, 1 no fix, 2 2D, 3 3D
    double time = kUnknown;      // seconds since the epoch, UTC
    double latitude = kUnknown;  // degrees
    double longitude = kUnknown;
    double altitudeMsl = kUnknown;  // metres
    double altitudeHae = kUnknown;
    double speed = kUnknown;  // over ground, m/s
    double climb = kUnknown;  // m/s
    double track = kUnknown;  // degrees from true north
    double hdop = kUnknown;
    int visible = 0;
    int used = 0;
    int satelliteCount = 0;  // entries of `satellites` that are set
    std::array<Satellite, GpsFix::kChannelCount> satellites{};
};

// True when the report holds a fix with a usable position.
bool HasPosition(const GpsdReport& report);
// The receiver's view of a report: fix status 7 for a 3D fix, 6 for 2D, 3
// otherwise (a fix without a usable position included); position and
// heights only where the fix gives them. The source passes on no report
// that claims a fix without a position.
GpsFix FixFromReport(const GpsdReport& report);

// Reads a gpsd's reports through libgps on a thread of its own and hands
// each position report on as the receiver's 152-byte message. A gpsd that is
// not there, goes away or restarts is told once and tried again in the
// background, waiting longer each time up to a limit; the thread never spins.
class CGpsdSource {
public:
    struct Setup {
        GpsdAddress address;
        // Each position report's message, on the source's thread.
        std::function<void(const GpsMessage&)> deliver;
        // True while the board's own receiver reports: reports are then
        // held back (the board wins). Empty: never.
        std::function<bool()> boardReports;
        // One-line notices for the person (connected, lost, held back).
        std::function<void(const std::string&)> notice;
        std::chrono::milliseconds firstRetry{500};
        std::chrono::milliseconds maxRetry{8000};
        // How long a connection may stay silent before gpsd counts as not
        // answering (gpsd greets every client at once).
        std::chrono::milliseconds answerTime{5000};
    };

    explicit CGpsdSource(Setup setup);
    ~CGpsdSource();
    CGpsdSource(const CGpsdSource&) = delete;
    CGpsdSource& operator=(const CGpsdSource&) = delete;

    // 0, or -1 when already running.
    int Start();
    // Stops the thread and closes the connection; returns within about a
    // quarter of a second unless a connect to a distant host is under way.
    void Stop();

    uint64_t Delivered() const { return m_nDelivered.load(std::memory_order_acquire); }
    uint64_t HeldBack() const { return m_nHeldBack.load(std::memory_order_acquire); }
    uint64_t Connections() const { return m_nConnections.load(std::memory_order_acquire); }
    uint64_t ConnectAttempts() const { return m_nAttempts.load(std::memory_order_acquire); }

private:
    enum class SessionEnd { NotAnswering, Lost, Stopped };

    void Run();
    // One connection, from open to loss or stop; `reason` says why gpsd
    // did not answer.
    SessionEnd Session(std::string& reason);
    void Report(const GpsdReport& report);
    void Notice(const std::string& text);
    // Waits `delay` or until Stop; true when stopping.
    bool WaitOrStop(std::chrono::milliseconds delay);

    Setup m_setup;
    std::atomic<bool> m_bStop{false};
    std::mutex m_stopMutex;
    std::condition_variable m_stopSignal;
    std::thread m_thread;
    bool m_bHolding = false;  // source thread only
    std::atomic<uint64_t> m_nDelivered{0};
    std::atomic<uint64_t> m_nHeldBack{0};
    std::atomic<uint64_t> m_nConnections{0};
    std::atomic<uint64_t> m_nAttempts{0};
};
