#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "gfx/Bitmap.h"
#include "hosts/sdl/PresentPacer.h"
#include "platform/AudioOutput.h"
#include "ui/Host.h"

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;

struct SdlHostOptions {
    int nScale = 0;            // window pixels per screen pixel; 0: FitWindowScale
    bool bFullscreen = false;  // fill the display (hand-helds: KMSDRM or framebuffer)
    bool bAudio = true;        // false: null sink
    std::string title = "Orvalis";
};

// What the machine offers for a window, as far as the driver choice needs it.
struct DisplaySystem {
    std::string strRequested;  // the driver the person named (SDL_VIDEODRIVER), or ""
    bool bWayland = false;     // WAYLAND_DISPLAY is set
    bool bX11 = false;         // DISPLAY is set
    bool bDrm = false;         // a DRM card for the console (/dev/dri/card*)
};

DisplaySystem ProbeDisplaySystem();
// The SDL video drivers worth trying, in order: the one asked for alone; else
// the desktop's (Wayland, then X11); else, on a console without one, KMS/DRM.
// Empty: there is no display. The dummy and off-screen drivers only when
// asked for, so a program without a display never runs on invisibly.
std::vector<std::string> VideoDriverCandidates(const DisplaySystem& system);

// The window scale: the one asked for (nRequested 1..16), else the default
// scale 2 lowered until the window fits the display's usable area (at least
// 1; a display of unknown size, 0 x 0, takes the default).
int FitWindowScale(int nRequested, int nUsableWidth, int nUsableHeight);

// The 240 x 320 screen in an SDL2 window at an integer scale (or full screen,
// letter-boxed at the largest whole scale). The stylus is the left mouse
// button or a touch, mapped to screen coordinates; typed text goes to edit
// fields and Ctrl + letter to the accelerators; minimising and closing the
// window are reported to the loop. Page Up and Page Down pass as keys of
// their own, F11 switches full screen on and off. Sound cues and the click
// stream go to the SDL audio device.
class CSdlHost : public IHost {
public:
    explicit CSdlHost(SdlHostOptions options = {});
    ~CSdlHost() override;
    CSdlHost(const CSdlHost&) = delete;
    CSdlHost& operator=(const CSdlHost&) = delete;

    // Why Open failed.
    enum class OpenError { kNone, kNoDisplay, kWindow };

    // Opens the window and the audio device. -1 when no window can be made
    // (LastError says whether there was no display at all); audio failing
    // only leaves a null sink.
    int Open();
    OpenError LastError() const { return m_error; }
    // The SDL video driver in use ("" while closed).
    std::string VideoDriver() const;
    bool IsFullscreen() const { return m_options.bFullscreen; }
    void SetFullscreen(bool bFullscreen);
    void Close();
    bool IsOpen() const { return m_pWindow != nullptr; }
    void SetTitle(const std::string& title);

    void Attach(CUiLoop& loop) override;
    void Present(const CCanvas& screen) override;
    void PumpEvents(CUiLoop& loop, int nTimeoutMs) override;
    void PlaySound(const char* name, std::span<const std::uint8_t> wave) override;
    void MessageBeep() override;
    bool AnswerModal(const ModalRequest&, ModalAnswer&) override { return false; }
    std::uint64_t TickMs() const override;

    CAudioOutput& Audio() { return m_audio; }
    // SDL's id of the window (0 when closed), for events aimed at it.
    std::uint32_t WindowId() const;

    // Reads the window's pixels back (the last presented frame; rendered
    // again where the renderer does not keep its output) and scales them
    // down to screen size, one sample per screen pixel. 0, or -1 when the
    // renderer cannot read.
    int ReadBackPixels(CBitmap& out);

    // The renderer for the window. The screen is a 240 x 320 picture that
    // changes a few times a second: SDL's software renderer shows it for a
    // fraction of what a GL context costs, and without a GPU GL would only
    // rasterise in software itself. A GPU scales a full-screen display; a
    // render driver named in SDL_RENDER_DRIVER is followed.
    enum class RendererChoice { Software, Accelerated, Hinted };
    static RendererChoice ChooseRenderer(bool bGpuPresent, bool bFullscreen, bool bDriverHinted);
    // Whether the machine has a GPU render node.
    static bool GpuPresent();
    // The renderer's name ("software", "opengl", ...), empty when closed.
    std::string RendererName() const;
    // Frames put on the window since Open.
    int PresentCount() const { return m_nPresents; }

private:
    int CreateRenderer();
    // Puts the rows of a frame that differ from the texture's into it and
    // marks them for the next present; the number of rows put.
    int UploadChangedRows(const CBitmap& bits);
    // Draws the rows changed since the last present, or the whole frame.
    void RenderChangedRows();
    // Shows the texture now.
    void PresentNow();
    // Shows a frame held back by the pacer once its time has come.
    void PresentIfDue();
    // Starts SDL video on the first usable driver; -1 when none is.
    int InitVideo();
    void HandleEvent(CUiLoop& loop, const void* event);
    bool ToScreen(float wx, float wy, int& x, int& y) const;
    void RenderFrame();

    SdlHostOptions m_options;
    SDL_Window* m_pWindow = nullptr;
    SDL_Renderer* m_pRenderer = nullptr;
    SDL_Texture* m_pTexture = nullptr;
    bool m_bVideoInit = false;
    OpenError m_error = OpenError::kNone;
    std::uint32_t m_nWakeEvent = 0;
    CAudioOutput m_audio;
    std::vector<std::uint8_t> m_beep;  // WAVE of the exclamation beep
    CPresentPacer m_pacer;
    std::vector<std::uint8_t> m_lastFrame;    // the pixels last put in the texture
    bool m_bMustPresent = true;               // the window lost its contents
    bool m_bKeepsSurface = false;             // the renderer's output outlives a present
    std::vector<std::uint8_t> m_changedRows;  // 1: row changed since the last present
    int m_nPresents = 0;
};
