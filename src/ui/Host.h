#pragma once

#include <cstdint>
#include <span>
#include <string>

class CCanvas;
class CUiLoop;

// What a modal overlay asks of the person (or of a script).
struct ModalRequest {
    enum class Kind { MessageBox, SaveFile, Dialog };
    Kind kind = Kind::MessageBox;
    std::string caption;
    std::string text;          // message box text
    bool bYesNo = false;       // message box: a question answered Yes or No
    std::string proposedName;  // save-file dialog: the file name offered
};

// An answer given without showing the overlay.
struct ModalAnswer {
    int nResult = 1;  // IDOK or IDCANCEL; IDYES or IDNO for a question
    bool bHasName = false;
    std::string name;  // save-file dialog: the name chosen instead of the proposed one
};

// The platform under the view framework: a window (or none), input, sound.
// Present, PumpEvents, AnswerModal and TickMs are called on the GUI thread;
// PlaySound and MessageBeep may be called from any thread.
class IHost {
public:
    virtual ~IHost() = default;

    // Called once when a loop takes the host (a host whose event wait cannot
    // see the loop's queue hooks the queue's wake here).
    virtual void Attach(CUiLoop& loop) = 0;
    // Shows the composed 240 x 320 screen.
    virtual void Present(const CCanvas& screen) = 0;
    // Waits up to nTimeoutMs for input or a posted message and hands any
    // input to the loop (OnStylusDown, OnChar, OnKeyDown, OnMinimize,
    // OnCloseRequest, OnExposed).
    virtual void PumpEvents(CUiLoop& loop, int nTimeoutMs) = 0;
    // Starts a sound (the bytes of a WAVE file) and returns at once.
    virtual void PlaySound(const char* name, std::span<const std::uint8_t> wave) = 0;
    // The platform's exclamation beep.
    virtual void MessageBeep() = 0;
    // A host without a person answers here and returns true; the overlay is
    // then not shown. An interactive host returns false.
    virtual bool AnswerModal(const ModalRequest& request, ModalAnswer& answer) = 0;
    // Milliseconds of a steady clock (timers).
    virtual std::uint64_t TickMs() const = 0;
};
