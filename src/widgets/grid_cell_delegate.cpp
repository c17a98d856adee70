#include "widgets/grid_cell_delegate.h"

#include "widgets/picture_cache.h"

#include <QApplication>
#include <QPainter>
#include <QTextLayout>

namespace {

// Lays the text out on lines as wide as the cell's text area; true when it
// took one line.
bool layOutOneLine(QTextLayout& layout, int width)
{
    layout.beginLayout();
    QTextLine line = layout.createLine();
    if (line.isValid()) {
        line.setLineWidth(width);
        line.setPosition(QPointF(0, 0));
    }
    const bool oneLine = line.isValid() && !layout.createLine().isValid();
    layout.endLayout();
    return oneLine;
}

QPalette::ColorGroup colourGroup(const QStyleOptionViewItem& cell)
{
    if (!(cell.state & QStyle::State_Enabled)) {
        return QPalette::Disabled;
    }
    return cell.state & QStyle::State_Active ? QPalette::Normal : QPalette::Inactive;
}

} // namespace

bool GridCellDelegate::isPlainCell(const QStyleOptionViewItem& cell)
{
    const auto extras = QStyleOptionViewItem::HasCheckIndicator |
                        QStyleOptionViewItem::HasDecoration | QStyleOptionViewItem::WrapText;
    return !(cell.features & extras) && !(cell.state & QStyle::State_Editing);
}

void GridCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const
{
    QStyleOptionViewItem cell = option;
    initStyleOption(&cell, index);
    const QStyle* style = cell.widget ? cell.widget->style() : QApplication::style();
    if (!isPlainCell(cell) || !drawsFromOptionAlone(style)) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    const int margin =
        style->proxy()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, cell.widget) + 1;
    const QRect textRect = cell.rect.adjusted(margin, 0, -margin, 0);
    QTextOption textOption;
    textOption.setWrapMode(QTextOption::ManualWrap);
    textOption.setTextDirection(cell.direction);
    textOption.setAlignment(QStyle::visualAlignment(cell.direction, cell.displayAlignment));
    QTextLayout layout(cell.text, cell.font);
    layout.setTextOption(textOption);
    // Keeps the glyphs shaped for the layout for the drawing, which would
    // otherwise shape the text again.
    layout.setCacheEnabled(true);
    if (!cell.text.isEmpty() && !layOutOneLine(layout, textRect.width())) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }

    painter->save();
    painter->setClipRect(cell.rect);
    style->proxy()->drawPrimitive(QStyle::PE_PanelItemViewItem, &cell, painter, cell.widget);
    if (!cell.text.isEmpty()) {
        const QRect laidOut = QStyle::alignedRect(Qt::LayoutDirectionAuto, cell.displayAlignment,
                                                  layout.boundingRect().size().toSize(), textRect);
        if (layout.lineAt(0).naturalTextWidth() > textRect.width()) {
            layout.setText(QFontMetrics(cell.font).elidedText(cell.text, cell.textElideMode,
                                                              textRect.width()));
            layOutOneLine(layout, textRect.width());
        }
        const QPalette::ColorRole role =
            cell.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text;
        painter->setPen(cell.palette.color(colourGroup(cell), role));
        layout.draw(painter, QPointF(textRect.x(), laidOut.top()));
    }
    if (cell.state & QStyle::State_HasFocus) {
        drawFocus(painter, cell, style);
    }
    painter->restore();
}

// The dotted or lit frame round the current cell, as the style puts it.
void GridCellDelegate::drawFocus(QPainter* painter, const QStyleOptionViewItem& cell,
                                 const QStyle* style)
{
    QStyleOptionFocusRect focus;
    focus.QStyleOption::operator=(cell);
    focus.rect =
        style->proxy()->subElementRect(QStyle::SE_ItemViewItemFocusRect, &cell, cell.widget);
    focus.state |= QStyle::State_KeyboardFocusChange | QStyle::State_Item;
    const QPalette::ColorGroup group =
        cell.state & QStyle::State_Enabled ? QPalette::Normal : QPalette::Disabled;
    focus.backgroundColor = cell.palette.color(
        group, cell.state & QStyle::State_Selected ? QPalette::Highlight : QPalette::Window);
    style->proxy()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, cell.widget);
}
