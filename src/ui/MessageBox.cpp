#include "ui/MessageBox.h"

#include <algorithm>

#include "gfx/Canvas.h"
#include "ui/Button.h"
#include "ui/FrameWnd.h"
#include "ui/Static.h"

ORV_IMPLEMENT_DYNAMIC(CMessageBox, CDialog)

namespace {
constexpr int kMargin = 8;
constexpr int kButtonWidth = 50;
constexpr int kButtonHeight = 20;
}  // namespace

CMessageBox::CMessageBox(std::string_view caption, std::string_view text, Buttons buttons)
    : m_strMessage(text), m_eButtons(buttons) {
    SetWindowText(caption);
}

// Laid out when shown, on the GUI thread: a box built by a worker measures
// no text there.
void CMessageBox::OnInitDialog() {
    if (m_bLaidOut) return;
    m_bLaidOut = true;
    const CFont& font = GetDialogFont();
    const int textWidth = kWidth - 2 * kMargin;
    CCanvas measure(1, 1);
    measure.SelectFont(font);
    const CRect need = measure.CalcTextRect(m_strMessage, CRect(0, 0, textWidth, 0), DT_WORDBREAK);
    // The box never outgrows the screen; a text too long for it is cut.
    const int maxTextHeight =
        CFrameWnd::kScreenHeight - CDialog::kCaptionHeight - 2 - 3 * kMargin - kButtonHeight - 8;
    const int textHeight = std::clamp(need.Height(), font.Metrics().height, maxTextHeight);
    auto label = std::make_unique<CStatic>(false);
    label->SetWindowText(m_strMessage);
    Controls().Add(std::move(label), kTextId,
                   CRect(kMargin, kMargin, kMargin + textWidth, kMargin + textHeight), font);
    const int buttonTop = kMargin + textHeight + kMargin;
    auto addButton = [&](unsigned nId, std::string_view label, int left) {
        auto button = std::make_unique<CButton>(CButton::Kind::PushButton);
        button->SetWindowText(label);
        Controls().Add(std::move(button), nId,
                       CRect(left, buttonTop, left + kButtonWidth, buttonTop + kButtonHeight),
                       font);
    };
    if (m_eButtons == Buttons::YesNo) {
        const int left = (kWidth - 2 * kButtonWidth - kMargin) / 2;
        addButton(IDYES, "Yes", left);
        addButton(IDNO, "No", left + kButtonWidth + kMargin);
    } else {
        addButton(IDOK, "OK", (kWidth - kButtonWidth) / 2);
    }
    SetClientSize(kWidth, buttonTop + kButtonHeight + kMargin);
}

void CMessageBox::OnOK() {
    EndDialog(m_eButtons == Buttons::YesNo ? IDNO : IDOK);
}

void CMessageBox::OnCancel() {
    EndDialog(m_eButtons == Buttons::YesNo ? IDNO : IDOK);
}

void CMessageBox::OnControlNotify(unsigned nId, unsigned nCode) {
    if (nCode == BN_CLICKED &&
        (nId == static_cast<unsigned>(IDYES) || nId == static_cast<unsigned>(IDNO))) {
        EndDialog(static_cast<int>(nId));
        return;
    }
    CDialog::OnControlNotify(nId, nCode);
}

int CMessageBox::Show(std::string_view caption, std::string_view text) {
    CMessageBox box(caption, text);
    return box.DoModal();
}

int CMessageBox::Ask(std::string_view caption, std::string_view text) {
    CMessageBox box(caption, text, Buttons::YesNo);
    return box.DoModal();
}

ModalRequest CMessageBox::GetHostRequest() const {
    ModalRequest req;
    req.kind = ModalRequest::Kind::MessageBox;
    req.caption = GetWindowText();
    req.text = m_strMessage;
    req.bYesNo = m_eButtons == Buttons::YesNo;
    return req;
}

void CMessageBox::ApplyHostAnswer(const ModalAnswer& answer) {
    if (m_eButtons == Buttons::YesNo) {
        EndDialog(answer.nResult == IDYES ? IDYES : IDNO);
    } else {
        EndDialog(IDOK);
    }
}
