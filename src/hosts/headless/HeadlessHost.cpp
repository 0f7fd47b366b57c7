#include "hosts/headless/HeadlessHost.h"

#include <chrono>
#include <cstdio>

#include "gfx/Canvas.h"
#include "gfx/Png.h"
#include "ui/FrameWnd.h"
#include "ui/UiLoop.h"
#include "ui/View.h"
#include "ui/Wnd.h"

namespace {

std::string OneLine(const std::string& s) {
    std::string out;
    out.reserve(s.size());
    for (char c : s) {
        if (c == '\n') {
            out += "\\n";
        } else if (c != '\r') {
            out += c;
        }
    }
    return out;
}

}  // namespace

CHeadlessHost::CHeadlessHost(LineSink sink)
    : m_sink(std::move(sink)), m_screen(CFrameWnd::kScreenWidth, CFrameWnd::kScreenHeight) {
    if (!m_sink) {
        m_sink = [](const std::string& line) {
            std::fputs(line.c_str(), stdout);
            std::fputc('\n', stdout);
            std::fflush(stdout);
        };
    }
}

void CHeadlessHost::Attach(CUiLoop& loop) {
    m_pLoop = &loop;
}

void CHeadlessHost::Emit(const std::string& line) {
    // Under the lock: lines from several threads never interleave.
    std::lock_guard<std::mutex> lock(m_mutex);
    m_lines.push_back(line);
    m_sink(line);
}

void CHeadlessHost::Present(const CCanvas& screen) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_screen = screen.Bitmap();
    ++m_nPresents;
}

void CHeadlessHost::PumpEvents(CUiLoop& loop, int nTimeoutMs) {
    // No input of its own: the script driver calls the loop directly.
    loop.Queue().WaitForPosted(std::chrono::milliseconds(nTimeoutMs));
}

void CHeadlessHost::PlaySound(const char* name, std::span<const std::uint8_t>) {
    const std::string n = name != nullptr ? name : "";
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_sounds.push_back(n);
    }
    Emit("sound: " + OneLine(n));
}

void CHeadlessHost::MessageBeep() {
    Emit("beep");
}

bool CHeadlessHost::AnswerModal(const ModalRequest& request, ModalAnswer& answer) {
    switch (request.kind) {
        case ModalRequest::Kind::MessageBox: {
            answer = ModalAnswer{};
            if (!request.bYesNo) {
                Emit("msgbox: " + OneLine(request.caption) + " | " + OneLine(request.text));
                return true;
            }
            bool bYes = true;
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                if (!m_questionAnswers.empty()) {
                    bYes = m_questionAnswers.front();
                    m_questionAnswers.pop_front();
                }
            }
            answer.nResult = bYes ? IDYES : IDNO;
            Emit("question: " + OneLine(request.caption) + " | " + OneLine(request.text) +
                 (bYes ? " | yes" : " | no"));
            return true;
        }
        case ModalRequest::Kind::SaveFile: {
            Emit("dialog: save | " + OneLine(request.proposedName));
            SaveAnswer scripted;
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                if (!m_saveAnswers.empty()) {
                    scripted = m_saveAnswers.front();
                    m_saveAnswers.pop_front();
                }
            }
            answer = ModalAnswer{};
            answer.nResult = scripted.bOk ? IDOK : IDCANCEL;
            if (scripted.name) {
                answer.bHasName = true;
                answer.name = *scripted.name;
            }
            return true;
        }
        case ModalRequest::Kind::Dialog:
            // Other dialogs (the About box) end with OK at once; they print
            // nothing, the output lines being a fixed contract.
            answer = ModalAnswer{};
            return true;
    }
    return true;
}

std::uint64_t CHeadlessHost::TickMs() const {
    using namespace std::chrono;
    return static_cast<std::uint64_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void CHeadlessHost::QueueSaveAnswer(SaveAnswer answer) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_saveAnswers.push_back(std::move(answer));
}

std::size_t CHeadlessHost::PendingSaveAnswers() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_saveAnswers.size();
}

void CHeadlessHost::QueueQuestionAnswer(bool bYes) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_questionAnswers.push_back(bYes);
}

std::size_t CHeadlessHost::PendingQuestionAnswers() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_questionAnswers.size();
}

std::vector<std::string> CHeadlessHost::Lines() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_lines;
}

std::vector<std::string> CHeadlessHost::Sounds() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_sounds;
}

int CHeadlessHost::PresentCount() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_nPresents;
}

CBitmap CHeadlessHost::Screen() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_screen;
}

int CHeadlessHost::CaptureScreen(const std::string& path) const {
    const CBitmap screen = Screen();
    return WritePng(screen, path);
}

int CHeadlessHost::CaptureArea(const std::string& path, const CRect& area) const {
    const CBitmap screen = Screen();
    return WritePng(screen, area, path);
}

int CHeadlessHost::CaptureView(const std::string& path, const CView& view) {
    const CBitmap& bits = view.GetSurface().Bitmap();
    if (bits.IsEmpty()) return -1;
    return WritePng(bits, path);
}
