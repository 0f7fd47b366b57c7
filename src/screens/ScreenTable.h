#pragma once

#include <span>

struct CRuntimeClass;

// One row per screen reached from the main menu, the screen grid or the MAC
// list: where it sits on the grid, the measurement mode the board is told
// when the screen is entered from the menu or the grid, and whether the
// Geiger clicks run while it shows. Screens not listed (the main menu, the
// start-up screen) have no grid cell, no mode of their own and silence the
// clicks.
struct ScreenRow {
    static constexpr int kNoGridCell = -1;
    static constexpr int kNoMode = -1;

    const CRuntimeClass* pClass;
    int nGridCell;
    int nMode;
    bool bClickRun;
};

std::span<const ScreenRow> ScreenTable();
// The row of a screen class, or nullptr.
const ScreenRow* FindScreenRow(const CRuntimeClass* pClass);
// The row of the screen on a grid cell, or nullptr (cell 31 has none).
const ScreenRow* FindScreenRowByCell(int nCell);
