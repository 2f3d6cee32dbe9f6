#include "platform/gfx/glyph_cache.h"

#include <QPainter>

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

std::vector<PlacedGlyph> GlyphCache::layout(const std::string& text, QPoint origin)
{
    std::vector<PlacedGlyph> placed;
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
            placed.push_back({g.page, QRect(QPoint(penX - pad_, lineTop), g.source.size()), g.source});
        penX += g.advance;
    }
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
    pages_[g.page].dirty = true;
    return g;
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
