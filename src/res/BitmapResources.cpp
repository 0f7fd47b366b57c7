#include "res/BitmapResources.h"

#include <algorithm>
#include <map>
#include <memory>
#include <mutex>

#include "res/BitmapPainters.h"
#include "res/MultipathBitmaps.h"
#include "res/Resource.h"
#include "res/StationBitmaps.h"
#include "res/TrafficBitmaps.h"

namespace {

struct Entry {
    int first;
    int last;
    CBitmap (*paint)(int id);
};

CBitmap Splash(int) {
    return PaintSplash();
}
CBitmap CommandBar(int) {
    return PaintCommandBar();
}

// Ranges of ids and the painter of each; new pictures are added here.
constexpr Entry kTable[] = {
    {IDR_MAINFRAME, IDR_MAINFRAME, CommandBar},
    {IDB_SPLASH, IDB_SPLASH, Splash},
    {IDB_ACTIVITY_FIRST, IDB_ACTIVITY_LAST, PaintActivityFrame},
    {IDB_ENABLE1_OFF, IDB_ENABLE3_ON, PaintTraceButton},
    {IDB_SPECTRUM_GRID, IDB_SPECTRUM_GRID, PaintSpectrumGrid},
    {IDB_HOLD1_OFF, IDB_HOLD2_OFF, PaintTraceButton},
    {IDB_UTILIZATION, IDB_UTILIZATION, PaintUtilizationChart},
    {IDB_MARKER_PEAK, IDB_MARKER_CENTER, PaintMarkerButton},
    {IDB_HOLD3_ON, IDB_VISIBLE3_OFF, PaintTraceButton},
    {IDB_MAC_LIST, IDB_MAC_LIST, PaintMacListBackground},
    {IDB_CHANNEL_GRID, IDB_CHANNEL_GRID, PaintSpectrumGrid},
    // Selected-station screens.
    {IDB_MULTIPATH, IDB_MULTIPATH, PaintMultipathBackground},
    {IDB_DELAY_SPREAD, IDB_DELAY_SPREAD, PaintDelaySpreadBackground},
    {IDB_GEIGER, IDB_GEIGER, PaintGeigerBackground},
    {IDB_SINGLE_NOISE, IDB_SINGLE_NOISE, PaintSingleNoiseBackground},
    {IDB_WISP, IDB_WISP, PaintWispBackground},
    {IDB_CFR, IDB_CFR, PaintCfrBackground},
};

std::mutex g_mutex;
std::map<int, std::unique_ptr<CBitmap>>& Cache() {
    // Never destroyed: pointers handed out stay valid to the very end.
    static auto* cache = new std::map<int, std::unique_ptr<CBitmap>>();
    return *cache;
}

}  // namespace

const CBitmap* LoadBitmapResource(int id) {
    for (const Entry& e : kTable) {
        if (id < e.first || id > e.last) continue;
        std::lock_guard<std::mutex> lock(g_mutex);
        std::unique_ptr<CBitmap>& slot = Cache()[id];
        if (!slot) slot = std::make_unique<CBitmap>(e.paint(id));
        return slot.get();
    }
    return nullptr;
}

std::vector<int> BitmapResourceIds() {
    std::vector<int> ids;
    for (const Entry& e : kTable)
        for (int id = e.first; id <= e.last; ++id) ids.push_back(id);
    std::sort(ids.begin(), ids.end());
    return ids;
}

CBitmap ScaleForStretch(const CBitmap& shown, int width, int height) {
    CBitmap out(width, height);
    for (int y = 0; y < out.Height(); ++y) {
        const int sy = static_cast<int>((2LL * y + 1) * shown.Height() / (2LL * out.Height()));
        for (int x = 0; x < out.Width(); ++x) {
            const int sx = static_cast<int>((2LL * x + 1) * shown.Width() / (2LL * out.Width()));
            out.SetPixel(x, y, shown.GetPixel(sx, sy));
        }
    }
    return out;
}
