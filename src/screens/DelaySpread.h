#pragma once

#include "screens/PlaceholderView.h"

// The delay-spread screen. Stands in for the screen until it is built.
class CDelaySpread : public CPlaceholderView {
    ORV_DECLARE_DYNCREATE(CDelaySpread)
public:
    CDelaySpread() : CPlaceholderView("DELAY SPREAD", CPlaceholderView::kBanner) {}
};
