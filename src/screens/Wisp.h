#pragma once

#include "screens/PlaceholderView.h"

// The Wisp screen. Stands in for the screen until it is built.
class CWisp : public CPlaceholderView {
    ORV_DECLARE_DYNCREATE(CWisp)
public:
    CWisp() : CPlaceholderView("WISP", CPlaceholderView::kBanner) {}
};
