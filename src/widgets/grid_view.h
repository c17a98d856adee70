#pragma once

#include <QTableView>

// A table view that fills its grid lines instead of stroking them.
//
// Qt draws each grid line with a one-pixel pen, and its raster engine sets
// such a line pixel by pixel: about a tenth of the repaint that follows every
// letter typed in the search box. This view turns Qt's lines off and fills
// the same pixels itself, one rectangle a line, wherever Qt would have drawn
// one; its lines are always solid.
class GridView : public QTableView
{
    Q_OBJECT
public:
    explicit GridView(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void drawLines(QPainter& painter, QRect area, const QColor& colour, bool leadingLines) const;
    static void drawLine(QPainter& painter, const QColor& colour, QPoint from, QPoint to);
};
