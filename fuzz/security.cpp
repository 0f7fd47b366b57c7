// List files as a person hands them to the security screen: the input is
// written as "auth.lst" and "unauth.lst" in a data folder, the screen's
// Retrieve button reads them, and the screen is painted. Its list boxes must
// then mirror the store's lists. The first line of the input is also typed
// into the entry field and added, the way a person types an address.
//
// Input: a split byte, then the text. The first split * size / 256 bytes of
// the text are the authorized file, the rest the unauthorized one.
//
// Painting the whole form costs far more than the rest of an input, and most
// of it (the buttons, the frame) draws the same every time. So most inputs
// bring the list boxes up to date the way a paint does, through the screen's
// Compose on a canvas of one pixel kept from input to input. One input in eight, picked
// by a hash of all its bytes, is painted in full, so the drawing of the
// lists' lines stays fuzzed, any input replays as it ran, and a painted
// input's mutations are painted no more often than any other's.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "data/SurveyData.h"
#include "gfx/Canvas.h"
#include "outputs/ApListFile.h"
#include "res/Resource.h"
#include "screens/ScreenFurniture.h"
#include "screens/Security.h"
#include "ui/FrameWnd.h"
#include "ui/ListBox.h"

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kPaintEvery = 8;

// The screen with its Compose in reach, to refresh its boxes without a paint.
class CFuzzedSecurity : public CSecurity {
public:
    void Refresh(CCanvas& dc) {
        const ScreenContext& context = GetContext();
        const CStoreLock lock(*context.pData);
        Compose(dc, *context.pData, *context.pFurniture);
    }
};

struct Harness {
    fs::path dir;
    std::unique_ptr<CSurveyData> store = std::make_unique<CSurveyData>();
    std::unique_ptr<CScreenFurniture> furniture = std::make_unique<CScreenFurniture>(*store);
    CFrameWnd frame;
    CFuzzedSecurity* view = nullptr;
    CCanvas canvas;
    std::string authPath;
    std::string unauthPath;

    Harness() {
        // In memory where the system has such a folder: rewriting a file on
        // a disk file system can start a write-back of it at every close.
        std::error_code ec;
        const fs::path base =
            fs::is_directory("/dev/shm", ec) ? fs::path("/dev/shm") : fs::temp_directory_path();
        dir = base / ("orvalis-fuzz-security-" + std::to_string(getpid()));
        fs::create_directories(dir);
        authPath = ApListPath(dir.string(), ApList::Authorized);
        unauthPath = ApListPath(dir.string(), ApList::Unauthorized);
        auto screen = std::make_unique<CFuzzedSecurity>();
        view = screen.get();
        view->SetContext(ScreenContext{store.get(), furniture.get()});
        view->SetDataDir(dir.string());
        view->SetMessageFn([](std::string_view) {});
        frame.AddView(std::move(screen));
        // One pixel: Compose lays its headings out but draws nothing.
        canvas = CCanvas(1, 1);
    }
    ~Harness() {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
};

Harness* g_harness = nullptr;

void RemoveFolder() {
    delete g_harness;
    g_harness = nullptr;
}

void WriteFile(const std::string& path, std::string_view text) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) std::abort();
    if (!text.empty() && std::fwrite(text.data(), 1, text.size(), f) != text.size()) std::abort();
    std::fclose(f);
}

// Whether the list box shows exactly the list's entries, in order.
bool Mirrors(const CListBox& box, const char (*slots)[32], int count) {
    if (box.GetCount() != count) return false;
    std::string line;
    for (int i = 0; i < count; ++i) {
        box.GetText(i, line);
        if (line != std::string_view(slots[i], strnlen(slots[i], 32))) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (g_harness == nullptr) {
        g_harness = new Harness;
        std::atexit(RemoveFolder);
    }
    Harness& h = *g_harness;
    if (size < 1) return 0;
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    const size_t split = text.size() * data[0] / 256;
    WriteFile(h.authPath, text.substr(0, split));
    WriteFile(h.unauthPath, text.substr(split));

    h.store->Reset();
    {
        auto lock = h.store->Lock();
        h.store->m_bSecurityEnabled = data[0] & 1;
    }
    if (h.view->ClickControl(IDC_RETRIEVE) != 0) __builtin_trap();

    // The typed entry goes onto a box that has not been repainted since the
    // lists were read, as when a person types before the next refresh.
    const std::string_view typed = text.substr(0, text.find('\n')).substr(0, 64);
    h.view->SetControlText(IDC_MAC_ENTRY, typed);
    if (h.view->ClickControl(IDC_ADD) != 0) __builtin_trap();
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    if (std::hash<std::string_view>{}(input) % kPaintEvery == 0) {
        h.view->UpdateWindow(true);
    } else {
        h.view->Refresh(h.canvas);
    }

    {
        auto lock = h.store->Lock();
        if (!Mirrors(h.view->AuthorizedBox(), h.store->m_aszAuthorized,
                     h.store->m_nAuthorizedCount))
            __builtin_trap();
        if (!Mirrors(h.view->UnauthorizedBox(), h.store->m_aszUnauthorized,
                     h.store->m_nUnauthorizedCount))
            __builtin_trap();
    }
    // The lines an input added are let go within it, so the fuzzer's leak
    // check (run whenever an input allocates more than it frees) stays idle.
    h.view->AuthorizedBox().ResetContent();
    h.view->UnauthorizedBox().ResetContent();
    return 0;
}
