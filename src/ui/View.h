#pragma once

#include <atomic>

#include "gfx/Canvas.h"
#include "gfx/TextRecorder.h"
#include "ui/Wnd.h"

class CFrameWnd;

// A screen. It draws itself in OnDraw on its own surface, the size of its
// client area, which keeps its pixels between paints (what the user sees of
// the screen, and what a snapshot captures). Invalidate only records the
// request; the paint happens once, when the GUI thread next updates the
// screen, however many requests came before it.
class CView : public CWnd {
    ORV_DECLARE_DYNAMIC(CView)
public:
    CView() = default;

    // Draws the view. The canvas starts each paint with the default drawing
    // state; with an erasing invalidation its pixels were first filled with
    // the background colour, otherwise they hold the previous paint.
    virtual void OnDraw(CCanvas& dc);
    // Called once, after the frame created the view and before its first paint.
    virtual void OnInitialUpdate();
    virtual COLORREF GetBackgroundColor() const { return RGB(255, 255, 255); }

    void Invalidate(bool bErase = true) override;
    bool NeedsPaint() const { return m_bInvalid.load(std::memory_order_acquire); }
    // Paints now if a request is pending (or bForce). Returns true when it
    // painted.
    bool UpdateWindow(bool bForce = false);

    const CCanvas& GetSurface() const { return m_surface; }
    // Every text the last paint drew, in drawing order.
    const CTextRecorder& GetPaintTexts() const { return m_texts; }
    // Paints so far (tests check that requests coalesce).
    int GetPaintCount() const { return m_nPaintCount; }

    CFrameWnd* GetParentFrame() const;

    // Stylus-down entry used by the frame: children (a form's controls) get
    // the first chance, then OnLButtonDown.
    virtual bool RouteLButtonDownToChild(int x, int y);

protected:
    // Draws child controls over OnDraw's result.
    virtual void DrawChildren(CCanvas& dc);

private:
    std::atomic<bool> m_bInvalid{true};
    std::atomic<bool> m_bErase{true};
    CCanvas m_surface;
    CTextRecorder m_texts;
    int m_nPaintCount = 0;
};
