#include "tools/LogSurvey.h"

#include <cstring>

#include "data/SurveyData.h"

namespace {

// Fix statuses 6 and 7: a 2D or 3D position.
constexpr uint16_t kFirstFixStatus = 6;

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
            }
        }
        step.fix = m_fix;

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
                ap.ssid.assign(station->szSsid, strnlen(station->szSsid, sizeof(station->szSsid)));
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
