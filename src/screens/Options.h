#pragma once

#include "screens/PlaceholderView.h"

// The options screen. Stands in for the screen until it is built.
class COptions : public CPlaceholderView {
    ORV_DECLARE_DYNCREATE(COptions)
public:
    COptions() : CPlaceholderView("OPTIONS", 0) {}
};
