#pragma once

#include "screens/Screen.h"

// The noise form: a blank form of the channel measurement family with no
// data, no drawing beyond the form's own background and no touch areas. No
// screen switch of the program leads to it.
class CNoise : public CScreen {
    ORV_DECLARE_DYNCREATE(CNoise)
public:
    static constexpr unsigned kTemplateId = 115;

    CNoise() : CScreen(kTemplateId) {}

protected:
    void Compose(CCanvas&, [[maybe_unused]] CSurveyData& data, const CScreenFurniture&) override
        ORV_REQUIRES_STORE(data) {}
};
