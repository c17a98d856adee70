#pragma once

#include <QIcon>
#include <QPainter>
#include <QPixmap>

namespace norvane {

// Norvane's own pictures, painted here so the product ships no image files.
// The icon is painted at each of these sizes (also exported for the desktop).
inline constexpr int kIconSides[] = {16, 22, 24, 32, 48, 64, 128, 256};
// The one icon of every window: painted once, kept until the application ends.
QIcon applicationIcon();
// Paints the icon into a square, with vectors only (also for its SVG export).
void paintApplicationIcon(QPainter& painter, const QRectF& square);
// Shown in the photo box until a photo is chosen; painted once for a size,
// and the same pixmap for every window of that size.
QPixmap placeholderPhoto(const QSize& size);
// The picture of the About window.
QPixmap aboutPicture(const QSize& size);

} // namespace norvane
