#include "screens/Security.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "audio/SoundCues.h"
#include "board/Wire.h"
#include "data/SurveyData.h"
#include "gfx/Canvas.h"
#include "gfx/Palette.h"
#include "outputs/ApListFile.h"
#include "res/Resource.h"
#include "ui/ComboBox.h"
#include "ui/ListBox.h"
#include "ui/MessageBox.h"

ORV_IMPLEMENT_DYNCREATE(CSecurity, CScreen)

namespace {

constexpr const char* kMessageCaption = "Orvalis";
constexpr unsigned kListStyle = kItemNotify | kItemVScroll | kItemBorder;

// The first 17 characters of a text, each character's low byte, in a zeroed
// 32-byte text: what the store keeps of an entry.
struct EntryText {
    char sz[32] = {};
    explicit EntryText(std::string_view text) {
        std::memcpy(sz, text.data(), std::min<std::size_t>(text.size(), kMacTextLength));
    }
};

// Refills a list box from a store list, in slot order.
void Refill(CListBox& box, const char (*slots)[32], int32_t count) {
    const int used = std::clamp<int32_t>(count, 0, kApListCapacity);
    box.ResetContent();
    box.InitStorage(used, 32);
    for (int i = 0; i < used; ++i) box.AddString(std::string_view(slots[i], strnlen(slots[i], 32)));
}

// Whether line `index` of the box is slot `index` of the list. A box can fall
// behind its list between a change and the next paint; a removal by a stale
// index would take the wrong entry.
bool LineMatchesSlot(const CListBox& box, int index, const char (*slots)[32], int32_t count) {
    if (index < 0 || index >= std::clamp<int32_t>(count, 0, kApListCapacity)) return false;
    std::string line;
    if (box.GetText(index, line) == CListBox::LB_ERR) return false;
    return line == std::string_view(slots[index], strnlen(slots[index], 32));
}

}  // namespace

DialogTemplate CSecurity::Template() {
    DialogTemplate tpl;
    tpl.nId = IDD_SECURITY;
    tpl.fontFace = "MS Sans Serif";
    tpl.nPointSize = 8;
    tpl.cx = 157;
    tpl.cy = 158;
    tpl.items = {
        {IDC_MAC_ENTRY, DialogItemKind::ComboBoxEdit, "", 7, 7, 107, 14, 0},
        {IDC_ADD, DialogItemKind::PushButton, "ADD", 125, 7, 25, 14, 0},
        {IDC_AUTHORIZED_LIST, DialogItemKind::ListBox, "", 7, 32, 107, 40, kListStyle},
        {IDC_DEL, DialogItemKind::PushButton, "DEL", 125, 33, 25, 17, 0},
        {IDC_CLEAR_AUTHORIZED, DialogItemKind::PushButton, "CLR <---", 125, 54, 25, 17,
         kItemMultiLine},
        {IDC_UNAUTHORIZED_LIST, DialogItemKind::ListBox, "", 7, 82, 107, 37, kListStyle},
        {IDC_AUTH, DialogItemKind::PushButton, "AUTH", 125, 82, 25, 17, 0},
        {IDC_CLEAR_UNAUTHORIZED, DialogItemKind::PushButton, "CLR <---", 125, 100, 25, 17,
         kItemMultiLine},
        {IDC_GENERATE, DialogItemKind::PushButton, "GENERATE AUTHORIZED LIST", 7, 121, 143, 14, 0},
        {IDC_SAVE, DialogItemKind::PushButton, "SAVE", 7, 137, 50, 14, 0},
        {IDC_RETRIEVE, DialogItemKind::PushButton, "RETRIEVE", 100, 137, 50, 14, 0},
    };
    return tpl;
}

CSecurity::CSecurity()
    : CScreen(Template()),
      m_showMessage([](std::string_view text) { CMessageBox::Show(kMessageCaption, text); }),
      m_fontHeading(80, "MS Sans Serif") {
    AddCommand(IDC_ADD, [this] { OnAdd(); });
    AddCommand(IDC_DEL, [this] { OnDel(); });
    AddCommand(IDC_CLEAR_AUTHORIZED, [this] { OnClearAuthorized(); });
    AddCommand(IDC_CLEAR_UNAUTHORIZED, [this] { OnClearUnauthorized(); });
    AddCommand(IDC_AUTH, [this] { OnAuth(); });
    AddCommand(IDC_GENERATE, [this] { OnGenerate(); });
    AddCommand(IDC_SAVE, [this] { OnSave(); });
    AddCommand(IDC_RETRIEVE, [this] { OnRetrieve(); });
}

CComboBox& CSecurity::MacEntry() const {
    return static_cast<CComboBox&>(*GetDlgItem(IDC_MAC_ENTRY));
}

CListBox& CSecurity::AuthorizedBox() const {
    return static_cast<CListBox&>(*GetDlgItem(IDC_AUTHORIZED_LIST));
}

CListBox& CSecurity::UnauthorizedBox() const {
    return static_cast<CListBox&>(*GetDlgItem(IDC_UNAUTHORIZED_LIST));
}

CRect CSecurity::HeadingRect(const CListBox& box) const {
    const int top = box.GetWindowRect().top;
    return CRect(kHeadingLeft, top - kHeadingHeight, kHeadingRight, top);
}

void CSecurity::DoDataExchange(bool bSaveAndValidate) {
    DDX_Text(bSaveAndValidate, IDC_MAC_ENTRY, m_strMacEntry);
}

void CSecurity::Compose(CCanvas& dc, CSurveyData& data, const CScreenFurniture&) {
    dc.SelectFont(m_fontHeading);
    dc.SetBkMode(TRANSPARENT);
    DrawHeading(dc, "AUTHORIZED", data.m_nAuthorizedCount, HeadingRect(AuthorizedBox()),
                Palette::kGreen);
    DrawHeading(dc, "UNAUTHORIZED", data.m_nUnauthorizedCount, HeadingRect(UnauthorizedBox()),
                Palette::kRed);
    if (data.m_bAuthorizedChanged) {
        Refill(AuthorizedBox(), data.m_aszAuthorized, data.m_nAuthorizedCount);
        data.m_bAuthorizedChanged = 0;
    }
    if (data.m_bUnauthorizedChanged) {
        Refill(UnauthorizedBox(), data.m_aszUnauthorized, data.m_nUnauthorizedCount);
        data.m_bUnauthorizedChanged = 0;
    }
}

void CSecurity::DrawHeading(CCanvas& dc, const char* title, int count, const CRect& rect,
                            COLORREF color) {
    char text[48];
    if (count == 1) {
        std::snprintf(text, sizeof text, "%s (1 item)", title);
    } else {
        std::snprintf(text, sizeof text, "%s (%d items)", title, count);
    }
    dc.SetTextColor(color);
    dc.DrawText(text, rect, DT_LEFT | DT_TOP);
}

void CSecurity::OnAdd() {
    UpdateData(true);
    const EntryText entry(NormalizeMacEntry(m_strMacEntry));
    if (CSurveyData* data = GetContext().pData) {
        const CStoreLock lock(*data);
        // A full list takes nothing, and its box gains no line either.
        if (data->AddAuthorized(entry.sz) == 0) AuthorizedBox().AddString(entry.sz);
    }
    m_strMacEntry.clear();
    UpdateData(false);
    Invalidate(false);
    SetFocus();
}

void CSecurity::OnDel() {
    CListBox& box = AuthorizedBox();
    const int index = box.GetCurSel();
    if (index == CListBox::LB_ERR) return;
    if (CSurveyData* data = GetContext().pData) {
        const CStoreLock lock(*data);
        if (LineMatchesSlot(box, index, data->m_aszAuthorized, data->m_nAuthorizedCount)) {
            box.DeleteString(index);
            data->RemoveAuthorized(index);
        } else {
            Refill(box, data->m_aszAuthorized, data->m_nAuthorizedCount);
        }
    }
    Invalidate(false);
    SetFocus();
}

void CSecurity::OnClearAuthorized() {
    AuthorizedBox().ResetContent();
    if (CSurveyData* data = GetContext().pData) {
        const CStoreLock lock(*data);
        data->ClearAuthorized();
    }
    SetFocus();
    Invalidate(true);
}

void CSecurity::OnClearUnauthorized() {
    UnauthorizedBox().ResetContent();
    if (CSurveyData* data = GetContext().pData) {
        const CStoreLock lock(*data);
        data->ClearUnauthorized();
    }
    SetFocus();
    Invalidate(true);
}

void CSecurity::OnAuth() {
    CListBox& box = UnauthorizedBox();
    const int index = box.GetCurSel();
    if (index == CListBox::LB_ERR) return;
    if (CSurveyData* data = GetContext().pData) {
        const CStoreLock lock(*data);
        if (!LineMatchesSlot(box, index, data->m_aszUnauthorized, data->m_nUnauthorizedCount)) {
            Refill(box, data->m_aszUnauthorized, data->m_nUnauthorizedCount);
        } else {
            const EntryText entry(data->m_aszUnauthorized[index]);
            // With the authorized list full the entry stays where it is:
            // taken off one list and put on neither, it would alarm again.
            if (data->AddAuthorized(entry.sz) == 0) {
                AuthorizedBox().AddString(entry.sz);
                box.DeleteString(index);
                data->RemoveUnauthorized(index);
            }
        }
    }
    Invalidate(false);
    SetFocus();
}

void CSecurity::OnGenerate() {
    PlayResourceSound("PING");
    if (CSurveyData* data = GetContext().pData) {
        const CStoreLock lock(*data);
        data->ClearAuthorized();
        StationEntry* entry = nullptr;
        for (int walk = data->m_Stations.GetAt(1, &entry); walk == 0 && entry != nullptr;
             walk = data->m_Stations.Next(entry, &entry)) {
            data->AddAuthorized(entry->szMac);
        }
    }
    Invalidate(true);
}

void CSecurity::OnSave() {
    CSurveyData* data = GetContext().pData;
    if (data == nullptr) return;
    const ApList lists[] = {ApList::Authorized, ApList::Unauthorized};
    std::unique_ptr<ApListContents> contents[2] = {std::make_unique<ApListContents>(),
                                                   std::make_unique<ApListContents>()};
    {
        const CStoreLock lock(*data);
        for (int i = 0; i < 2; ++i) CopyApList(*data, lists[i], *contents[i]);
    }
    // Written with the lock released: the reader thread is not held up by the
    // file system. A list that could not be saved is told, the other is still
    // written.
    std::vector<std::string> failed;
    for (int i = 0; i < 2; ++i) {
        const std::string path = ApListPath(m_strDataDir, lists[i]);
        if (WriteApListFile(path, *contents[i]) != 0) failed.push_back(path);
    }
    for (const std::string& path : failed) {
        m_showMessage("The list could not be saved to " + path + ".");
    }
}

void CSecurity::OnRetrieve() {
    CSurveyData* data = GetContext().pData;
    if (data == nullptr) return;
    const ApList lists[] = {ApList::Authorized, ApList::Unauthorized};
    std::unique_ptr<ApListContents> contents[2] = {std::make_unique<ApListContents>(),
                                                   std::make_unique<ApListContents>()};
    int results[2];
    std::vector<std::string> refused;
    for (int i = 0; i < 2; ++i) {
        const std::string path = ApListPath(m_strDataDir, lists[i]);
        results[i] = ReadApListFile(path, *contents[i]);
        if (results[i] == -2) refused.push_back(path);
    }
    {
        // Both lists change in one step for the alarm on the reader thread.
        const CStoreLock lock(*data);
        for (int i = 0; i < 2; ++i)
            if (results[i] == 0) StoreApList(*data, lists[i], *contents[i]);
    }
    Invalidate(false);
    // A file that cannot be opened leaves its list as it was without a word;
    // one that opens but is no list file is told.
    for (const std::string& path : refused) {
        m_showMessage(path + " is not a list file; the list was left as it was.");
    }
}
