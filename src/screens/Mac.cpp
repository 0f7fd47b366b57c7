#include "screens/Mac.h"

#include <cstdio>
#include <cstring>

#include "audio/SoundCues.h"
#include "board/Wire.h"
#include "data/SurveyData.h"
#include "gfx/Canvas.h"
#include "gfx/Palette.h"
#include "res/Resource.h"
#include "screens/GeigerView.h"
#include "screens/ScreenFurniture.h"

ORV_IMPLEMENT_DYNCREATE(CMac, CScreen)

namespace {

using Palette::kBlack;
using Palette::kWhite;
constexpr CRect kBackground{0, 20, 240, 240};
constexpr unsigned kCentred = DT_CENTER | DT_VCENTER;
constexpr unsigned kLeft = DT_VCENTER;

// Copies a fixed text field into a row buffer, always NUL-terminated.
template <std::size_t N, std::size_t M>
void CopyText(std::array<char, N>& to, const char (&from)[M]) {
    const std::size_t n = strnlen(from, M < N ? M : N - 1);
    std::memcpy(to.data(), from, n);
    to[n] = '\0';
}

template <std::size_t N, std::size_t M>
void CopyText(char (&to)[N], const std::array<char, M>& from) {
    const std::size_t n = strnlen(from.data(), M < N ? M : N - 1);
    std::memcpy(to, from.data(), n);
    to[n] = '\0';
}

}  // namespace

CMac::CMac() : CScreen(kTemplateId) {
    AddCommand(ID_UP, [this] { OnUp(); });
    AddCommand(ID_DOWN, [this] { OnDown(); });
}

void CMac::OnUp() {
    if (m_nPage > 1) --m_nPage;
}

void CMac::OnDown() {
    if (m_bAtLastPage == 0 && m_nPage < UINT16_MAX) ++m_nPage;
}

COLORREF CMac::RssiColor(int rssi) {
    return Palette::RssiColor(rssi);
}

int CMac::ChannelAt(int x) {
    for (int i = 1; i <= 14; ++i) {
        const CRect cell = ChannelCell(i);
        if (x >= cell.left && x < cell.right) return i;
    }
    return 0;
}

void CMac::Compose(CCanvas& dc, CSurveyData& data, const CScreenFurniture& furniture) {
    dc.SelectFont(CFont(80, "System"));
    furniture.DrawBitmap(dc, IDB_MAC_LIST, kBackground.left, kBackground.top, kBackground.Width(),
                         kBackground.Height());
    furniture.DrawActivityBanner(dc);
    furniture.DrawSignalLegend(dc);
    const CRect highlight = ChannelHighlight(data.m_nChannel);
    dc.PatBlt(highlight.left, highlight.top, highlight.Width(), highlight.Height(), DSTINVERT);

    m_nChannelFilter = data.m_nMode == BoardMode::kOneChannel ? data.m_nChannel : 0;
    m_nRowsDrawn = 0;
    m_nRunningNumber = 0;
    m_nFirstIndex = static_cast<uint16_t>((m_nPage - 1) * m_nItemsPerPage + 1);
    m_abRowValid.fill(0);

    StationEntry* entry = nullptr;
    int walk = data.m_Stations.GetAt(1, &entry);
    while (walk == 0 && entry != nullptr && m_nRowsDrawn < m_nItemsPerPage) {
        const bool shown = (m_nChannelFilter == 0 || m_nChannelFilter == entry->nChannel) &&
                           (data.m_bShowNonApMacs != 0 || entry->nKind == kStationAccessPoint);
        if (shown && ++m_nRunningNumber >= m_nFirstIndex) {
            const int k = ++m_nRowsDrawn;
            DrawRow(dc, data, *entry, k);
        }
        walk = data.m_Stations.Next(entry, &entry);
    }
    m_bAtLastPage = m_nRowsDrawn < m_nItemsPerPage ? 1 : 0;

    DrawFooters(dc, data);
    furniture.DrawStatusBar(dc);
}

void CMac::DrawRow(CCanvas& dc, const CSurveyData& data, const StationEntry& entry, int k) {
    const auto row = static_cast<size_t>(k);
    CopyText(m_aszRowMac[row], entry.szMac);
    CopyText(m_aszRowSsid[row], entry.szSsid);
    m_anRowChannel[row] = static_cast<int16_t>(entry.nChannel);
    m_abRowValid[row] = 1;

    dc.SetTextColor(RssiColor(entry.nRssi));
    dc.SetBkColor(kBlack);
    const int top = 20 * k + 20;     // first line of the row
    const int second = 20 * k + 30;  // second line
    char text[32];
    std::snprintf(text, sizeof text, "%d", m_nRunningNumber);
    dc.DrawText(text, CRect(5, top, 25, top + 7), kCentred);
    if (entry.nKind == kStationAccessPoint)
        dc.DrawText("AP", CRect(170, second, 185, second + 7), kCentred);
    std::snprintf(text, sizeof text, "%d", entry.nChannel);
    dc.DrawText(text, CRect(27, top, 40, top + 7), kCentred);
    if (entry.bUnauthorized != 0) dc.DrawText("un", CRect(27, second, 40, second + 7), kCentred);
    dc.DrawText(m_aszRowMac[row].data(), CRect(45, top, 200, top + 7), kLeft);
    // The SSID may have descenders: its line owns the space down to the next
    // row, so they are not cut off at the 7-pixel line.
    dc.DrawText(m_aszRowSsid[row].data(), CRect(45, second, 180, top + 20), kLeft);
    std::snprintf(text, sizeof text, "%d", entry.nRssi);
    dc.DrawText(text, CRect(212, top, 235, top + 7), kCentred);
    // The noise value of a channel outside the table counts as no value.
    const int noise = entry.nChannel < kChannelSlots ? data.m_anChannelValue[entry.nChannel] : 0;
    if (noise == 0)
        std::snprintf(text, sizeof text, "N/A");
    else
        std::snprintf(text, sizeof text, "%d", entry.nRssi - noise);
    dc.DrawText(text, CRect(212, second, 235, second + 7), kCentred);
    if (entry.bPrivacy != 0) dc.DrawText("WEP", CRect(185, second, 210, second + 7), kCentred);
}

void CMac::DrawFooters(CCanvas& dc, const CSurveyData& data) {
    // Stations hidden by the non-AP option still count here.
    const int total = m_nChannelFilter != 0 ? data.m_Stations.CountOnChannel(m_nChannelFilter)
                                            : data.m_Stations.Count();
    dc.SetBkColor(kBlack);
    dc.SetTextColor(kWhite);
    char text[48];
    std::snprintf(text, sizeof text, "<< PAGE %d OF %d >>", m_nPage, total / m_nItemsPerPage + 1);
    dc.DrawText(text, kPageFooter, DT_CENTER);
    std::snprintf(text, sizeof text, total == 1 ? " << %d Item >>" : " << %d Items >>", total);
    dc.DrawText(text, kItemFooter, DT_CENTER);
}

void CMac::OnTouch(int x, int y, CSurveyData& data) {
    if (kChannelStrip.PtInRect(x, y)) {
        // A touch between two cells or past the ends names no channel and
        // changes nothing.
        const int channel = ChannelAt(x);
        if (channel != 0) {
            PlayResourceSound("PING");
            SelectChannel(data, channel);
        }
    }
    if (kSurveyBar.PtInRect(x, y)) {
        PlayResourceSound("PING");
        data.SetMode(BoardMode::kAllChannels);
        data.m_Stations.Clear();
    }
    if (kListArea.PtInRect(x, y)) {
        PlayResourceSound("PING");
        for (int k = 1; k <= kItemsPerPage; ++k) {
            if (!RowRect(k).PtInRect(x, y)) continue;
            if (m_abRowValid[static_cast<size_t>(k)] != 0) {
                SelectRow(data, k);
                RequestSwitch(ORV_RUNTIME_CLASS(CGeigerView));
            }
            break;
        }
    }
}

void CMac::SelectChannel(CSurveyData& data, int channel) {
    data.m_nPendingChannel = static_cast<uint8_t>(channel);
    data.m_bChannelPending = 1;
    data.SetMode(BoardMode::kOneChannel);
    data.m_Stations.Clear();
}

void CMac::SelectRow(CSurveyData& data, int k) {
    const auto row = static_cast<size_t>(k);
    const int16_t channel = m_anRowChannel[row];
    data.m_bChannelPending = 1;
    data.m_nPendingChannel = static_cast<uint8_t>(channel);
    data.SetMode(BoardMode::kOneChannel);
    data.ClearSelectedStation();
    // Clearing the selection zeroes the selected channel too, so it is set
    // after the clear to keep the station's channel with its selection.
    data.m_nSelectedChannel = channel;
    CopyText(data.m_szSelectedMac, m_aszRowMac[row]);
    CopyText(data.m_szSelectedSsid, m_aszRowSsid[row]);
}
