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
#include "screens/Screen.h"
#include "screens/ScreenFurniture.h"
#include "screens/ScreenNavigator.h"
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

// A frame that notes the screens it is asked to show.
class CRecordingFrame : public CFrameWnd, public IScreenNavigator {
public:
    void SwitchToView(const CRuntimeClass* pClass) override { m_switched.push_back(pClass); }
    void HandleScreenGrid(int, int, int) override {}
    std::vector<const CRuntimeClass*> m_switched;
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
