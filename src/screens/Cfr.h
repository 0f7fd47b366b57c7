#pragma once

#include "screens/PlaceholderView.h"

// The channel frequency response screen. Stands in for the screen until it is built.
class CCfr : public CPlaceholderView {
    ORV_DECLARE_DYNCREATE(CCfr)
public:
    CCfr() : CPlaceholderView("CFR", CPlaceholderView::kBanner) {}
};
