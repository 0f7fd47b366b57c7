#include "gfx/Canvas.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "gfx/FontEngine.h"
#include "gfx/TextRecorder.h"

namespace {

using i64 = std::int64_t;
__extension__ using i128 = __int128;

thread_local CTextRecorder* t_pDefaultRecorder = nullptr;

// A rectangle in surface pixels that may lie far outside the surface.
struct Box {
    i64 l, t, r, b;
};

i64 FloorDiv(i64 a, i64 b) {
    i64 q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return q;
}

int ClampToInt(i64 v) {
    return static_cast<int>(
        std::clamp<i64>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

// Pen tip: for each row offset dy in [lo, hi], the columns [spanLo, spanHi]
// relative to the point being drawn.
struct PenTip {
    int lo = 0;
    int hi = 0;
    int spanLo[33] = {};
    int spanHi[33] = {};
};

PenTip TipFor(int width) {
    PenTip tip;
    tip.lo = -(width / 2);
    tip.hi = (width - 1) / 2;
    const double c = (tip.lo + tip.hi) / 2.0;
    const double r2 = (width / 2.0) * (width / 2.0) + 0.5;
    for (int dy = tip.lo; dy <= tip.hi; ++dy) {
        int a = tip.lo, b = tip.hi;
        if (width >= 5) {
            // Round tip: the columns whose centres lie within the pen's circle.
            const double ry = dy - c;
            const double half = std::sqrt(std::max(0.0, r2 - ry * ry));
            a = static_cast<int>(std::ceil(c - half));
            b = static_cast<int>(std::floor(c + half));
        }
        tip.spanLo[dy - tip.lo] = a;
        tip.spanHi[dy - tip.lo] = b;
    }
    return tip;
}

bool DashOn(int style, i64 step) {
    switch (style) {
        case PS_DASH:
            return step % 9 < 6;
        case PS_DOT:
            return step % 2 == 0;
        default:
            return true;
    }
}

}  // namespace

// ---------------------------------------------------------------------------
// Construction and state

CCanvas::CCanvas(int width, int height, COLORREF fill) : m_bits(width, height, fill) {
    m_clip = CRect(0, 0, m_bits.Width(), m_bits.Height());
    m_pRecorder = t_pDefaultRecorder;
}

CCanvas::CCanvas(CBitmap bits) : m_bits(std::move(bits)) {
    m_clip = CRect(0, 0, m_bits.Width(), m_bits.Height());
    m_pRecorder = t_pDefaultRecorder;
}

CCanvas CCanvas::CreateCompatible(int width, int height) const {
    CCanvas c(width, height);
    c.m_pRecorder = m_pRecorder;
    return c;
}

CBitmap CCanvas::TakeBitmap() {
    CBitmap out = std::move(m_bits);
    m_bits = CBitmap();
    m_clip = CRect();
    m_bClipSet = false;
    return out;
}

void CCanvas::SetDefaultTextRecorder(CTextRecorder* recorder) {
    t_pDefaultRecorder = recorder;
}

CPen CCanvas::SelectPen(const CPen& pen) {
    return std::exchange(m_pen, pen);
}
CBrush CCanvas::SelectBrush(const CBrush& brush) {
    return std::exchange(m_brush, brush);
}
CFont CCanvas::SelectFont(const CFont& font) {
    return std::exchange(m_font, font);
}
COLORREF CCanvas::SetTextColor(COLORREF color) {
    return std::exchange(m_textColor, color & 0xFFFFFFu);
}
COLORREF CCanvas::SetBkColor(COLORREF color) {
    return std::exchange(m_bkColor, color & 0xFFFFFFu);
}
int CCanvas::SetBkMode(int mode) {
    const int old = m_nBkMode;
    if (mode == OPAQUE || mode == TRANSPARENT) m_nBkMode = mode;
    return old;
}

CPoint CCanvas::SetViewportOrg(int x, int y) {
    return std::exchange(m_org, CPoint(x, y));
}

void CCanvas::SetClipRect(const CRect& rect) {
    const i64 l = std::max<i64>(i64{rect.left} + m_org.x, 0);
    const i64 t = std::max<i64>(i64{rect.top} + m_org.y, 0);
    const i64 r = std::min<i64>(i64{rect.right} + m_org.x, Width());
    const i64 b = std::min<i64>(i64{rect.bottom} + m_org.y, Height());
    if (r <= l || b <= t)
        m_clip = CRect();
    else
        m_clip = CRect(static_cast<int>(l), static_cast<int>(t), static_cast<int>(r),
                       static_cast<int>(b));
    m_bClipSet = true;
}

void CCanvas::ResetClip() {
    m_clip = CRect(0, 0, Width(), Height());
    m_bClipSet = false;
}

CRect CCanvas::GetClipRect() const {
    return m_clip.Offset(-m_org.x, -m_org.y);
}

// ---------------------------------------------------------------------------
// Pixel-level helpers (surface pixels, always clipped)

namespace {

struct Surface {
    CBitmap& bits;
    CRect clip;

    void Fill(Box box, COLORREF color) const {
        const i64 l = std::max<i64>(box.l, clip.left), r = std::min<i64>(box.r, clip.right);
        const i64 t = std::max<i64>(box.t, clip.top), b = std::min<i64>(box.b, clip.bottom);
        if (l >= r || t >= b) return;
        const auto cr = static_cast<std::uint8_t>(GetRValue(color));
        const auto cg = static_cast<std::uint8_t>(GetGValue(color));
        const auto cb = static_cast<std::uint8_t>(GetBValue(color));
        const std::size_t n = static_cast<std::size_t>(r - l);
        std::uint8_t* first = bits.Row(static_cast<int>(t)) + l * 3;
        for (std::size_t i = 0; i < n; ++i) {
            first[i * 3] = cr;
            first[i * 3 + 1] = cg;
            first[i * 3 + 2] = cb;
        }
        for (i64 y = t + 1; y < b; ++y)
            std::memcpy(bits.Row(static_cast<int>(y)) + l * 3, first, n * 3);
    }

    void Invert(Box box) const {
        const i64 l = std::max<i64>(box.l, clip.left), r = std::min<i64>(box.r, clip.right);
        const i64 t = std::max<i64>(box.t, clip.top), b = std::min<i64>(box.b, clip.bottom);
        if (l >= r || t >= b) return;
        for (i64 y = t; y < b; ++y) {
            std::uint8_t* p = bits.Row(static_cast<int>(y)) + l * 3;
            for (i64 i = 0; i < (r - l) * 3; ++i) p[i] = static_cast<std::uint8_t>(~p[i]);
        }
    }

    void Span(i64 y, i64 x0, i64 x1, COLORREF color) const {
        Fill(Box{x0, y, x1 + 1, y + 1}, color);
    }
};

}  // namespace

// ---------------------------------------------------------------------------
// Fills and shapes

void CCanvas::FillRect(const CRect& rect, const CBrush& brush) {
    if (brush.IsNull()) return;
    FillSolidRect(rect, brush.Color());
}

void CCanvas::FillSolidRect(const CRect& rect, COLORREF color) {
    Surface s{m_bits, m_clip};
    s.Fill(Box{i64{rect.left} + m_org.x, i64{rect.top} + m_org.y, i64{rect.right} + m_org.x,
               i64{rect.bottom} + m_org.y},
           color);
}

void CCanvas::FrameRect(const CRect& rect, const CBrush& brush) {
    if (brush.IsNull()) return;
    const i64 l = i64{rect.left} + m_org.x, t = i64{rect.top} + m_org.y;
    const i64 r = i64{rect.right} + m_org.x, b = i64{rect.bottom} + m_org.y;
    if (r <= l || b <= t) return;
    Surface s{m_bits, m_clip};
    const COLORREF c = brush.Color();
    s.Fill(Box{l, t, r, t + 1}, c);
    s.Fill(Box{l, b - 1, r, b}, c);
    s.Fill(Box{l, t, l + 1, b}, c);
    s.Fill(Box{r - 1, t, r, b}, c);
}

void CCanvas::InvertRect(const CRect& rect) {
    Surface s{m_bits, m_clip};
    s.Invert(Box{i64{rect.left} + m_org.x, i64{rect.top} + m_org.y, i64{rect.right} + m_org.x,
                 i64{rect.bottom} + m_org.y});
}

void CCanvas::PatBlt(int x, int y, int w, int h, std::uint32_t rop) {
    if (rop != DSTINVERT || w <= 0 || h <= 0) return;
    Surface s{m_bits, m_clip};
    const i64 l = i64{x} + m_org.x, t = i64{y} + m_org.y;
    s.Invert(Box{l, t, l + w, t + h});
}

// ---------------------------------------------------------------------------
// Lines

namespace {

// Draws the 1-pixel line from (x0, y0) towards (x1, y1) without its last
// point, stamping the pen tip at every point whose pattern step is on. Only
// the steps that can reach the clip rectangle are visited. Returns the number
// of steps of the whole line (for the dash pattern).
i64 DrawLine(const Surface& s, i64 x0, i64 y0, i64 x1, i64 y1, const CPen& pen, i64 phase) {
    const i64 dx = x1 - x0, dy = y1 - y0;
    const i64 adx = dx < 0 ? -dx : dx, ady = dy < 0 ? -dy : dy;
    const i64 n = std::max(adx, ady);
    if (n == 0 || s.clip.IsRectEmpty()) return n;
    const bool xMajor = adx >= ady;
    const i64 major0 = xMajor ? x0 : y0, minor0 = xMajor ? y0 : x0;
    const i64 smaj = (xMajor ? dx : dy) < 0 ? -1 : 1;
    const i64 smin = (xMajor ? dy : dx) < 0 ? -1 : 1;
    const i64 amaj = xMajor ? adx : ady, amin = xMajor ? ady : adx;

    const PenTip tip = TipFor(pen.Width());
    const i64 majLo = xMajor ? s.clip.left : s.clip.top;
    const i64 majHi = (xMajor ? s.clip.right : s.clip.bottom) - 1;
    const i64 minLo = xMajor ? s.clip.top : s.clip.left;
    const i64 minHi = (xMajor ? s.clip.bottom : s.clip.right) - 1;
    // Steps i whose major coordinate, widened by the tip, meets the clip.
    i64 first, last;
    if (smaj > 0) {
        first = majLo - tip.hi - major0;
        last = majHi - tip.lo - major0;
    } else {
        first = major0 - (majHi - tip.lo);
        last = major0 - (majLo - tip.hi);
    }
    first = std::max<i64>(first, 0);
    last = std::min<i64>(last, n - 1);
    if (first > last) return n;
    const COLORREF color = pen.Color();
    const auto cr = static_cast<std::uint8_t>(GetRValue(color));
    const auto cg = static_cast<std::uint8_t>(GetGValue(color));
    const auto cb = static_cast<std::uint8_t>(GetBValue(color));
    const bool thin = tip.lo == 0 && tip.hi == 0;
    const bool solid = pen.Style() != PS_DASH && pen.Style() != PS_DOT;
    std::uint8_t* const data = s.bits.Data();
    const i64 stride = static_cast<i64>(s.bits.Stride());
    // Minor offset of step i: round(i * amin / amaj), halves away from the
    // start; found once by division, then carried as a remainder.
    const i64 den = 2 * amaj;
    const i128 num0 = i128{2} * first * amin + amaj;
    i64 off = static_cast<i64>(num0 / den);
    i64 rem = static_cast<i64>(num0 % den);
    for (i64 i = first; i <= last; ++i) {
        if (i > first) {
            rem += 2 * amin;
            if (rem >= den) {
                rem -= den;
                ++off;
            }
        }
        if (!solid && !DashOn(pen.Style(), phase + i)) continue;
        const i64 major = major0 + smaj * i;
        const i64 minor = minor0 + smin * off;
        if (minor < minLo - tip.hi || minor > minHi - tip.lo) continue;
        const i64 px = xMajor ? major : minor, py = xMajor ? minor : major;
        if (thin) {
            // Within the clip by the range checks above.
            std::uint8_t* p = data + py * stride + px * 3;
            p[0] = cr;
            p[1] = cg;
            p[2] = cb;
            continue;
        }
        for (int row = tip.lo; row <= tip.hi; ++row)
            s.Span(py + row, px + tip.spanLo[row - tip.lo], px + tip.spanHi[row - tip.lo], color);
    }
    return n;
}

}  // namespace

CPoint CCanvas::MoveTo(int x, int y) {
    m_nDashPhase = 0;
    return std::exchange(m_cur, CPoint(x, y));
}

void CCanvas::LineTo(int x, int y) {
    if (!m_pen.IsNull()) {
        Surface s{m_bits, m_clip};
        const i64 steps = DrawLine(s, i64{m_cur.x} + m_org.x, i64{m_cur.y} + m_org.y,
                                   i64{x} + m_org.x, i64{y} + m_org.y, m_pen, m_nDashPhase);
        m_nDashPhase = static_cast<int>((m_nDashPhase + steps % 18) % 18);
    }
    m_cur = CPoint(x, y);
}

void CCanvas::Polyline(std::span<const CPoint> points) {
    if (points.size() < 2 || m_pen.IsNull()) return;
    Surface s{m_bits, m_clip};
    i64 phase = 0;
    for (std::size_t i = 0; i + 1 < points.size(); ++i) {
        const i64 steps =
            DrawLine(s, i64{points[i].x} + m_org.x, i64{points[i].y} + m_org.y,
                     i64{points[i + 1].x} + m_org.x, i64{points[i + 1].y} + m_org.y, m_pen, phase);
        phase = (phase + steps % 18) % 18;
    }
}

void CCanvas::Polyline(const CPoint* points, int count) {
    if (!points || count < 2) return;
    Polyline(std::span<const CPoint>(points, static_cast<std::size_t>(count)));
}

void CCanvas::Rectangle(int left, int top, int right, int bottom) {
    i64 l = i64{left} + m_org.x, t = i64{top} + m_org.y;
    i64 r = i64{right} + m_org.x, b = i64{bottom} + m_org.y;
    if (l > r) std::swap(l, r);
    if (t > b) std::swap(t, b);
    if (r - l < 1 || b - t < 1) return;
    Surface s{m_bits, m_clip};
    if (m_pen.IsNull()) {
        if (!m_brush.IsNull()) s.Fill(Box{l, t, r, b}, m_brush.Color());
        return;
    }
    if (!m_brush.IsNull()) s.Fill(Box{l + 1, t + 1, r - 1, b - 1}, m_brush.Color());
    // The outline runs on the outermost pixels as one closed path, so a
    // dash pattern flows round the corners.
    const i64 pts[5][2] = {{l, t}, {r - 1, t}, {r - 1, b - 1}, {l, b - 1}, {l, t}};
    i64 phase = 0;
    for (int i = 0; i < 4; ++i) {
        const i64 steps =
            DrawLine(s, pts[i][0], pts[i][1], pts[i + 1][0], pts[i + 1][1], m_pen, phase);
        phase = (phase + steps % 18) % 18;
    }
    if (r - l == 1 && b - t == 1) s.Span(t, l, l, m_pen.Color());
}

namespace {

// The pixels of the ellipse inscribed in [l, r) x [t, b) on row y: a pixel
// belongs to it when its centre lies inside the ellipse. False when the row
// holds none.
bool EllipseRow(double l, double t, double r, double b, i64 y, i64* x0, i64* x1) {
    const double a = (r - l) / 2.0, bb = (b - t) / 2.0;
    if (a <= 0 || bb <= 0) return false;
    const double cx = l + a, cy = t + bb;
    const double ny = (static_cast<double>(y) + 0.5 - cy) / bb;
    if (ny * ny > 1.0) return false;
    const double hw = a * std::sqrt(1.0 - ny * ny);
    const double lo = std::ceil(cx - hw - 0.5), hi = std::floor(cx + hw - 0.5);
    if (hi < lo) return false;
    *x0 = static_cast<i64>(lo);
    *x1 = static_cast<i64>(hi);
    return true;
}

}  // namespace

void CCanvas::Ellipse(int left, int top, int right, int bottom) {
    i64 l = i64{left} + m_org.x, t = i64{top} + m_org.y;
    i64 r = i64{right} + m_org.x, b = i64{bottom} + m_org.y;
    if (l > r) std::swap(l, r);
    if (t > b) std::swap(t, b);
    if (r - l < 1 || b - t < 1 || m_clip.IsRectEmpty()) return;
    Surface s{m_bits, m_clip};
    // The pen straddles the outline: a pen of width w reaches (w - 1) / 2
    // pixels outside the rectangle and is w pixels thick.
    const int w = m_pen.IsNull() ? 0 : m_pen.Width();
    const i64 out = w > 0 ? (w - 1) / 2 : 0;
    const double ol = static_cast<double>(l - out), ot = static_cast<double>(t - out);
    const double orr = static_cast<double>(r + out), ob = static_cast<double>(b + out);
    const double il = ol + w, it = ot + w, ir = orr - w, ib = ob - w;
    const i64 y0 = std::max<i64>(t - out, m_clip.top);
    const i64 y1 = std::min<i64>(b + out, m_clip.bottom);
    for (i64 y = y0; y < y1; ++y) {
        i64 ox0, ox1, ix0 = 0, ix1 = -1;
        if (!EllipseRow(ol, ot, orr, ob, y, &ox0, &ox1)) continue;
        const bool inner = EllipseRow(il, it, ir, ib, y, &ix0, &ix1);
        if (w == 0) {
            if (!m_brush.IsNull()) s.Span(y, ox0, ox1, m_brush.Color());
            continue;
        }
        if (!inner) {
            s.Span(y, ox0, ox1, m_pen.Color());
            continue;
        }
        if (!m_brush.IsNull()) s.Span(y, ix0, ix1, m_brush.Color());
        s.Span(y, ox0, ix0 - 1, m_pen.Color());
        s.Span(y, ix1 + 1, ox1, m_pen.Color());
    }
}

// ---------------------------------------------------------------------------
// Pixels

COLORREF CCanvas::SetPixel(int x, int y, COLORREF color) {
    const i64 px = i64{x} + m_org.x, py = i64{y} + m_org.y;
    if (px < m_clip.left || px >= m_clip.right || py < m_clip.top || py >= m_clip.bottom)
        return CLR_INVALID;
    m_bits.SetPixel(static_cast<int>(px), static_cast<int>(py), color);
    return color & 0xFFFFFFu;
}

COLORREF CCanvas::GetPixel(int x, int y) const {
    const i64 px = i64{x} + m_org.x, py = i64{y} + m_org.y;
    if (px < 0 || py < 0 || px >= Width() || py >= Height()) return CLR_INVALID;
    return m_bits.GetPixel(static_cast<int>(px), static_cast<int>(py));
}

// ---------------------------------------------------------------------------
// Text

namespace {

// Splits text into the lines DrawText shows.
std::vector<std::string_view> SplitLines(std::string_view text, unsigned format, i64 width,
                                         const CGlyphSet& glyphs, std::string& storage) {
    std::vector<std::string_view> lines;
    if (format & DT_SINGLELINE) {
        if (text.find_first_of("\r\n") == std::string_view::npos) {
            lines.push_back(text);
        } else {
            storage.assign(text);
            for (char& c : storage)
                if (c == '\r' || c == '\n') c = ' ';
            lines.push_back(storage);
        }
        return lines;
    }
    std::size_t start = 0;
    while (true) {
        std::size_t end = text.find('\n', start);
        std::string_view line = text.substr(
            start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if ((format & DT_WORDBREAK) && glyphs.Advance(line) > width) {
            // Greedy wrap at blanks; a word wider than the rectangle stays whole.
            while (!line.empty()) {
                std::size_t cut = line.size();
                while (glyphs.Advance(line.substr(0, cut)) > width) {
                    const std::size_t blank = line.rfind(' ', cut - 1);
                    if (blank == std::string_view::npos || blank == 0) break;
                    cut = blank;
                }
                if (glyphs.Advance(line.substr(0, cut)) > width) {
                    cut = line.find(' ');
                    if (cut == std::string_view::npos) cut = line.size();
                }
                lines.push_back(line.substr(0, cut));
                line.remove_prefix(cut);
                while (!line.empty() && line.front() == ' ') line.remove_prefix(1);
            }
        } else {
            lines.push_back(line);
        }
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    return lines;
}

void BlendGlyph(CBitmap& bits, const CRect& clip, const CGlyph& g, i64 penX, i64 lineTop,
                COLORREF color) {
    const i64 gx = penX + g.left, gy = lineTop + g.top;
    const i64 x0 = std::max<i64>(gx, clip.left), x1 = std::min<i64>(gx + g.width, clip.right);
    const i64 y0 = std::max<i64>(gy, clip.top), y1 = std::min<i64>(gy + g.height, clip.bottom);
    if (x0 >= x1 || y0 >= y1) return;
    const int fr = GetRValue(color), fg = GetGValue(color), fb = GetBValue(color);
    for (i64 y = y0; y < y1; ++y) {
        const std::uint8_t* cov = g.coverage.data() + (y - gy) * g.width;
        std::uint8_t* p = bits.Row(static_cast<int>(y)) + x0 * 3;
        for (i64 x = x0; x < x1; ++x, p += 3) {
            const int a = cov[x - gx];
            if (a == 0) continue;
            if (a == 255) {
                p[0] = static_cast<std::uint8_t>(fr);
                p[1] = static_cast<std::uint8_t>(fg);
                p[2] = static_cast<std::uint8_t>(fb);
                continue;
            }
            p[0] = static_cast<std::uint8_t>((fr * a + p[0] * (255 - a) + 127) / 255);
            p[1] = static_cast<std::uint8_t>((fg * a + p[1] * (255 - a) + 127) / 255);
            p[2] = static_cast<std::uint8_t>((fb * a + p[2] * (255 - a) + 127) / 255);
        }
    }
}

}  // namespace

CSize CCanvas::GetTextExtent(std::string_view text) const {
    return m_font.GetTextExtent(text);
}

CTextMetrics CCanvas::GetTextMetrics() const {
    return m_font.Metrics();
}

CRect CCanvas::CalcTextRect(std::string_view text, const CRect& rect, unsigned format) const {
    const CGlyphSet& glyphs =
        CFontEngine::Instance().GlyphsFor(m_font.PointTenths(), m_font.FaceName());
    std::string storage;
    const auto lines = SplitLines(text, format, i64{rect.right} - rect.left, glyphs, storage);
    int width = 0;
    for (std::string_view line : lines) width = std::max(width, glyphs.Advance(line));
    const int height = static_cast<int>(lines.size()) * glyphs.Metrics().height;
    return CRect(rect.left, rect.top, ClampToInt(i64{rect.left} + width),
                 ClampToInt(i64{rect.top} + height));
}

int CCanvas::DrawText(std::string_view text, const CRect& rect, unsigned format) {
    if (format & DT_CALCRECT) return CalcTextRect(text, rect, format).Height();
    const CGlyphSet& glyphs =
        CFontEngine::Instance().GlyphsFor(m_font.PointTenths(), m_font.FaceName());
    const CTextMetrics& m = glyphs.Metrics();
    const i64 l = i64{rect.left} + m_org.x, t = i64{rect.top} + m_org.y;
    const i64 r = i64{rect.right} + m_org.x, b = i64{rect.bottom} + m_org.y;
    std::string storage;
    const auto lines = SplitLines(text, format, r - l, glyphs, storage);

    i64 y = t;
    if (format & DT_SINGLELINE) {
        if (format & DT_VCENTER)
            y = t + FloorDiv((b - t) - m.height, 2);
        else if (format & DT_BOTTOM)
            y = b - m.height;
    }
    CRect clip = m_clip;
    if (!(format & DT_NOCLIP)) {
        const i64 cl = std::max<i64>(l, clip.left), ct = std::max<i64>(t, clip.top);
        const i64 cr = std::min<i64>(r, clip.right), cb = std::min<i64>(b, clip.bottom);
        clip = (cl < cr && ct < cb) ? CRect(static_cast<int>(cl), static_cast<int>(ct),
                                            static_cast<int>(cr), static_cast<int>(cb))
                                    : CRect();
    }

    Box inked{0, 0, 0, 0};
    bool any = false;
    std::vector<const CGlyph*> g;
    Surface s{m_bits, clip};
    for (std::string_view line : lines) {
        g.resize(line.size());
        glyphs.Lookup(line, g.data());
        i64 width = 0;
        for (const CGlyph* p : g) width += p->advance;
        i64 x = l;
        if (format & DT_CENTER)
            x = l + FloorDiv((r - l) - width, 2);
        else if (format & DT_RIGHT)
            x = r - width;
        const Box box{x, y, x + width, y + m.height};
        if (m_nBkMode == OPAQUE && !clip.IsRectEmpty()) s.Fill(box, m_bkColor);
        if (!clip.IsRectEmpty()) {
            i64 pen = x;
            for (const CGlyph* p : g) {
                if (pen > clip.right) break;
                BlendGlyph(m_bits, clip, *p, pen, y, m_textColor);
                pen += p->advance;
            }
        }
        inked = any ? Box{std::min(inked.l, box.l), inked.t, std::max(inked.r, box.r), box.b} : box;
        any = true;
        y += m.height;
    }

    if (m_pRecorder) {
        CTextRecord rec;
        rec.text.assign(text);
        rec.rect = CRect(ClampToInt(l), ClampToInt(t), ClampToInt(r), ClampToInt(b));
        rec.box = CRect(ClampToInt(inked.l), ClampToInt(inked.t), ClampToInt(inked.r),
                        ClampToInt(inked.b));
        rec.format = format;
        rec.textColor = m_textColor;
        rec.bkColor = m_nBkMode == OPAQUE ? m_bkColor : CLR_INVALID;
        rec.pointTenths = m_font.PointTenths();
        rec.face = m_font.FaceName();
        m_pRecorder->Add(std::move(rec));
    }
    return static_cast<int>(lines.size()) * m.height;
}

void CCanvas::TextOut(int x, int y, std::string_view text) {
    const CSize ext = GetTextExtent(text);
    const i64 r = i64{x} + ext.cx, b = i64{y} + ext.cy;
    DrawText(text, CRect(x, y, ClampToInt(r), ClampToInt(b)), DT_SINGLELINE | DT_NOCLIP);
}

// ---------------------------------------------------------------------------
// Block transfers

void CCanvas::BitBlt(int x, int y, int w, int h, const CBitmap& src, int sx, int sy,
                     std::uint32_t rop) {
    if (w <= 0 || h <= 0) return;
    if (rop == DSTINVERT) {
        PatBlt(x, y, w, h, DSTINVERT);
        return;
    }
    if (rop != SRCCOPY) return;
    i64 dl = i64{x} + m_org.x, dt = i64{y} + m_org.y;
    i64 sl = sx, st = sy, ww = w, hh = h;
    // Trim each side against the destination clip and the source bounds.
    auto trim = [&](i64 lo, i64 lo2) {
        const i64 cut = std::max<i64>({0, lo, lo2});
        return cut;
    };
    i64 cutL = trim(m_clip.left - dl, -sl);
    i64 cutT = trim(m_clip.top - dt, -st);
    dl += cutL, sl += cutL, ww -= cutL;
    dt += cutT, st += cutT, hh -= cutT;
    ww = std::min<i64>({ww, m_clip.right - dl, src.Width() - sl});
    hh = std::min<i64>({hh, m_clip.bottom - dt, src.Height() - st});
    if (ww <= 0 || hh <= 0) return;
    const std::size_t bytes = static_cast<std::size_t>(ww) * 3;
    const bool self = &src == &m_bits;
    if (self && dt > st) {
        for (i64 row = hh - 1; row >= 0; --row)
            std::memmove(m_bits.Row(static_cast<int>(dt + row)) + dl * 3,
                         src.Row(static_cast<int>(st + row)) + sl * 3, bytes);
        return;
    }
    for (i64 row = 0; row < hh; ++row) {
        std::uint8_t* d = m_bits.Row(static_cast<int>(dt + row)) + dl * 3;
        const std::uint8_t* p = src.Row(static_cast<int>(st + row)) + sl * 3;
        if (self)
            std::memmove(d, p, bytes);
        else
            std::memcpy(d, p, bytes);
    }
}

void CCanvas::StretchBlt(int x, int y, int w, int h, const CBitmap& src, int sx, int sy, int sw,
                         int sh, std::uint32_t rop) {
    if (w <= 0 || h <= 0 || sw <= 0 || sh <= 0 || src.IsEmpty()) return;
    if (rop == DSTINVERT) {
        PatBlt(x, y, w, h, DSTINVERT);
        return;
    }
    if (rop != SRCCOPY) return;
    if (w == sw && h == sh) {
        BitBlt(x, y, w, h, src, sx, sy, rop);
        return;
    }
    if (&src == &m_bits) {
        const CBitmap copy = src;
        StretchBlt(x, y, w, h, copy, sx, sy, sw, sh, rop);
        return;
    }
    const i64 dl = i64{x} + m_org.x, dt = i64{y} + m_org.y;
    const i64 x0 = std::max<i64>(dl, m_clip.left), x1 = std::min<i64>(dl + w, m_clip.right);
    const i64 y0 = std::max<i64>(dt, m_clip.top), y1 = std::min<i64>(dt + h, m_clip.bottom);
    if (x0 >= x1 || y0 >= y1) return;
    // Source column of each destination column: the one under its centre.
    std::vector<int> cols(static_cast<std::size_t>(x1 - x0));
    for (i64 dx = x0; dx < x1; ++dx) {
        const i64 i = dx - dl;
        const i64 s = sx + static_cast<i64>((i128{2} * i + 1) * sw / (i128{2} * w));
        cols[static_cast<std::size_t>(dx - x0)] =
            (s >= 0 && s < src.Width()) ? static_cast<int>(s) : -1;
    }
    // Runs of consecutive source columns copy as one block: a picture
    // stretched only vertically copies whole rows.
    const bool allInSource = std::find(cols.begin(), cols.end(), -1) == cols.end();
    const bool contiguous = [&] {
        for (std::size_t k = 1; k < cols.size(); ++k)
            if (cols[k - 1] < 0 || cols[k] != cols[k - 1] + 1) return false;
        return cols[0] >= 0;
    }();
    const std::size_t rowBytes = cols.size() * 3;
    i64 lastSource = -1;
    std::uint8_t* lastRow = nullptr;
    for (i64 dy = y0; dy < y1; ++dy) {
        const i64 j = dy - dt;
        const i64 s = sy + static_cast<i64>((i128{2} * j + 1) * sh / (i128{2} * h));
        if (s < 0 || s >= src.Height()) continue;
        std::uint8_t* d = m_bits.Row(static_cast<int>(dy)) + x0 * 3;
        if (s == lastSource && allInSource) {
            std::memcpy(d, lastRow, rowBytes);  // a repeated source row
            continue;
        }
        const std::uint8_t* srow = src.Row(static_cast<int>(s));
        lastSource = s;
        lastRow = d;
        if (contiguous) {
            std::memcpy(d, srow + static_cast<std::size_t>(cols[0]) * 3, rowBytes);
            continue;
        }
        for (std::size_t k = 0; k < cols.size(); ++k, d += 3) {
            const int c = cols[k];
            if (c < 0) continue;
            const std::uint8_t* p = srow + c * 3;
            d[0] = p[0];
            d[1] = p[1];
            d[2] = p[2];
        }
    }
}
