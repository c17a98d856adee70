#include "widgets/picture_cache.h"

#include <QCache>
#include <QHashFunctions>
#include <QPainter>
#include <QPalette>
#include <QProxyStyle>
#include <array>
#include <cmath>

bool drawsFromOptionAlone(const QStyle* style)
{
    while (const auto* proxy = qobject_cast<const QProxyStyle*>(style)) {
        style = proxy->baseStyle();
    }
    const QString name = style ? style->name() : QString();
    return name.compare(QLatin1String("fusion"), Qt::CaseInsensitive) == 0 ||
           name.compare(QLatin1String("windows"), Qt::CaseInsensitive) == 0;
}

bool copiesAtRatio(qreal ratio)
{
    return ratio == std::round(ratio);
}

// Each number goes in as its four 16-bit quarters: the key is built for every
// part painted, and written out in decimal it cost more than a copied header
// section saved.
QString pictureCacheKey(QString kind, std::initializer_list<qint64> fields)
{
    kind.reserve(kind.size() + 4 * static_cast<qsizetype>(fields.size()));
    for (const qint64 field : fields) {
        const auto bits = static_cast<quint64>(field);
        for (int shift = 0; shift < 64; shift += 16) {
            kind += QChar(static_cast<char16_t>(bits >> shift));
        }
    }
    return kind;
}

namespace {

// Every colour of every group of the palette, as one number.
qint64 coloursKey(const QPalette& palette)
{
    constexpr int kGroups = 3; // active, disabled, inactive
    std::array<quint64, kGroups * QPalette::NColorRoles> colours{};
    for (int group = 0; group < kGroups; ++group) {
        for (int role = 0; role < QPalette::NColorRoles; ++role) {
            const QBrush& brush = palette.brush(static_cast<QPalette::ColorGroup>(group),
                                                static_cast<QPalette::ColorRole>(role));
            if (brush.style() != Qt::SolidPattern && brush.style() != Qt::NoBrush) {
                return palette.cacheKey();
            }
            const quint64 colour = brush.color().rgba64();
            colours[static_cast<std::size_t>(group * QPalette::NColorRoles + role)] =
                brush.style() == Qt::NoBrush ? ~colour : colour;
        }
    }
    return static_cast<qint64>(qHashBits(colours.data(), sizeof colours));
}

constexpr qsizetype kCacheKilobytes = 1024;

// Images rather than pixmaps, so that the cache may outlive the application
// object at exit.
QCache<QString, QImage>& pictures()
{
    static QCache<QString, QImage> cache(kCacheKilobytes);
    return cache;
}

} // namespace

qint64 paletteLookKey(const QPalette& palette)
{
    // The palettes of the last few widgets painted, by their cache keys,
    // which change with every change to a palette: a repaint asks for the same
    // few many times over, and reading every colour costs more than the rest
    // of a part's key.
    struct Known
    {
        qint64 cacheKey = 0;
        qint64 lookKey = 0;
    };
    thread_local std::array<Known, 8> known{};
    thread_local std::size_t next = 0;
    const qint64 cacheKey = palette.cacheKey();
    for (const Known& entry : known) {
        if (entry.cacheKey == cacheKey && cacheKey != 0) {
            return entry.lookKey;
        }
    }
    const qint64 lookKey = coloursKey(palette);
    known[next] = {cacheKey, lookKey};
    next = (next + 1) % known.size();
    return lookKey;
}

QImage cachedPicture(const QString& key, const QSize& size, qreal ratio,
                     const std::function<void(QPainter&)>& draw)
{
    if (const QImage* cached = pictures().object(key)) {
        return *cached;
    }
    QImage picture(size * ratio, QImage::Format_ARGB32_Premultiplied);
    picture.setDevicePixelRatio(ratio);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    draw(painter);
    painter.end();
    pictures().insert(key, new QImage(picture),
                      std::max<qsizetype>(1, picture.sizeInBytes() / 1024));
    return picture;
}
