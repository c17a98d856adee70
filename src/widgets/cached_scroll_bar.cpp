#include "widgets/cached_scroll_bar.h"

#include "widgets/picture_cache.h"

#include <QGuiApplication>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionSlider>

namespace {

// Every field of the option that the style draws a scroll bar from.
QString lookKey(const QStyleOptionSlider& option, const QStyle* style, qreal ratio)
{
    return pictureCacheKey(
        QStringLiteral("norvane-scroll-bar:") + style->name(),
        {reinterpret_cast<qint64>(style), option.rect.width(), option.rect.height(),
         qRound(ratio * 100), option.orientation, option.minimum, option.maximum,
         option.sliderPosition, option.sliderValue, option.pageStep, option.singleStep,
         option.upsideDown, static_cast<qint64>(option.state.toInt()), option.direction,
         option.subControls.toInt(), option.activeSubControls.toInt(), option.palette.cacheKey()});
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
    const QPixmap look = cachedPicture(
        lookKey(option, style(), ratio), option.rect.size(), ratio, [&](QPainter& painter) {
            style()->drawComplexControl(QStyle::CC_ScrollBar, &option, &painter, this);
        });
    QPainter(this).drawPixmap(0, 0, look);
}
