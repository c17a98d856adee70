#include "widgets/picture_cache.h"

#include <QPainter>
#include <QPixmapCache>

QString pictureCacheKey(QString kind, std::initializer_list<qint64> fields)
{
    for (const qint64 field : fields) {
        kind += QLatin1Char(':') + QString::number(field);
    }
    return kind;
}

QPixmap cachedPicture(const QString& key, const QSize& size, qreal ratio,
                      const std::function<void(QPainter&)>& draw)
{
    QPixmap picture;
    if (QPixmapCache::find(key, &picture)) {
        return picture;
    }
    picture = QPixmap(size * ratio);
    picture.setDevicePixelRatio(ratio);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    draw(painter);
    painter.end();
    QPixmapCache::insert(key, picture);
    return picture;
}
