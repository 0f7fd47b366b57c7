#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "gfx/Font.h"
#include "gfx/Geometry.h"
#include "screens/Screen.h"

class CComboBox;
class CListBox;
class CSurveyData;

// The security screen: the authorized access points the person keeps, the
// unauthorized ones the alarm collected, the buttons that edit both lists,
// build the authorized list from the stations heard, and save and load both
// lists as "auth.lst" and "unauth.lst" in the data folder.
//
// The store's lists are the truth. The list boxes mirror them: a button
// edits the list box and the store together, and a paint refills a list box
// from its list whenever the list's changed flag is set (the alarm appends to
// the unauthorized list on the reader thread). Every handler works under the
// store lock; the files are read and written outside it, and the lists are
// then copied or replaced whole under it.
class CSecurity : public CScreen {
    ORV_DECLARE_DYNCREATE(CSecurity)
public:
    // Each list's heading sits in the band just above its list box, from x 10
    // to 170: the list boxes are placed in dialog units of the form's font,
    // and fixed pixel rectangles would end up under them.
    static constexpr int kHeadingLeft = 10;
    static constexpr int kHeadingRight = 170;
    static constexpr int kHeadingHeight = 12;
    CRect HeadingRect(const CListBox& box) const;

    // Shows a message to the person and waits until it is dismissed.
    using MessageFn = std::function<void(std::string_view text)>;

    // The form: the entry field, the two list boxes and the eight buttons.
    static DialogTemplate Template();

    CSecurity();

    COLORREF GetBackgroundColor() const override { return RGB(0, 0, 0); }

    // The folder that stands for the device's root folder, where the list
    // files live (set by the main frame).
    void SetDataDir(std::string dataDir) { m_strDataDir = std::move(dataDir); }
    const std::string& GetDataDir() const { return m_strDataDir; }
    // Replaces the message box (tests).
    void SetMessageFn(MessageFn showMessage) { m_showMessage = std::move(showMessage); }

    CComboBox& MacEntry() const;
    CListBox& AuthorizedBox() const;
    CListBox& UnauthorizedBox() const;

    // The text of the entry field, exchanged with the control by UpdateData.
    std::string m_strMacEntry;

protected:
    void Compose(CCanvas& dc, CSurveyData& data, const CScreenFurniture& furniture) override
        ORV_REQUIRES_STORE(data);
    void DoDataExchange(bool bSaveAndValidate) override;

private:
    void OnAdd();
    void OnDel();
    void OnClearAuthorized();
    void OnClearUnauthorized();
    void OnAuth();
    void OnGenerate();
    void OnSave();
    void OnRetrieve();
    void DrawHeading(CCanvas& dc, const char* title, int count, const CRect& rect, COLORREF color);

    std::string m_strDataDir;
    MessageFn m_showMessage;
    CFont m_fontHeading;
};
