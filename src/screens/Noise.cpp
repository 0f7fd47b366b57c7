#include "screens/Noise.h"

ORV_IMPLEMENT_DYNCREATE(CNoise, CScreen)
