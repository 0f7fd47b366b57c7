#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "board/LogReader.h"

class CSurveyData;

// A position from the GPS messages of a recording.
struct SurveyFix {
    bool bValid = false;
    double dLatitude = 0.0;  // degrees, as the GPS screen shows them
    double dLongitude = 0.0;
    double dAltitudeM = 0.0;
};

// A captured frame that the program's decoders took for an access point in
// its station table, with the table's view of that station after the frame.
struct ApSighting {
    bool bPresent = false;
    bool bFirst = false;  // the first sighting of this access point in the log
    std::string mac;      // "00-11-22-33-44-55"
    // The latest non-empty SSID the access point announced in a beacon so
    // far: the station table keeps the SSID of the frame that created the
    // entry, which is empty when a data frame came first.
    std::string ssid;
    int nRssi = 0;
    int nChannel = 0;
    bool bPrivacy = false;
};

// What one record meant to the program.
struct SurveyStep {
    const LogRecord* pRecord = nullptr;
    // The channel the board was tuned to when the packet arrived (0: not known yet).
    int nChannel = 0;
    // This record carried a GPS message the program decoded.
    bool bGpsMessage = false;
    // The current fix: a GPS message with a valid fix starts a fix interval,
    // which runs up to the next GPS message of any kind. nFix numbers the
    // intervals from 1; outside one it is 0 and fix.bValid is false.
    uint64_t nFix = 0;
    SurveyFix fix;
    ApSighting ap;
};

// Plays a log through a survey data store of its own, exactly as the program
// receives packets from the board, so that exports see what the screens show.
class CLogSurvey {
public:
    using StepFn = std::function<void(const SurveyStep&)>;
    using ProblemFn = std::function<void(const LogProblem&)>;

    CLogSurvey();
    ~CLogSurvey();
    CLogSurvey(const CLogSurvey&) = delete;
    CLogSurvey& operator=(const CLogSurvey&) = delete;

    // Calls onStep for every record (bad check bytes included: the program
    // drops those) and onProblem for every piece of damage. Returns the
    // number of damage reports plus records with a bad check byte.
    uint64_t Run(CLogReader& reader, const StepFn& onStep, const ProblemFn& onProblem);

    CSurveyData& Store() { return *m_pStore; }

private:
    std::unique_ptr<CSurveyData> m_pStore;
    std::unordered_set<std::string> m_seenAps;
    std::unordered_map<std::string, std::string> m_beaconSsids;
    SurveyFix m_fix;
    uint64_t m_nFix = 0;
    uint64_t m_nFixCount = 0;
};
