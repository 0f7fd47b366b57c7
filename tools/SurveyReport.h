#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "board/LogFormat.h"
#include "tools/LogSurvey.h"

// What a survey log says about its access points and channels, gathered from
// the steps of a CLogSurvey run: the material of `report`, the GeoJSON export
// and the heat map.

inline constexpr int kReportChannels = 15;  // 1..14; 0 stands for "not known yet"

// One access point, from every frame the decoders took for it.
struct ApSummary {
    std::string mac;   // "00-11-22-33-44-55"
    std::string ssid;  // from its beacons and probe responses (the latest non-empty one)
    bool bPrivacy = false;
    std::array<uint64_t, kReportChannels> anChannelSightings{};
    LogTime firstSeen;
    LogTime lastSeen;
    uint64_t nSightings = 0;
    int nMinRssi = 0;
    int nMaxRssi = 0;
    int64_t nRssiSum = 0;
    // The strongest sighting that had a position.
    bool bHasStrongest = false;
    SurveyFix strongestFix;
    int nStrongestRssi = 0;
    LogTime strongestTime;

    double MeanRssi() const { return nSightings ? double(nRssiSum) / double(nSightings) : 0.0; }
    // The channel it was heard on most (the lowest of equals).
    int MainChannel() const;
    // "1", "1,6": every channel it was heard on.
    std::string ChannelList() const;
};

// Frame kinds counted per channel, from the frame-control field.
enum class FrameKind { Beacon, ProbeResponse, Management, Control, Data, Reserved, Count };
inline constexpr int kFrameKinds = static_cast<int>(FrameKind::Count);
const char* FrameKindName(FrameKind kind);

struct ChannelSummary {
    std::array<uint64_t, kFrameKinds> anFrames{};
    std::array<uint64_t, 256> anRateFrames{};  // by the capture's rate byte
    int64_t nNoiseSum = 0;
    uint64_t nNoiseReports = 0;
    int nAccessPoints = 0;  // access points whose main channel this is

    uint64_t Frames() const;
    bool HasNoise() const { return nNoiseReports != 0; }
    double MeanNoise() const { return HasNoise() ? double(nNoiseSum) / double(nNoiseReports) : 0; }
    // The rate byte most frames were sent at, or -1 when there were none.
    int BusiestRate() const;
};

// "11 Mbit/s", "5.5 Mbit/s" for a rate byte in 100 kbit/s units.
std::string RateText(int rateByte);

// Appends `text` as a JSON string; bytes above 0x7F are taken as Latin-1.
void AppendJsonString(std::string& out, std::string_view text);

// The SSID element of a beacon or probe response capture (rate byte first), or
// an empty text when it has none; `length` is the captured length.
std::string BeaconSsid(const uint8_t* capture, uint32_t length);

class CSurveyCollector {
public:
    void Take(const SurveyStep& step);
    // Counts the access points per main channel; call once after the run.
    void Finish();

    // In the order they were first seen.
    const std::vector<ApSummary>& AccessPoints() const { return m_aps; }
    const ApSummary* Find(const std::string& mac) const;
    const std::array<ChannelSummary, kReportChannels>& Channels() const { return m_channels; }
    // The GPS positions in order, repeats of the same position merged.
    const std::vector<SurveyFix>& Track() const { return m_track; }
    uint64_t Records() const { return m_nRecords; }
    bool HasTime() const { return m_bHasTime; }
    const LogTime& FirstTime() const { return m_firstTime; }
    const LogTime& LastTime() const { return m_lastTime; }

private:
    std::vector<ApSummary> m_aps;
    std::unordered_map<std::string, size_t> m_index;
    std::array<ChannelSummary, kReportChannels> m_channels{};
    std::vector<SurveyFix> m_track;
    uint64_t m_nRecords = 0;
    bool m_bHasTime = false;
    LogTime m_firstTime;
    LogTime m_lastTime;
};

// A progress line on standard error for a run that takes longer than a
// second: "orvalis-log: reading FILE ... 42%", rewritten in place.
class CProgress {
public:
    CProgress(std::FILE* err, std::string path, uint64_t totalBytes,
              std::chrono::milliseconds quiet = std::chrono::seconds(1));
    ~CProgress() { Done(); }
    CProgress(const CProgress&) = delete;
    CProgress& operator=(const CProgress&) = delete;

    void Update(uint64_t offset) {
        // The clock is read only now and then: updates come per record.
        if ((++m_nCalls & 0x3FF) == 0) Check(offset);
    }
    // Ends the line, if one was shown.
    void Done();

private:
    void Check(uint64_t offset);

    std::FILE* m_pErr;
    std::string m_strPath;
    uint64_t m_nTotal;
    std::chrono::milliseconds m_quiet;
    std::chrono::steady_clock::time_point m_start;
    std::chrono::steady_clock::time_point m_lastShown;
    uint64_t m_nCalls = 0;
    bool m_bShown = false;
};

// The outcome of reading a log through a survey.
struct SurveyRunResult {
    uint64_t nDamage = 0;   // damage reports plus records with a bad check byte
    uint64_t nRecords = 0;  // records read, good or not
    bool bHeaderGood = false;
};

// Opens the log at `path` and plays it through a survey, calling onStep for
// every record, with damage reported on `err` as it is found and a progress
// line when the run takes long. -1 (message written) when it cannot be opened.
int RunSurveyOf(const std::string& path, std::FILE* err, const CLogSurvey::StepFn& onStep,
                SurveyRunResult& result);

// Both files name the same file (an output that would overwrite the log).
bool SameFile(const std::string& a, const std::string& b);

// Writes an output next to its final name and renames it into place, so a
// failed run never leaves half a file under the name asked for.
class CAtomicOutput {
public:
    explicit CAtomicOutput(std::string path);
    ~CAtomicOutput();
    CAtomicOutput(const CAtomicOutput&) = delete;
    CAtomicOutput& operator=(const CAtomicOutput&) = delete;

    const std::string& TempPath() const { return m_strTemp; }
    // Moves the temporary file to the final name: 0, or -1.
    int Commit();

private:
    std::string m_strPath;
    std::string m_strTemp;
    bool m_bCommitted = false;
};
