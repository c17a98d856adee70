#include "widgets/cached_scroll_bar.h"

#include "widgets/picture_cache.h"

#include <QGuiApplication>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionSlider>

namespace {

// What the style draws a scroll bar from: its size and state, and where its
// slider lies, rather than the range and value that put it there. The
// grid's range changes with every letter typed while the slider stays at the
// top, at its least length.
QString lookKey(const QStyleOptionSlider& option, const QStyle* style, const QWidget* bar,
                qreal ratio)
{
    const QRect slider =
        style->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, bar);
    return pictureCacheKey(
        QStringLiteral("norvane-scroll-bar:") + style->name(),
        {reinterpret_cast<qint64>(style), option.rect.width(), option.rect.height(),
         qRound(ratio * 100), option.orientation, slider.x(), slider.y(), slider.width(),
         slider.height(), option.sliderPosition == option.minimum,
         option.sliderPosition == option.maximum, option.minimum == option.maximum,
         option.upsideDown, static_cast<qint64>(option.state.toInt()), option.direction,
         option.subControls.toInt(), option.activeSubControls.toInt(),
         paletteLookKey(option.palette)});
}

} // namespace

CachedScrollBar::CachedScrollBar(Qt::Orientation orientation, QWidget* parent)
    : QScrollBar(orientation, parent)
{
}

// Away from the pointer and the mouse buttons, Qt draws the bar with no part
// lit or pressed; a style that fades its bars in and out is left to itself.
bool CachedScrollBar::lookIsSettled(const QStyleOptionSlider& option) const
{
    return !underMouse() && !isSliderDown() && QGuiApplication::mouseButtons() == Qt::NoButton &&
           drawsFromOptionAlone(style()) && copiesAtRatio(devicePixelRatio()) &&
           !style()->styleHint(QStyle::SH_ScrollBar_Transient, &option, this);
}

void CachedScrollBar::paintEvent(QPaintEvent* event)
{
    QStyleOptionSlider option;
    initStyleOption(&option);
    option.subControls = QStyle::SC_All;
    if (!lookIsSettled(option)) {
        QScrollBar::paintEvent(event);
        return;
    }
    const qreal ratio = devicePixelRatio();
    const QImage look = cachedPicture(
        lookKey(option, style(), this, ratio), option.rect.size(), ratio, [&](QPainter& painter) {
            style()->drawComplexControl(QStyle::CC_ScrollBar, &option, &painter, this);
        });
    QPainter(this).drawImage(0, 0, look);
}
