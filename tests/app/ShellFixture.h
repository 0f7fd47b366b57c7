#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/MainFrame.h"
#include "app/OrvApp.h"
#include "board/Framing.h"
#include "board/MemoryPort.h"
#include "data/SurveyData.h"
#include "hosts/headless/HeadlessHost.h"
#include "hosts/headless/ScriptDriver.h"
#include "platform/Clock.h"
#include "screens/ScreenFurniture.h"
#include "ui/UiLoop.h"

// The program in this process, as the headless program builds it, with the
// script board and no start-up pause: the tests run script steps and then
// look at the store, the frame and the printed events.
class ShellFixture : public ::testing::Test {
protected:
    void SetUp() override {
        CScreenFurniture::ResetActivityCounter();
        m_pHost = std::make_unique<CHeadlessHost>([this](const std::string& l) { Emit(l); });
        m_pLoop = std::make_unique<CUiLoop>(*m_pHost);
        m_pBoard = std::make_shared<CMemoryPort>(true);
        m_pBoard->SetWriteCallback([this](const uint8_t* b, int n) { Emit(TxLine(b, n)); });
        AppOptions options;
        options.nStartupPauseMs = 0;
        options.nShutdownGraceMs = 0;
        options.openBoardPort = [board = m_pBoard] { return MakeScriptBoardPort(board); };
        options.onViewChanged = [this](CView* v) {
            Emit(std::string("view: ") + v->GetRuntimeClassName());
        };
        Customize(options);
        m_pApp = std::make_unique<COrvApp>(*m_pLoop, options);
        m_nInitResult = m_pApp->InitInstance();
        m_pDriver = std::make_unique<CScriptDriver>(
            *m_pApp, *m_pHost, m_pBoard.get(), [this](const std::string& l) { Emit("err: " + l); });
        // The start-up firmware request is out before a test begins.
        if (m_nInitResult == 0) Run("settle\n");
    }

    void TearDown() override {
        m_pDriver.reset();
        m_pApp.reset();
        m_pLoop.reset();
        m_pHost.reset();
        CClock::Reset();
    }

    virtual void Customize(AppOptions&) {}

    // Runs a script; its exit code.
    int Run(const std::string& script) {
        std::vector<ScriptStep> steps;
        std::string error;
        EXPECT_EQ(ParseScript(script, steps, error), 0) << error;
        return m_pDriver->Run(steps);
    }

    // Runs the script and returns the events it printed.
    std::vector<std::string> Events(const std::string& script) {
        Clear();
        Run(script);
        return Lines();
    }

    void Emit(const std::string& line) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_lines.push_back(line);
        }
        if (m_onLine) m_onLine(line);
    }
    std::vector<std::string> Lines() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_lines;
    }
    void Clear() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_lines.clear();
    }
    int Count(const std::string& line) {
        const auto lines = Lines();
        return static_cast<int>(std::count(lines.begin(), lines.end(), line));
    }

    CSurveyData& Data() { return m_pApp->Data(); }
    CMainFrame& Frame() { return *m_pApp->GetMainFrame(); }
    std::string ActiveView() {
        CView* v = Frame().GetActiveView();
        return v != nullptr ? v->GetRuntimeClassName() : "";
    }
    // Shows a screen the way the screens do.
    void Show(const CRuntimeClass* cls) {
        Frame().SwitchToView(cls);
        Run("settle\n");
    }

    std::unique_ptr<CHeadlessHost> m_pHost;
    std::unique_ptr<CUiLoop> m_pLoop;
    std::shared_ptr<CMemoryPort> m_pBoard;
    std::unique_ptr<COrvApp> m_pApp;
    std::unique_ptr<CScriptDriver> m_pDriver;
    int m_nInitResult = -2;
    // Called after each printed line, on the thread that printed it.
    std::function<void(const std::string&)> m_onLine;
    std::mutex m_mutex;
    std::vector<std::string> m_lines;
};

// "feed ..." for a board packet of `type` with a good check byte.
inline std::string FeedStep(uint8_t type, const std::vector<uint8_t>& payload) {
    const std::vector<uint8_t> framed = FrameBoardPacket(type, payload.data(), payload.size());
    std::string step = "feed";
    char hex[4];
    for (uint8_t b : framed) {
        std::snprintf(hex, sizeof(hex), " %02X", b);
        step += hex;
    }
    return step + "\n";
}

inline std::vector<uint8_t> TextPayload(const std::string& text) {
    std::vector<uint8_t> out(text.begin(), text.end());
    out.push_back(0);
    return out;
}
