#include "ui/Control.h"

ORV_IMPLEMENT_DYNAMIC(CControl, CWnd)
