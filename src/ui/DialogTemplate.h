#pragma once

#include <string>
#include <vector>

#include "gfx/Geometry.h"

// The kinds of control a dialog template can hold.
enum class DialogItemKind {
    PushButton,
    AutoCheckBox,  // toggles its own check mark when clicked
    ListBox,
    ComboBoxEdit,  // combo box with an edit field (drop-down style)
    Static,        // text
    Icon,          // static icon
};

// Style bits of a template item (only those the forms use).
inline constexpr unsigned kItemMultiLine = 0x0001;  // push button text wraps
inline constexpr unsigned kItemNotify = 0x0002;     // list box reports selection changes
inline constexpr unsigned kItemVScroll = 0x0004;    // list box has a vertical scroll bar
inline constexpr unsigned kItemBorder = 0x0008;
inline constexpr unsigned kItemSort = 0x0010;    // list box keeps its lines sorted
inline constexpr unsigned kItemCenter = 0x0020;  // static text centred
inline constexpr unsigned kItemRight = 0x0040;   // static text right-aligned
inline constexpr unsigned kItemDisabled = 0x0080;
inline constexpr unsigned kItemHidden = 0x0100;
inline constexpr unsigned kItemDefault = 0x0200;  // default push button (Enter)

// One control of a template; position and size in dialog units.
struct DialogItem {
    unsigned nId = 0;
    DialogItemKind kind = DialogItemKind::Static;
    std::string text;
    int x = 0;
    int y = 0;
    int cx = 0;
    int cy = 0;
    unsigned nStyle = 0;
};

// A dialog or form template: size in dialog units of its font.
struct DialogTemplate {
    unsigned nId = 0;
    std::string caption;
    std::string fontFace = "MS Sans Serif";
    int nPointSize = 8;
    int cx = 0;
    int cy = 0;
    std::vector<DialogItem> items;
};

// Dialog base units of a font in pixels: horizontally the font's average
// character width, vertically its line height. A dialog unit is a quarter of
// the horizontal and an eighth of the vertical base unit.
struct DialogBaseUnits {
    int cx = 0;
    int cy = 0;
};

DialogBaseUnits GetDialogBaseUnits(const std::string& fontFace, int nPointSize);

// Dialog units to pixels, rounding to the nearest pixel as the platform does.
int DialogUnitsToPixelsX(int dlu, const DialogBaseUnits& base);
int DialogUnitsToPixelsY(int dlu, const DialogBaseUnits& base);
// A rectangle (x, y, cx, cy) in dialog units to a pixel rectangle.
CRect MapDialogRect(int x, int y, int cx, int cy, const DialogBaseUnits& base);
