#pragma once

#include "gfx/Bitmap.h"
#include "ui/Control.h"

// Static text (wrapped to its rectangle, left, centred or right-aligned) or
// a static icon showing a bitmap at its top-left corner.
class CStatic : public CControl {
    ORV_DECLARE_DYNAMIC(CStatic)
public:
    explicit CStatic(bool bIcon = false) : m_bIcon(bIcon) {}

    bool IsIcon() const { return m_bIcon; }
    // The icon's image; the caller keeps it alive (a resource bitmap).
    void SetIcon(const CBitmap* pIcon);
    const CBitmap* GetIcon() const { return m_pIcon; }

    void Draw(CCanvas& dc) override;

private:
    bool m_bIcon;
    const CBitmap* m_pIcon = nullptr;
};
