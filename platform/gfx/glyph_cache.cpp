#include "platform/gfx/glyph_cache.h"

#include <QPainter>

#include <cmath>

namespace gfx {

QString mapFontFace(const std::string& face)
{
    const QString name = QString::fromStdString(face);
    if (name == QStringLiteral("ＭＳ ゴシック"))
        return QStringLiteral("IPAGothic");
    if (name == QStringLiteral("ＭＳ Ｐゴシック"))
        return QStringLiteral("IPAPGothic");
    return name;
}

QFont makeQFont(const FontDesc& desc)
{
    QFont font(mapFontFace(desc.face));
    font.setPixelSize(desc.pixelHeight > 0 ? desc.pixelHeight : 13);
    font.setBold(desc.bold);
    font.setItalic(desc.italic);
    font.setUnderline(desc.underline);
    font.setKerning(false);
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

GlyphCache::GlyphCache(const QFont& font)
    : font_(font), metrics_(font), pad_(std::max(2, font.pixelSize() / 4))
{
}

template <class Place> void GlyphCache::walk(const std::string& text, QPoint origin, Place place)
{
    const QString s = QString::fromStdString(text);
    int penX = origin.x();
    int lineTop = origin.y();
    for (char32_t cp : s.toUcs4()) {
        if (cp == U'\n') {
            penX = origin.x();
            lineTop += metrics_.height();
            continue;
        }
        if (cp == U'\r')
            continue;
        const Glyph& g = glyph(cp);
        if (!g.source.isEmpty())
            place(cp, g, QPoint(penX - pad_, lineTop));
        penX += g.advance;
    }
}

namespace {

// Only the part of a glyph's image with ink in it: the rest is blank and would draw nothing, but
// a software renderer still pays for every pixel of a quad.
template <class G> PlacedGlyph inkOf(const G& g, QPoint cellAt, const QRect& ink)
{
    return {g.page, ink.translated(cellAt), ink.translated(g.source.topLeft())};
}

} // namespace

std::vector<PlacedGlyph> GlyphCache::layout(const std::string& text, QPoint origin)
{
    std::vector<PlacedGlyph> placed;
    walk(text, origin, [&](char32_t, const Glyph& g, QPoint at) {
        if (!g.ink.isEmpty())
            placed.push_back(inkOf(g, at, g.ink));
    });
    return placed;
}

std::vector<OutlinedGlyph> GlyphCache::layoutOutlined(const std::string& text, QPoint origin)
{
    std::vector<OutlinedGlyph> placed;
    walk(text, origin, [&](char32_t cp, const Glyph& g, QPoint at) {
        if (g.ink.isEmpty())
            return;
        const Glyph& o = outline(cp, g);
        // The copies lie at most a pixel off the glyph, so the outline's ink is the glyph's grown by one.
        placed.push_back({inkOf(g, at, g.ink), inkOf(o, at - QPoint(1, 1), g.ink.adjusted(0, 0, 2, 2)),
                          g.ink.translated(at)});
    });
    return placed;
}

const GlyphCache::Glyph& GlyphCache::glyph(char32_t codePoint)
{
    auto it = glyphs_.find(codePoint);
    if (it == glyphs_.end())
        it = glyphs_.emplace(codePoint, rasterise(codePoint)).first;
    return it->second;
}

GlyphCache::Glyph GlyphCache::rasterise(char32_t codePoint)
{
    ++rasterised_;
    const QString ch = QString::fromUcs4(&codePoint, 1);
    Glyph g;
    g.advance = metrics_.horizontalAdvance(ch);
    // The cell reaches `pad_` beyond the advance on both sides for italic and overhanging strokes.
    const QSize cell =
        QSize(g.advance + 2 * pad_, metrics_.height()).boundedTo(QSize(kPageSize, kPageSize));
    if (cell.width() <= 0 || cell.height() <= 0)
        return g;
    const QPoint at = allocate(cell, g.page);
    g.source = QRect(at, cell);
    QPainter painter(&pages_[g.page].image);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(g.source, Qt::black);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.setPen(Qt::white);
    painter.setFont(font_);
    painter.setClipRect(g.source);
    painter.drawText(at + QPoint(pad_, metrics_.ascent()), ch);
    painter.end();
    pages_[g.page].dirty = true;
    const QImage& image = pages_[g.page].image;
    for (int y = 0; y < cell.height(); ++y)
        for (int x = 0; x < cell.width(); ++x)
            if (qRed(image.pixel(at.x() + x, at.y() + y)) != 0)
                g.ink |= QRect(x, y, 1, 1);
    return g;
}

const GlyphCache::Glyph& GlyphCache::outline(char32_t codePoint, const Glyph& glyph)
{
    auto it = outlines_.find(codePoint);
    if (it == outlines_.end())
        it = outlines_.emplace(codePoint, makeOutline(glyph)).first;
    return it->second;
}

// What the copies at kTextOutline leave of what lies under them, when each is blended over the
// last with its coverage as alpha: the product of (1 - coverage); the outline's coverage is one
// minus that. So one blend of the outline stands for all the copies.
GlyphCache::Glyph GlyphCache::makeOutline(const Glyph& glyph)
{
    ++outlined_;
    const QRect cell = glyph.source;
    Glyph o;
    const QPoint at = allocate(cell.size() + QSize(2, 2), o.page);
    o.source = QRect(at, cell.size() + QSize(2, 2));
    // Allocation may have added a page: read the glyph's own page only now.
    const QImage& from = pages_[glyph.page].image;
    QImage& to = pages_[o.page].image;
    const auto coverage = [&](int x, int y) {
        return cell.contains(x, y) ? float(qRed(from.pixel(x, y))) / 255.0f : 0.0f;
    };
    for (int y = 0; y < o.source.height(); ++y)
        for (int x = 0; x < o.source.width(); ++x) {
            // The outline pixel (x, y) lies over glyph pixel (x - 1, y - 1).
            const QPoint p = cell.topLeft() + QPoint(x - 1, y - 1);
            float keep = 1.0f;
            for (const TextOffset& d : kTextOutline)
                keep *= 1.0f - coverage(p.x() - d.dx, p.y() - d.dy);
            const int v = int(std::lround((1.0f - keep) * 255.0f));
            to.setPixel(at.x() + x, at.y() + y, qRgba(v, v, v, 255));
        }
    pages_[o.page].dirty = true;
    return o;
}

QPoint GlyphCache::allocate(QSize size, int& page)
{
    const QSize clamped = size;
    if (pages_.empty() || shelfPen_.x() + clamped.width() > kPageSize) {
        shelfPen_ = QPoint(0, shelfPen_.y() + shelfHeight_);
        shelfHeight_ = 0;
    }
    if (pages_.empty() || shelfPen_.y() + clamped.height() > kPageSize) {
        // Coverage goes into the red channel of an RGBA page that uploads as it is.
        QImage image(kPageSize, kPageSize, QImage::Format_RGBA8888_Premultiplied);
        image.fill(Qt::black);
        pages_.push_back({std::move(image), true});
        shelfPen_ = QPoint(0, 0);
        shelfHeight_ = 0;
    }
    page = static_cast<int>(pages_.size()) - 1;
    const QPoint at = shelfPen_;
    shelfPen_.rx() += clamped.width();
    shelfHeight_ = std::max(shelfHeight_, clamped.height());
    return at;
}

} // namespace gfx
