#pragma once

#include <QImage>
#include <QString>
#include <functional>
#include <initializer_list>

class QPainter;
class QPalette;
class QStyle;

// Pictures of widget parts that are drawn once per look and then copied.

// Whether the style draws a part from its option alone, with no animation or
// state of its own: Qt's Fusion and Windows styles, plain or behind proxies.
// A platform's style may fade a part in and out, or draw it its own way, so
// its parts are drawn every time.
bool drawsFromOptionAlone(const QStyle* style);

// Whether a picture drawn at this device pixel ratio can be copied pixel for
// pixel: at a fractional ratio a part drawn in place may fall between device
// pixels where its copy would not.
bool copiesAtRatio(qreal ratio);

// The picture cache's key for a picture of this kind drawn from these numbers
// (its size, its state, its palette's cache key and the like). The key is
// not meant to be read.
QString pictureCacheKey(QString kind, std::initializer_list<qint64> fields);

// A number for the colours a palette paints with, for a picture's key: the
// same for two palettes of the same plain colours. A palette's own cache key
// is new for each widget given a palette, so every window opened again (each
// reload) would draw its parts afresh, and the style then keeps each part's
// new look in Qt's pixmap cache as well. A palette with a gradient or a
// texture gives its own cache key.
qint64 paletteLookKey(const QPalette& palette);

// The picture cached under the key; when there is none, draw paints it on a
// transparent image of this size (in device-independent pixels, at this
// device pixel ratio), and it is cached. The cache holds at most a megabyte
// of pictures, the least recently used going first: the looks that recur as
// letters are typed fit many times over, and scrolling, which makes a new
// look at every step, cannot make it grow.
QImage cachedPicture(const QString& key, const QSize& size, qreal ratio,
                     const std::function<void(QPainter&)>& draw);
