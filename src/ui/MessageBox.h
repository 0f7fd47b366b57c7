#pragma once

#include <string>
#include <string_view>

#include "ui/Dialog.h"

// A message box: caption, text wrapped to the box, and one OK button or a
// Yes and a No button. Closing an OK box any way answers OK. A question is
// answered Yes only by its Yes button: Return, Escape and the close button
// answer No, so a hurried key press never confirms a loss.
class CMessageBox : public CDialog {
    ORV_DECLARE_DYNAMIC(CMessageBox)
public:
    enum class Buttons { Ok, YesNo };

    static constexpr int kWidth = 200;
    static constexpr unsigned kTextId = 0xFFFF;

    CMessageBox(std::string_view caption, std::string_view text, Buttons buttons = Buttons::Ok);

    // Shows a box and waits until it is dismissed; from any thread. Returns
    // IDOK, or -1 when no GUI loop runs.
    static int Show(std::string_view caption, std::string_view text);
    // Asks a question the same way: IDYES, IDNO, or -1 when no GUI loop runs.
    static int Ask(std::string_view caption, std::string_view text);

    const std::string& GetText() const { return m_strMessage; }
    Buttons GetButtons() const { return m_eButtons; }
    void OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    void OnControlNotify(unsigned nId, unsigned nCode) override;
    ModalRequest GetHostRequest() const override;
    void ApplyHostAnswer(const ModalAnswer& answer) override;

private:
    std::string m_strMessage;
    Buttons m_eButtons;
    bool m_bLaidOut = false;
};
