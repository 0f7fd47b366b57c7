#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "audio/SoundCues.h"
#include "board/Wire.h"
#include "data/SurveyData.h"
#include "platform/Clock.h"
#include "screens/Screen.h"
#include "screens/ScreenFurniture.h"
#include "screens/ScreenNavigator.h"
#include "tests/support/ReferenceImage.h"
#include "ui/FrameWnd.h"

// A store that keeps the commands it is asked to send instead of queuing them.
class CCommandStore : public CSurveyData {
public:
    int SendCommand(uint8_t command, const uint8_t* args, uint32_t length) override {
        m_sent.push_back({command, std::vector<uint8_t>(args, args + length)});
        return 0;
    }
    // The modes of the set-mode commands sent, in order.
    std::vector<int> Modes() const {
        std::vector<int> modes;
        for (const auto& s : m_sent)
            if (s.command == BoardCommand::kSetMode && !s.args.empty()) modes.push_back(s.args[0]);
        return modes;
    }
    struct Sent {
        uint8_t command;
        std::vector<uint8_t> args;
    };
    std::vector<Sent> m_sent;
};

// A frame that notes the screens it is asked to show and the touches handed
// to its screen grid.
class CRecordingFrame : public CFrameWnd, public IScreenNavigator {
public:
    void SwitchToView(const CRuntimeClass* pClass) override { m_switched.push_back(pClass); }
    void HandleScreenGrid(int x, int y, int ownCell) override {
        m_gridTouches.push_back({x, y, ownCell});
    }
    std::vector<const CRuntimeClass*> m_switched;
    struct GridTouch {
        int x, y, ownCell;
        bool operator==(const GridTouch&) const = default;
    };
    std::vector<GridTouch> m_gridTouches;
};

// One screen on a prepared store: paint it, touch it, probe its pixels and texts.
class ScreenTest : public ::testing::Test {
protected:
    void SetUp() override {
        store = std::make_unique<CCommandStore>();
        furniture = std::make_unique<CScreenFurniture>(*store);
        CScreenFurniture::ResetActivityCounter();
        pings = std::make_shared<int>(0);
        auto count = pings;
        InstallSoundCues(
            [](std::string_view name, const char** canonical, std::span<const std::uint8_t>*) {
                *canonical = "PING";
                return name == "PING";
            },
            [count](const char*, std::span<const std::uint8_t>) { ++*count; });
    }
    void TearDown() override { ClearSoundCues(); }

    template <class V>
    V* Open() {
        auto view = std::make_unique<V>();
        V* v = view.get();
        if constexpr (std::is_base_of_v<CScreen, V>)
            v->SetContext(ScreenContext{store.get(), furniture.get()});
        frame.AddView(std::move(view));
        return v;
    }
    const CCanvas& Paint(CView* view) {
        view->UpdateWindow(true);
        return view->GetSurface();
    }
    // Paints `view` at a fixed local time with the activity strip on its first
    // frame and compares it with tests/data/screens/NAME.png (see
    // MatchesReferenceImage). One line per screen:
    //   EXPECT_TRUE(MatchesReference(Open<CUsage>(), "usage"));
    ::testing::AssertionResult MatchesReference(CView* view, const std::string& name) {
        std::tm fixed{};
        fixed.tm_year = 2026 - 1900;
        fixed.tm_mon = 2;
        fixed.tm_mday = 14;
        fixed.tm_hour = 9;
        fixed.tm_min = 26;
        fixed.tm_sec = 53;
        // The clock stands still for the paint: screens that take a reading
        // per paint are painted once.
        CClock::Hold(fixed);
        CScreenFurniture::ResetActivityCounter();
        view->UpdateWindow(true);
        CClock::SetLocal(fixed);
        ::testing::AssertionResult fit = TextsFit(*view);
        if (!fit) return fit << " on " << name;
        return MatchesReferenceImage(view->GetSurface().Bitmap(), name);
    }

    // Every text the view's last paint drew fits the rectangle it was drawn
    // in: the box its lines take lies inside the rectangle across, and starts
    // inside it, so clipping cuts no character. (Rows of the lists are
    // shorter than a line: their descenders hang below the rectangle as on
    // the instrument.) Texts drawn without clipping are free to run over.
    static ::testing::AssertionResult TextsFit(const CView& view) {
        std::string clipped;
        for (const CTextRecord& r : view.GetPaintTexts().Records()) {
            if (r.text.empty() || (r.format & DT_NOCLIP) != 0) continue;
            if (r.box.left >= r.rect.left && r.box.right <= r.rect.right &&
                r.box.top >= r.rect.top && r.box.top < r.rect.bottom)
                continue;
            char line[160];
            std::snprintf(line, sizeof line, "\n  \"%s\" takes (%d,%d)-(%d,%d) in (%d,%d)-(%d,%d)",
                          r.text.c_str(), r.box.left, r.box.top, r.box.right, r.box.bottom,
                          r.rect.left, r.rect.top, r.rect.right, r.rect.bottom);
            clipped += line;
        }
        if (clipped.empty()) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "texts clipped:" << clipped;
    }

    // A survey in progress: the board's identity, channel 6, a dozen stations
    // of every kind and level, a sweep with two carriers, counters and air
    // time on every channel. The reference pictures show it.
    void PrepareSurvey() {
        std::snprintf(store->m_szFirmwareVersion, sizeof store->m_szFirmwareVersion, "V 1.10");
        std::snprintf(store->m_szSerialNumber, sizeof store->m_szSerialNumber, "SN1234");
        store->m_nChannel = 6;
        store->m_bShowNonApMacs = 1;
        for (int i = 0; i < 12; ++i) {
            char mac[32];
            char ssid[32];
            std::snprintf(mac, sizeof mac, "00-1A-2B-3C-4D-%02X", 0x10 + i);
            std::snprintf(ssid, sizeof ssid, "site %d", i);
            const uint16_t kind = i % 3 == 2 ? kStationOther : kStationAccessPoint;
            StationEntry* e = AddStation(mac, -95 + 7 * i, 1 + (i * 5) % 14, kind, ssid);
            if (e == nullptr) continue;
            e->bPrivacy = static_cast<uint8_t>(i % 2);
            e->bUnauthorized = static_cast<uint8_t>(i == 4);
        }
        for (int i = 0; i < 273; ++i) {
            const int level = i > 95 && i < 108 ? -45 : (i > 200 && i < 206 ? -70 : -92);
            const auto v = static_cast<uint16_t>(static_cast<int16_t>(level * 256 + 17 * (i % 5)));
            store->m_abWideSweep[static_cast<size_t>(2 * i)] = static_cast<uint8_t>(v & 0xFF);
            store->m_abWideSweep[static_cast<size_t>(2 * i + 1)] = static_cast<uint8_t>(v >> 8);
        }
        for (int i = 0; i < 64; ++i) {
            const int level = i > 20 && i < 44 ? -50 - (i % 7) : -90;
            const auto v = static_cast<uint16_t>(static_cast<int16_t>(level * 256));
            store->m_abNarrowSweep[static_cast<size_t>(2 + 2 * i)] = static_cast<uint8_t>(v & 0xFF);
            store->m_abNarrowSweep[static_cast<size_t>(3 + 2 * i)] = static_cast<uint8_t>(v >> 8);
        }
        for (int t = 1; t <= 3; ++t) {
            SpectrumTrace& trace = store->m_aSpectrumTrace[static_cast<size_t>(t)];
            trace.bVisible = 1;
            for (auto& level : trace.anLevel) level = static_cast<int16_t>(-80 - 5 * t);
        }
        store->m_aSpectrumTrace[2].bHold = 1;
        store->m_nSpectrumMarker = 101;
        store->m_nFramesTotal = 12345;
        store->m_nBeacons = 4000;
        store->m_nMgmtFrames = 900;
        store->m_nControlFrames = 3100;
        store->m_nDataFrames = 4300;
        store->m_nReservedFrames = 45;
        store->m_nAuthFrames = 12;
        store->m_nDeauthFrames = 3;
        store->m_nFramesAllChannels = 4000;
        for (int c = 1; c <= 14; ++c) {
            const auto slot = static_cast<size_t>(c);
            store->m_anFramesPerChannel[slot] = 600u * static_cast<uint32_t>(c % 7);
            for (int r = 0; r < 4; ++r)
                store->m_anBytesPerRateChannel[static_cast<size_t>(r)][slot] =
                    static_cast<uint32_t>(300 * c * (r + 1));
            store->m_anChannelValue[slot] = static_cast<int16_t>(-96 + c % 4);
        }
    }

    static bool HasText(const CView* view, const std::string& text, CTextRecord* out = nullptr) {
        CTextRecord record;
        return view->GetPaintTexts().FindLast(text, out != nullptr ? out : &record);
    }
    // Adds a station to the table (weakest first, as the table keeps them).
    StationEntry* AddStation(const char* mac, int rssi, int channel,
                             uint16_t kind = kStationAccessPoint, const char* ssid = "net") {
        StationEntry* e = nullptr;
        if (store->m_Stations.Allocate(&e) != 0) return nullptr;
        std::snprintf(e->szMac, sizeof e->szMac, "%s", mac);
        std::snprintf(e->szSsid, sizeof e->szSsid, "%s", ssid);
        e->nRssi = static_cast<int16_t>(rssi);
        e->nChannel = static_cast<uint16_t>(channel);
        e->nKind = kind;
        store->m_Stations.Insert(e);
        return e;
    }
    // n access points with MAC texts of their own, numbered on from `first`.
    void AddStations(int n, int channel = 6, int first = 0) {
        char mac[32];
        for (int i = first; i < first + n; ++i) {
            std::snprintf(mac, sizeof mac, "00-11-22-33-%02X-%02X", i / 256, i % 256);
            AddStation(mac, -90 + i % 60, channel);
        }
    }

    std::unique_ptr<CCommandStore> store;
    std::unique_ptr<CScreenFurniture> furniture;
    std::shared_ptr<int> pings;
    CRecordingFrame frame;
};
