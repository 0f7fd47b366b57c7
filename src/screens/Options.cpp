#include "screens/Options.h"

#include "data/SurveyData.h"
#include "res/Resource.h"
#include "ui/MessageBox.h"

ORV_IMPLEMENT_DYNCREATE(COptions, CScreen)

namespace {
constexpr const char* kMessageCaption = "Orvalis";
}  // namespace

const COptions::Switch COptions::kSwitches[3] = {
    {IDC_ENABLE_SECURITY, &CSurveyData::m_bSecurityEnabled},
    {IDC_VIEW_NON_AP, &CSurveyData::m_bShowNonApMacs},
    {IDC_ENABLE_HERON, &CSurveyData::m_bHeronEnabled},
};

DialogTemplate COptions::Template() {
    DialogTemplate tpl;
    tpl.nId = IDD_OPTIONS;
    tpl.fontFace = "MS Sans Serif";
    tpl.nPointSize = 8;
    tpl.cx = 115;
    tpl.cy = 136;
    tpl.items = {
        {IDC_ENABLE_SECURITY, DialogItemKind::AutoCheckBox, "Enable Security", 7, 9, 65, 10, 0},
        {IDC_VIEW_NON_AP, DialogItemKind::AutoCheckBox, "View non-AP MAC's", 7, 31, 79, 10, 0},
        {IDC_ENABLE_HERON, DialogItemKind::AutoCheckBox, "Enable Heron Interface", 7, 54, 94, 10,
         0},
    };
    return tpl;
}

COptions::COptions()
    : CScreen(Template()),
      m_showMessage([](std::string_view text) { CMessageBox::Show(kMessageCaption, text); }) {
    for (const Switch& sw : kSwitches) AddCommand(sw.nId, [this, &sw] { OnToggle(sw); });
}

void COptions::Compose(CCanvas&, CSurveyData& data, const CScreenFurniture&) {
    for (const Switch& sw : kSwitches) CheckDlgButton(sw.nId, data.*sw.flag ? 1 : 0);
}

void COptions::OnToggle(const Switch& sw) {
    CSurveyData* data = GetContext().pData;
    if (data == nullptr) return;
    bool bEnabled = false;
    {
        const CStoreLock lock(*data);
        uint8_t& flag = data->*sw.flag;
        flag = flag ? 0 : 1;
        bEnabled = flag != 0;
    }
    // The box toggled its own mark; it is set from the flag so that the two
    // cannot drift apart.
    CheckDlgButton(sw.nId, bEnabled ? 1 : 0);
    m_showMessage(bEnabled ? "Enabled" : "Disabled");
}
