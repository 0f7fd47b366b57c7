#pragma once

#include "screens/PlaceholderView.h"

// The single-noise screen. Stands in for the screen until it is built.
class CSingleNoise : public CPlaceholderView {
    ORV_DECLARE_DYNCREATE(CSingleNoise)
public:
    CSingleNoise() : CPlaceholderView("SINGLE NOISE", CPlaceholderView::kBanner) {}
};
