#pragma once

// Text for the OpenGL device: Windows face names mapped to installed fonts, glyphs rasterised once
// into atlas pages, and the layout of left/top-aligned, unwrapped lines.

#include "platform/gfx/device.h"

#include <array>

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QRect>
#include <QString>

#include <string>
#include <unordered_map>
#include <vector>

namespace gfx {

// "ＭＳ ゴシック" -> IPAGothic, "ＭＳ Ｐゴシック" -> IPAPGothic; other faces are used as named.
QString mapFontFace(const std::string& face);
QFont makeQFont(const FontDesc& desc);

// One glyph placed for drawing: where its cell goes on the back buffer and where it is in the atlas.
struct PlacedGlyph {
    int page = 0;
    QRect target; // back-buffer pixels
    QRect source; // atlas texels
};

// A glyph with its outline: `outline` holds the coverage of all the copies under the glyph (see
// kTextOutline) as one image, one pixel larger than the glyph's cell on every side.
struct OutlinedGlyph {
    PlacedGlyph fill;
    PlacedGlyph outline;
    QRect ink; // back-buffer pixels the glyph itself covers at all (empty for a blank)
};

class GlyphCache {
public:
    static constexpr int kPageSize = 512;

    explicit GlyphCache(const QFont& font);

    // Lays `text` (UTF-8) out from the top-left of `origin`: one line per line break, no wrap.
    std::vector<PlacedGlyph> layout(const std::string& text, QPoint origin);
    // The same layout with each glyph's outline, made once per character.
    std::vector<OutlinedGlyph> layoutOutlined(const std::string& text, QPoint origin);

    int pageCount() const { return static_cast<int>(pages_.size()); }
    const QImage& page(int index) const { return pages_[index].image; }
    bool pageDirty(int index) const { return pages_[index].dirty; }
    void markClean(int index) { pages_[index].dirty = false; }
    // How many glyphs were rasterised so far: each code point once.
    int rasterisedCount() const { return rasterised_; }
    // How many outlines were made so far: each code point once.
    int outlinedCount() const { return outlined_; }
    int lineHeight() const { return metrics_.height(); }

private:
    struct Glyph {
        int page = 0;
        QRect source;
        int advance = 0;
        QRect ink; // in the cell
    };
    struct Page {
        QImage image;
        bool dirty = true;
    };

    const Glyph& glyph(char32_t codePoint);
    Glyph rasterise(char32_t codePoint);
    const Glyph& outline(char32_t codePoint, const Glyph& glyph);
    Glyph makeOutline(const Glyph& glyph);
    // Calls `place(codePoint, glyph, cellTopLeft)` for each drawn glyph of `text`.
    template <class Place> void walk(const std::string& text, QPoint origin, Place place);
    QPoint allocate(QSize size, int& page);

    QFont font_;
    QFontMetrics metrics_;
    int pad_;
    std::unordered_map<char32_t, Glyph> glyphs_;
    std::unordered_map<char32_t, Glyph> outlines_;
    std::vector<Page> pages_;
    QPoint shelfPen_;
    int shelfHeight_ = 0;
    int rasterised_ = 0;
    int outlined_ = 0;
};

} // namespace gfx
