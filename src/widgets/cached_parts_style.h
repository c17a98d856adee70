#pragma once

#include <QProxyStyle>

// The platform's style, with the parts that every letter typed in the search
// box repaints drawn once per look and then copied.
//
// A letter shows another contact in the six fields under the grid, and each
// repainted field had its rounded, smoothed frame drawn again: about a fifth
// of the work of a letter. The grid's headers repaint their row numbers and
// column names, the same texts each time, shaped again. A frame or a header
// section depends on its style option alone (and a header's text on the
// painter's font), which key its picture in the picture cache. A painter that
// is scaled, rotated, translucent or compositing otherwise, a patterned
// palette and a header with an icon get the part drawn as the style draws it,
// and so does every part under a style other than Qt's Fusion and Windows
// (see drawsFromOptionAlone()).
class CachedPartsStyle : public QProxyStyle
{
    Q_OBJECT
public:
    explicit CachedPartsStyle(QStyle* base = nullptr);

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;

private:
    bool copies(const QStyleOption& option, const QPainter* painter) const;

    // Tells this style's pictures from those of any other, even one made
    // later at the same address.
    const quint64 m_serial;
};
