#include "widgets/cached_panel_style.h"

#include <QAbstractSpinBox>
#include <QPainter>
#include <QPixmapCache>
#include <QStyleOptionFrame>
#include <atomic>

namespace {

// Every field of the option that the style draws a field's frame from.
QString panelKey(const QStyleOptionFrame& frame, quint64 serial, qreal ratio)
{
    const qint64 fields[] = {static_cast<qint64>(serial),
                             frame.rect.width(),
                             frame.rect.height(),
                             qRound(ratio * 100),
                             static_cast<qint64>(frame.state.toInt()),
                             frame.direction,
                             frame.lineWidth,
                             frame.midLineWidth,
                             frame.features.toInt(),
                             frame.frameShape,
                             frame.palette.cacheKey()};
    QString key = QStringLiteral("norvane-field-panel");
    for (const qint64 field : fields) {
        key += QLatin1Char(':') + QString::number(field);
    }
    return key;
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
    const QString key = panelKey(*frame, m_serial, ratio);
    QPixmap panel;
    if (!QPixmapCache::find(key, &panel)) {
        panel = QPixmap(frame->rect.size() * ratio);
        panel.setDevicePixelRatio(ratio);
        panel.fill(Qt::transparent);
        QStyleOptionFrame atOrigin = *frame;
        atOrigin.rect.moveTopLeft(QPoint(0, 0));
        QPainter panelPainter(&panel);
        QProxyStyle::drawPrimitive(element, &atOrigin, &panelPainter, widget);
        panelPainter.end();
        QPixmapCache::insert(key, panel);
    }
    painter->drawPixmap(frame->rect.topLeft(), panel);
}
