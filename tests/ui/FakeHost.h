#pragma once

#include <atomic>
#include <chrono>
#include <string>
#include <vector>

#include "gfx/Bitmap.h"
#include "gfx/Canvas.h"
#include "ui/Host.h"
#include "ui/UiLoop.h"

// An interactive host without a window: modal overlays are shown (not
// answered), the test plays the person by calling the loop's input entries.
class CFakeHost : public IHost {
public:
    void Attach(CUiLoop&) override {}
    void Present(const CCanvas& screen) override {
        last = screen.Bitmap();
        ++presents;
    }
    void PumpEvents(CUiLoop& loop, int nTimeoutMs) override {
        loop.Queue().WaitForPosted(std::chrono::milliseconds(nTimeoutMs));
    }
    void PlaySound(const char* name, std::span<const std::uint8_t>) override {
        sounds.push_back(name);
    }
    void MessageBeep() override { ++beeps; }
    bool AnswerModal(const ModalRequest& request, ModalAnswer& answer) override {
        requests.push_back(request);
        if (!bAnswer) return false;
        answer = scripted;
        return true;
    }
    std::uint64_t TickMs() const override { return now; }

    bool bAnswer = false;
    ModalAnswer scripted;
    std::vector<ModalRequest> requests;
    std::vector<std::string> sounds;
    CBitmap last;
    int presents = 0;
    std::atomic<int> beeps{0};
    std::uint64_t now = 1000;
};
