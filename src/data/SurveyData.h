#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "board/PacketSink.h"
#include "board/Wire.h"
#include "data/ApListIndex.h"
#include "data/DropReason.h"
#include "data/Messages.h"
#include "data/StationList.h"
#include "gps/GpsStatus.h"
#include "platform/ThreadSafety.h"

class CBoardPort;

// Channels 1..14; per-channel arrays are indexed by channel number and entry 0
// is never a channel.
inline constexpr int kChannelSlots = 15;
// Rate index 0..3 = 1, 2, 5.5, 11 Mbit/s; 4 = any other rate.
inline constexpr int kRateCount = 5;
inline constexpr int kCfrTaps = CaptureHeader::kEstimateTaps;
inline constexpr int kStatsWindowSize = 1024;
inline constexpr int kApListSlots = 1000;
inline constexpr int kApListCapacity = 999;
inline constexpr int kHeronRecordSize = 8192;
inline constexpr int kNarrowSweepBytes = 130;
inline constexpr int kWideSweepBytes = 546;
inline constexpr int kChannelLoadBytes = 16;
inline constexpr int kCaptureHeaderBytes = CaptureHeader::kSize;
inline constexpr int kMgmtFrameBytes = 2344;
inline constexpr int kDataFrameBytes = 2350;
inline constexpr int kBeaconFixedBytes = 12;
inline constexpr int kSpectrumTraceCount = 4;
inline constexpr int kSpectrumTraceLevels = 4096;

// One (I, Q) tap of a channel estimate.
struct CfrSample {
    int8_t nI = 0;
    int8_t nQ = 0;
};

// Frame statistics of the selected station for one rate index, over the last
// 1024 measured frames.
struct RateStats {
    int32_t nFrames = 0;            // frames of this rate inside the all-rates window
    double dFlagZeroPercent = 0.0;  // share of this rate's window with the valid flag clear
    double dSharePercent = 0.0;     // share of the all-rates window at this rate
    uint32_t nFlagZeroCount = 0;    // zero-flag frames in this rate's window, at most 1024
};

// A 1024-entry sliding window: the read and write indexes step together once
// per frame, so the entry at the read index is the one leaving a full window.
struct StatsWindow {
    int16_t nCount = 0;
    int16_t nReadIndex = 0;
    int16_t nWriteIndex = 0;
    std::array<int16_t, kStatsWindowSize> anRing{};
};

// One trace of the spectrum screen (record 0 is never used).
struct SpectrumTrace {
    uint8_t bSelected = 0;
    uint8_t bVisible = 0;
    uint8_t bHold = 0;
    std::array<int16_t, kSpectrumTraceLevels> anLevel{};
};

// The one in-memory record of everything the program knows about the board
// and the radio environment, with the board commands and the access-point
// lists of the security feature.
//
// Threads: one store lock covers every field, the station table, the sweep
// buffers, the infrared record and the access-point lists. DispatchPacket
// takes it for the whole of each packet. Every other member function expects
// the caller to hold it already: GUI-thread code (screens, forms, tests)
// holds Lock() around each paint, touch or command that reads or writes the
// store. The board port's slot lock, the message poster's queue lock and the
// packet stager's lock are leaves, so queuing commands and posting messages
// with the store lock held cannot deadlock. DispatchPacket must not be called
// by a thread that already holds the lock.
class CSurveyData : public IPacketSink {
public:
    CSurveyData();
    virtual int RequestSerialNumber() ORV_REQUIRES(m_Mutex);
    virtual int RequestFirmwareVersion() ORV_REQUIRES(m_Mutex);
    ~CSurveyData() override;
    // Frames one command (no check byte) and places it in the board port's
    // pending slot. Returns what CBoardPort::QueueCommand returns, or -1 when
    // no port is set or the command does not fit the 128-byte buffer.
    virtual int SendCommand(uint8_t command, const uint8_t* args, uint32_t argLength)
        ORV_REQUIRES(m_Mutex);

    CSurveyData(const CSurveyData&) = delete;
    CSurveyData& operator=(const CSurveyData&) = delete;

    // Every field back to its value at construction, the station table and
    // the lists emptied; the wiring (board port, stager, notification
    // window) stays. Takes the store lock itself, so no packet may be in
    // dispatch on this thread. Lets a long-lived store serve one session
    // after another (the fuzz targets reuse one store for every input).
    void Reset();

    // --- wiring (GUI thread, before the reader thread starts) ---
    void SetBoardPort(CBoardPort* port) { m_pBoardPort = port; }
    void SetPacketStager(IPacketStager* stager) { m_pPacketStager = stager; }

    // --- the store lock ---
    // Code the lock analysis checks holds it with CStoreLock; Lock() is the
    // plain form for code it does not check (tests, tools).
    CCheckedMutex& StoreMutex() const ORV_RETURN_CAPABILITY(m_Mutex) { return m_Mutex; }
    [[nodiscard]] std::unique_lock<std::mutex> Lock() const {
        return std::unique_lock<std::mutex>(m_Mutex);
    }

    // --- board commands ---
    int SetMode(uint8_t mode) ORV_REQUIRES(m_Mutex);
    int SetChannel(uint8_t channel) ORV_REQUIRES(m_Mutex);
    int SendCommand8(uint8_t value) ORV_REQUIRES(m_Mutex);

    // --- packet dispatch (reader thread; takes the store lock itself) ---
    void DispatchPacket(uint8_t type, const uint8_t* payload, uint32_t length) override;

    // --- packet handlers ---
    // Copies the first 16 payload bytes into m_abChannelLoad and the four
    // 32-bit loads into m_anBytesPerRateChannel[0..3][m_nChannel].
    // Returns -1 (nothing stored) when the payload is shorter than 16 bytes.
    int StoreChannelLoad(const uint8_t* payload, uint32_t length) ORV_REQUIRES(m_Mutex);

    // --- 802.11 frame decoding (FrameDecoding.cpp) ---
    // The dispatcher passes the payload without its check byte: `length`
    // counts the bytes in front of it. It calls the decoders only with at
    // least the 93-byte capture header (98 bytes for types 6 and 18), but
    // they must still keep every read inside `length`.
    int DecodeManagementFrame(const uint8_t* payload, uint32_t length) ORV_REQUIRES(m_Mutex);
    int DecodeDataFrame(const uint8_t* payload, uint32_t length) ORV_REQUIRES(m_Mutex);
    int ParseInformationElements(const uint8_t* elements, uint32_t length) ORV_REQUIRES(m_Mutex);
    void AgeStations() ORV_REQUIRES(m_Mutex);
    void ClearSelectedStation() ORV_REQUIRES(m_Mutex);
    void FindStrongestStation() ORV_REQUIRES(m_Mutex);

    // --- infrared record ---
    // Builds the record for a type-7 packet in m_abHeronRecord; returns
    // m_nHeronRecordLength, or -1 when nothing could be built.
    int BuildHeronRecord(uint8_t type, const uint8_t* payload, uint32_t length)
        ORV_REQUIRES(m_Mutex);

    // --- access-point lists ---
    // Lookups compare the first 17 characters of a used slot with the text.
    bool IsAuthorized(const char* mac) const ORV_REQUIRES(m_Mutex);
    bool IsUnauthorized(const char* mac) const ORV_REQUIRES(m_Mutex);
    // Appends the first 17 characters; -1 (nothing changed) when 999 slots are used.
    int AddAuthorized(const char* mac) ORV_REQUIRES(m_Mutex);
    int AddUnauthorized(const char* mac) ORV_REQUIRES(m_Mutex);
    // -1 (nothing changed) for an index outside 0..count-1.
    int RemoveAuthorized(int index) ORV_REQUIRES(m_Mutex);
    int RemoveUnauthorized(int index) ORV_REQUIRES(m_Mutex);
    void ClearAuthorized() ORV_REQUIRES(m_Mutex);
    void ClearUnauthorized() ORV_REQUIRES(m_Mutex);

    // ===== Fields =====

    // Board identity and control.
    uint8_t m_bRefreshEnabled ORV_GUARDED_BY(m_Mutex);
    char m_szSerialNumber[32] ORV_GUARDED_BY(m_Mutex);
    char m_szFirmwareVersion[39] ORV_GUARDED_BY(m_Mutex);
    double m_dFirmwareVersion ORV_GUARDED_BY(m_Mutex);
    uint8_t m_nMode ORV_GUARDED_BY(m_Mutex);

    // Infrared record.
    std::array<uint8_t, kHeronRecordSize> m_abHeronRecord ORV_GUARDED_BY(m_Mutex);
    int32_t m_nHeronRecordLength ORV_GUARDED_BY(m_Mutex);
    int16_t m_nBestRssi ORV_GUARDED_BY(m_Mutex);
    char m_szBestMac[64] ORV_GUARDED_BY(m_Mutex);
    char m_szBestSsid[512] ORV_GUARDED_BY(m_Mutex);

    // Access-point lists.
    char m_aszAuthorized[kApListSlots][32] ORV_GUARDED_BY(m_Mutex);
    char m_aszUnauthorized[kApListSlots][32] ORV_GUARDED_BY(m_Mutex);
    int32_t m_nAuthorizedCount ORV_GUARDED_BY(m_Mutex);
    int32_t m_nUnauthorizedCount ORV_GUARDED_BY(m_Mutex);
    uint8_t m_bAuthorizedChanged ORV_GUARDED_BY(m_Mutex);
    uint8_t m_bUnauthorizedChanged ORV_GUARDED_BY(m_Mutex);
    uint32_t m_tBatteryLowSince ORV_GUARDED_BY(m_Mutex);  // seconds since the epoch (CClock::Now)

    // Spectrum sweeps.
    std::array<uint8_t, kNarrowSweepBytes> m_abNarrowSweep ORV_GUARDED_BY(m_Mutex);
    std::array<uint8_t, kWideSweepBytes> m_abWideSweep ORV_GUARDED_BY(m_Mutex);

    // Last captured frames.
    std::array<uint8_t, kCaptureHeaderBytes> m_abMgmtHeader ORV_GUARDED_BY(m_Mutex);
    std::array<uint8_t, kBeaconFixedBytes> m_abBeaconFixed ORV_GUARDED_BY(m_Mutex);
    std::array<uint8_t, kCaptureHeaderBytes> m_abDataHeader ORV_GUARDED_BY(m_Mutex);
    std::array<uint8_t, kMgmtFrameBytes> m_abMgmtFrame ORV_GUARDED_BY(m_Mutex);
    std::array<uint8_t, kDataFrameBytes> m_abDataFrame ORV_GUARDED_BY(m_Mutex);

    // Selected station: m_szSelectedMac up to and including m_nSelectedFrames.
    char m_szSelectedMac[32] ORV_GUARDED_BY(m_Mutex);
    char m_szSelectedSsid[64] ORV_GUARDED_BY(m_Mutex);
    int8_t m_nSelectedRssi ORV_GUARDED_BY(m_Mutex);
    int16_t m_nSelectedChannel ORV_GUARDED_BY(m_Mutex);
    std::array<CfrSample, kCfrTaps> m_aCfrIq ORV_GUARDED_BY(m_Mutex);
    std::array<uint32_t, kCfrTaps> m_aCfrPower ORV_GUARDED_BY(m_Mutex);
    uint32_t m_nCfrPowerSum ORV_GUARDED_BY(m_Mutex);
    uint16_t m_nCfrPeakBin ORV_GUARDED_BY(m_Mutex);
    uint32_t m_nCfrSampleCount ORV_GUARDED_BY(m_Mutex);
    std::array<RateStats, kRateCount> m_aRateStats ORV_GUARDED_BY(m_Mutex);
    uint8_t m_bCfrUpdated ORV_GUARDED_BY(m_Mutex);
    uint32_t m_nFramesCaptured ORV_GUARDED_BY(m_Mutex);
    uint32_t m_nSelectedFrames ORV_GUARDED_BY(m_Mutex);

    // Channel load and per-channel values.
    std::array<uint8_t, kChannelLoadBytes> m_abChannelLoad ORV_GUARDED_BY(m_Mutex);
    std::array<int16_t, kChannelSlots> m_anChannelValue ORV_GUARDED_BY(m_Mutex);

    // Alert and spectrum screen state.
    char m_szAlertMac[32] ORV_GUARDED_BY(m_Mutex);
    uint8_t m_bStationsChanged ORV_GUARDED_BY(m_Mutex);
    int16_t m_nSelectedTrace ORV_GUARDED_BY(m_Mutex);
    std::array<SpectrumTrace, kSpectrumTraceCount> m_aSpectrumTrace ORV_GUARDED_BY(m_Mutex);
    int16_t m_nSpectrumMarker ORV_GUARDED_BY(m_Mutex);

    // Recording.
    uint8_t m_bRecording ORV_GUARDED_BY(m_Mutex);
    std::string m_strLogFile ORV_GUARDED_BY(m_Mutex);

    // Channel and options.
    uint8_t m_nChannel ORV_GUARDED_BY(m_Mutex);
    uint8_t m_nFrameChannel ORV_GUARDED_BY(m_Mutex);
    uint8_t m_nPreviousChannel ORV_GUARDED_BY(m_Mutex);
    char m_szFrameSsid[64] ORV_GUARDED_BY(m_Mutex);
    uint8_t m_bBatteryLow ORV_GUARDED_BY(m_Mutex);
    uint8_t m_bSecurityEnabled ORV_GUARDED_BY(m_Mutex);
    uint8_t m_bShowNonApMacs ORV_GUARDED_BY(m_Mutex);
    uint8_t m_bHeronEnabled ORV_GUARDED_BY(m_Mutex);
    uint8_t m_bPacketSeen ORV_GUARDED_BY(m_Mutex);

    // Frame counters.
    uint32_t m_nFramesTotal ORV_GUARDED_BY(m_Mutex);
    uint32_t m_nBeacons ORV_GUARDED_BY(m_Mutex);
    uint32_t m_nDataFrames ORV_GUARDED_BY(m_Mutex);
    uint32_t m_nControlFrames ORV_GUARDED_BY(m_Mutex);
    uint32_t m_nMgmtFrames ORV_GUARDED_BY(m_Mutex);
    uint32_t m_nReservedFrames ORV_GUARDED_BY(m_Mutex);
    uint32_t m_nAuthFrames ORV_GUARDED_BY(m_Mutex);
    uint32_t m_nDeauthFrames ORV_GUARDED_BY(m_Mutex);
    std::array<uint32_t, kChannelSlots> m_anFramesPerChannel ORV_GUARDED_BY(m_Mutex);
    uint32_t m_nFramesAllChannels ORV_GUARDED_BY(m_Mutex);
    std::array<uint32_t, kChannelSlots> m_anBeaconsPerChannel ORV_GUARDED_BY(m_Mutex);
    std::array<std::array<uint32_t, kChannelSlots>, kRateCount> m_anBytesPerRateChannel
        ORV_GUARDED_BY(m_Mutex);
    std::array<uint32_t, kChannelSlots> m_anChannelReports ORV_GUARDED_BY(m_Mutex);
    // Refused packets (or parts of them) by reason, indexed by DropReason.
    std::array<uint32_t, kDropReasonCount> m_anDrops ORV_GUARDED_BY(m_Mutex);

    // Notification and channel change.
    IMessagePoster* m_hNotifyWnd ORV_GUARDED_BY(m_Mutex);  // null: nothing is posted
    uint8_t m_bSelectedUpdated ORV_GUARDED_BY(m_Mutex);
    uint8_t m_bChannelPending ORV_GUARDED_BY(m_Mutex);
    uint8_t m_nPendingChannel ORV_GUARDED_BY(m_Mutex);

    // Statistics windows of the selected station.
    std::array<StatsWindow, kRateCount> m_aRateWindow ORV_GUARDED_BY(m_Mutex);
    StatsWindow m_FrameWindow ORV_GUARDED_BY(m_Mutex);

    // Other.
    int16_t m_nMarkerNumber ORV_GUARDED_BY(m_Mutex);
    uint8_t m_bSerialReceived ORV_GUARDED_BY(m_Mutex);

    // The station table and the last GPS message.
    CStationList m_Stations ORV_GUARDED_BY(m_Mutex);
    CGpsStatus m_Gps ORV_GUARDED_BY(m_Mutex);

private:
    void Post(unsigned message);
    void Drop(DropReason reason) ORV_REQUIRES(m_Mutex) { ++m_anDrops[static_cast<size_t>(reason)]; }
    void HandleFirmwareVersion(const uint8_t* payload, uint32_t length);
    void HandleSerialNumber(const uint8_t* payload, uint32_t length);
    void HandleModeAck();
    void HandleChannelReport(const uint8_t* payload, uint32_t length);
    void HandleCapturedFrame(const uint8_t* payload, uint32_t length);
    void HandleCapturedBeacon(const uint8_t* payload, uint32_t length);
    void HandleBatteryLow(const uint8_t* payload, uint32_t length);
    void HandleChannelValue(const uint8_t* payload, uint32_t length);
    template <size_t N>
    void StoreSweep(std::array<uint8_t, N>& sweep, const uint8_t* payload, uint32_t length);

    // The one store lock. It also stands for the sweep-buffer locks and the
    // infrared record lock: both are only touched with it held.
    mutable CCheckedMutex m_Mutex;
    // The thread inside DispatchPacket, if any: a nested call from that thread
    // (a poster or stager dispatching synchronously) is dropped, not deadlocked.
    std::atomic<std::thread::id> m_DispatchOwner{};
    CBoardPort* m_pBoardPort = nullptr;
    IPacketStager* m_pPacketStager = nullptr;
    uint8_t m_bChannelLoadGuard = 0;

    // Hash indexes beside the access-point lists, kept by the list operations.
    CApListIndex m_authorizedIndex;
    CApListIndex m_unauthorizedIndex;

    // --- frame decoding state (owned by FrameDecoding.cpp) ---
    // A decoder posts the alarm mid-frame; a poster decoding in turn on the
    // same thread is refused instead of overwriting the frame's state.
    uint8_t m_bMgmtGuard = 0;
    uint8_t m_bDataGuard = 0;
    uint16_t m_nAgeingCounter = 0;
    void TakeFrameStatistics(const uint8_t* storedHeader, uint8_t rate, uint32_t length,
                             uint8_t validFlag, const char* mac);
    void CheckAlarm(uint8_t validFlag, const char* mac, bool unauthorized);
    // --- end of frame decoding state ---
};

// Holds the store lock for its scope, in the form the lock analysis follows:
// code checked by it reads and writes the store only inside one of these.
class ORV_SCOPED_CAPABILITY CStoreLock {
public:
    explicit CStoreLock(const CSurveyData& data) ORV_ACQUIRE(data.StoreMutex())
        : m_lock(data.StoreMutex()) {}
    ~CStoreLock() ORV_RELEASE() {}

private:
    CCheckedLock m_lock;
};

// For a function that reads or writes the store `data` it is given and
// expects its caller to hold that store's lock.
#define ORV_REQUIRES_STORE(data) ORV_REQUIRES((data).StoreMutex())
