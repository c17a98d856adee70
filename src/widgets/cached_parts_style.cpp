#include "widgets/cached_parts_style.h"

#include "widgets/picture_cache.h"

#include <QAbstractSpinBox>
#include <QPainter>
#include <QStyleOptionFrame>
#include <atomic>
#include <cmath>

namespace {

// Every field of the option that the style draws a field's frame from.
QString panelKey(const QStyleOptionFrame& frame, quint64 serial, qreal ratio)
{
    return pictureCacheKey(QStringLiteral("norvane-field-panel"),
                           {static_cast<qint64>(serial), frame.rect.width(), frame.rect.height(),
                            qRound(ratio * 100), static_cast<qint64>(frame.state.toInt()),
                            frame.direction, frame.lineWidth, frame.midLineWidth,
                            frame.features.toInt(), frame.frameShape,
                            paletteLookKey(frame.palette)});
}

// Every field of the option that the style draws a header section from, and
// the font its text is drawn in.
QString headerKey(const QStyleOptionHeader& header, const QFont& font, quint64 serial, qreal ratio)
{
    const auto* withElision = qstyleoption_cast<const QStyleOptionHeaderV2*>(&header);
    return pictureCacheKey(
        QStringLiteral("norvane-header:") + header.text,
        {static_cast<qint64>(serial), static_cast<qint64>(qHash(font)), header.rect.width(),
         header.rect.height(), qRound(ratio * 100), static_cast<qint64>(header.state.toInt()),
         header.direction, paletteLookKey(header.palette), header.section,
         static_cast<qint64>(header.textAlignment), header.position, header.selectedPosition,
         header.sortIndicator, header.orientation, withElision ? withElision->textElideMode : -1});
}

// Only plain colours look the same wherever a picture of them lies.
bool paintsInPlainColours(const QStyleOption& option)
{
    for (const QPalette::ColorRole role :
         {QPalette::Button, QPalette::Window, QPalette::ButtonText, QPalette::Base}) {
        if (option.palette.brush(role).style() != Qt::SolidPattern) {
            return false;
        }
    }
    return true;
}

// A picture copied through this painter looks as if drawn through it.
bool copiesFaithfully(const QPainter* painter)
{
    const QTransform& transform = painter->transform();
    const bool wholePixels = transform.type() <= QTransform::TxTranslate &&
                             transform.dx() == std::round(transform.dx()) &&
                             transform.dy() == std::round(transform.dy());
    return wholePixels && painter->opacity() == 1.0 &&
           painter->compositionMode() == QPainter::CompositionMode_SourceOver &&
           copiesAtRatio(painter->device()->devicePixelRatio());
}

std::atomic<quint64> g_nextSerial{0};

} // namespace

CachedPartsStyle::CachedPartsStyle(QStyle* base) : QProxyStyle(base), m_serial(++g_nextSerial) {}

// A part of this option, drawn through this painter, may be copied from a
// picture of it.
bool CachedPartsStyle::copies(const QStyleOption& option, const QPainter* painter) const
{
    return paintsInPlainColours(option) && copiesFaithfully(painter) &&
           drawsFromOptionAlone(baseStyle());
}

void CachedPartsStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                                     QPainter* painter, const QWidget* widget) const
{
    const auto* frame = qstyleoption_cast<const QStyleOptionFrame*>(option);
    // A spin box's field has its frame drawn by the spin box, from its own state.
    const bool inSpinBox =
        widget && qobject_cast<const QAbstractSpinBox*>(widget->parentWidget()) != nullptr;
    if (element != PE_PanelLineEdit || !frame || inSpinBox || !copies(*frame, painter)) {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        return;
    }
    const qreal ratio = painter->device()->devicePixelRatio();
    QStyleOptionFrame atOrigin = *frame;
    atOrigin.rect.moveTopLeft(QPoint(0, 0));
    const QImage panel = cachedPicture(
        panelKey(*frame, m_serial, ratio), frame->rect.size(), ratio, [&](QPainter& panelPainter) {
            QProxyStyle::drawPrimitive(element, &atOrigin, &panelPainter, widget);
        });
    painter->drawImage(frame->rect.topLeft(), panel);
}

void CachedPartsStyle::drawControl(ControlElement element, const QStyleOption* option,
                                   QPainter* painter, const QWidget* widget) const
{
    const auto* header = qstyleoption_cast<const QStyleOptionHeader*>(option);
    if (element != CE_Header || !header || !header->icon.isNull() || !copies(*header, painter)) {
        QProxyStyle::drawControl(element, option, painter, widget);
        return;
    }
    const qreal ratio = painter->device()->devicePixelRatio();
    QStyleOptionHeaderV2 atOrigin;
    if (const auto* withElision = qstyleoption_cast<const QStyleOptionHeaderV2*>(header)) {
        atOrigin = *withElision;
    } else {
        static_cast<QStyleOptionHeader&>(atOrigin) = *header;
    }
    atOrigin.rect.moveTopLeft(QPoint(0, 0));
    const QImage section =
        cachedPicture(headerKey(*header, painter->font(), m_serial, ratio), header->rect.size(),
                      ratio, [&](QPainter& sectionPainter) {
                          sectionPainter.setFont(painter->font());
                          sectionPainter.setLayoutDirection(painter->layoutDirection());
                          QProxyStyle::drawControl(element, &atOrigin, &sectionPainter, widget);
                      });
    painter->drawImage(header->rect.topLeft(), section);
}
