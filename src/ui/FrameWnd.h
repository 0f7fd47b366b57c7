#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ui/CommandBar.h"
#include "ui/MessageQueue.h"
#include "ui/View.h"

// The top-level window: the screen's views (one active and shown, the others
// kept hidden with their state), the command bar and the title strip.
// Screen layout, top to bottom: the active view (240 x 270, its client
// coordinates equal screen coordinates), the command bar, the title strip.
//
// Commands go to the active view, then the frame, then the application
// target; a command-bar button is enabled exactly when one of them handles
// its command.
class CFrameWnd : public CWnd {
    ORV_DECLARE_DYNAMIC(CFrameWnd)
public:
    static constexpr int kScreenWidth = 240;
    static constexpr int kScreenHeight = 320;
    static constexpr CRect kViewRect{0, 0, 240, 270};
    static constexpr CRect kCommandBarRect{0, 270, 240, 270 + CCommandBar::kHeight};
    static constexpr CRect kTitleRect{0, 270 + CCommandBar::kHeight, 240, 320};

    CFrameWnd();
    ~CFrameWnd() override;

    // --- views ---
    // Takes a view, places it in the view area hidden, and runs its initial
    // update. Returns it.
    CView* AddView(std::unique_ptr<CView> view);
    // Creates a view from its run-time class record; nullptr when the class
    // cannot be created or is not a view.
    CView* CreateView(const CRuntimeClass* pClass);
    // The first view of the class or of a class derived from it.
    CView* FindView(const CRuntimeClass* pClass) const;
    const std::vector<std::unique_ptr<CView>>& GetViews() const { return m_views; }
    CView* GetActiveView() const { return m_pActiveView; }
    // Shows `view` (one of the frame's), hides the previous one and asks for
    // a full repaint of the new one. Tells the view-change listener.
    void SetActiveView(CView* view);
    // Makes a view of the class active: nothing when the active view is of
    // that class already; else the first such view, created on first use.
    // Returns the active view afterwards, or nullptr when none could be made.
    CView* ActivateView(const CRuntimeClass* pClass);
    void SetViewChangedListener(std::function<void(CView*)> listener) {
        m_viewChanged = std::move(listener);
    }

    // --- commands ---
    void SetAppTarget(CCmdTarget* pApp) { m_pApp = pApp; }
    // Returns true when some target handled the command.
    bool RouteCommand(unsigned nId);
    // Whether the active view, the frame or the application handles it: the
    // command bar's enabled state of the button.
    bool IsCommandEnabled(unsigned nId) const;
    // Ctrl + key (an upper-case letter) sends nCmd.
    void AddAccelerator(int nKey, unsigned nCmd) { m_accelerators[nKey] = nCmd; }
    // A key without Ctrl sends nCmd when the active view does not take it.
    void AddKeyCommand(int nKey, unsigned nCmd) { m_keyCommands[nKey] = nCmd; }
    CCommandBar& GetCommandBar() { return m_commandBar; }

    void SetTitle(std::string_view title);
    const std::string& GetTitle() const { return m_strTitle; }

    // --- events from the loop (GUI thread) ---
    virtual void OnPostedMessage(const PostedMessage& msg);
    virtual void OnMinimize();
    // Default: ends the loop.
    virtual void OnClose();
    // Screen coordinates.
    void OnStylusDown(int x, int y);
    void DispatchChar(unsigned ch);
    void DispatchKeyDown(int nKey, bool bCtrl);

    // --- painting ---
    void Invalidate(bool bErase = true) override;
    bool NeedsPaint() const;
    // Paints the active view if it asked for it and composes the screen.
    void Compose(CCanvas& screen);

protected:
    // A view joins the frame: called before its initial update.
    virtual void OnViewAdded(CView& /*view*/) {}

private:
    unsigned EnabledMask() const;

    std::vector<std::unique_ptr<CView>> m_views;
    CView* m_pActiveView = nullptr;
    CCmdTarget* m_pApp = nullptr;
    CCommandBar m_commandBar;
    std::map<int, unsigned> m_accelerators;
    std::map<int, unsigned> m_keyCommands;
    std::string m_strTitle;
    std::function<void(CView*)> m_viewChanged;
    bool m_bDirty = true;
    unsigned m_nDrawnMask = ~0u;
};
