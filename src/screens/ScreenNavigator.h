#pragma once

struct CRuntimeClass;

// The screen changes the main frame offers the screens: the only two ways a
// screen is changed. The frame implements it; a screen finds it as its parent
// frame.
class IScreenNavigator {
public:
    virtual ~IScreenNavigator() = default;
    // Shows the screen of that class, created on first use and kept after.
    virtual void SwitchToView(const CRuntimeClass* pClass) = 0;
    // The 2 x 4 grid at the bottom of the channel measurement screens: a
    // touch at (x, y) on the screen whose own cell code is `ownCell`.
    virtual void HandleScreenGrid(int x, int y, int ownCell) = 0;
};
