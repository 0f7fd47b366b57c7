#pragma once

#include <string>
#include <string_view>

#include "ui/Dialog.h"

// A message box: caption, text wrapped to the box, one OK button. Closing it
// any way answers OK.
class CMessageBox : public CDialog {
    ORV_DECLARE_DYNAMIC(CMessageBox)
public:
    static constexpr int kWidth = 200;
    static constexpr unsigned kTextId = 0xFFFF;

    CMessageBox(std::string_view caption, std::string_view text);

    // Shows a box and waits until it is dismissed; from any thread. Returns
    // IDOK, or -1 when no GUI loop runs.
    static int Show(std::string_view caption, std::string_view text);

    const std::string& GetText() const { return m_strMessage; }
    void OnInitDialog() override;
    void OnCancel() override { EndDialog(IDOK); }
    ModalRequest GetHostRequest() const override;

private:
    std::string m_strMessage;
    bool m_bLaidOut = false;
};
