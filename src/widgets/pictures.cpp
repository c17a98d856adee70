#include "widgets/pictures.h"

#include <QCoreApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace norvane {

// An address card: a rounded page with a head-and-shoulders silhouette and text lines.
void paintApplicationIcon(QPainter& p, const QRectF& r)
{
    p.setRenderHint(QPainter::Antialiasing);
    const qreal u = r.width() / 32.0;
    QLinearGradient page(r.topLeft(), r.bottomLeft());
    page.setColorAt(0, QColor(0xFF, 0xF4, 0xE6));
    page.setColorAt(1, QColor(0xF2, 0xD8, 0xB8));
    p.setPen(QPen(QColor(0xB0, 0x30, 0x20), 1.5 * u));
    p.setBrush(page);
    p.drawRoundedRect(r.adjusted(u, 4 * u, -u, -4 * u), 3 * u, 3 * u);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xD0, 0x20, 0x10));
    p.drawEllipse(QRectF(r.left() + 5 * u, r.top() + 9 * u, 7 * u, 7 * u));
    QPainterPath shoulders;
    shoulders.addRoundedRect(QRectF(r.left() + 3.5 * u, r.top() + 16.5 * u, 10 * u, 7 * u), 3 * u,
                             3 * u);
    p.drawPath(shoulders);
    p.setBrush(QColor(0x70, 0x50, 0x40));
    for (int line = 0; line < 3; ++line) {
        p.drawRoundedRect(QRectF(r.left() + 16 * u, r.top() + (11 + 4.5 * line) * u,
                                 (line == 2 ? 8 : 12) * u, 2 * u),
                          u, u);
    }
}

namespace {

QIcon paintedIcon()
{
    QIcon icon;
    for (int side : kIconSides) {
        QPixmap pixmap(side, side);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        paintApplicationIcon(p, QRectF(0, 0, side, side));
        icon.addPixmap(pixmap);
    }
    return icon;
}

QPixmap paintedPlaceholder(const QSize& size)
{
    QPixmap pixmap(size);
    pixmap.fill(QColor(0xF4, 0xF4, 0xF0));
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal side = std::min(size.width(), size.height()) * 0.7;
    const QRectF figure((size.width() - side) / 2, (size.height() - side) / 2, side, side);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xC8, 0xC8, 0xC0));
    p.drawEllipse(QRectF(figure.center().x() - side * 0.18, figure.top() + side * 0.08, side * 0.36,
                         side * 0.36));
    p.drawRoundedRect(
        QRectF(figure.left() + side * 0.15, figure.top() + side * 0.5, side * 0.7, side * 0.45),
        side * 0.2, side * 0.2);
    return pixmap;
}

// The pictures every window shows are made once for the application. Qt
// keeps what it draws from a picture (an icon's scaled sizes, for one) in its
// pixmap cache under the picture's own number: a picture made afresh for
// each reloaded window would add to that cache every time.
QIcon* g_icon = nullptr;
QPixmap* g_placeholder = nullptr;

void releasePictures()
{
    delete g_icon;
    g_icon = nullptr;
    delete g_placeholder;
    g_placeholder = nullptr;
}

// The pictures kept go with the application object, never after it.
void releaseWithTheApplication()
{
    if (!g_icon && !g_placeholder) {
        qAddPostRoutine(releasePictures);
    }
}

} // namespace

QIcon applicationIcon()
{
    if (!g_icon) {
        releaseWithTheApplication();
        g_icon = new QIcon(paintedIcon());
    }
    return *g_icon;
}

QPixmap placeholderPhoto(const QSize& size)
{
    if (!g_placeholder || g_placeholder->size() != size) {
        releaseWithTheApplication();
        delete g_placeholder;
        g_placeholder = new QPixmap(paintedPlaceholder(size));
    }
    return *g_placeholder;
}

QPixmap aboutPicture(const QSize& size)
{
    QPixmap pixmap(size);
    QPainter p(&pixmap);
    QLinearGradient sky(0, 0, 0, size.height());
    sky.setColorAt(0, QColor(0x2A, 0x4E, 0x7A));
    sky.setColorAt(1, QColor(0xE8, 0xC8, 0x98));
    p.fillRect(pixmap.rect(), sky);
    const qreal side = std::min(size.width(), size.height()) * 0.8;
    paintApplicationIcon(p,
                         QRectF((size.width() - side) / 2, (size.height() - side) / 2, side, side));
    return pixmap;
}

} // namespace norvane
