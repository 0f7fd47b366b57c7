#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "board/PacketSink.h"
#include "board/Wire.h"
#include "data/DropReason.h"
#include "data/Messages.h"
#include "data/StationList.h"
#include "gps/GpsStatus.h"

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
    virtual int RequestSerialNumber();
    virtual int RequestFirmwareVersion();
    ~CSurveyData() override;
    // Frames one command (no check byte) and places it in the board port's
    // pending slot. Returns what CBoardPort::QueueCommand returns, or -1 when
    // no port is set or the command does not fit the 128-byte buffer.
    virtual int SendCommand(uint8_t command, const uint8_t* args, uint32_t argLength);

    CSurveyData(const CSurveyData&) = delete;
    CSurveyData& operator=(const CSurveyData&) = delete;

    // --- wiring (GUI thread, before the reader thread starts) ---
    void SetBoardPort(CBoardPort* port) { m_pBoardPort = port; }
    void SetPacketStager(IPacketStager* stager) { m_pPacketStager = stager; }

    // --- the store lock ---
    [[nodiscard]] std::unique_lock<std::mutex> Lock() const {
        return std::unique_lock<std::mutex>(m_Mutex);
    }

    // --- board commands ---
    int SetMode(uint8_t mode);
    int SetChannel(uint8_t channel);
    int SendCommand8(uint8_t value);

    // --- packet dispatch (reader thread; takes the store lock itself) ---
    void DispatchPacket(uint8_t type, const uint8_t* payload, uint32_t length) override;

    // --- packet handlers ---
    // Copies the first 16 payload bytes into m_abChannelLoad and the four
    // 32-bit loads into m_anBytesPerRateChannel[0..3][m_nChannel].
    // Returns -1 (nothing stored) when the payload is shorter than 16 bytes.
    int StoreChannelLoad(const uint8_t* payload, uint32_t length);

    // --- 802.11 frame decoding (FrameDecoding.cpp) ---
    // The dispatcher passes the payload without its check byte: `length`
    // counts the bytes in front of it. It calls the decoders only with at
    // least the 93-byte capture header (98 bytes for types 6 and 18), but
    // they must still keep every read inside `length`.
    int DecodeManagementFrame(const uint8_t* payload, uint32_t length);
    int DecodeDataFrame(const uint8_t* payload, uint32_t length);
    int ParseInformationElements(const uint8_t* elements, uint32_t length);
    void AgeStations();
    void ClearSelectedStation();
    void FindStrongestStation();

    // --- infrared record ---
    // Builds the record for a type-7 packet in m_abHeronRecord; returns
    // m_nHeronRecordLength, or -1 when nothing could be built.
    int BuildHeronRecord(uint8_t type, const uint8_t* payload, uint32_t length);

    // --- access-point lists ---
    // Lookups compare the first 17 characters of a used slot with the text.
    bool IsAuthorized(const char* mac) const;
    bool IsUnauthorized(const char* mac) const;
    // Appends the first 17 characters; -1 (nothing changed) when 999 slots are used.
    int AddAuthorized(const char* mac);
    int AddUnauthorized(const char* mac);
    // -1 (nothing changed) for an index outside 0..count-1.
    int RemoveAuthorized(int index);
    int RemoveUnauthorized(int index);
    void ClearAuthorized();
    void ClearUnauthorized();

    // ===== Fields =====

    // Board identity and control.
    uint8_t m_bRefreshEnabled;
    char m_szSerialNumber[32];
    char m_szFirmwareVersion[39];
    double m_dFirmwareVersion;
    uint8_t m_nMode;

    // Infrared record.
    std::array<uint8_t, kHeronRecordSize> m_abHeronRecord;
    int32_t m_nHeronRecordLength;
    int16_t m_nBestRssi;
    char m_szBestMac[64];
    char m_szBestSsid[512];

    // Access-point lists.
    char m_aszAuthorized[kApListSlots][32];
    char m_aszUnauthorized[kApListSlots][32];
    int32_t m_nAuthorizedCount;
    int32_t m_nUnauthorizedCount;
    uint8_t m_bAuthorizedChanged;
    uint8_t m_bUnauthorizedChanged;
    uint32_t m_tBatteryLowSince;  // seconds since the epoch (CClock::Now)

    // Spectrum sweeps.
    std::array<uint8_t, kNarrowSweepBytes> m_abNarrowSweep;
    std::array<uint8_t, kWideSweepBytes> m_abWideSweep;

    // Last captured frames.
    std::array<uint8_t, kCaptureHeaderBytes> m_abMgmtHeader;
    std::array<uint8_t, kBeaconFixedBytes> m_abBeaconFixed;
    std::array<uint8_t, kCaptureHeaderBytes> m_abDataHeader;
    std::array<uint8_t, kMgmtFrameBytes> m_abMgmtFrame;
    std::array<uint8_t, kDataFrameBytes> m_abDataFrame;

    // Selected station: m_szSelectedMac up to and including m_nSelectedFrames.
    char m_szSelectedMac[32];
    char m_szSelectedSsid[64];
    int8_t m_nSelectedRssi;
    int16_t m_nSelectedChannel;
    std::array<CfrSample, kCfrTaps> m_aCfrIq;
    std::array<uint32_t, kCfrTaps> m_aCfrPower;
    uint32_t m_nCfrPowerSum;
    uint16_t m_nCfrPeakBin;
    uint32_t m_nCfrSampleCount;
    std::array<RateStats, kRateCount> m_aRateStats;
    uint8_t m_bCfrUpdated;
    uint32_t m_nFramesCaptured;
    uint32_t m_nSelectedFrames;

    // Channel load and per-channel values.
    std::array<uint8_t, kChannelLoadBytes> m_abChannelLoad;
    std::array<int16_t, kChannelSlots> m_anChannelValue;

    // Alert and spectrum screen state.
    char m_szAlertMac[32];
    uint8_t m_bStationsChanged;
    int16_t m_nSelectedTrace;
    std::array<SpectrumTrace, kSpectrumTraceCount> m_aSpectrumTrace;
    int16_t m_nSpectrumMarker;

    // Recording.
    uint8_t m_bRecording;
    std::string m_strLogFile;

    // Channel and options.
    uint8_t m_nChannel;
    uint8_t m_nFrameChannel;
    uint8_t m_nPreviousChannel;
    char m_szFrameSsid[64];
    uint8_t m_bBatteryLow;
    uint8_t m_bSecurityEnabled;
    uint8_t m_bShowNonApMacs;
    uint8_t m_bHeronEnabled;
    uint8_t m_bPacketSeen;

    // Frame counters.
    uint32_t m_nFramesTotal;
    uint32_t m_nBeacons;
    uint32_t m_nDataFrames;
    uint32_t m_nControlFrames;
    uint32_t m_nMgmtFrames;
    uint32_t m_nReservedFrames;
    uint32_t m_nAuthFrames;
    uint32_t m_nDeauthFrames;
    std::array<uint32_t, kChannelSlots> m_anFramesPerChannel;
    uint32_t m_nFramesAllChannels;
    std::array<uint32_t, kChannelSlots> m_anBeaconsPerChannel;
    std::array<std::array<uint32_t, kChannelSlots>, kRateCount> m_anBytesPerRateChannel;
    std::array<uint32_t, kChannelSlots> m_anChannelReports;
    // Refused packets (or parts of them) by reason, indexed by DropReason.
    std::array<uint32_t, kDropReasonCount> m_anDrops;

    // Notification and channel change.
    IMessagePoster* m_hNotifyWnd;  // null: nothing is posted
    uint8_t m_bSelectedUpdated;
    uint8_t m_bChannelPending;
    uint8_t m_nPendingChannel;

    // Statistics windows of the selected station.
    std::array<StatsWindow, kRateCount> m_aRateWindow;
    StatsWindow m_FrameWindow;

    // Other.
    int16_t m_nMarkerNumber;
    uint8_t m_bSerialReceived;

    // The station table and the last GPS message.
    CStationList m_Stations;
    CGpsStatus m_Gps;

private:
    void Post(unsigned message);
    void Drop(DropReason reason) { ++m_anDrops[static_cast<size_t>(reason)]; }
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
    mutable std::mutex m_Mutex;
    // The thread inside DispatchPacket, if any: a nested call from that thread
    // (a poster or stager dispatching synchronously) is dropped, not deadlocked.
    std::atomic<std::thread::id> m_DispatchOwner{};
    CBoardPort* m_pBoardPort = nullptr;
    IPacketStager* m_pPacketStager = nullptr;
    uint8_t m_bChannelLoadGuard = 0;

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
