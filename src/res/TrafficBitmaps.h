#pragma once

#include "gfx/Bitmap.h"

// Painters of the traffic and spectrum screens' pictures.
CBitmap PaintSpectrumGrid(int id);  // IDB_SPECTRUM_GRID or IDB_CHANNEL_GRID
CBitmap PaintTraceButton(int id);   // the eighteen trace buttons
CBitmap PaintMarkerButton(int id);  // IDB_MARKER_PEAK .. IDB_MARKER_CENTER
CBitmap PaintMacListBackground(int id);
CBitmap PaintUtilizationChart(int id);

// The colour a trace is drawn in (trace 1..3), also its buttons' colour.
COLORREF TraceColor(int trace);
