#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "gfx/Canvas.h"
#include "ui/Host.h"
#include "ui/MessageQueue.h"

class CDialog;
class CFrameWnd;

// The GUI thread's loop: it waits on the host for input and on the message
// queue for posted messages, dispatches both, runs timers, and paints the
// screen when something asked for it (once, however many requests came).
// It also runs modal dialogs, nested: while one is up, input goes only to it
// and posted messages are still handled.
//
// The thread that constructs the loop is the GUI thread. One loop exists at
// a time; CUiLoop::Get() finds it from any thread.
class CUiLoop {
public:
    explicit CUiLoop(IHost& host);
    ~CUiLoop();
    CUiLoop(const CUiLoop&) = delete;
    CUiLoop& operator=(const CUiLoop&) = delete;

    static CUiLoop* Get();
    bool IsGuiThread() const { return std::this_thread::get_id() == m_guiThread; }

    IHost& Host() { return m_host; }
    CMessageQueue& Queue() { return m_queue; }

    // The frame whose views are shown; posted messages go to its
    // OnPostedMessage unless a handler is set.
    void SetFrame(CFrameWnd* pFrame);
    CFrameWnd* GetFrame() const { return m_pFrame; }
    void SetMessageHandler(CMessageQueue::MessageHandler handler) {
        m_handler = std::move(handler);
    }

    // From any thread; never waits for the GUI thread. -1 after shutdown.
    int PostMessage(unsigned nMessage, std::uintptr_t wParam = 0, std::intptr_t lParam = 0) {
        return m_queue.PostMessage(nMessage, wParam, lParam);
    }

    // Runs until Quit; returns the exit code.
    int Run();
    void Quit(int nExitCode);
    bool IsQuitting() const { return m_bQuit; }
    // One round: waits up to nTimeoutMs for input or messages, handles them,
    // runs due timers, paints.
    void RunOnce(int nTimeoutMs);
    // Handles everything already posted (and what those handlers post, up
    // to a bound), runs due timers and paints; no waiting. The number of
    // messages and tasks handled.
    int ProcessPending();
    // Composes and presents the screen if anything asked for a paint (or
    // bForce). Returns true when it presented.
    bool PaintIfNeeded(bool bForce = false);
    int GetPresentCount() const { return m_nPresentCount; }
    const CCanvas& Screen() const { return m_screen; }

    // Runs a dialog on the GUI thread until it ends; returns its result.
    int RunModal(CDialog& dlg);
    // The dialogs shown now, innermost last.
    const std::vector<CDialog*>& Modals() const { return m_modals; }

    // Timers fire on the GUI thread, every nElapseMs (host clock).
    void SetTimer(unsigned nId, int nElapseMs, std::function<void()> fn);
    void KillTimer(unsigned nId);

    // Input from the host, GUI thread, screen coordinates.
    void OnStylusDown(int x, int y);
    void OnChar(unsigned ch);
    void OnKeyDown(int nKey, bool bCtrl, bool bShift = false);
    // The modifiers held with the key being handled, for the key handlers
    // below OnKeyDown (text fields extend a selection with Shift).
    bool IsCtrlHeld() const { return m_bCtrlHeld; }
    bool IsShiftHeld() const { return m_bShiftHeld; }
    void OnMinimize();
    void OnCloseRequest();
    // The host lost the window's contents: present again.
    void OnExposed() { m_bScreenDirty = true; }

    // Sound through the host; any thread.
    void PlaySound(const char* name, std::span<const std::uint8_t> wave) {
        m_host.PlaySound(name, wave);
    }
    void MessageBeep() { m_host.MessageBeep(); }

private:
    struct Timer {
        int nElapseMs = 0;
        std::uint64_t due = 0;
        std::function<void()> fn;
    };

    void Dispatch(const PostedMessage& msg);
    void RunDueTimers();
    int NextTimeout(int nDefault) const;

    IHost& m_host;
    std::thread::id m_guiThread;
    CMessageQueue m_queue;
    CMessageQueue::MessageHandler m_handler;
    CFrameWnd* m_pFrame = nullptr;
    CCanvas m_screen;
    std::vector<CDialog*> m_modals;
    std::map<unsigned, Timer> m_timers;
    bool m_bQuit = false;
    int m_nExitCode = 0;
    bool m_bScreenDirty = true;
    int m_nPresentCount = 0;
    bool m_bCtrlHeld = false;
    bool m_bShiftHeld = false;
};
