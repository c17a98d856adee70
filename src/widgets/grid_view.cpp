#include "widgets/grid_view.h"

#include <QHeaderView>
#include <QPaintEvent>
#include <QPainter>

GridView::GridView(QWidget* parent) : QTableView(parent)
{
    // Qt keeps a line's pixel out of each cell while the grid is shown; with
    // its pen style at none it draws no line, and this view draws them.
    QTableView::setGridStyle(Qt::NoPen);
}

void GridView::paintEvent(QPaintEvent* event)
{
    QTableView::paintEvent(event);
    if (!showGrid() || horizontalHeader()->count() == 0 || verticalHeader()->count() == 0) {
        return;
    }
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const auto colour = QColor::fromRgba(
        static_cast<QRgb>(style()->styleHint(QStyle::SH_Table_GridLineColor, &option, this)));
    // Some styles also line the top of the first row, and the leading edge
    // of the first column, where the header that would show it is hidden.
    const bool leadingLines =
        style()->styleHint(QStyle::SH_Table_AlwaysDrawLeftTopGridLines, &option, this) != 0;
    // The lines end where the last row and column do.
    const bool rightToLeft = isRightToLeft();
    const int lastX =
        horizontalHeader()->length() - horizontalHeader()->offset() - (rightToLeft ? 0 : 1);
    const int lastY = verticalHeader()->length() - verticalHeader()->offset() - 1;
    QPainter painter(viewport());
    for (QRect area : event->region()) {
        area.setBottom(std::min(area.bottom(), lastY));
        if (rightToLeft) {
            area.setLeft(std::max(area.left(), viewport()->width() - lastX));
        } else {
            area.setRight(std::min(area.right(), lastX));
        }
        if (area.isValid()) {
            drawLines(painter, area, colour, leadingLines);
        }
    }
}

// The lines of the rows and columns that reach into one area of the region
// repainted: below each row and at the trailing edge of each column, across
// the whole area.
void GridView::drawLines(QPainter& painter, QRect area, const QColor& colour,
                         bool leadingLines) const
{
    const QHeaderView* rows = verticalHeader();
    const QHeaderView* columns = horizontalHeader();
    int top = rows->visualIndexAt(area.top());
    int bottom = rows->visualIndexAt(area.bottom());
    if (bottom == -1) {
        bottom = rows->count() - 1;
    }
    if (top == -1 || top > bottom) {
        return;
    }
    while (bottom > top && rows->isSectionHidden(rows->logicalIndex(bottom))) {
        --bottom;
    }
    int left = columns->visualIndexAt(area.left());
    int right = columns->visualIndexAt(area.right());
    if (isRightToLeft()) {
        std::swap(left, right);
    }
    left = left == -1 ? 0 : left;
    right = right == -1 ? columns->count() - 1 : right;

    for (int visual = top; visual <= bottom; ++visual) {
        const int row = rows->logicalIndex(visual);
        if (!rows->isSectionHidden(row)) {
            const int y = rowViewportPosition(row) + rowHeight(row) - 1;
            drawLine(painter, colour, {area.left(), y}, {area.right(), y});
        }
    }
    for (int visual = left; visual <= right; ++visual) {
        const int column = columns->logicalIndex(visual);
        if (!columns->isSectionHidden(column)) {
            const int x =
                columnViewportPosition(column) + (isRightToLeft() ? 0 : columnWidth(column) - 1);
            drawLine(painter, colour, {x, area.top()}, {x, area.bottom()});
        }
    }
    if (!leadingLines) {
        return;
    }
    const int firstRow = rows->logicalIndex(top);
    if (columns->isHidden() && !rows->isSectionHidden(firstRow) &&
        rowViewportPosition(firstRow) == area.top()) {
        drawLine(painter, colour, area.topLeft(), area.topRight());
    }
    const int firstColumn = columns->logicalIndex(left);
    if (rows->isHidden() && !columns->isSectionHidden(firstColumn)) {
        const int x = columnViewportPosition(firstColumn) +
                      (isRightToLeft() ? columnWidth(firstColumn) - 1 : 0);
        if (x == (isRightToLeft() ? area.right() : area.left())) {
            drawLine(painter, colour, {x, area.top()}, {x, area.bottom()});
        }
    }
}

// One line, ends included: the pixels a one-pixel solid pen sets, in any
// colour and at any pixel ratio, are those of a one-pixel rectangle.
void GridView::drawLine(QPainter& painter, const QColor& colour, QPoint from, QPoint to)
{
    painter.fillRect(QRect(from, to), colour);
}
