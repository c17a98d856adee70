#pragma once

#include <QIcon>
#include <QPixmap>

namespace norvane {

// Norvane's own pictures, painted here so the product ships no image files.
QIcon applicationIcon();
// Shown in the photo box until a photo is chosen.
QPixmap placeholderPhoto(const QSize& size);
// The picture of the About window.
QPixmap aboutPicture(const QSize& size);

} // namespace norvane
