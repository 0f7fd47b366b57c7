#include "screens/ScreenTable.h"

#include <array>

#include "board/Wire.h"
#include "screens/Cfr.h"
#include "screens/DelaySpread.h"
#include "screens/GPSView.h"
#include "screens/GeigerView.h"
#include "screens/Mac.h"
#include "screens/Multipath.h"
#include "screens/Options.h"
#include "screens/Security.h"
#include "screens/SingleNoise.h"
#include "screens/Spectrum.h"
#include "screens/Usage.h"
#include "screens/Utilization.h"
#include "screens/Wisp.h"

namespace {

constexpr int kNone = ScreenRow::kNoGridCell;
constexpr int kNoMode = ScreenRow::kNoMode;

const std::array<ScreenRow, 13> kRows{{
    {ORV_RUNTIME_CLASS(CSpectrum), kNone, BoardMode::kSpectrum, false},
    {ORV_RUNTIME_CLASS(CMac), 30, BoardMode::kAllChannels, false},
    {ORV_RUNTIME_CLASS(CSecurity), kNone, BoardMode::kIdle, false},
    {ORV_RUNTIME_CLASS(CUtilization), kNone, BoardMode::kUtilization, false},
    {ORV_RUNTIME_CLASS(CUsage), kNone, BoardMode::kUsage, false},
    {ORV_RUNTIME_CLASS(CGPSView), kNone, kNoMode, false},
    {ORV_RUNTIME_CLASS(CMultipath), 0, kNoMode, false},
    {ORV_RUNTIME_CLASS(CDelaySpread), 1, kNoMode, false},
    {ORV_RUNTIME_CLASS(CSingleNoise), 10, kNoMode, false},
    {ORV_RUNTIME_CLASS(CWisp), 11, kNoMode, false},
    {ORV_RUNTIME_CLASS(CCfr), 20, kNoMode, false},
    {ORV_RUNTIME_CLASS(CGeigerView), 21, kNoMode, true},
    {ORV_RUNTIME_CLASS(COptions), kNone, kNoMode, false},
}};

}  // namespace

std::span<const ScreenRow> ScreenTable() {
    return kRows;
}

const ScreenRow* FindScreenRow(const CRuntimeClass* pClass) {
    for (const ScreenRow& row : kRows)
        if (row.pClass == pClass) return &row;
    return nullptr;
}

const ScreenRow* FindScreenRowByCell(int nCell) {
    if (nCell == ScreenRow::kNoGridCell) return nullptr;
    for (const ScreenRow& row : kRows)
        if (row.nGridCell == nCell) return &row;
    return nullptr;
}
