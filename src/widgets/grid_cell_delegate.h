#pragma once

#include <QStyledItemDelegate>

class QTextLayout;

// Paints the grid's cells as the style's own item delegate does, pixel for
// pixel, with the cell's text shaped once instead of three times.
//
// A letter typed in the search box repaints every visible cell, and the
// style lays each text out to find its size, again to elide it and again to
// draw it. A plain cell (one line of text, no icon or check box, not being
// edited) is laid out here once; a text too wide for its cell is elided as
// the style elides it, and any other cell is left to the style. So is every
// cell under a style other than Qt's Fusion and Windows, which may draw items
// its own way.
class GridCellDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

private:
    static bool isPlainCell(const QStyleOptionViewItem& cell);
    static void drawFocus(QPainter* painter, const QStyleOptionViewItem& cell, const QStyle* style);
};
