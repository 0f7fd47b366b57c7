#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

#include "screens/Screen.h"

class CSurveyData;

// The options screen: three check boxes for the program's switches in the
// store (the unauthorized access-point alarm, the listing of stations that
// are not access points, the forwarding over the infrared link). A tap
// toggles the switch and tells the new state in a message box. The marks
// follow the store's flags at every paint, so they match them across visits.
// The switches are not saved: they start off at every program start.
class COptions : public CScreen {
    ORV_DECLARE_DYNCREATE(COptions)
public:
    // One check box and the store flag it switches.
    struct Switch {
        unsigned nId;
        uint8_t CSurveyData::*flag;
    };
    static const Switch kSwitches[3];

    // Shows a message to the person and waits until it is dismissed.
    using MessageFn = std::function<void(std::string_view text)>;

    static DialogTemplate Template();

    COptions();

    // Replaces the message box (tests).
    void SetMessageFn(MessageFn showMessage) { m_showMessage = std::move(showMessage); }

protected:
    void Compose(CCanvas& dc, CSurveyData& data, const CScreenFurniture& furniture) override
        ORV_REQUIRES_STORE(data);

private:
    void OnToggle(const Switch& sw);

    MessageFn m_showMessage;
};
