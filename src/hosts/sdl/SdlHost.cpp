#include "hosts/sdl/SdlHost.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "gfx/Canvas.h"
#include "ui/FrameWnd.h"
#include "ui/UiLoop.h"
#include "ui/Wnd.h"

namespace {

constexpr int kW = CFrameWnd::kScreenWidth;
constexpr int kH = CFrameWnd::kScreenHeight;

// Calls fn(first, end) for each run of consecutive screen rows for which
// inBand(row) holds, testing every row once; stops when fn returns false.
template <class InBand, class Fn>
void ForEachBand(InBand inBand, Fn fn) {
    int first = -1;
    for (int y = 0; y <= kH; ++y) {
        const bool in = y < kH && inBand(y);
        if (in && first < 0) first = y;
        if (!in && first >= 0) {
            if (!fn(first, y)) return;
            first = -1;
        }
    }
}

void PutLe16(std::vector<std::uint8_t>& v, unsigned x) {
    v.push_back(static_cast<std::uint8_t>(x & 0xFF));
    v.push_back(static_cast<std::uint8_t>((x >> 8) & 0xFF));
}
void PutLe32(std::vector<std::uint8_t>& v, std::uint32_t x) {
    PutLe16(v, x & 0xFFFF);
    PutLe16(v, x >> 16);
}

// A short two-tone chirp, 16-bit mono, as a WAVE file.
std::vector<std::uint8_t> MakeBeep() {
    constexpr int kRate = 22050;
    constexpr int kSamples = kRate / 10;
    std::vector<std::uint8_t> w;
    w.reserve(44 + kSamples * 2);
    const char* riff = "RIFF";
    w.insert(w.end(), riff, riff + 4);
    PutLe32(w, 36 + kSamples * 2);
    const char* wavefmt = "WAVEfmt ";
    w.insert(w.end(), wavefmt, wavefmt + 8);
    PutLe32(w, 16);
    PutLe16(w, 1);
    PutLe16(w, 1);
    PutLe32(w, kRate);
    PutLe32(w, kRate * 2);
    PutLe16(w, 2);
    PutLe16(w, 16);
    const char* data = "data";
    w.insert(w.end(), data, data + 4);
    PutLe32(w, kSamples * 2);
    for (int i = 0; i < kSamples; ++i) {
        const double f = i < kSamples / 2 ? 880.0 : 660.0;
        const double env = std::min(1.0, std::min(i, kSamples - i) / 200.0);
        const double s = std::sin(2.0 * M_PI * f * i / kRate) * env * 9000.0;
        PutLe16(w, static_cast<unsigned>(static_cast<std::int16_t>(s)) & 0xFFFF);
    }
    return w;
}

// Upper-case letter or digit of a key, else the ui key code, else 0.
int KeyCode(SDL_Keycode k) {
    if (k >= SDLK_a && k <= SDLK_z) return 'A' + (k - SDLK_a);
    if (k >= SDLK_0 && k <= SDLK_9) return '0' + (k - SDLK_0);
    switch (k) {
        case SDLK_BACKSPACE:
            return VK_BACK;
        case SDLK_TAB:
            return VK_TAB;
        case SDLK_RETURN:
        case SDLK_KP_ENTER:
            return VK_RETURN;
        case SDLK_ESCAPE:
            return VK_ESCAPE;
        case SDLK_LEFT:
            return VK_LEFT;
        case SDLK_RIGHT:
            return VK_RIGHT;
        case SDLK_UP:
            return VK_UP;
        case SDLK_DOWN:
            return VK_DOWN;
        case SDLK_DELETE:
            return VK_DELETE;
        case SDLK_HOME:
            return VK_HOME;
        case SDLK_END:
            return VK_END;
        case SDLK_PAGEUP:
            return VK_PRIOR;
        case SDLK_PAGEDOWN:
            return VK_NEXT;
        default:
            break;
    }
    // Modifiers alone are not keys a person presses for their own sake.
    switch (k) {
        case SDLK_LSHIFT:
        case SDLK_RSHIFT:
        case SDLK_LCTRL:
        case SDLK_RCTRL:
        case SDLK_LALT:
        case SDLK_RALT:
        case SDLK_LGUI:
        case SDLK_RGUI:
        case SDLK_CAPSLOCK:
        case SDLK_NUMLOCKCLEAR:
        case SDLK_SCROLLLOCK:
        case SDLK_MODE:
        case SDLK_UNKNOWN:
            return 0;
        default:
            return VK_OTHER;
    }
}

std::string EnvText(const char* name) {
    const char* v = std::getenv(name);
    return v != nullptr ? std::string(v) : std::string();
}

constexpr int kDefaultScale = 2;
constexpr int kMaxScale = 16;

}  // namespace

DisplaySystem ProbeDisplaySystem() {
    DisplaySystem sys;
    sys.strRequested = EnvText("SDL_VIDEODRIVER");
    sys.bWayland = !EnvText("WAYLAND_DISPLAY").empty();
    sys.bX11 = !EnvText("DISPLAY").empty();
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/dev/dri", ec)) {
        if (entry.path().filename().string().rfind("card", 0) == 0) {
            sys.bDrm = true;
            break;
        }
    }
    return sys;
}

std::vector<std::string> VideoDriverCandidates(const DisplaySystem& sys) {
    if (!sys.strRequested.empty()) return {sys.strRequested};
    std::vector<std::string> drivers;
    if (sys.bWayland) drivers.emplace_back("wayland");
    // XWayland serves a Wayland desktop's X11 programs too.
    if (sys.bX11) drivers.emplace_back("x11");
    if (drivers.empty() && sys.bDrm) drivers.emplace_back("kmsdrm");
    return drivers;
}

int FitWindowScale(int nRequested, int nUsableWidth, int nUsableHeight) {
    if (nRequested > 0) return std::clamp(nRequested, 1, kMaxScale);
    if (nUsableWidth <= 0 || nUsableHeight <= 0) return kDefaultScale;
    int scale = kDefaultScale;
    while (scale > 1 && (kW * scale > nUsableWidth || kH * scale > nUsableHeight)) --scale;
    return scale;
}

CSdlHost::CSdlHost(SdlHostOptions options) : m_options(std::move(options)), m_beep(MakeBeep()) {
    if (m_options.nScale != 0) m_options.nScale = std::clamp(m_options.nScale, 1, kMaxScale);
}

CSdlHost::~CSdlHost() {
    Close();
}

int CSdlHost::Open() {
    if (m_pWindow != nullptr) return 0;
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "0");
    // Touches arrive as touches; mouse events synthesised from them would
    // tap twice.
    SDL_SetHint(SDL_HINT_TOUCH_MOUSE_EVENTS, "0");
    m_error = OpenError::kNoDisplay;
    if (InitVideo() < 0) return -1;
    m_error = OpenError::kWindow;
    SDL_Rect usable{0, 0, 0, 0};
    if (SDL_GetDisplayUsableBounds(0, &usable) != 0) usable = SDL_Rect{0, 0, 0, 0};
    m_options.nScale = FitWindowScale(m_options.nScale, usable.w, usable.h);
    Uint32 flags = SDL_WINDOW_SHOWN;
    if (m_options.bFullscreen) flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
    m_pWindow =
        SDL_CreateWindow(m_options.title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                         kW * m_options.nScale, kH * m_options.nScale, flags);
    if (m_pWindow == nullptr) {
        Close();
        return -1;
    }
    if (CreateRenderer() < 0) {
        Close();
        return -1;
    }
    m_nWakeEvent = SDL_RegisterEvents(1);
    SDL_StartTextInput();
    m_audio.Open(!m_options.bAudio);
    m_error = OpenError::kNone;
    return 0;
}

CSdlHost::RendererChoice CSdlHost::ChooseRenderer(bool bGpuPresent, bool bFullscreen,
                                                  bool bDriverHinted) {
    if (bDriverHinted) return RendererChoice::Hinted;
    return bGpuPresent && bFullscreen ? RendererChoice::Accelerated : RendererChoice::Software;
}

bool CSdlHost::GpuPresent() {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/dev/dri", ec)) {
        if (entry.path().filename().string().starts_with("renderD")) return true;
    }
    return false;
}

std::string CSdlHost::RendererName() const {
    SDL_RendererInfo info{};
    if (m_pRenderer == nullptr || SDL_GetRendererInfo(m_pRenderer, &info) != 0) return {};
    return info.name != nullptr ? info.name : "";
}

int CSdlHost::CreateRenderer() {
    const RendererChoice choice = ChooseRenderer(GpuPresent(), m_options.bFullscreen,
                                                 SDL_GetHint(SDL_HINT_RENDER_DRIVER) != nullptr);
    const Uint32 first = choice == RendererChoice::Software ? SDL_RENDERER_SOFTWARE : 0;
    // The software renderer draws into the window's surface, which SDL would
    // otherwise back with a GL texture: the very context it is chosen to avoid.
    if (first == SDL_RENDERER_SOFTWARE) SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    m_pRenderer = SDL_CreateRenderer(m_pWindow, -1, first);
    // Whichever failed, the other kind may still work.
    if (m_pRenderer == nullptr) {
        m_pRenderer = SDL_CreateRenderer(
            m_pWindow, -1, first == SDL_RENDERER_SOFTWARE ? 0 : SDL_RENDERER_SOFTWARE);
    }
    if (m_pRenderer == nullptr) return -1;
    SDL_RenderSetLogicalSize(m_pRenderer, kW, kH);
    SDL_RenderSetIntegerScale(m_pRenderer, SDL_TRUE);
    // A 32-bit texture: the software renderer scales a texture of the window
    // surface's own format with its fast stretch, while a 24-bit one goes
    // through the generic per-pixel blit, and GPU renderers take 32 bits
    // without converting on upload.
    m_pTexture =
        SDL_CreateTexture(m_pRenderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING, kW, kH);
    if (m_pTexture == nullptr) return -1;
    SDL_DisplayMode mode{};
    m_pacer.SetRefreshRate(SDL_GetWindowDisplayMode(m_pWindow, &mode) == 0 ? mode.refresh_rate : 0);
    m_lastFrame.assign(static_cast<std::size_t>(kW) * 3 * kH, 0);
    m_changedRows.assign(kH, 0);
    SDL_RendererInfo info{};
    m_bKeepsSurface =
        SDL_GetRendererInfo(m_pRenderer, &info) == 0 && (info.flags & SDL_RENDERER_SOFTWARE) != 0;
    m_bMustPresent = true;
    return 0;
}

int CSdlHost::InitVideo() {
    for (const std::string& driver : VideoDriverCandidates(ProbeDisplaySystem())) {
        SDL_SetHint(SDL_HINT_VIDEODRIVER, driver.c_str());
        if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) == 0) {
            m_bVideoInit = true;
            return 0;
        }
    }
    return -1;
}

std::string CSdlHost::VideoDriver() const {
    const char* name = m_bVideoInit ? SDL_GetCurrentVideoDriver() : nullptr;
    return name != nullptr ? std::string(name) : std::string();
}

void CSdlHost::SetFullscreen(bool bFullscreen) {
    m_options.bFullscreen = bFullscreen;
    if (m_pWindow != nullptr)
        SDL_SetWindowFullscreen(m_pWindow, bFullscreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
}

void CSdlHost::Close() {
    m_audio.Close();
    if (m_pTexture != nullptr) SDL_DestroyTexture(m_pTexture);
    if (m_pRenderer != nullptr) SDL_DestroyRenderer(m_pRenderer);
    if (m_pWindow != nullptr) SDL_DestroyWindow(m_pWindow);
    m_pTexture = nullptr;
    m_pRenderer = nullptr;
    m_pWindow = nullptr;
    if (m_bVideoInit) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
        m_bVideoInit = false;
    }
}

void CSdlHost::SetTitle(const std::string& title) {
    m_options.title = title;
    if (m_pWindow != nullptr) SDL_SetWindowTitle(m_pWindow, title.c_str());
}

void CSdlHost::Attach(CUiLoop& loop) {
    const Uint32 type = m_nWakeEvent;
    if (type == 0 || type == static_cast<Uint32>(-1)) return;
    // A post from any thread pushes an event, ending SDL's wait at once
    // (SDL_PushEvent is thread-safe).
    loop.Queue().SetWakeHook([type] {
        SDL_Event ev{};
        ev.type = type;
        SDL_PushEvent(&ev);
    });
}

void CSdlHost::RenderFrame() {
    SDL_SetRenderDrawColor(m_pRenderer, 0, 0, 0, 255);
    SDL_RenderClear(m_pRenderer);
    SDL_RenderCopy(m_pRenderer, m_pTexture, nullptr, nullptr);
}

// The software renderer draws into the window's surface, which keeps what was
// drawn until the window loses its contents: there only the rows that changed
// are scaled again. Other renderers' back buffers are undefined after a
// present, so they draw the whole frame.
void CSdlHost::RenderChangedRows() {
    if (!m_bKeepsSurface || m_bMustPresent) {
        RenderFrame();
        return;
    }
    ForEachBand([this](int y) { return m_changedRows[static_cast<std::size_t>(y)] != 0; },
                [this](int first, int end) {
                    const SDL_Rect band{0, first, kW, end - first};
                    SDL_RenderCopy(m_pRenderer, m_pTexture, &band, &band);
                    return true;
                });
}

// A frame equal to the one shown is not presented again (unless the window
// lost its contents); a changed one goes to the texture at once and to the
// window when the pacer allows.
void CSdlHost::Present(const CCanvas& screen) {
    if (m_pTexture == nullptr) return;
    const CBitmap& bits = screen.Bitmap();
    if (bits.Width() != kW || bits.Height() != kH) return;
    if (UploadChangedRows(bits) == 0 && !m_bMustPresent) return;
    if (m_pacer.Offer(TickMs())) PresentNow();
}

// Rows equal to the ones in the texture are skipped. A locked texture's
// pixels may not hold its old contents, so only the changed bands are locked
// and every row of a band is written.
int CSdlHost::UploadChangedRows(const CBitmap& bits) {
    const std::size_t stride = bits.Stride();
    auto differs = [&](int y) {
        return m_bMustPresent ||
               std::memcmp(bits.Row(y), m_lastFrame.data() + stride * y, stride) != 0;
    };
    int changed = 0;
    ForEachBand(differs, [&](int first, int end) {
        const SDL_Rect band{0, first, kW, end - first};
        void* pixels = nullptr;
        int pitch = 0;
        if (SDL_LockTexture(m_pTexture, &band, &pixels, &pitch) != 0) return false;
        for (int row = first; row < end; ++row) {
            const std::uint8_t* in = bits.Row(row);
            std::memcpy(m_lastFrame.data() + stride * row, in, stride);
            auto* out = reinterpret_cast<Uint32*>(static_cast<std::uint8_t*>(pixels) +
                                                  static_cast<std::size_t>(pitch) * (row - first));
            for (int x = 0; x < kW; ++x, in += 3)
                out[x] = (Uint32{in[0]} << 16) | (Uint32{in[1]} << 8) | Uint32{in[2]};
            m_changedRows[static_cast<std::size_t>(row)] = 1;
        }
        SDL_UnlockTexture(m_pTexture);
        changed += end - first;
        return true;
    });
    return changed;
}

void CSdlHost::PresentNow() {
    RenderChangedRows();
    SDL_RenderPresent(m_pRenderer);
    std::fill(m_changedRows.begin(), m_changedRows.end(), 0);
    m_pacer.Presented(TickMs());
    m_bMustPresent = false;
    ++m_nPresents;
}

void CSdlHost::PresentIfDue() {
    if (m_pRenderer != nullptr && m_pacer.IsDue(TickMs())) PresentNow();
}

bool CSdlHost::ToScreen(float wx, float wy, int& x, int& y) const {
    float lx = 0;
    float ly = 0;
    SDL_RenderWindowToLogical(m_pRenderer, static_cast<int>(wx), static_cast<int>(wy), &lx, &ly);
    x = static_cast<int>(std::floor(lx));
    y = static_cast<int>(std::floor(ly));
    return x >= 0 && y >= 0 && x < kW && y < kH;
}

void CSdlHost::HandleEvent(CUiLoop& loop, const void* p) {
    const SDL_Event& e = *static_cast<const SDL_Event*>(p);
    switch (e.type) {
        case SDL_QUIT:
            loop.OnCloseRequest();
            break;
        case SDL_WINDOWEVENT:
            if (e.window.event == SDL_WINDOWEVENT_MINIMIZED) {
                loop.OnMinimize();
            } else if (e.window.event == SDL_WINDOWEVENT_CLOSE) {
                loop.OnCloseRequest();
            } else if (e.window.event == SDL_WINDOWEVENT_EXPOSED ||
                       e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
                m_bMustPresent = true;
                loop.OnExposed();
            }
            break;
        case SDL_MOUSEBUTTONDOWN:
            if (e.button.button == SDL_BUTTON_LEFT && e.button.which != SDL_TOUCH_MOUSEID) {
                // Mouse coordinates are already logical (the renderer maps them).
                if (e.button.x >= 0 && e.button.y >= 0 && e.button.x < kW && e.button.y < kH) {
                    loop.OnStylusDown(e.button.x, e.button.y);
                }
            }
            break;
        case SDL_FINGERDOWN: {
            int w = 0;
            int h = 0;
            SDL_GetWindowSize(m_pWindow, &w, &h);
            int x = 0;
            int y = 0;
            if (ToScreen(e.tfinger.x * static_cast<float>(w), e.tfinger.y * static_cast<float>(h),
                         x, y)) {
                loop.OnStylusDown(x, y);
            }
            break;
        }
        case SDL_TEXTINPUT: {
            // UTF-8 to the program's 8-bit text: code points up to U+00FF pass,
            // anything else is dropped.
            const auto* s = reinterpret_cast<const unsigned char*>(e.text.text);
            for (std::size_t i = 0; s[i] != 0 && i < sizeof(e.text.text);) {
                unsigned cp = s[i];
                std::size_t len = 1;
                if (cp >= 0xC0 && cp < 0xE0 && s[i + 1] != 0) {
                    cp = ((cp & 0x1F) << 6) | (s[i + 1] & 0x3F);
                    len = 2;
                } else if (cp >= 0xE0) {
                    len = cp >= 0xF0 ? 4 : 3;
                    cp = 0x100;
                }
                if (cp >= 0x20 && cp <= 0xFF) loop.OnChar(cp);
                i += len;
            }
            break;
        }
        case SDL_KEYDOWN: {
            if (e.key.keysym.sym == SDLK_F11) {
                if (e.key.repeat == 0) SetFullscreen(!m_options.bFullscreen);
                break;
            }
            const int key = KeyCode(e.key.keysym.sym);
            if (key != 0) {
                loop.OnKeyDown(key, (e.key.keysym.mod & KMOD_CTRL) != 0,
                               (e.key.keysym.mod & KMOD_SHIFT) != 0);
            }
            break;
        }
        default:
            break;
    }
}

void CSdlHost::PumpEvents(CUiLoop& loop, int nTimeoutMs) {
    if (m_pWindow == nullptr) {
        loop.Queue().WaitForPosted(std::chrono::milliseconds(nTimeoutMs));
        return;
    }
    SDL_Event e;
    if (loop.Queue().PendingCount() > 0) nTimeoutMs = 0;
    nTimeoutMs = m_pacer.LimitWaitMs(TickMs(), nTimeoutMs);
    if (SDL_WaitEventTimeout(&e, nTimeoutMs) != 0) {
        do {
            if (e.type != m_nWakeEvent) HandleEvent(loop, &e);
        } while (SDL_PollEvent(&e) != 0);
    }
    PresentIfDue();
}

void CSdlHost::PlaySound(const char*, std::span<const std::uint8_t> wave) {
    m_audio.PlayWave(wave);
}

void CSdlHost::MessageBeep() {
    m_audio.PlayWave(m_beep);
}

std::uint32_t CSdlHost::WindowId() const {
    return m_pWindow != nullptr ? SDL_GetWindowID(m_pWindow) : 0;
}

std::uint64_t CSdlHost::TickMs() const {
    return SDL_GetTicks64();
}

int CSdlHost::ReadBackPixels(CBitmap& out) {
    if (m_pRenderer == nullptr) return -1;
    if (!m_bKeepsSurface) RenderFrame();
    // The read covers the viewport (the letter-boxed screen), in output pixels.
    SDL_Rect viewport;
    SDL_RenderGetViewport(m_pRenderer, &viewport);
    float sx = 1;
    float sy = 1;
    SDL_RenderGetScale(m_pRenderer, &sx, &sy);
    const int vw = static_cast<int>(std::lround(static_cast<float>(viewport.w) * sx));
    const int vh = static_cast<int>(std::lround(static_cast<float>(viewport.h) * sy));
    if (vw <= 0 || vh <= 0) return -1;
    std::vector<std::uint8_t> buf(static_cast<std::size_t>(vw) * static_cast<std::size_t>(vh) * 3);
    const int rc =
        SDL_RenderReadPixels(m_pRenderer, nullptr, SDL_PIXELFORMAT_RGB24, buf.data(), vw * 3);
    if (!m_bKeepsSurface) SDL_RenderPresent(m_pRenderer);
    if (rc != 0) return -1;
    out = CBitmap(kW, kH);
    for (int y = 0; y < kH; ++y) {
        for (int x = 0; x < kW; ++x) {
            // The centre of the block that shows screen pixel (x, y).
            const int px = static_cast<int>((static_cast<float>(x) + 0.5f) * sx);
            const int py = static_cast<int>((static_cast<float>(y) + 0.5f) * sy);
            if (px >= vw || py >= vh) continue;
            const std::uint8_t* q =
                buf.data() + (static_cast<std::size_t>(py) * static_cast<std::size_t>(vw) +
                              static_cast<std::size_t>(px)) *
                                 3;
            out.SetPixel(x, y, RGB(q[0], q[1], q[2]));
        }
    }
    return 0;
}
