#pragma once

#include <QHash>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

// Gives a window its designed size (fixed), Norvane's icon and its back
// colour, and centres it on its screen when asked.
void setUpFixedWindow(QWidget* window, const QColor& background, bool centred);

// Sets one colour of a widget's palette (its back colour is QPalette::Base
// for a field, its text colour QPalette::WindowText for a label).
void setPaletteColour(QWidget* widget, QPalette::ColorRole role, const QColor& colour);

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
