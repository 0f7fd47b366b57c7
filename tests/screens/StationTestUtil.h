#pragma once

#include <array>
#include <cstring>
#include <memory>
#include <vector>

#include "ScreenTestUtil.h"
#include "board/Wire.h"
#include "tests/support/PacketBuilders.h"

// A frame that notes the touches handed to its screen grid.
class CGridFrame : public CFrameWnd, public IScreenNavigator {
public:
    struct Call {
        int x;
        int y;
        int ownCell;
        bool operator==(const Call&) const = default;
    };
    void SwitchToView(const CRuntimeClass*) override {}
    void HandleScreenGrid(int x, int y, int ownCell) override {
        m_calls.push_back({x, y, ownCell});
    }
    std::vector<Call> m_calls;
};

// A station picked on the MAC list, then beacons captured from it (or from
// another station) on channel 6 through the store's packet dispatch, in firmware that
// sends the channel estimate in tap order.
class StationScreenTest : public ScreenTest {
protected:
    using Taps = std::array<std::array<int8_t, 2>, 44>;  // (I, Q) of taps 0..43

    static constexpr testpkt::Mac kStation{0x00, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E};
    static constexpr testpkt::Mac kOther{0x00, 0x01, 0x02, 0x03, 0x04, 0x05};

    void SetUp() override {
        ScreenTest::SetUp();
        testpkt::Dispatch(*store, 1, testpkt::Text("V 1.20"));
        store->m_nChannel = 6;
        Pick(kStation, "field");
    }

    void Pick(const testpkt::Mac& mac, const char* ssid) {
        store->ClearSelectedStation();
        const std::string text = testpkt::MacText(mac);
        std::snprintf(store->m_szSelectedMac, sizeof store->m_szSelectedMac, "%s", text.c_str());
        std::snprintf(store->m_szSelectedSsid, sizeof store->m_szSelectedSsid, "%s", ssid);
    }

    // A screen in the frame that records grid touches.
    template <class V>
    V* OpenOnGrid() {
        auto view = std::make_unique<V>();
        V* v = view.get();
        v->SetContext(ScreenContext{store.get(), furniture.get()});
        grid.AddView(std::move(view));
        return v;
    }

    // True when a pixel of the colour lies within one pixel of (x, y).
    static bool Near(const CCanvas& s, int x, int y, COLORREF color) {
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (s.GetPixel(x + dx, y + dy) == color) return true;
        return false;
    }
    // Pixels of the colour in the rectangle.
    static int Count(const CCanvas& s, const CRect& r, COLORREF color) {
        int n = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) n += s.GetPixel(x, y) == color;
        return n;
    }

    static Taps SingleTap(int index, int i, int q = 0) {
        Taps t{};
        t[static_cast<size_t>(index)] = {static_cast<int8_t>(i), static_cast<int8_t>(q)};
        return t;
    }

    void Frame(int rssi, const Taps& taps = SingleTap(0, 10), const testpkt::Mac& from = kStation) {
        testpkt::Capture c = testpkt::Beacon(from, "field", 6, static_cast<int8_t>(rssi));
        for (size_t k = 0; k < taps.size(); ++k) {
            c.iq[2 * k] = taps[k][0];
            c.iq[2 * k + 1] = taps[k][1];
        }
        testpkt::Dispatch(*store, PacketType::kCapturedBeacon, testpkt::CaptureData(c));
    }

    CGridFrame grid;
};
