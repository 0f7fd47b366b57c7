// List files as a person hands them to the security screen: the input is
// written as "auth.lst" and "unauth.lst" in a data folder, the screen's
// Retrieve button reads them, and the screen is painted. Its list boxes must
// then mirror the store's lists. The first line of the input is also typed
// into the entry field and added, the way a person types an address.
//
// Input: a split byte, then the text. The first split * size / 256 bytes of
// the text are the authorized file, the rest the unauthorized one.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "data/SurveyData.h"
#include "outputs/ApListFile.h"
#include "res/Resource.h"
#include "screens/ScreenFurniture.h"
#include "screens/Security.h"
#include "ui/FrameWnd.h"
#include "ui/ListBox.h"

namespace {

namespace fs = std::filesystem;

struct Harness {
    fs::path dir;
    std::unique_ptr<CSurveyData> store = std::make_unique<CSurveyData>();
    std::unique_ptr<CScreenFurniture> furniture = std::make_unique<CScreenFurniture>(*store);
    CFrameWnd frame;
    CSecurity* view = nullptr;
    std::string authPath;
    std::string unauthPath;

    Harness() {
        dir = fs::temp_directory_path() / ("orvalis-fuzz-security-" + std::to_string(getpid()));
        fs::create_directories(dir);
        authPath = ApListPath(dir.string(), ApList::Authorized);
        unauthPath = ApListPath(dir.string(), ApList::Unauthorized);
        auto screen = std::make_unique<CSecurity>();
        view = screen.get();
        view->SetContext(ScreenContext{store.get(), furniture.get()});
        view->SetDataDir(dir.string());
        view->SetMessageFn([](std::string_view) {});
        frame.AddView(std::move(screen));
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
    h.view->UpdateWindow(true);

    const std::string_view typed = text.substr(0, text.find('\n')).substr(0, 64);
    h.view->SetControlText(IDC_MAC_ENTRY, typed);
    if (h.view->ClickControl(IDC_ADD) != 0) __builtin_trap();
    h.view->UpdateWindow(true);

    auto lock = h.store->Lock();
    if (!Mirrors(h.view->AuthorizedBox(), h.store->m_aszAuthorized, h.store->m_nAuthorizedCount))
        __builtin_trap();
    if (!Mirrors(h.view->UnauthorizedBox(), h.store->m_aszUnauthorized,
                 h.store->m_nUnauthorizedCount))
        __builtin_trap();
    return 0;
}
