#pragma once

#include <QScrollBar>

class QStyleOptionSlider;

// A scroll bar that draws each of its looks once and then copies it.
//
// The grid's row count changes with every letter typed in the search box, so
// Qt repaints its scroll bars each time. The style draws their gradients and
// translucent lines as spans that the raster engine shares out to a thread
// pool when they are taller than about a hundred pixels: a millisecond a
// letter, for a picture that is nearly always one drawn before (the slider at
// the top, at its least length). While the pointer is away, the look depends
// on the style option alone, which keys the picture in the picture cache; under
// the pointer, while a button is held, or under a style other than Qt's
// Fusion and Windows, the bar is drawn as Qt draws it.
class CachedScrollBar : public QScrollBar
{
    Q_OBJECT
public:
    explicit CachedScrollBar(Qt::Orientation orientation, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool lookIsSettled(const QStyleOptionSlider& option) const;
};
