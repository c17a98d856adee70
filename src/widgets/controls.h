#pragma once

#include <QHash>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <optional>

// Gives a window its designed size (fixed), Norvane's icon and its back
// colour, and centres it on its screen when asked.
void setUpFixedWindow(QWidget* window, const QColor& background, bool centred);

// Sets one colour of a widget's palette (its back colour is QPalette::Base
// for a field, its text colour QPalette::WindowText for a label).
void setPaletteColour(QWidget* widget, QPalette::ColorRole role, const QColor& colour);

// Gives a palette's role the colours of another palette's role, in each
// colour group (active, inactive, disabled).
void takeColours(QPalette& palette, QPalette::ColorRole role, const QPalette& from,
                 QPalette::ColorRole fromRole);

// The contrast ratio of two colours as the web's accessibility guidelines
// define it: 1 for equal colours, 21 for black on white.
double contrastRatio(const QColor& a, const QColor& b);

// Keeps the text a widget draws on a fixed light colour readable. The
// scheme's text colour is taken where it stands out from that colour, as in
// the light schemes the windows were designed for; a dark scheme's light text
// becomes black there (grey while disabled). The colour is set either way, so
// that a scheme switched later does not hand the widget its own.
void keepTextReadableOn(QWidget* widget, QPalette::ColorRole textRole, const QColor& background,
                        const QPalette& scheme);

// Shows the first of the texts that fits the label's width, or the last.
void showFirstFitting(QLabel* label, const QStringList& texts);

// The push button every window uses for its upper-case commands: a flat,
// lightly shaded face that lights up under the pointer.
// Enter presses it when it has the focus, as Space does.
class ShadedButton : public QPushButton
{
    Q_OBJECT
public:
    explicit ShadedButton(QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

// Presses the button with the focus when the key is Enter; true when it did.
// Outside dialogs a push button takes only Space.
bool pressFocusedButtonOnEnter(QWidget* window, const QKeyEvent* event);

// A label that reports clicks and pointer movement, for the window's own
// close and minimise captions, the hover menu and the web links.
class ClickLabel : public QLabel
{
    Q_OBJECT
public:
    explicit ClickLabel(QWidget* parent = nullptr);

signals:
    void clicked();
    void pointerMoved();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
};

// Moves a window that draws its own title when the pointer is dragged over
// its surface: over the window itself, or over a part that leaves a held
// button's movement to it (labels, frames). The window manager is handed the
// move only once the pointer has gone the drag distance with the left button
// held. Handed over at the press, a quick click or a touchpad tap left the
// window stuck to the pointer until the next click: the release could reach
// the display before the window manager took the pointer.
class SurfaceDrag : public QObject
{
    Q_OBJECT
public:
    explicit SurfaceDrag(QWidget* window);

signals:
    // The window manager was asked to move the window with the pointer.
    void moveStarted();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* m_window;
    std::optional<QPointF> m_pressedAt; // global position of a left press on the surface
};

// The grid's header of row numbers. It is as wide as the largest number it
// has shown: a search that narrows the rows leaves the columns where they
// stand, and the grid is not laid out again for every letter typed. A
// number takes the size of the first one with as many digits, worked out
// once per font, where Qt would work out two hundred of them.
class RowNumberHeader : public QHeaderView
{
    Q_OBJECT
public:
    explicit RowNumberHeader(QWidget* parent = nullptr);
    QSize sizeHint() const override;

protected:
    QSize sectionSizeFromContents(int logicalIndex) const override;
    void changeEvent(QEvent* event) override;

private:
    mutable QHash<int, QSize> m_sizeByDigits;
    int m_mostRows = 0;
};
