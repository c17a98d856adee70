#pragma once

#include <QProxyStyle>

// The platform's style, with the frame of a text field drawn once per look
// and then copied.
//
// Every letter typed in the search box shows another contact in the six
// fields under the grid, and each repainted field has its rounded, smoothed
// frame drawn again: about a fifth of the work of a letter. The frame depends
// on the style option alone, which keys its picture in the pixmap cache. A
// painter that is scaled, rotated, translucent or compositing otherwise gets
// the frame drawn as the style draws it.
class CachedPanelStyle : public QProxyStyle
{
    Q_OBJECT
public:
    explicit CachedPanelStyle(QStyle* base = nullptr);

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;

private:
    // Tells this style's pictures from those of any other, even one made
    // later at the same address.
    const quint64 m_serial;
};
