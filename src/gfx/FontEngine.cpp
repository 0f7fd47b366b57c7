#include "gfx/FontEngine.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_MODULE_H

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <map>
#include <utility>

namespace {

// The two kinds of face the program asks for: the screens' "System" and the
// forms' "MS Sans Serif". Both are drawn with a well-hinted, condensed
// sans-serif outline font: the screens' rectangles were laid out for the
// instrument's narrow system font, and a face of normal width overruns them
// (the main menu's firmware line, the status band's date). They differ in
// size (see PixelSizeFor).
enum FaceKind { kSystem = 0, kForms = 1, kFaceKinds = 2 };

constexpr const char* kFontconfigPattern[kFaceKinds] = {
    "DejaVu Sans Condensed:style=Condensed",
    "DejaVu Sans Condensed:style=Condensed",
};

FaceKind KindOf(std::string_view face) {
    std::string lower;
    for (char c : face) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower.find("sans serif") != std::string::npos || lower.find("tahoma") != std::string::npos)
        return kForms;
    return kSystem;
}

// Pixel em size for a point size in tenths. The screen is small and close to
// the eye: "System" 8 pt becomes a 9-pixel em whose line is 10 pixels, 6 pt
// an 8-pixel line and 10 pt a 12-pixel line; the forms' face is one pixel
// larger, like the dialog font it stands for.
int PixelSizeFor(FaceKind kind, int pointTenths) {
    const int tenths = std::clamp(pointTenths, 40, 400);
    int px = (tenths * 11 + 50) / 100;
    if (kind == kForms) px += 1;
    return std::clamp(px, 5, 48);
}

// The program's 8-bit text is shown as Windows Latin-1: the C1 range holds
// the usual punctuation and letters of that code page.
constexpr std::uint16_t kC1[32] = {0x20AC, 0x003F, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                   0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x003F, 0x017D, 0x003F,
                                   0x003F, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                   0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x003F, 0x017E, 0x0178};

unsigned CodePointOf(std::uint8_t ch) {
    if (ch < 0x20 || ch == 0x7F) return '?';  // control bytes are shown, not hidden
    if (ch >= 0x80 && ch < 0xA0) return kC1[ch - 0x80];
    return ch;
}

// Asks a private fontconfig configuration, released at once, so that the
// one look-up of the process leaves nothing behind in the library.
std::string FindWithFontconfig(const char* pattern) {
    std::string file;
    FcConfig* config = FcInitLoadConfigAndFonts();
    if (!config) return file;
    FcPattern* pat = FcNameParse(reinterpret_cast<const FcChar8*>(pattern));
    if (pat) {
        FcConfigSubstitute(config, pat, FcMatchPattern);
        FcDefaultSubstitute(pat);
        FcResult result = FcResultNoMatch;
        FcPattern* match = FcFontMatch(config, pat, &result);
        if (match) {
            FcChar8* path = nullptr;
            if (FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch && path)
                file = reinterpret_cast<const char*>(path);
            FcPatternDestroy(match);
        }
        FcPatternDestroy(pat);
    }
    FcConfigDestroy(config);
    return file;
}

}  // namespace

struct CFontEngine::Impl {
    FT_Library library = nullptr;
    bool bLookedUp = false;
    std::string astrFile[kFaceKinds];
    FT_Face aFace[kFaceKinds] = {nullptr, nullptr};
    std::map<std::pair<int, int>, std::unique_ptr<CGlyphSet>> sets;

    void LookUpFaces() {
        if (bLookedUp) return;
        bLookedUp = true;
        if (FT_Init_FreeType(&library) != 0) {
            library = nullptr;
            return;
        }
        // Full bytecode hinting: the face's own instructions snap stems to
        // whole pixels in both directions, which is what keeps 9-pixel text
        // crisp (the default interpreter hints vertically only).
        FT_UInt interpreter = 35;
        FT_Property_Set(library, "truetype", "interpreter-version", &interpreter);
        // ORVALIS_FONT names a font file for every face; if it cannot be
        // loaded, fontconfig's choice is used as if it were not set.
        const char* env = std::getenv("ORVALIS_FONT");
        for (int k = 0; k < kFaceKinds; ++k) {
            std::string file = (env && *env) ? std::string(env) : std::string();
            FT_Face face = OpenFace(file);
            if (!face) {
                if (k > 0 && std::string_view(kFontconfigPattern[k]) == kFontconfigPattern[k - 1])
                    file = astrFile[k - 1];
                else
                    file = FindWithFontconfig(kFontconfigPattern[k]);
                face = OpenFace(file);
            }
            aFace[k] = face;
            astrFile[k] = face ? file : std::string();
        }
        // A kind whose face could not be loaded uses whatever another found.
        for (int k = 0; k < kFaceKinds; ++k) {
            if (!aFace[k]) {
                for (int j = 0; j < kFaceKinds; ++j) {
                    if (aFace[j] && FT_New_Face(library, astrFile[j].c_str(), 0, &aFace[k]) == 0) {
                        astrFile[k] = astrFile[j];
                        break;
                    }
                }
            }
        }
    }

    // A scalable face from the file; nullptr if there is none.
    FT_Face OpenFace(const std::string& file) const {
        FT_Face face = nullptr;
        if (file.empty() || FT_New_Face(library, file.c_str(), 0, &face) != 0) return nullptr;
        if (!FT_IS_SCALABLE(face)) {
            FT_Done_Face(face);
            return nullptr;
        }
        return face;
    }

    ~Impl() {
        for (FT_Face& f : aFace)
            if (f) FT_Done_Face(f);
        if (library) FT_Done_FreeType(library);
    }
};

CFontEngine& CFontEngine::Instance() {
    // Never destroyed: canvases may draw text while statics are torn down.
    static CFontEngine* s_pEngine = new CFontEngine();
    return *s_pEngine;
}

CFontEngine::CFontEngine() : m_pImpl(std::make_unique<Impl>()) {}
CFontEngine::~CFontEngine() = default;

std::string CFontEngine::FaceFile(std::string_view faceName) {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    m_pImpl->LookUpFaces();
    return m_pImpl->astrFile[KindOf(faceName)];
}

const CGlyphSet& CFontEngine::GlyphsFor(int pointTenths, std::string_view faceName) {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    m_pImpl->LookUpFaces();
    const FaceKind kind = KindOf(faceName);
    const int px = PixelSizeFor(kind, pointTenths);
    auto& slot = m_pImpl->sets[{kind, px}];
    if (slot) return *slot;

    slot = std::make_unique<CGlyphSet>();
    CGlyphSet& set = *slot;
    set.m_nFile = m_pImpl->aFace[kind] ? kind : -1;
    set.m_nPixelSize = px;
    CTextMetrics& m = set.m_metrics;
    if (set.m_nFile < 0) {
        m.ascent = (px * 8 + 5) / 10;
        m.descent = std::max(1, (px * 25 + 50) / 100);
        m.height = m.ascent + m.descent;
        m.aveCharWidth = m.maxCharWidth = std::max(1, (px * 55 + 50) / 100);
        return set;
    }

    // Metrics from the hinted glyphs themselves: the line's top lies on the
    // capitals (one pixel above them from a 10-pixel em up), its bottom just
    // below the deepest of the common descenders. Lines stack tightly, and a
    // capital drawn at the top of a 7-pixel row of the screens is whole.
    FT_Face face = m_pImpl->aFace[kind];
    FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(px));
    int capTop = 0;
    if (FT_Load_Char(face, 'H', FT_LOAD_DEFAULT) == 0)
        capTop = static_cast<int>((face->glyph->metrics.horiBearingY + 63) >> 6);
    if (capTop <= 0) capTop = (px * 73 + 50) / 100;
    int descent = 1;
    for (char c : std::string_view("gjpqy")) {
        if (FT_Load_Char(face, static_cast<unsigned char>(c), FT_LOAD_DEFAULT) != 0) continue;
        const FT_Glyph_Metrics& gm = face->glyph->metrics;
        const int below = static_cast<int>((gm.height - gm.horiBearingY + 63) >> 6);
        descent = std::max(descent, below);
    }
    m.ascent = capTop + (px >= 10 ? 1 : 0);
    m.descent = descent;
    m.height = m.ascent + m.descent;
    long sum = 0;
    int count = 0;
    for (int c = 0; c < 256; ++c) {
        const int adv = Render(set, static_cast<std::uint8_t>(c)).advance;
        m.maxCharWidth = std::max(m.maxCharWidth, adv);
        if (std::isalpha(c) && c < 128) {
            sum += adv;
            ++count;
        }
    }
    m.aveCharWidth = count ? static_cast<int>((sum + count / 2) / count) : 1;
    return set;
}

const CGlyph& CFontEngine::Render(const CGlyphSet& set, std::uint8_t ch) {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    std::unique_ptr<CGlyph>& slot = set.m_apGlyphs[ch];
    if (slot) return *slot;
    slot = std::make_unique<CGlyph>();
    CGlyph& g = *slot;
    const CTextMetrics& m = set.m_metrics;
    if (set.m_nFile < 0) {
        g.advance = m.aveCharWidth;
        return g;
    }
    FT_Face face = m_pImpl->aFace[set.m_nFile];
    FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(set.m_nPixelSize));
    // Monochrome, fully hinted, as the instrument's bitmap system font drew:
    // the condensed face's thin stems come out grey when anti-aliased at 9
    // pixels, while the hinted monochrome glyphs are crisp and every ink
    // pixel has the text colour.
    const FT_Int32 flags = FT_LOAD_RENDER | FT_LOAD_TARGET_MONO;
    if (FT_Load_Char(face, CodePointOf(ch), flags) != 0) {
        g.advance = m.aveCharWidth;
        return g;
    }
    const FT_GlyphSlot gs = face->glyph;
    g.advance = static_cast<int>((gs->advance.x + 32) >> 6);
    const FT_Bitmap& bm = gs->bitmap;
    g.left = gs->bitmap_left;
    g.top = m.ascent - gs->bitmap_top;
    g.width = static_cast<int>(bm.width);
    g.height = static_cast<int>(bm.rows);
    g.coverage.assign(static_cast<std::size_t>(g.width) * g.height, 0);
    for (int y = 0; y < g.height; ++y) {
        const unsigned char* row = bm.buffer + static_cast<std::ptrdiff_t>(y) * bm.pitch;
        for (int x = 0; x < g.width; ++x) {
            std::uint8_t a = 0;
            if (bm.pixel_mode == FT_PIXEL_MODE_MONO)
                a = (row[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
            else if (bm.pixel_mode == FT_PIXEL_MODE_GRAY)
                a = static_cast<std::uint8_t>(
                    bm.num_grays == 256 ? row[x] : row[x] * 255 / (bm.num_grays - 1));
            g.coverage[static_cast<std::size_t>(y) * g.width + x] = a;
        }
    }
    return g;
}

void CGlyphSet::Lookup(std::string_view text, const CGlyph** out) const {
    CFontEngine& engine = CFontEngine::Instance();
    std::lock_guard<std::recursive_mutex> lock(engine.m_mutex);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto ch = static_cast<std::uint8_t>(text[i]);
        const std::unique_ptr<CGlyph>& slot = m_apGlyphs[ch];
        out[i] = slot ? slot.get() : &engine.Render(*this, ch);
    }
}

int CGlyphSet::Advance(std::string_view text) const {
    CFontEngine& engine = CFontEngine::Instance();
    std::lock_guard<std::recursive_mutex> lock(engine.m_mutex);
    int w = 0;
    for (char c : text) {
        const auto ch = static_cast<std::uint8_t>(c);
        const std::unique_ptr<CGlyph>& slot = m_apGlyphs[ch];
        w += slot ? slot->advance : engine.Render(*this, ch).advance;
    }
    return w;
}
