#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "gfx/Bitmap.h"
#include "gfx/Brush.h"
#include "gfx/Color.h"
#include "gfx/Font.h"
#include "gfx/Geometry.h"
#include "gfx/Pen.h"

class CTextRecorder;

// DrawText format flags.
inline constexpr unsigned DT_TOP = 0x0000;
inline constexpr unsigned DT_LEFT = 0x0000;
inline constexpr unsigned DT_CENTER = 0x0001;
inline constexpr unsigned DT_RIGHT = 0x0002;
inline constexpr unsigned DT_VCENTER = 0x0004;     // only with DT_SINGLELINE
inline constexpr unsigned DT_BOTTOM = 0x0008;      // only with DT_SINGLELINE
inline constexpr unsigned DT_WORDBREAK = 0x0010;   // wrap lines at blanks to the width
inline constexpr unsigned DT_SINGLELINE = 0x0020;  // one line; "\n" drawn as a blank
inline constexpr unsigned DT_NOCLIP = 0x0100;      // do not clip to the rectangle
inline constexpr unsigned DT_CALCRECT = 0x0400;    // measure only (see CalcTextRect)

// Background modes for text.
inline constexpr int TRANSPARENT = 1;
inline constexpr int OPAQUE = 2;

// Raster operations of BitBlt / PatBlt.
inline constexpr std::uint32_t SRCCOPY = 0x00CC0020;
inline constexpr std::uint32_t DSTINVERT = 0x00550009;

// A 24-bit RGB drawing surface with the semantics screens rely on, pixel for
// pixel:
//  - rectangles contain their left and top edges, not their right and bottom;
//  - lines (MoveTo/LineTo, Polyline) do not draw their last point; a pen of
//    width w stamps every point of the 1-pixel line with a w x w square
//    (w < 5, square offset -(w/2) .. (w-1)/2) or a round dot (w >= 5);
//  - Rectangle and Ellipse outline with the pen and fill inside with the brush;
//  - all drawing is clipped to the surface (and the clip rectangle): any
//    coordinates, however large or negative, are safe and cost only the
//    pixels actually drawn.
// Coordinates are logical; the viewport origin (default 0,0) is added to
// give surface pixels. Defaults: black 1-pixel solid pen, white brush,
// "System" 8 pt, black text on an opaque white background.
// A canvas is used by one thread at a time.
class CCanvas {
public:
    CCanvas() = default;
    CCanvas(int width, int height, COLORREF fill = RGB(0, 0, 0));
    explicit CCanvas(CBitmap bits);

    // A new surface of the given size that records its texts into the same
    // recorder as this one (the off-screen canvas a paint composes in).
    CCanvas CreateCompatible(int width, int height) const;

    int Width() const { return m_bits.Width(); }
    int Height() const { return m_bits.Height(); }
    const CBitmap& Bitmap() const { return m_bits; }
    CBitmap& Bitmap() { return m_bits; }
    // Moves the pixels out; the canvas is left empty (0 x 0).
    CBitmap TakeBitmap();

    // --- drawing state; each Select returns the previous object ---
    CPen SelectPen(const CPen& pen);
    CBrush SelectBrush(const CBrush& brush);
    CFont SelectFont(const CFont& font);
    CPen SelectObject(const CPen& pen) { return SelectPen(pen); }
    CBrush SelectObject(const CBrush& brush) { return SelectBrush(brush); }
    CFont SelectObject(const CFont& font) { return SelectFont(font); }
    const CPen& GetPen() const { return m_pen; }
    const CBrush& GetBrush() const { return m_brush; }
    const CFont& GetFont() const { return m_font; }

    COLORREF SetTextColor(COLORREF color);  // returns the previous colour
    COLORREF SetBkColor(COLORREF color);    // returns the previous colour
    int SetBkMode(int mode);                // OPAQUE or TRANSPARENT; returns the previous
    COLORREF GetTextColor() const { return m_textColor; }
    COLORREF GetBkColor() const { return m_bkColor; }
    int GetBkMode() const { return m_nBkMode; }

    // Origin of logical coordinates on the surface; returns the previous one.
    CPoint SetViewportOrg(int x, int y);
    CPoint GetViewportOrg() const { return m_org; }
    // Further limits drawing to `rect` (logical coordinates, intersected with
    // the surface); ResetClip() restores the whole surface.
    void SetClipRect(const CRect& rect);
    void ResetClip();
    CRect GetClipRect() const;  // logical coordinates

    // --- fills and shapes ---
    void FillRect(const CRect& rect, const CBrush& brush);
    void FillSolidRect(const CRect& rect, COLORREF color);
    // A one-pixel border just inside the rectangle, in the brush's colour.
    void FrameRect(const CRect& rect, const CBrush& brush);
    // Pen outline on the rectangle's outermost pixels, brush inside.
    void Rectangle(int left, int top, int right, int bottom);
    void Rectangle(const CRect& rect) { Rectangle(rect.left, rect.top, rect.right, rect.bottom); }
    // The ellipse inscribed in the rectangle (the pixels whose centres lie
    // inside it): brush inside, solid pen outline. The outline straddles the
    // edge: a pen of width w is w pixels thick and reaches (w - 1) / 2
    // pixels outside the rectangle.
    void Ellipse(int left, int top, int right, int bottom);
    void Ellipse(const CRect& rect) { Ellipse(rect.left, rect.top, rect.right, rect.bottom); }
    // XOR with white (DSTINVERT).
    void InvertRect(const CRect& rect);

    // --- lines ---
    CPoint MoveTo(int x, int y);  // returns the previous current position
    CPoint MoveTo(CPoint p) { return MoveTo(p.x, p.y); }
    // Draws from the current position up to, not including, (x, y), which
    // becomes the current position.
    void LineTo(int x, int y);
    void LineTo(CPoint p) { LineTo(p.x, p.y); }
    CPoint GetCurrentPosition() const { return m_cur; }
    // Lines through the points in order, the very last point not drawn; the
    // current position is neither used nor changed.
    void Polyline(std::span<const CPoint> points);
    void Polyline(const CPoint* points, int count);

    // --- pixels ---
    COLORREF SetPixel(int x, int y, COLORREF color);  // CLR_INVALID when clipped away
    COLORREF GetPixel(int x, int y) const;            // CLR_INVALID outside the surface

    // --- text (8-bit text, shown as Latin-1) ---
    // Draws text in the rectangle with DT_ flags; returns the height of the
    // text drawn. Without DT_SINGLELINE, DT_VCENTER and DT_BOTTOM are ignored
    // (the text starts at the top). In OPAQUE mode each line's box (its
    // extent, clipped like the text) is first filled with the background
    // colour. Clipped to the rectangle unless DT_NOCLIP. With DT_CALCRECT
    // nothing is drawn or recorded.
    int DrawText(std::string_view text, const CRect& rect, unsigned format);
    // The rectangle the text would occupy: left/top of `rect`, width of the
    // widest line, height of all lines (DT_WORDBREAK wraps to rect's width).
    CRect CalcTextRect(std::string_view text, const CRect& rect, unsigned format) const;
    // One line with its top-left at (x, y).
    void TextOut(int x, int y, std::string_view text);
    CSize GetTextExtent(std::string_view text) const;
    CTextMetrics GetTextMetrics() const;

    // Every DrawText/TextOut is added to the recorder (nullptr: none).
    void SetTextRecorder(CTextRecorder* recorder) { m_pRecorder = recorder; }
    CTextRecorder* GetTextRecorder() const { return m_pRecorder; }
    // Canvases created afterwards on the calling thread start with this
    // recorder (how a host catches texts of canvases its screens create).
    static void SetDefaultTextRecorder(CTextRecorder* recorder);

    // --- block transfers ---
    // Copies w x h pixels from (sx, sy) of the source to (x, y). Parts outside
    // either surface are skipped. The source may be this canvas's own bitmap
    // (overlapping copies are handled).
    void BitBlt(int x, int y, int w, int h, const CBitmap& src, int sx, int sy,
                std::uint32_t rop = SRCCOPY);
    void BitBlt(int x, int y, int w, int h, const CCanvas& src, int sx, int sy,
                std::uint32_t rop = SRCCOPY) {
        BitBlt(x, y, w, h, src.m_bits, sx, sy, rop);
    }
    // Scales the source rectangle (sx, sy, sw, sh) onto (x, y, w, h) by
    // nearest neighbour, sampling each destination pixel's centre. Non-positive
    // sizes draw nothing; source pixels outside the source are skipped.
    void StretchBlt(int x, int y, int w, int h, const CBitmap& src, int sx, int sy, int sw, int sh,
                    std::uint32_t rop = SRCCOPY);
    // DSTINVERT of the area (any other operation is ignored).
    void PatBlt(int x, int y, int w, int h, std::uint32_t rop);

private:
    CBitmap m_bits;
    CPen m_pen;
    CBrush m_brush = CBrush(RGB(255, 255, 255));
    CFont m_font;
    COLORREF m_textColor = RGB(0, 0, 0);
    COLORREF m_bkColor = RGB(255, 255, 255);
    int m_nBkMode = OPAQUE;
    CPoint m_org;
    CPoint m_cur;
    CRect m_clip;  // surface pixels, always within the surface
    bool m_bClipSet = false;
    int m_nDashPhase = 0;
    CTextRecorder* m_pRecorder = nullptr;
};
