// Compiled by check_lock_analysis.sh: a screen's Compose override reads the
// store it is given. With ORV_TAKE_LOCK it carries the lock requirement and
// compiles; without it the lock analysis must reject the read.
#include "screens/Screen.h"

#ifdef ORV_TAKE_LOCK
#define ORV_OVERRIDE_REQUIRES(data) ORV_REQUIRES_STORE(data)
#else
#define ORV_OVERRIDE_REQUIRES(data)
#endif

class CBareScreen : public CScreen {
public:
    CBareScreen() : CScreen(127u) {}

protected:
    void Compose(CCanvas&, CSurveyData& data, const CScreenFurniture&) override
        ORV_OVERRIDE_REQUIRES(data) {
        m_nChannel = data.m_nChannel;
    }

private:
    int m_nChannel = 0;
};

CBareScreen g_screen;
