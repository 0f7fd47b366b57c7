#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "gfx/Bitmap.h"
#include "gfx/Geometry.h"
#include "ui/Host.h"

class CView;

// A host with no display and no audio device. It keeps the last presented
// screen (the same pixels a window would show), records the sounds played
// and the boxes shown, printing one line per event to its sink:
//   sound: NAME
//   beep
//   msgbox: CAPTION | TEXT      (answered OK at once)
//   question: CAPTION | TEXT | yes   (or no: the answer given)
//   dialog: save | PROPOSED NAME
// Save-file dialogs are answered from a queue of scripted answers; with the
// queue empty, OK with the proposed name. Questions (Yes/No boxes) are
// answered from a queue of their own; with it empty, Yes, as every other box
// is answered with its affirmative button. Other dialogs end with OK at once,
// silently. Line breaks inside a caption or a
// text are printed as "\n" so each event stays on one line.
class CHeadlessHost : public IHost {
public:
    using LineSink = std::function<void(const std::string&)>;

    // A scripted answer to the next save-file dialog.
    struct SaveAnswer {
        bool bOk = true;
        std::optional<std::string> name;  // ok NAME
    };

    // Without a sink, lines go to standard output.
    explicit CHeadlessHost(LineSink sink = {});

    void Attach(CUiLoop& loop) override;
    void Present(const CCanvas& screen) override;
    void PumpEvents(CUiLoop& loop, int nTimeoutMs) override;
    void PlaySound(const char* name, std::span<const std::uint8_t> wave) override;
    void MessageBeep() override;
    bool AnswerModal(const ModalRequest& request, ModalAnswer& answer) override;
    std::uint64_t TickMs() const override;

    void QueueSaveAnswer(SaveAnswer answer);
    std::size_t PendingSaveAnswers() const;
    // The answer to the next question: true for Yes.
    void QueueQuestionAnswer(bool bYes);
    std::size_t PendingQuestionAnswers() const;

    // Every line printed so far, and the sound names played.
    std::vector<std::string> Lines() const;
    std::vector<std::string> Sounds() const;
    int PresentCount() const;
    // A copy of the last presented screen (black 240 x 320 before the first).
    CBitmap Screen() const;

    // PNG of the last presented screen, of an area of it, or of a view's own
    // surface (what the view drew in its last paint). 0, or -1 on failure.
    int CaptureScreen(const std::string& path) const;
    int CaptureArea(const std::string& path, const CRect& area) const;
    static int CaptureView(const std::string& path, const CView& view);

private:
    void Emit(const std::string& line);

    LineSink m_sink;
    mutable std::mutex m_mutex;
    std::vector<std::string> m_lines;
    std::vector<std::string> m_sounds;
    std::deque<SaveAnswer> m_saveAnswers;
    std::deque<bool> m_questionAnswers;
    CBitmap m_screen;
    int m_nPresents = 0;
    CUiLoop* m_pLoop = nullptr;
};
