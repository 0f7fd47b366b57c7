#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/LinkSocket.h"

// The forwarding link: one message at a time (a GPS packet with its text
// record, built by the store) sent to a listening peer. Its worker,
// IrLinkThread, runs while the link is enabled: it pauses, finds a peer among
// those named (at most six tries a second apart), connects, then sends each
// message as it is queued; any failure closes the stream and starts again
// from the pause, and a message that failed to send is dropped.
//
// Threads: Queue on the GUI thread; the worker owns the stream. The send
// buffer belongs to the GUI thread while no message is waiting and to the
// worker while one is (the data-ready flag hands it over).
class CIrLink {
public:
    // The buffer a message is copied into; a longer message grows it, up to
    // kMaxMessage, and goes out whole.
    static constexpr int kSendBufferSize = 512;
    static constexpr int kMaxMessage = 8192;

    static constexpr const char* kErrorCaption = "Error";
    static constexpr const char* kSocketFailedFormat = "Allocating socket failed. Error: %d";
    static constexpr const char* kQueryFailedFormat =
        "Server could not be located, getsockopt failed. Error: %d";
    static constexpr const char* kDeviceNotFound = "Device Not Found.";

    // Shows a message box and returns at once; `onDismissed` is called once
    // the person has dismissed it (or the box could not be shown), from any
    // thread.
    using ShowMessageFn = std::function<void(const std::string& caption, const std::string& text,
                                             std::function<void()> onDismissed)>;

    struct Setup {
        std::vector<LinkPeer> peers;
        // Whether the link should run ("Enable Heron Interface"); polled by
        // the worker at every pause. Empty: always.
        std::function<bool()> isEnabled;
        // Default: a message box on the GUI loop.
        ShowMessageFn showMessage;
        // Caption of the program's own boxes ("Device Not Found.").
        std::string strAppCaption = "Orvalis";
        int nPauseMs = 500;
        int nFindTries = 6;
        int nFindIntervalMs = 1000;
        int nDataWaitMs = 1000;
        int nConnectTimeoutMs = 1000;
        int nSendTimeoutMs = 5000;
    };

    struct Stats {
        uint64_t nQueued = 0;
        uint64_t nDroppedWaiting = 0;  // a message was still waiting
        uint64_t nDroppedUnsent = 0;   // the send failed, or the link was switched off
        uint64_t nSent = 0;
        uint64_t nConnections = 0;
    };

    // Starts the worker.
    explicit CIrLink(Setup setup);
    // Stops the worker and waits for it; a box it is showing is abandoned.
    ~CIrLink();
    CIrLink(const CIrLink&) = delete;
    CIrLink& operator=(const CIrLink&) = delete;

    // GUI thread, with the record lock held (the caller's lock over
    // `message`). Copies the message for the worker: 1 when queued, 0 when
    // dropped because a message is still waiting, -1 for a length outside
    // 1..kMaxMessage.
    int Queue(const uint8_t* message, int length);

    void Stop();
    Stats GetStats() const;
    bool IsConnected() const { return m_bConnected.load(); }
    bool IsDataReady() const;

private:
    // Wakes the worker's waits (stop, a message, a dismissed box).
    struct Signal {
        std::mutex mutex;
        std::condition_variable cv;
        bool bStop = false;
        bool bDataReady = false;
        uint64_t nBoxesDismissed = 0;
    };

    friend void IrLinkThread(CIrLink* link);
    void Run();
    bool Enabled() const;
    // Waits ms or until stopped; false when stopped.
    bool Pause(int ms);
    // Connects to the first peer that answers; false when none did (the
    // person has been told as the rules say).
    bool FindDevice(CLinkSocket& socket);
    void ServeConnection(CLinkSocket& socket);
    void DropWaiting();
    void ShowBox(const std::string& caption, const std::string& text);

    Setup m_setup;
    std::shared_ptr<Signal> m_pSignal;
    std::atomic<bool> m_bStopping{false};
    std::atomic<bool> m_bConnected{false};
    std::vector<uint8_t> m_abSendBuffer;
    int m_nSendLength = 0;
    uint64_t m_nBoxesShown = 0;
    // Worker only: whether "Device Not Found." was shown since the link was
    // switched on or a peer last answered.
    bool m_bNotFoundShown = false;
    mutable std::mutex m_statsMutex;
    Stats m_stats;
    std::thread m_thread;
};

// The link's worker.
void IrLinkThread(CIrLink* link);
