// Compiled by check_lock_analysis.sh: reading a store field needs the store
// lock. With ORV_TAKE_LOCK it is held and the file compiles; without, the
// lock analysis must reject the read.
#include "data/SurveyData.h"

int ReadMode(const CSurveyData& data) {
#ifdef ORV_TAKE_LOCK
    const CStoreLock lock(data);
#endif
    return data.m_nMode;
}

int SelectChannel(CSurveyData& data) {
#ifdef ORV_TAKE_LOCK
    const CStoreLock lock(data);
#endif
    return data.SetChannel(6);
}
