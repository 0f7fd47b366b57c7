#pragma once

#include <functional>
#include <vector>

#include "data/SurveyData.h"
#include "ui/FormView.h"

class CScreenFurniture;
class CClickEngine;
class IScreenNavigator;
struct CRuntimeClass;

// What the frame gives every screen it shows: the store the screen reads,
// the shared drawing object and the click engine (nullptr when none).
struct ScreenContext {
    CSurveyData* pData = nullptr;
    CScreenFurniture* pFurniture = nullptr;
    CClickEngine* pClickEngine = nullptr;
};

// A 240 x 270 screen of the instrument. The base class owns the paint's and
// the touch's frame so that every screen gets them right the same way:
//
// - OnDraw takes the store lock, hands Compose an off-screen canvas of the
//   client area's size filled with the background colour, and copies the
//   result to the screen in one block transfer.
// - OnLButtonDown takes the store lock for OnTouch; a screen switch the touch
//   asks for (RequestSwitch, RequestScreenGrid) runs after the lock is
//   released, because the next screen's first paint takes the lock again.
//
// Without a context (a screen built on its own) a paint only fills the
// background and a touch does nothing.
//
// The clang build checks the lock: an override of Compose or OnTouch, and
// every helper of it that reads or writes the store it is given, carries
// ORV_REQUIRES_STORE(data) after its parameter list, naming its store
// parameter:
//   void Compose(CCanvas& dc, CSurveyData& data, const CScreenFurniture& f)
//       override ORV_REQUIRES_STORE(data);
// Without it the build fails at the first field the override touches.
class CScreen : public CFormView {
    ORV_DECLARE_DYNAMIC(CScreen)
public:
    // A screen on an empty form template.
    explicit CScreen(unsigned nTemplateId);
    // A screen whose form carries controls.
    explicit CScreen(const DialogTemplate& tpl);

    void SetContext(const ScreenContext& context) { m_context = context; }
    const ScreenContext& GetContext() const { return m_context; }

    void OnDraw(CCanvas& dc) final;
    void OnLButtonDown(int x, int y) final;

    // This screen's cell on the screen grid, from the screen table; -1 when
    // it has none.
    int OwnGridCell() const;

    // The empty form template every drawn screen sits on.
    static DialogTemplate BlankTemplate(unsigned nTemplateId);

protected:
    // Draws the whole screen into `dc` with the store lock held.
    virtual void Compose(CCanvas& dc, CSurveyData& data, const CScreenFurniture& furniture)
        ORV_REQUIRES_STORE(data) = 0;
    // A touch on the screen (not on one of its controls), store lock held.
    virtual void OnTouch(int /*x*/, int /*y*/, [[maybe_unused]] CSurveyData& data)
        ORV_REQUIRES_STORE(data) {}

    // Screen changes asked for by OnTouch (or a command handler), carried out
    // once the store lock is released, in the order asked. The grid request
    // hands the touch to the frame's screen grid with this screen's own cell.
    void RequestSwitch(const CRuntimeClass* pClass);
    void RequestScreenGrid(int x, int y);
    // Runs the requests now; command handlers that asked for a switch call it
    // after they have let the lock go.
    void RunRequests();

    // The lock of the attached store for command handlers; an empty lock
    // when no store is attached. The clang lock analysis cannot follow it:
    // code it checks takes a CStoreLock on GetContext().pData instead.
    [[nodiscard]] std::unique_lock<std::mutex> LockStore() const;

private:
    ScreenContext m_context;
    std::vector<std::function<void(IScreenNavigator&)>> m_requests;
};
