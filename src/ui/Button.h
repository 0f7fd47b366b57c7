#pragma once

#include "ui/Control.h"

// A push button or an automatic check box. Both act on stylus-down (the
// instrument has no hover and a stylus tap is short): a check box toggles its
// mark, then either kind tells its parent BN_CLICKED.
class CButton : public CControl {
    ORV_DECLARE_DYNAMIC(CButton)
public:
    enum class Kind { PushButton, AutoCheckBox };

    explicit CButton(Kind kind = Kind::PushButton) : m_kind(kind) {}

    Kind GetKind() const { return m_kind; }
    // 1 checked, 0 not (always 0 for a push button).
    int GetCheck() const { return m_nCheck; }
    void SetCheck(int nCheck);

    int Click() override;
    void OnLButtonDown(int x, int y) override;
    void Draw(CCanvas& dc) override;

private:
    Kind m_kind;
    int m_nCheck = 0;
};
