// Decoding of captured 802.11 frames into the station table, the selected
// station's measurements and the air-time counters. Runs inside
// DispatchPacket with the store lock held.

#include <algorithm>
#include <cstring>

#include "data/SurveyData.h"

namespace {

// Offsets inside the capture (rate byte first).
constexpr uint32_t kBeaconFixedOffset = 28;
constexpr uint32_t kCapabilityOffset = 38;
constexpr uint32_t kElementsOffset = 40;
constexpr uint8_t kPrivacyBit = 0x10;

// Boards before this firmware deliver the channel estimate rotated by 8 taps.
constexpr double kInOrderEstimateFirmware = 1.15;
constexpr int kEstimateRotation = 8;

constexpr uint32_t kElementScanLimit = 2047;
constexpr size_t kSsidMaxLength = 32;
constexpr uint8_t kElementSsid = 0;
constexpr uint8_t kElementDsParameterSet = 3;

constexpr uint16_t kAgeingInterval = 30;
constexpr int16_t kNoStationRssi = -120;
constexpr int8_t kNoSelectionRssi = -100;

// Rate index 0..3, or 4 for any other rate byte.
int RateIndex(uint8_t rate) {
    const int index = CaptureRate::IndexOf(rate);
    return index >= 0 ? index : kRateCount - 1;
}

bool IsChannel(unsigned channel) {
    return channel >= 1 && channel < kChannelSlots;
}

// Releases a decoder's guard byte on every way out.
class GuardScope {
public:
    explicit GuardScope(uint8_t& guard) : m_guard(guard) { m_guard = 1; }
    ~GuardScope() { m_guard = 0; }
    GuardScope(const GuardScope&) = delete;
    GuardScope& operator=(const GuardScope&) = delete;

private:
    uint8_t& m_guard;
};

template <size_t N>
void CopyText(char (&to)[N], const char* from, size_t fromSize) {
    const size_t n = std::min(strnlen(from, fromSize), N - 1);
    std::memcpy(to, from, n);
    std::memset(to + n, 0, N - n);
}

// Stores the capture header and puts the channel estimate in tap order.
void StoreHeader(std::array<uint8_t, CaptureHeader::kSize>& stored, const uint8_t* header,
                 double firmwareVersion) {
    std::memcpy(stored.data(), header, CaptureHeader::kSize);
    if (firmwareVersion >= kInOrderEstimateFirmware) return;
    uint8_t received[kCfrTaps * 2];
    std::memcpy(received, header + CaptureHeader::kEstimate, sizeof(received));
    for (int i = 0; i < kCfrTaps; ++i) {
        const int from = (i + kEstimateRotation) % kCfrTaps;
        stored[CaptureHeader::kEstimate + 2 * i] = received[2 * from];
        stored[CaptureHeader::kEstimate + 2 * i + 1] = received[2 * from + 1];
    }
}

// One step of a 1024-entry window: returns the entry leaving it (-1 while
// the window is not yet full) and records `value` as the newest entry.
int StepWindow(StatsWindow& window, int16_t value) {
    int leaving = -1;
    if (window.nCount >= kStatsWindowSize) {
        leaving = window.anRing[static_cast<size_t>(window.nReadIndex) % kStatsWindowSize];
    }
    window.nCount = static_cast<int16_t>(std::clamp(window.nCount + 1, 1, kStatsWindowSize));
    window.nReadIndex = static_cast<int16_t>((window.nReadIndex + 1) % kStatsWindowSize);
    window.anRing[static_cast<size_t>(window.nWriteIndex) % kStatsWindowSize] = value;
    window.nWriteIndex = static_cast<int16_t>((window.nWriteIndex + 1) % kStatsWindowSize);
    return leaving;
}

}  // namespace

int CSurveyData::ParseInformationElements(const uint8_t* elements, uint32_t length) {
    if (elements == nullptr) return -1;
    const uint32_t end = std::min(length, kElementScanLimit);
    uint32_t p = 0;
    int walked = 0;
    // An element whose value would run past the data ends the walk unread.
    while (p + 2 <= end && p + 2 + elements[p + 1] <= end) {
        const uint8_t tag = elements[p];
        const uint8_t size = elements[p + 1];
        const uint8_t* value = elements + p + 2;
        if (tag == kElementSsid) {
            std::memset(m_szFrameSsid, 0, sizeof(m_szFrameSsid));
            std::memcpy(m_szFrameSsid, value, std::min<size_t>(size, kSsidMaxLength));
        } else if (tag == kElementDsParameterSet) {
            if (size >= 1) m_nFrameChannel = value[0];
        } else if (!(tag == 1 || tag == 2 || tag == 4 || tag == 5 || tag == 6 || tag == 16)) {
            break;
        }
        ++walked;
        p += 2u + size;
    }
    return walked;
}

int CSurveyData::DecodeManagementFrame(const uint8_t* payload, uint32_t length) {
    if (m_bMgmtGuard) {
        Drop(DropReason::GuardSet);
        return -1;
    }
    GuardScope guard(m_bMgmtGuard);

    CaptureView frame;
    if (!CaptureView::Read(payload, length, frame)) {
        Drop(DropReason::ShortPayload);
        return -1;
    }
    StoreHeader(m_abMgmtHeader, frame.header, m_dFirmwareVersion);

    if (frame.length != 0) {
        std::memcpy(m_abMgmtFrame.data(), frame.capture,
                    std::min<size_t>(frame.length, m_abMgmtFrame.size()));
        m_abBeaconFixed.fill(0);
        if (frame.length > kBeaconFixedOffset) {
            std::memcpy(m_abBeaconFixed.data(), frame.capture + kBeaconFixedOffset,
                        std::min<size_t>(frame.length - kBeaconFixedOffset, kBeaconFixedBytes));
        }
        std::memset(m_szFrameSsid, 0, sizeof(m_szFrameSsid));
        if (frame.validFlag && frame.length > kElementsOffset) {
            ParseInformationElements(frame.capture + kElementsOffset,
                                     frame.length - kElementsOffset);
        }
    }

    // Heard off its own channel (or naming no channel at all).
    if (m_nFrameChannel != m_nChannel || !IsChannel(m_nFrameChannel)) {
        Drop(DropReason::OffChannel);
        return 0;
    }
    if (!frame.HasTransmitter()) {
        Drop(DropReason::NoTransmitter);
        return 0;
    }

    ++m_anBeaconsPerChannel[m_nFrameChannel];

    char mac[32];
    FormatMacText(frame.capture + CaptureHeader::kTransmitter, mac);
    // Judged once: the list does not change before the alarm check.
    const uint8_t unauthorized = IsUnauthorized(mac) ? 1 : 0;
    const bool privacyKnown = frame.length > kCapabilityOffset;
    const uint8_t privacy =
        privacyKnown && (frame.capture[kCapabilityOffset] & kPrivacyBit) != 0 ? 1 : 0;

    StationEntry* station = nullptr;
    if (m_Stations.Find(mac, &station) == 0) {
        station->nRssi = frame.rssi;
        station->nChannel = m_nFrameChannel;
        if (privacyKnown) station->bPrivacy = privacy;
        station->nKind = kStationAccessPoint;
        station->bSeen = 1;
        station->bUnauthorized = unauthorized;
    } else if (frame.validFlag) {
        if (m_Stations.Allocate(&station) != 0) {
            Drop(DropReason::OutOfMemory);
            return -1;
        }
        std::memcpy(station->szMac, mac, sizeof(mac));
        CopyText(station->szSsid, m_szFrameSsid, sizeof(m_szFrameSsid));
        station->nRssi = frame.rssi;
        station->nChannel = m_nFrameChannel;
        station->bPrivacy = privacy;
        station->nKind = kStationAccessPoint;
        station->bSeen = 1;
        station->bUnauthorized = unauthorized;
        if (m_Stations.Insert(station) != 0) {
            Drop(DropReason::OutOfMemory);
            return -1;
        }
    }

    TakeFrameStatistics(m_abMgmtHeader.data(), frame.capture[CaptureHeader::kRate], frame.length,
                        frame.validFlag, mac);
    CheckAlarm(frame.validFlag, mac, unauthorized);
    return 0;
}

int CSurveyData::DecodeDataFrame(const uint8_t* payload, uint32_t length) {
    if (m_bDataGuard) {
        Drop(DropReason::GuardSet);
        return -1;
    }
    GuardScope guard(m_bDataGuard);

    CaptureView frame;
    if (!CaptureView::Read(payload, length, frame)) {
        Drop(DropReason::ShortPayload);
        return -1;
    }
    StoreHeader(m_abDataHeader, frame.header, m_dFirmwareVersion);

    // The last beacon named another channel (or none).
    if (m_nFrameChannel != m_nChannel || !IsChannel(m_nFrameChannel)) {
        Drop(DropReason::OffChannel);
        return 0;
    }

    if (frame.length != 0) {
        std::memcpy(m_abDataFrame.data(), frame.capture,
                    std::min<size_t>(frame.length, m_abDataFrame.size()));
    }
    // Without address 2 there is no transmitter to match, create, measure or
    // alert on; such a frame is not counted either.
    if (!frame.HasTransmitter()) {
        Drop(DropReason::NoTransmitter);
        return 0;
    }

    char mac[32];
    FormatMacText(frame.capture + CaptureHeader::kTransmitter, mac);
    // Judged once: the list does not change before the alarm check.
    const uint8_t unauthorized = IsUnauthorized(mac) ? 1 : 0;

    StationEntry* station = nullptr;
    if (m_Stations.Find(mac, &station) == 0) {
        station->nRssi = frame.rssi;
        station->nChannel = m_nFrameChannel;
        station->bSeen = 1;
        station->bUnauthorized = unauthorized;
    } else if (frame.validFlag) {
        if (m_Stations.Allocate(&station) != 0) {
            Drop(DropReason::OutOfMemory);
            return -1;
        }
        std::memcpy(station->szMac, mac, sizeof(mac));
        station->nRssi = frame.rssi;
        station->nChannel = m_nFrameChannel;
        station->bPrivacy = 0;
        station->nKind = kStationOther;
        station->bSeen = 1;
        station->bUnauthorized = unauthorized;
        if (m_Stations.Insert(station) != 0) {
            Drop(DropReason::OutOfMemory);
            return -1;
        }
    }

    TakeFrameStatistics(m_abDataHeader.data(), frame.capture[CaptureHeader::kRate], frame.length,
                        frame.validFlag, mac);
    CheckAlarm(frame.validFlag, mac, unauthorized);
    return 0;
}

void CSurveyData::TakeFrameStatistics(const uint8_t* storedHeader, uint8_t rate, uint32_t length,
                                      uint8_t validFlag, const char* mac) {
    const int r = RateIndex(rate);
    if (IsChannel(m_nChannel)) m_anBytesPerRateChannel[r][m_nChannel] += length * 10u;
    ++m_nFramesCaptured;

    if (std::strncmp(mac, m_szSelectedMac, sizeof(m_szSelectedMac)) != 0) return;

    ++m_nSelectedFrames;
    m_bSelectedUpdated = 1;

    // The estimate is taken from the stored header, where it is in tap order.
    m_nCfrPowerSum = 0;
    m_nCfrPeakBin = 0;
    uint32_t peak = 0;
    for (int i = 0; i < kCfrTaps; ++i) {
        const int8_t iValue = static_cast<int8_t>(storedHeader[CaptureHeader::kEstimate + 2 * i]);
        const int8_t qValue =
            static_cast<int8_t>(storedHeader[CaptureHeader::kEstimate + 2 * i + 1]);
        m_aCfrIq[i] = CfrSample{iValue, qValue};
        const uint32_t power = static_cast<uint32_t>(iValue * iValue + qValue * qValue);
        m_aCfrPower[i] = power;
        if (power > peak) {
            peak = power;
            m_nCfrPeakBin = static_cast<uint16_t>(i);
        }
        m_nCfrPowerSum += power;
    }
    m_bCfrUpdated = 1;
    m_nSelectedRssi = static_cast<int8_t>(storedHeader[CaptureHeader::kRssi]);
    m_nCfrSampleCount = std::min<uint32_t>(m_nCfrSampleCount + 1, kStatsWindowSize);

    // The flag-zero count follows the zero-flag frames inside this rate's
    // window: it falls when one leaves and rises when one enters.
    RateStats& stats = m_aRateStats[r];
    StatsWindow& rateWindow = m_aRateWindow[r];
    const int leavingFlag = StepWindow(rateWindow, validFlag);
    if (leavingFlag == 0 && stats.nFlagZeroCount > 0) --stats.nFlagZeroCount;
    if (validFlag == 0 && stats.nFlagZeroCount < kStatsWindowSize) ++stats.nFlagZeroCount;

    const int leavingRate = StepWindow(m_FrameWindow, static_cast<int16_t>(r));
    if (leavingRate >= 0 && leavingRate < kRateCount) --m_aRateStats[leavingRate].nFrames;
    ++stats.nFrames;

    const uint32_t flagZeroPercent = stats.nFlagZeroCount * 100u / rateWindow.nCount;
    stats.dFlagZeroPercent = std::min(static_cast<double>(flagZeroPercent), 100.0);
    stats.dSharePercent = std::min(stats.nFrames * 100.0 / m_FrameWindow.nCount, 100.0);
}

void CSurveyData::CheckAlarm(uint8_t validFlag, const char* mac, bool unauthorized) {
    if (!validFlag || !m_bSecurityEnabled) return;
    if (unauthorized || IsAuthorized(mac)) return;
    CopyText(m_szAlertMac, mac, sizeof(m_szAlertMac));
    Post(UM_UNAUTHORIZED_AP);
    AddUnauthorized(mac);
}

void CSurveyData::AgeStations() {
    if (++m_nAgeingCounter < kAgeingInterval) return;
    m_nAgeingCounter = 0;

    StationEntry* station = nullptr;
    int found = m_Stations.GetAt(1, &station);
    while (found == 0) {
        StationEntry* next = nullptr;
        found = m_Stations.Next(station, &next);
        if (station->bSeen) {
            station->bSeen = 0;
        } else {
            m_Stations.Remove(station);
        }
        station = next;
    }
}

void CSurveyData::ClearSelectedStation() {
    std::memset(m_szSelectedMac, 0, sizeof(m_szSelectedMac));
    std::memset(m_szSelectedSsid, 0, sizeof(m_szSelectedSsid));
    m_nSelectedRssi = kNoSelectionRssi;
    m_nSelectedChannel = 0;
    m_aCfrIq.fill(CfrSample{});
    m_aCfrPower.fill(0);
    m_nCfrPowerSum = 0;
    m_nCfrPeakBin = 0;
    m_nCfrSampleCount = 0;
    m_aRateStats.fill(RateStats{});
    m_bCfrUpdated = 0;
    m_nFramesCaptured = 0;
    m_nSelectedFrames = 0;
    m_aRateWindow.fill(StatsWindow{});
    m_FrameWindow = StatsWindow{};
}

void CSurveyData::FindStrongestStation() {
    int16_t best = kNoStationRssi;
    StationEntry* station = nullptr;
    int found = m_Stations.GetAt(1, &station);
    while (found == 0) {
        if (station->nRssi > best) {
            best = station->nRssi;
            CopyText(m_szBestMac, station->szMac, sizeof(station->szMac));
            CopyText(m_szBestSsid, station->szSsid, sizeof(station->szSsid));
        }
        found = m_Stations.Next(station, &station);
    }
    m_nBestRssi = best;
}
