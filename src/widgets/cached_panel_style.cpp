#include "widgets/cached_panel_style.h"

#include "widgets/picture_cache.h"

#include <QAbstractSpinBox>
#include <QPainter>
#include <QStyleOptionFrame>
#include <atomic>

namespace {

// Every field of the option that the style draws a field's frame from.
QString panelKey(const QStyleOptionFrame& frame, quint64 serial, qreal ratio)
{
    return pictureCacheKey(QStringLiteral("norvane-field-panel"),
                           {static_cast<qint64>(serial), frame.rect.width(), frame.rect.height(),
                            qRound(ratio * 100), static_cast<qint64>(frame.state.toInt()),
                            frame.direction, frame.lineWidth, frame.midLineWidth,
                            frame.features.toInt(), frame.frameShape, frame.palette.cacheKey()});
}

// A picture copied through this painter looks as if drawn through it.
bool copiesFaithfully(const QPainter* painter)
{
    return painter->transform().type() <= QTransform::TxTranslate && painter->opacity() == 1.0 &&
           painter->compositionMode() == QPainter::CompositionMode_SourceOver;
}

std::atomic<quint64> g_nextSerial{0};

} // namespace

CachedPanelStyle::CachedPanelStyle(QStyle* base) : QProxyStyle(base), m_serial(++g_nextSerial) {}

void CachedPanelStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                                     QPainter* painter, const QWidget* widget) const
{
    const auto* frame = qstyleoption_cast<const QStyleOptionFrame*>(option);
    // A spin box's field has its frame drawn by the spin box, from its own state.
    const bool inSpinBox =
        widget && qobject_cast<const QAbstractSpinBox*>(widget->parentWidget()) != nullptr;
    if (element != PE_PanelLineEdit || !frame || inSpinBox || !copiesFaithfully(painter)) {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        return;
    }
    const qreal ratio = painter->device()->devicePixelRatio();
    QStyleOptionFrame atOrigin = *frame;
    atOrigin.rect.moveTopLeft(QPoint(0, 0));
    const QPixmap panel = cachedPicture(
        panelKey(*frame, m_serial, ratio), frame->rect.size(), ratio, [&](QPainter& panelPainter) {
            QProxyStyle::drawPrimitive(element, &atOrigin, &panelPainter, widget);
        });
    painter->drawPixmap(frame->rect.topLeft(), panel);
}
