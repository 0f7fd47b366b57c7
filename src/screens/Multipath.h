#pragma once

#include "screens/PlaceholderView.h"

// The multipath screen. Stands in for the screen until it is built.
class CMultipath : public CPlaceholderView {
    ORV_DECLARE_DYNCREATE(CMultipath)
public:
    CMultipath() : CPlaceholderView("MULTIPATH", CPlaceholderView::kBanner) {}
};
