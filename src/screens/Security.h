#pragma once

#include "screens/PlaceholderView.h"

// The security screen (authorized access points). Stands in for the screen until it is built.
class CSecurity : public CPlaceholderView {
    ORV_DECLARE_DYNCREATE(CSecurity)
public:
    CSecurity() : CPlaceholderView("SECURITY", 0) {}
};
