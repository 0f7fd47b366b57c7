// Texts that the drawn backgrounds carry fit the cells they are drawn in,
// with the face and size the pictures use: the column headings of the MAC
// list and the two-digit channel numbers of its strip and of the usage and
// utilization charts.
#include <gtest/gtest.h>

#include <string>

#include "gfx/Canvas.h"
#include "gfx/TextRecorder.h"

namespace {

struct CellText {
    const char* text;
    int pointTenths;
    CRect cell;
};

TEST(BitmapTextFit, HeadingsAndChannelNumbersFitTheirCells) {
    const CellText cases[] = {
        {"MAC ADDRESS", 60, CRect(45, 4, 200, 10)},
        {"SSID", 60, CRect(45, 11, 170, 17)},
        {"RSSI", 60, CRect(210, 4, 237, 10)},
        {"NUM", 60, CRect(3, 4, 27, 10)},
        // Channel strip cells, 14 pixels wide, and chart columns.
        {"10", 80, CRect(0, 0, 14, 18)},
        {"14", 80, CRect(0, 0, 14, 18)},
        {"11", 80, CRect(0, 0, 14, 18)},
        {"12", 60, CRect(0, 0, 14, 10)},
    };
    for (const CellText& c : cases) {
        CTextRecorder recorder;
        CCanvas canvas(240, 40);
        canvas.SetTextRecorder(&recorder);
        canvas.SelectFont(CFont(c.pointTenths, "System"));
        canvas.DrawText(c.text, c.cell, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        CTextRecord r;
        ASSERT_TRUE(recorder.FindLast(c.text, &r)) << c.text;
        EXPECT_GE(r.box.left, c.cell.left) << c.text;
        EXPECT_LE(r.box.right, c.cell.right) << c.text;
        EXPECT_GE(r.box.top, c.cell.top - 1) << c.text;
    }
}

}  // namespace
