#include "data/SurveyData.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "board/BoardPort.h"
#include "board/Framing.h"
#include "platform/Clock.h"

namespace {

// Largest payload the framer can deliver; anything longer cannot come from the
// board and is dropped unread.
constexpr uint32_t kMaxPayload = 8192;

// Bytes a capture packet needs before the frame type can be read: the capture
// header, the rate byte, three unused bytes and the frame-control byte.
constexpr uint32_t kFrameControlOffset = CaptureHeader::kSize + CaptureHeader::kFrameControl;

template <size_t N>
void CopyText(char (&field)[N], const char* text) {
    const size_t n = strnlen(text, N - 1);
    std::memcpy(field, text, n);
    std::memset(field + n, 0, N - n);
}

// Copies bytes up to the first NUL (or the end of the data) as text, cut to
// leave room for the terminator; the rest of the field is zeroed.
template <size_t N>
void CopyPayloadText(char (&field)[N], const uint8_t* data, uint32_t length) {
    size_t n = 0;
    while (n < length && n < N - 1 && data[n] != 0) {
        field[n] = static_cast<char>(data[n]);
        ++n;
    }
    std::memset(field + n, 0, N - n);
}

// The number written in the text from its third character on ("V 1.10"
// gives 1.10); 0.0 when there is none.
double ReadVersionNumber(const char* text) {
    if (strnlen(text, 3) < 3) return 0.0;
    char* end = nullptr;
    const double value = std::strtod(text + 2, &end);
    if (end == text + 2 || !std::isfinite(value)) return 0.0;
    return value;
}

// True when the slot equals the text in its first 17 characters (or up to a
// NUL both share). The decoders look up every frame's MAC text in both lists,
// so a full-length text takes a fast path: all 17 characters must then match,
// and the last ones, where the addresses of one maker differ, are tried first.
bool FindInList(const char (*slots)[32], int used, const char* mac) {
    if (strnlen(mac, kMacTextLength) == kMacTextLength) {
        for (int i = 0; i < used; ++i) {
            const char* slot = slots[i];
            if (slot[16] == mac[16] && slot[15] == mac[15] &&
                std::memcmp(slot, mac, kMacTextLength) == 0)
                return true;
        }
        return false;
    }
    for (int i = 0; i < used; ++i)
        if (std::strncmp(slots[i], mac, kMacTextLength) == 0) return true;
    return false;
}

int UsedSlots(int32_t count) {
    return std::clamp<int32_t>(count, 0, kApListCapacity);
}

// Through the index while it covers the list; a count written directly (the
// fields are public) leaves it behind, and the slots are then walked.
bool LookUp(const char (*slots)[32], int used, const CApListIndex& index, const char* mac) {
    if (mac == nullptr) return false;
    if (index.Count() == used) return index.Contains(slots, mac);
    return FindInList(slots, used, mac);
}

}  // namespace

CSurveyData::CSurveyData()
    : m_bRefreshEnabled(1),
      m_szSerialNumber{},
      m_szFirmwareVersion{},
      m_dFirmwareVersion(0.0),
      m_nMode(BoardMode::kIdle),
      m_abHeronRecord{},
      m_nHeronRecordLength(0),
      m_nBestRssi(0),
      m_szBestMac{},
      m_szBestSsid{},
      m_aszAuthorized{},
      m_aszUnauthorized{},
      m_nAuthorizedCount(0),
      m_nUnauthorizedCount(0),
      m_bAuthorizedChanged(1),
      m_bUnauthorizedChanged(1),
      m_tBatteryLowSince(0),
      m_abNarrowSweep{},
      m_abWideSweep{},
      m_abMgmtHeader{},
      m_abBeaconFixed{},
      m_abDataHeader{},
      m_abMgmtFrame{},
      m_abDataFrame{},
      m_szSelectedMac{},
      m_szSelectedSsid{},
      m_nSelectedRssi(0),
      m_nSelectedChannel(0),
      m_aCfrIq{},
      m_aCfrPower{},
      m_nCfrPowerSum(0),
      m_nCfrPeakBin(0),
      m_nCfrSampleCount(0),
      m_aRateStats{},
      m_bCfrUpdated(0),
      m_nFramesCaptured(0),
      m_nSelectedFrames(0),
      m_abChannelLoad{},
      m_anChannelValue{},
      m_szAlertMac{},
      m_bStationsChanged(0),
      m_nSelectedTrace(1),
      m_aSpectrumTrace{},
      m_nSpectrumMarker(0),
      m_bRecording(0),
      m_strLogFile(),
      m_nChannel(1),
      m_nFrameChannel(0),
      m_nPreviousChannel(1),
      m_szFrameSsid{},
      m_bBatteryLow(0),
      m_bSecurityEnabled(0),
      m_bShowNonApMacs(0),
      m_bHeronEnabled(0),
      m_bPacketSeen(0),
      m_nFramesTotal(0),
      m_nBeacons(0),
      m_nDataFrames(0),
      m_nControlFrames(0),
      m_nMgmtFrames(0),
      m_nReservedFrames(0),
      m_nAuthFrames(0),
      m_nDeauthFrames(0),
      m_anFramesPerChannel{},
      m_nFramesAllChannels(0),
      m_anBeaconsPerChannel{},
      m_anBytesPerRateChannel{},
      m_anChannelReports{},
      m_anDrops{},
      m_hNotifyWnd(nullptr),
      m_bSelectedUpdated(0),
      m_bChannelPending(0),
      m_nPendingChannel(1),
      m_aRateWindow{},
      m_FrameWindow{},
      m_nMarkerNumber(0),
      m_bSerialReceived(0) {
    CopyText(m_szSerialNumber, "XXXXXX");
    CopyText(m_szFirmwareVersion, "0.00");
    m_aSpectrumTrace[1].bSelected = 1;
    m_aSpectrumTrace[1].bVisible = 1;
}

CSurveyData::~CSurveyData() = default;

void CSurveyData::Reset() {
    std::lock_guard<std::mutex> lock(m_Mutex);
    m_bRefreshEnabled = 1;
    std::memset(m_szSerialNumber, 0, sizeof m_szSerialNumber);
    std::memset(m_szFirmwareVersion, 0, sizeof m_szFirmwareVersion);
    m_dFirmwareVersion = 0.0;
    m_nMode = BoardMode::kIdle;
    m_abHeronRecord = {};
    m_nHeronRecordLength = 0;
    m_nBestRssi = 0;
    std::memset(m_szBestMac, 0, sizeof m_szBestMac);
    std::memset(m_szBestSsid, 0, sizeof m_szBestSsid);
    std::memset(m_aszAuthorized, 0, sizeof m_aszAuthorized);
    std::memset(m_aszUnauthorized, 0, sizeof m_aszUnauthorized);
    m_nAuthorizedCount = 0;
    m_nUnauthorizedCount = 0;
    m_bAuthorizedChanged = 1;
    m_bUnauthorizedChanged = 1;
    m_tBatteryLowSince = 0;
    m_abNarrowSweep = {};
    m_abWideSweep = {};
    m_abMgmtHeader = {};
    m_abBeaconFixed = {};
    m_abDataHeader = {};
    m_abMgmtFrame = {};
    m_abDataFrame = {};
    std::memset(m_szSelectedMac, 0, sizeof m_szSelectedMac);
    std::memset(m_szSelectedSsid, 0, sizeof m_szSelectedSsid);
    m_nSelectedRssi = 0;
    m_nSelectedChannel = 0;
    m_aCfrIq = {};
    m_aCfrPower = {};
    m_nCfrPowerSum = 0;
    m_nCfrPeakBin = 0;
    m_nCfrSampleCount = 0;
    m_aRateStats = {};
    m_bCfrUpdated = 0;
    m_nFramesCaptured = 0;
    m_nSelectedFrames = 0;
    m_abChannelLoad = {};
    m_anChannelValue = {};
    std::memset(m_szAlertMac, 0, sizeof m_szAlertMac);
    m_bStationsChanged = 0;
    m_nSelectedTrace = 1;
    m_aSpectrumTrace = {};
    m_nSpectrumMarker = 0;
    m_bRecording = 0;
    m_strLogFile.clear();
    m_nChannel = 1;
    m_nFrameChannel = 0;
    m_nPreviousChannel = 1;
    std::memset(m_szFrameSsid, 0, sizeof m_szFrameSsid);
    m_bBatteryLow = 0;
    m_bSecurityEnabled = 0;
    m_bShowNonApMacs = 0;
    m_bHeronEnabled = 0;
    m_bPacketSeen = 0;
    m_nFramesTotal = 0;
    m_nBeacons = 0;
    m_nDataFrames = 0;
    m_nControlFrames = 0;
    m_nMgmtFrames = 0;
    m_nReservedFrames = 0;
    m_nAuthFrames = 0;
    m_nDeauthFrames = 0;
    m_anFramesPerChannel = {};
    m_nFramesAllChannels = 0;
    m_anBeaconsPerChannel = {};
    m_anBytesPerRateChannel = {};
    m_anChannelReports = {};
    m_anDrops = {};
    m_bSelectedUpdated = 0;
    m_bChannelPending = 0;
    m_nPendingChannel = 1;
    m_aRateWindow = {};
    m_FrameWindow = {};
    m_nMarkerNumber = 0;
    m_bSerialReceived = 0;
    CopyText(m_szSerialNumber, "XXXXXX");
    CopyText(m_szFirmwareVersion, "0.00");
    m_aSpectrumTrace[1].bSelected = 1;
    m_aSpectrumTrace[1].bVisible = 1;
    m_Stations.Clear();
    m_Gps = CGpsStatus();
    m_authorizedIndex.Clear();
    m_unauthorizedIndex.Clear();
    m_bChannelLoadGuard = 0;
    m_bMgmtGuard = 0;
    m_bDataGuard = 0;
    m_nAgeingCounter = 0;
}

// ---------------------------------------------------------------- commands

int CSurveyData::SendCommand(uint8_t command, const uint8_t* args, uint32_t argLength) {
    if (m_pBoardPort == nullptr) return -1;
    if (argLength > CBoardPort::kPendingCommandSize) return -1;
    std::array<uint8_t, CBoardPort::kPendingCommandSize> framed{};
    const int n = FrameCommand(command, args, static_cast<int>(argLength), framed.data(),
                               static_cast<int>(framed.size()));
    if (n < 0) return -1;
    return m_pBoardPort->QueueCommand(framed.data(), static_cast<uint32_t>(n));
}

int CSurveyData::RequestFirmwareVersion() {
    return SendCommand(BoardCommand::kFirmwareVersion, nullptr, 0);
}

int CSurveyData::RequestSerialNumber() {
    return SendCommand(BoardCommand::kSerialNumber, nullptr, 0);
}

int CSurveyData::SetMode(uint8_t mode) {
    m_nMode = mode;
    return SendCommand(BoardCommand::kSetMode, &mode, 1);
}

int CSurveyData::SetChannel(uint8_t channel) {
    return SendCommand(BoardCommand::kSetChannel, &channel, 1);
}

int CSurveyData::SendCommand8(uint8_t value) {
    return SendCommand(BoardCommand::kIdentityDone, &value, 1);
}

// ---------------------------------------------------------------- dispatch

void CSurveyData::Post(unsigned message) {
    if (m_hNotifyWnd != nullptr) m_hNotifyWnd->PostMessage(message);
}

void CSurveyData::DispatchPacket(uint8_t type, const uint8_t* payload, uint32_t length) {
    const std::thread::id self = std::this_thread::get_id();
    // The nested call comes from the thread that holds the lock already.
    if (m_DispatchOwner.load(std::memory_order_relaxed) == self) {
        Drop(DropReason::NestedDispatch);
        return;
    }

    // Judged before the lock is taken, so a refused packet holds it only to
    // be counted.
    std::optional<DropReason> refused;
    if (length > kMaxPayload) {
        refused = DropReason::OversizedPayload;
    } else if (payload == nullptr && length != 0) {
        refused = DropReason::NullPayload;
    } else {
        uint8_t check = type;
        for (uint32_t i = 0; i < length; ++i) check ^= payload[i];
        if (check != 0) refused = DropReason::BadCheckByte;
    }

    std::lock_guard<std::mutex> lock(m_Mutex);
    if (refused) {
        Drop(*refused);
        return;
    }
    m_DispatchOwner.store(self, std::memory_order_relaxed);

    if (m_bRecording) {
        if (m_pPacketStager != nullptr) m_pPacketStager->StagePacket(type, payload, length);
        Post(UM_LOG_PACKET);
    }
    if (m_bHeronEnabled && type == PacketType::kGps) {
        if (BuildHeronRecord(type, payload, length & 0xFFFF) >= 0) Post(UM_IR_SEND);
    }
    m_bPacketSeen = 1;

    // Handlers see the payload without its check byte (the last byte).
    const uint32_t n = length > 0 ? length - 1 : 0;
    bool refresh = true;
    switch (type) {
        case PacketType::kFirmwareVersion:
            HandleFirmwareVersion(payload, n);
            break;
        case PacketType::kSerialNumber:
            HandleSerialNumber(payload, n);
            break;
        case PacketType::kModeAck:
            HandleModeAck();
            break;
        case PacketType::kChannelReport:
            HandleChannelReport(payload, n);
            break;
        case PacketType::kChannelReportCount:
            if (n >= 1) {
                if (m_nChannel < kChannelSlots) ++m_anChannelReports[m_nChannel];
                HandleChannelReport(payload, n);
            } else {
                Drop(DropReason::ShortPayload);
            }
            break;
        case PacketType::kNarrowSweep:
            StoreSweep(m_abNarrowSweep, payload, n);
            break;
        case PacketType::kWideSweep:
            StoreSweep(m_abWideSweep, payload, n);
            break;
        case PacketType::kCapturedFrame:
        case PacketType::kCapturedFrameAlt:
            HandleCapturedFrame(payload, n);
            break;
        case PacketType::kGps:
            if (m_Gps.Decode(payload, n) < 0) Drop(DropReason::ShortPayload);
            break;
        case PacketType::kCapturedBeacon:
        case PacketType::kCapturedBeaconAlt:
            HandleCapturedBeacon(payload, n);
            break;
        case PacketType::kBatteryLow:
            HandleBatteryLow(payload, n);
            break;
        case PacketType::kChannelLoad:
            StoreChannelLoad(payload, n);
            break;
        case PacketType::kChannelValue:
            HandleChannelValue(payload, n);
            break;
        default:
            Drop(DropReason::UnassignedType);
            refresh = false;
            break;
    }

    // Authentication and deauthentication frames are also management frames,
    // so they count twice here; beacons are not added.
    m_nFramesTotal = m_nDeauthFrames + m_nAuthFrames + m_nReservedFrames + m_nMgmtFrames +
                     m_nControlFrames + m_nDataFrames;

    if (refresh && m_bRefreshEnabled) Post(UM_REFRESH_VIEW);
    m_DispatchOwner.store(std::thread::id{}, std::memory_order_relaxed);
}

void CSurveyData::HandleFirmwareVersion(const uint8_t* payload, uint32_t length) {
    CopyPayloadText(m_szFirmwareVersion, payload, length);
    m_dFirmwareVersion = ReadVersionNumber(m_szFirmwareVersion);
    RequestSerialNumber();
}

void CSurveyData::HandleSerialNumber(const uint8_t* payload, uint32_t length) {
    CopyPayloadText(m_szSerialNumber, payload, length);
    SendCommand8(1);
    m_bSerialReceived = 1;
}

void CSurveyData::HandleModeAck() {
    if (!m_bChannelPending) return;
    SetChannel(m_nPendingChannel);
    m_bChannelPending = 0;
}

void CSurveyData::HandleChannelReport(const uint8_t* payload, uint32_t length) {
    if (length < 1) {
        Drop(DropReason::ShortPayload);
        return;
    }
    const uint8_t channel = payload[0];
    if (channel < 1 || channel > 14) {
        Drop(DropReason::ChannelOutOfRange);
        return;
    }
    m_nPreviousChannel = m_nChannel;
    m_nChannel = channel;
    AgeStations();
}

template <size_t N>
void CSurveyData::StoreSweep(std::array<uint8_t, N>& sweep, const uint8_t* payload,
                             uint32_t length) {
    // A short sweep would leave the buffer half old, half new: keep the old one.
    if (length < N) {
        Drop(DropReason::ShortPayload);
        return;
    }
    std::memcpy(sweep.data(), payload, N);
}

void CSurveyData::HandleCapturedFrame(const uint8_t* payload, uint32_t length) {
    // Without its frame-control byte a capture cannot be classified; it is not
    // counted either, so the per-channel totals stay the sum of the kinds.
    if (length <= kFrameControlOffset) {
        Drop(DropReason::ShortPayload);
        return;
    }
    if (m_nChannel < kChannelSlots) ++m_anFramesPerChannel[m_nChannel];
    ++m_nFramesAllChannels;

    const uint8_t fc = payload[kFrameControlOffset];
    const int frameType = (fc >> 2) & 3;
    const int subtype = fc >> 4;
    switch (frameType) {
        case 0:
            ++m_nMgmtFrames;
            if (subtype == 8) {
                ++m_nBeacons;
                DecodeManagementFrame(payload, length);
            } else if (subtype == 11) {
                ++m_nAuthFrames;
            } else if (subtype == 12) {
                ++m_nDeauthFrames;
            }
            break;
        case 1:
            ++m_nControlFrames;
            break;
        case 2:
            ++m_nDataFrames;
            DecodeDataFrame(payload, length);
            m_bStationsChanged = 1;
            break;
        default:
            ++m_nReservedFrames;
            break;
    }
}

void CSurveyData::HandleCapturedBeacon(const uint8_t* payload, uint32_t length) {
    // A beacon without a whole capture header carries nothing to decode or count.
    if (length < CaptureHeader::kSize) {
        Drop(DropReason::ShortPayload);
        return;
    }
    DecodeManagementFrame(payload, length);
    if (m_nChannel < kChannelSlots) ++m_anFramesPerChannel[m_nChannel];
    ++m_nFramesAllChannels;
    ++m_nBeacons;
    m_bStationsChanged = 1;
}

void CSurveyData::HandleBatteryLow(const uint8_t* payload, uint32_t length) {
    if (!m_bBatteryLow) {
        m_bBatteryLow = 1;
        m_tBatteryLowSince = static_cast<uint32_t>(CClock::Now());
    }
    StoreChannelLoad(payload, length);
}

int CSurveyData::StoreChannelLoad(const uint8_t* payload, uint32_t length) {
    if (m_bChannelLoadGuard) {
        Drop(DropReason::GuardSet);
        return -1;
    }
    if (payload == nullptr || length < static_cast<uint32_t>(kChannelLoadBytes)) {
        Drop(DropReason::ShortPayload);
        return -1;
    }
    m_bChannelLoadGuard = 1;
    std::memcpy(m_abChannelLoad.data(), payload, kChannelLoadBytes);
    if (m_nChannel < kChannelSlots) {
        for (int rate = 0; rate < 4; ++rate)
            m_anBytesPerRateChannel[rate][m_nChannel] = ReadLe32(payload + 4 * rate);
    }
    m_bChannelLoadGuard = 0;
    return 0;
}

void CSurveyData::HandleChannelValue(const uint8_t* payload, uint32_t length) {
    if (length < 3) {
        Drop(DropReason::ShortPayload);
        return;
    }
    const uint8_t index = payload[2];
    if (index >= kChannelSlots) {
        Drop(DropReason::ChannelOutOfRange);
        return;
    }
    m_anChannelValue[index] = static_cast<int16_t>(ReadLe16(payload));
}

// ---------------------------------------------------------------- infrared record

int CSurveyData::BuildHeronRecord(uint8_t type, const uint8_t* payload, uint32_t length) {
    length &= 0xFFFF;
    if (payload == nullptr && length != 0) return -1;

    FindStrongestStation();
    // Field widths are bounded by the texts' own buffers, so the record text
    // is at most a few hundred bytes; %.*s keeps an unterminated field inside
    // its buffer.
    char text[sizeof m_szSerialNumber + sizeof m_szBestMac + sizeof m_szBestSsid + 32];
    const int textLength = std::snprintf(
        text, sizeof text, "X,%.*s,%d,%12.*s,%.*s",
        static_cast<int>(strnlen(m_szSerialNumber, sizeof m_szSerialNumber)), m_szSerialNumber,
        static_cast<int>(m_nBestRssi), static_cast<int>(strnlen(m_szBestMac, sizeof m_szBestMac)),
        m_szBestMac, static_cast<int>(strnlen(m_szBestSsid, sizeof m_szBestSsid)), m_szBestSsid);
    if (textLength < 0) return -1;
    const uint32_t t = static_cast<uint32_t>(textLength);
    // A record that would not fit is not built; the previous one stays intact
    // for a send that may still be waiting for it.
    if (3 + length + t > static_cast<uint32_t>(kHeronRecordSize) || length + t > 0xFFFF) return -1;

    m_abHeronRecord.fill(0);
    const uint32_t total = length + t;
    m_abHeronRecord[0] = type;
    m_abHeronRecord[1] = static_cast<uint8_t>(total & 0xFF);
    m_abHeronRecord[2] = static_cast<uint8_t>(total >> 8);
    if (length != 0) std::memcpy(m_abHeronRecord.data() + 3, payload, length);
    std::memcpy(m_abHeronRecord.data() + 3 + length, text, t);
    m_nHeronRecordLength = static_cast<int32_t>(total + 3);
    return m_nHeronRecordLength;
}

// ---------------------------------------------------------------- access-point lists

bool CSurveyData::IsAuthorized(const char* mac) const {
    return LookUp(m_aszAuthorized, UsedSlots(m_nAuthorizedCount), m_authorizedIndex, mac);
}

bool CSurveyData::IsUnauthorized(const char* mac) const {
    return LookUp(m_aszUnauthorized, UsedSlots(m_nUnauthorizedCount), m_unauthorizedIndex, mac);
}

namespace {

int AddToList(char (&slots)[kApListSlots][32], int32_t& count, uint8_t& changed,
              CApListIndex& index, const char* mac) {
    if (mac == nullptr) return -1;
    const int used = UsedSlots(count);
    if (used >= kApListCapacity) return -1;
    char* slot = slots[used];
    std::memset(slot, 0, 32);
    std::memcpy(slot, mac, strnlen(mac, kMacTextLength));
    if (index.Count() != used) index.Rebuild(slots, used);
    index.Append(slots, used);
    count = used + 1;
    changed = 1;
    return 0;
}

int RemoveFromList(char (&slots)[kApListSlots][32], int32_t& count, uint8_t& changed,
                   CApListIndex& index, int position) {
    const int used = UsedSlots(count);
    if (position < 0 || position >= used) return -1;
    std::memmove(slots[position], slots[position + 1],
                 static_cast<size_t>(used - position - 1) * 32);
    std::memset(slots[used - 1], 0, 32);
    count = used - 1;
    index.Rebuild(slots, used - 1);
    changed = 1;
    return 0;
}

}  // namespace

int CSurveyData::AddAuthorized(const char* mac) {
    return AddToList(m_aszAuthorized, m_nAuthorizedCount, m_bAuthorizedChanged, m_authorizedIndex,
                     mac);
}

int CSurveyData::AddUnauthorized(const char* mac) {
    return AddToList(m_aszUnauthorized, m_nUnauthorizedCount, m_bUnauthorizedChanged,
                     m_unauthorizedIndex, mac);
}

int CSurveyData::RemoveAuthorized(int index) {
    return RemoveFromList(m_aszAuthorized, m_nAuthorizedCount, m_bAuthorizedChanged,
                          m_authorizedIndex, index);
}

int CSurveyData::RemoveUnauthorized(int index) {
    return RemoveFromList(m_aszUnauthorized, m_nUnauthorizedCount, m_bUnauthorizedChanged,
                          m_unauthorizedIndex, index);
}

void CSurveyData::ClearAuthorized() {
    m_nAuthorizedCount = 0;
    m_authorizedIndex.Clear();
    m_bAuthorizedChanged = 1;
}

void CSurveyData::ClearUnauthorized() {
    m_nUnauthorizedCount = 0;
    m_unauthorizedIndex.Clear();
    m_bUnauthorizedChanged = 1;
}
