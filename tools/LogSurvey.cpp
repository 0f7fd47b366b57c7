#include "tools/LogSurvey.h"

#include <cstring>

#include "data/SurveyData.h"

namespace {

// Fix statuses 6 and 7: a 2D or 3D position.
constexpr uint16_t kFirstFixStatus = 6;

// Whether the decoders take this record's frame as a beacon: the beacon
// packet types, or a management frame of subtype 8 among the other captures.
bool CarriesBeacon(const LogRecord& record) {
    if (PacketType::IsBeaconCapture(record.nType)) return true;
    constexpr uint32_t kFcAt = CaptureHeader::kSize + CaptureHeader::kFrameControl;
    if (record.nLength <= kFcAt) return false;
    const uint8_t fc = record.pPayload[kFcAt];
    constexpr uint8_t kManagement = 0, kBeaconSubtype = 8;
    return ((fc >> 2) & 3) == kManagement && (fc >> 4) == kBeaconSubtype;
}

}  // namespace

CLogSurvey::CLogSurvey() : m_pStore(std::make_unique<CSurveyData>()) {}

CLogSurvey::~CLogSurvey() = default;

uint64_t CLogSurvey::Run(CLogReader& reader, const StepFn& onStep, const ProblemFn& onProblem) {
    CSurveyData& store = *m_pStore;
    uint64_t damage = 0;
    while (true) {
        const CLogReader::Item item = reader.Next();
        if (item == CLogReader::Item::End) break;
        if (item == CLogReader::Item::Problem) {
            ++damage;
            if (onProblem) onProblem(reader.Problem());
            continue;
        }
        const LogRecord& record = reader.Record();
        if (!record.bCheckGood) ++damage;

        SurveyStep step;
        step.pRecord = &record;
        uint32_t framesBefore = 0;
        {
            const auto lock = store.Lock();
            step.nChannel = store.m_nChannel;
            framesBefore = store.m_nFramesCaptured;
        }
        store.DispatchPacket(record.nType, record.pPayload, record.nLength);

        const auto lock = store.Lock();
        if (record.nType == PacketType::kGps && record.bCheckGood) {
            const CGpsStatus& gps = store.m_Gps;
            step.bGpsMessage =
                gps.m_bMessageReceived && record.nLength > CGpsStatus::kMessageSize &&
                std::memcmp(gps.m_aRaw.data(), record.pPayload, CGpsStatus::kMessageSize) == 0;
            if (step.bGpsMessage && gps.m_nFixStatus >= kFirstFixStatus) {
                m_fix.bValid = true;
                m_fix.dLatitude = gps.m_dLatitude2;
                m_fix.dLongitude = gps.m_dLongitude2;
                m_fix.dAltitudeM = gps.m_dHeight1 / 100.0;
                m_nFix = ++m_nFixCount;
            } else if (step.bGpsMessage) {
                // The receiver lost its fix: the last position is stale.
                m_fix = SurveyFix{};
                m_nFix = 0;
            }
        }
        step.fix = m_fix;
        step.nFix = m_nFix;

        // The decoders count every frame they take into the station table.
        char mac[32];
        CaptureView capture;
        if (PacketType::IsCapture(record.nType) && store.m_nFramesCaptured != framesBefore &&
            record.nLength > 0 && CaptureView::Read(record.pPayload, record.nLength - 1, capture) &&
            capture.HasTransmitter()) {
            FormatMacText(capture.capture + CaptureHeader::kTransmitter, mac);
            StationEntry* station = nullptr;
            if (store.m_Stations.Find(mac, &station) == 0 &&
                station->nKind == kStationAccessPoint) {
                ApSighting& ap = step.ap;
                ap.bPresent = true;
                ap.mac = mac;
                std::string& ssid = m_beaconSsids[ap.mac];
                const size_t frameSsid = strnlen(store.m_szFrameSsid, sizeof(store.m_szFrameSsid));
                if (CarriesBeacon(record) && frameSsid != 0) {
                    ssid.assign(store.m_szFrameSsid, frameSsid);
                } else if (ssid.empty()) {
                    ssid.assign(station->szSsid, strnlen(station->szSsid, sizeof(station->szSsid)));
                }
                ap.ssid = ssid;
                ap.nRssi = station->nRssi;
                ap.nChannel = station->nChannel;
                ap.bPrivacy = station->bPrivacy != 0;
                ap.bFirst = m_seenAps.insert(ap.mac).second;
            }
        }
        if (onStep) onStep(step);
    }
    return damage;
}
