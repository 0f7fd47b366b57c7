// Compiled by check_lock_analysis.sh: a command handler that writes the
// store. With ORV_TAKE_LOCK it takes a CStoreLock and compiles; without, it
// holds the store's plain std::unique_lock, which the analysis cannot see,
// and the write must be rejected: checked code has to take the lock in the
// form the analysis follows.
#include "data/SurveyData.h"

void ToggleSecurity(CSurveyData& data) {
#ifdef ORV_TAKE_LOCK
    const CStoreLock lock(data);
#else
    const auto lock = data.Lock();
#endif
    data.m_bSecurityEnabled = data.m_bSecurityEnabled ? 0 : 1;
}
