#pragma once

#include <functional>
#include <string>
#include <vector>

#include "gfx/Bitmap.h"
#include "gfx/Geometry.h"

class CCanvas;

// The command bar: a row of 16 x 16 image buttons, each sending a command,
// and the close button at the right end. A button whose command nobody
// handles is drawn greyed and ignores taps. Coordinates are the bar's own
// (0, 0 = its top-left corner).
class CCommandBar {
public:
    static constexpr int kHeight = 26;
    static constexpr int kButtonWidth = 23;
    static constexpr int kButtonHeight = 22;
    static constexpr int kImageSize = 16;
    static constexpr int kFirstButtonX = 2;
    static constexpr int kCloseWidth = 22;
    static constexpr int kHitNone = -1;
    static constexpr int kHitClose = -2;

    // The strip the button images are taken from, left to right; the caller
    // keeps it alive. Without images the buttons show their index.
    void SetImages(const CBitmap* pStrip) { m_pImages = pStrip; }
    // Appends a button for `nCmd` showing image `nImage`; returns its index.
    int AddButton(unsigned nCmd, int nImage);
    void SetTooltip(int nIndex, std::string text);
    void SetCloseButton(bool bShow) { m_bClose = bShow; }
    void RemoveAll() { m_buttons.clear(); }

    int GetButtonCount() const { return static_cast<int>(m_buttons.size()); }
    unsigned GetButtonCommand(int nIndex) const;
    const std::string& GetTooltip(int nIndex) const;
    CRect GetButtonRect(int nIndex) const;
    CRect GetCloseRect(int nBarWidth) const;
    // Button index, kHitClose or kHitNone.
    int HitTest(int x, int y, int nBarWidth) const;

    // Draws the bar into `rect` of the screen; isEnabled tells which
    // commands have a handler.
    void Draw(CCanvas& dc, const CRect& rect, const std::function<bool(unsigned)>& isEnabled) const;

private:
    struct Button {
        unsigned nCmd = 0;
        int nImage = 0;
        std::string tooltip;
    };
    std::vector<Button> m_buttons;
    const CBitmap* m_pImages = nullptr;
    bool m_bClose = true;
};
