#pragma once

#include <array>
#include <cstdint>

#include "gfx/Color.h"
#include "gfx/Geometry.h"
#include "gfx/Palette.h"
#include "screens/Screen.h"

class CSurveyData;
struct StationEntry;

// The list of stations heard, eight to a page, each entry in the colour of
// its RSSI. The channel strip restricts the board to one channel (the list
// then shows that channel's stations), the SURVEY bar returns it to all
// channels, and touching an entry selects that station and opens the Geiger
// screen. Up and Down page through the list; the page lives in the view.
class CMac : public CScreen {
    ORV_DECLARE_DYNCREATE(CMac)
public:
    static constexpr int kItemsPerPage = 8;

    static constexpr CRect kListArea{0, 39, 240, 198};
    static constexpr CRect kChannelStrip{0, 199, 240, 217};
    static constexpr CRect kSurveyBar{0, 219, 240, 235};
    static constexpr CRect kPageFooter{0, 255, 120, 270};
    static constexpr CRect kItemFooter{121, 255, 240, 270};

    // Row k = 1..8 of the list and cell i = 1..14 of the channel strip.
    static constexpr CRect RowRect(int k) { return CRect(0, 20 * k + 19, 240, 20 * k + 37); }
    static constexpr CRect ChannelCell(int i) { return CRect(17 * i - 15, 199, 17 * i - 1, 217); }
    // The current channel's cell, inverted.
    static constexpr CRect ChannelHighlight(int c) {
        return CRect(17 * c - 17, 198, 17 * c + 2, 219);
    }

    // The screen's empty form template.
    static constexpr unsigned kTemplateId = 117;

    CMac();

    COLORREF GetBackgroundColor() const override { return Palette::kBlack; }

    // -100 dBm red, -80 yellow, -60 green, -40 cyan, -20 and stronger white.
    static COLORREF RssiColor(int rssi);
    // The channel 1..14 whose cell holds x, or 0 in a gap or past the ends.
    static int ChannelAt(int x);

    uint16_t GetPage() const { return m_nPage; }
    bool IsAtLastPage() const { return m_bAtLastPage != 0; }
    int GetRowsDrawn() const { return m_nRowsDrawn; }

protected:
    void Compose(CCanvas& dc, CSurveyData& data, const CScreenFurniture& furniture) override
        ORV_REQUIRES_STORE(data);
    void OnTouch(int x, int y, CSurveyData& data) override ORV_REQUIRES_STORE(data);

private:
    void OnUp();
    void OnDown();
    void DrawRow(CCanvas& dc, const CSurveyData& data, const StationEntry& entry, int k)
        ORV_REQUIRES_STORE(data);
    void DrawFooters(CCanvas& dc, const CSurveyData& data) ORV_REQUIRES_STORE(data);
    void SelectChannel(CSurveyData& data, int channel) ORV_REQUIRES_STORE(data);
    void SelectRow(CSurveyData& data, int k) ORV_REQUIRES_STORE(data);

    static constexpr int kRows = kItemsPerPage + 1;  // rows 1..8; entry 0 unused

    uint16_t m_nPage = 1;
    uint16_t m_nItemsPerPage = kItemsPerPage;
    uint8_t m_bAtLastPage = 1;
    uint16_t m_nChannelFilter = 0;
    uint16_t m_nFirstIndex = 1;
    uint16_t m_nRowsDrawn = 0;
    uint16_t m_nRunningNumber = 0;
    std::array<std::array<char, 32>, kRows> m_aszRowMac{};
    std::array<std::array<char, 64>, kRows> m_aszRowSsid{};
    std::array<int16_t, kRows> m_anRowChannel{};
    std::array<uint8_t, kRows> m_abRowValid{};
};
