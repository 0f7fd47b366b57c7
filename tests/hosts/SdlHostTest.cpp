#include <gtest/gtest.h>

#include <SDL.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "hosts/headless/HeadlessHost.h"
#include "hosts/sdl/SdlHost.h"
#include "ui/FrameWnd.h"
#include "ui/UiLoop.h"

namespace {

// A private X server for the test, on the first free display from :91.
class CXvfb {
public:
    ~CXvfb() {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
        }
    }

    bool Start() {
        for (int n = 91; n <= 99; ++n) {
            const std::string sock = "/tmp/.X11-unix/X" + std::to_string(n);
            const std::string lock = "/tmp/.X" + std::to_string(n) + "-lock";
            struct stat st {};
            if (stat(sock.c_str(), &st) == 0 || stat(lock.c_str(), &st) == 0) continue;
            const std::string display = ":" + std::to_string(n);
            const pid_t pid = fork();
            if (pid < 0) return false;
            if (pid == 0) {
                const int devnull = open("/dev/null", O_WRONLY);
                if (devnull >= 0) {
                    dup2(devnull, 1);
                    dup2(devnull, 2);
                }
                execlp("Xvfb", "Xvfb", display.c_str(), "-screen", "0", "640x800x24", "-nolisten",
                       "tcp", static_cast<char*>(nullptr));
                _exit(127);
            }
            for (int i = 0; i < 100; ++i) {
                if (stat(sock.c_str(), &st) == 0) {
                    m_pid = pid;
                    m_display = display;
                    return true;
                }
                int status = 0;
                if (waitpid(pid, &status, WNOHANG) == pid) break;  // exited: not installed or busy
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
        return false;
    }

    const std::string& Display() const { return m_display; }

private:
    pid_t m_pid = -1;
    std::string m_display;
};

// A scene with edges, text and every colour channel.
class CSceneView : public CView {
public:
    void OnDraw(CCanvas& dc) override {
        dc.FillSolidRect(CRect(0, 0, 240, 270), RGB(0, 64, 128));
        for (int i = 0; i < 8; ++i) {
            dc.FillSolidRect(CRect(i * 30, 20, i * 30 + 30, 60),
                             RGB((i & 1) * 255, ((i >> 1) & 1) * 255, ((i >> 2) & 1) * 255));
        }
        dc.SetTextColor(RGB(255, 255, 0));
        dc.SetBkColor(RGB(0, 0, 0));
        dc.DrawText(label.c_str(), CRect(0, 140, 240, 155), DT_CENTER);
        dc.SelectPen(CPen(PS_DASH, 1, RGB(255, 255, 255)));
        dc.MoveTo(5, 200);
        dc.LineTo(235, 260);
    }
    void OnLButtonDown(int x, int y) override { taps.push_back(CPoint(x, y)); }
    bool OnKeyDown(int nKey) override {
        keys.push_back(nKey);
        return true;
    }
    std::string label = "TOUCH SCREEN TO CONTINUE";
    std::vector<CPoint> taps;
    std::vector<int> keys;
};

CBitmap RenderHeadless(const std::string& label) {
    CHeadlessHost host([](const std::string&) {});
    CUiLoop loop(host);
    CFrameWnd frame;
    frame.SetTitle("Orvalis B+");
    loop.SetFrame(&frame);
    auto view = std::make_unique<CSceneView>();
    view->label = label;
    frame.SetActiveView(frame.AddView(std::move(view)));
    loop.ProcessPending();
    return host.Screen();
}

int DifferingPixels(const CBitmap& shown, const CBitmap& expected) {
    if (shown.Width() != expected.Width() || shown.Height() != expected.Height()) return -1;
    int differing = 0;
    for (int y = 0; y < shown.Height(); ++y) {
        for (int x = 0; x < shown.Width(); ++x) {
            if (shown.GetPixel(x, y) != expected.GetPixel(x, y)) ++differing;
        }
    }
    return differing;
}

// The window's whole life, run in a child process: the X client libraries
// that SDL loads and unloads at run time keep allocations the leak checker
// cannot attribute, so the child ends without the exit-time leak check.
void ShowSceneInAWindow() {
    // Rendered before the window's loop exists: the loop current on the
    // thread is the last one made.
    const CBitmap expected = RenderHeadless("TOUCH SCREEN TO CONTINUE");
    const std::string changedLabel = "00:40:96:A1:B2:C3";
    const CBitmap changed = RenderHeadless(changedLabel);

    SdlHostOptions options;
    options.nScale = 2;
    CSdlHost host(options);
    ASSERT_EQ(host.Open(), 0) << SDL_GetError();
    CUiLoop loop(host);
    CFrameWnd frame;
    frame.SetTitle("Orvalis B+");
    loop.SetFrame(&frame);
    auto* view = static_cast<CSceneView*>(frame.AddView(std::make_unique<CSceneView>()));
    frame.SetActiveView(view);
    for (int i = 0; i < 5; ++i) loop.RunOnce(20);

    CBitmap shown;
    ASSERT_EQ(host.ReadBackPixels(shown), 0) << SDL_GetError();
    EXPECT_EQ(DifferingPixels(shown, expected), 0);

    // A frame that changes a few rows leaves the window showing the whole new
    // frame (the rows in between are not redrawn on every renderer).
    view->label = changedLabel;
    view->Invalidate();
    for (int i = 0; i < 5; ++i) loop.RunOnce(20);
    ASSERT_EQ(host.ReadBackPixels(shown), 0) << SDL_GetError();
    EXPECT_EQ(DifferingPixels(shown, changed), 0);

    // A small surface gets the software renderer, and a frame like the one
    // shown is not put on the window again.
    if (std::getenv("SDL_RENDER_DRIVER") == nullptr) {
        EXPECT_EQ(host.RendererName(), "software");
    }
    const int presents = host.PresentCount();
    EXPECT_GE(presents, 1);
    for (int i = 0; i < 10; ++i) host.Present(loop.Screen());
    EXPECT_EQ(host.PresentCount(), presents);

    // A left click in window pixels arrives in screen coordinates.
    SDL_Event e{};
    e.type = SDL_MOUSEBUTTONDOWN;
    e.button.button = SDL_BUTTON_LEFT;
    e.button.state = SDL_PRESSED;
    e.button.which = 0;
    e.button.windowID = host.WindowId();
    e.button.x = 100 * 2 + 1;
    e.button.y = 50 * 2 + 1;
    SDL_PushEvent(&e);
    for (int i = 0; i < 5 && view->taps.empty(); ++i) loop.RunOnce(20);
    ASSERT_EQ(view->taps.size(), 1u);
    EXPECT_EQ(view->taps[0], CPoint(100, 50));

    // A touch is given in window fractions.
    SDL_Event touch{};
    touch.type = SDL_FINGERDOWN;
    touch.tfinger.x = 0.5f;
    touch.tfinger.y = 0.25f;
    SDL_PushEvent(&touch);
    for (int i = 0; i < 5 && view->taps.size() < 2; ++i) loop.RunOnce(20);
    ASSERT_EQ(view->taps.size(), 2u);
    EXPECT_EQ(view->taps[1], CPoint(120, 80));

    // Page keys reach the program as keys of their own; F11 is the
    // window's, switching full screen on and off.
    for (SDL_Keycode k : {SDLK_PAGEDOWN, SDLK_PAGEUP, SDLK_F11, SDLK_LSHIFT, SDLK_F2}) {
        SDL_Event key{};
        key.type = SDL_KEYDOWN;
        key.key.windowID = host.WindowId();
        key.key.keysym.sym = k;
        SDL_PushEvent(&key);
    }
    for (int i = 0; i < 5 && view->keys.size() < 3; ++i) loop.RunOnce(20);
    EXPECT_EQ(view->keys, (std::vector<int>{VK_NEXT, VK_PRIOR, VK_OTHER}));
    EXPECT_TRUE(host.IsFullscreen());
    host.SetFullscreen(false);
    EXPECT_FALSE(host.IsFullscreen());

    // Closing the window ends the loop.
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
    for (int i = 0; i < 5 && !loop.IsQuitting(); ++i) loop.RunOnce(20);
    EXPECT_TRUE(loop.IsQuitting());
}

}  // namespace

TEST(SdlHost, TheRendererSuitsTheMachine) {
    using Choice = CSdlHost::RendererChoice;
    struct Case {
        bool bGpu, bFullscreen, bHinted;
        Choice want;
    };
    const Case cases[] = {
        {false, false, false, Choice::Software}, {false, true, false, Choice::Software},
        {true, false, false, Choice::Software},  {true, true, false, Choice::Accelerated},
        {false, false, true, Choice::Hinted},    {true, true, true, Choice::Hinted},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CSdlHost::ChooseRenderer(c.bGpu, c.bFullscreen, c.bHinted), c.want)
            << c.bGpu << c.bFullscreen << c.bHinted;
    }
}

// Frames come faster than the display refreshes: the first shows at once,
// the rest wait for the next refresh and only the newest of them shows.
TEST(PresentPacer, PresentsAtMostAtTheRefreshRateAndNeverLosesTheLastFrame) {
    CPresentPacer pacer;
    pacer.SetRefreshRate(50);  // 20 ms
    EXPECT_EQ(pacer.IntervalMs(), 20u);
    EXPECT_EQ(pacer.LimitWaitMs(1000, 250), 250);  // nothing waiting
    ASSERT_TRUE(pacer.Offer(1000));
    pacer.Presented(1000);
    int presents = 1;
    for (std::uint64_t t = 1001; t < 1100; t += 2) {
        if (pacer.Offer(t)) {
            pacer.Presented(t);
            ++presents;
        }
    }
    EXPECT_EQ(presents, 5);  // 1000, 1021, 1041, 1061, 1081
    EXPECT_TRUE(pacer.IsWaiting());
    EXPECT_EQ(pacer.LimitWaitMs(1099, 250), 2);
    EXPECT_FALSE(pacer.IsDue(1100));
    EXPECT_TRUE(pacer.IsDue(1101));
    EXPECT_EQ(pacer.LimitWaitMs(1101, 250), 0);
    pacer.Presented(1101);
    EXPECT_FALSE(pacer.IsDue(5000));

    // A display that reports no rate counts as 60 Hz.
    pacer.SetRefreshRate(0);
    EXPECT_EQ(pacer.IntervalMs(), 17u);
}

TEST(SdlHost, WindowShowsTheSamePixelsAsTheHeadlessHostAndMapsTheStylus) {
    CXvfb xvfb;
    if (xvfb.Start()) {
        setenv("DISPLAY", xvfb.Display().c_str(), 1);
    } else if (std::getenv("DISPLAY") == nullptr) {
        GTEST_SKIP() << "neither Xvfb nor a display";
    }
    setenv("SDL_VIDEODRIVER", "x11", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);

    EXPECT_EXIT(
        {
            ShowSceneInAWindow();
            std::fflush(nullptr);
            _exit(::testing::Test::HasFailure() ? 1 : 0);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(SdlHost, VideoDriverIsTheDesktopsTheConsolesOrNone) {
    struct Case {
        const char* requested;
        bool bWayland, bX11, bDrm;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"", true, true, true, {"wayland", "x11"}},
        {"", false, true, true, {"x11"}},
        {"", true, false, false, {"wayland"}},
        // A console of a hand-held: the DRM card, only without a desktop.
        {"", false, false, true, {"kmsdrm"}},
        // Nothing to show a window on: no driver at all, never a dummy one.
        {"", false, false, false, {}},
        // Asked for by name, even the off-screen driver, and nothing else.
        {"offscreen", true, true, true, {"offscreen"}},
        {"bogus", false, false, false, {"bogus"}},
    };
    for (const Case& c : cases) {
        DisplaySystem sys;
        sys.strRequested = c.requested;
        sys.bWayland = c.bWayland;
        sys.bX11 = c.bX11;
        sys.bDrm = c.bDrm;
        EXPECT_EQ(VideoDriverCandidates(sys), c.expected) << c.requested;
    }
}

TEST(SdlHost, DefaultScaleShrinksToTheDisplayAndAGivenOneStands) {
    struct Case {
        int requested, width, height, expected;
    };
    const Case cases[] = {
        {0, 1920, 1080, 2},  // 480 x 640 fits
        {0, 1366, 600, 1},   // 640 rows do not
        {0, 479, 2000, 1},   // 480 columns do not
        {0, 200, 200, 1},    // never below 1
        {0, 0, 0, 2},        // size unknown: the default
        {3, 1366, 600, 3},   // given: honoured even when larger
        {4, 0, 0, 4},       {99, 1920, 1080, 16},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FitWindowScale(c.requested, c.width, c.height), c.expected)
            << c.requested << " " << c.width << "x" << c.height;
    }
}

TEST(SdlHost, WithoutAnyUsableDisplayOpenFailsAtOnceSayingSo) {
    // A display name nobody serves, and no Wayland: no driver may be tried
    // but X11, which fails.
    const char* oldDisplay = std::getenv("DISPLAY");
    const std::string saved = oldDisplay != nullptr ? oldDisplay : "";
    setenv("DISPLAY", ":187", 1);
    unsetenv("WAYLAND_DISPLAY");
    unsetenv("SDL_VIDEODRIVER");
    // In a child: the X client library keeps what it allocated for the
    // failed connection.
    EXPECT_EXIT(
        {
            CSdlHost host;
            const bool ok = host.Open() == -1 &&
                            host.LastError() == CSdlHost::OpenError::kNoDisplay && !host.IsOpen();
            std::fflush(nullptr);
            _exit(ok ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
    if (oldDisplay != nullptr)
        setenv("DISPLAY", saved.c_str(), 1);
    else
        unsetenv("DISPLAY");
}
