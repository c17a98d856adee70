#include "widgets/controls.h"

#include "widgets/pictures.h"

#include <QApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QWindow>
#include <algorithm>
#include <cmath>

namespace {

// Relative luminance as the web's accessibility guidelines define it.
double luminance(const QColor& colour)
{
    const auto linear = [](float channel) {
        return channel <= 0.03928f ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF()) +
           0.0722 * linear(colour.blueF());
}

// The least contrast the guidelines ask of bold or large text.
constexpr double kReadableContrast = 3.0;

} // namespace

double contrastRatio(const QColor& a, const QColor& b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

void setPaletteColour(QWidget* widget, QPalette::ColorRole role, const QColor& colour)
{
    QPalette palette = widget->palette();
    palette.setColor(role, colour);
    widget->setPalette(palette);
}

void takeColours(QPalette& palette, QPalette::ColorRole role, const QPalette& from,
                 QPalette::ColorRole fromRole)
{
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, role, from.color(group, fromRole));
    }
}

void keepTextReadableOn(QWidget* widget, QPalette::ColorRole textRole, const QColor& background,
                        const QPalette& scheme)
{
    const bool readable =
        contrastRatio(scheme.color(QPalette::Active, textRole), background) >= kReadableContrast;
    QPalette palette = widget->palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        const QColor dark = group == QPalette::Disabled ? QColor(0x60, 0x60, 0x60) : Qt::black;
        palette.setColor(group, textRole, readable ? scheme.color(group, textRole) : dark);
    }
    widget->setPalette(palette);
}

void showFirstFitting(QLabel* label, const QStringList& texts)
{
    if (texts.isEmpty()) {
        return;
    }
    label->ensurePolished();
    const QFontMetrics metrics(label->font());
    const int room = label->contentsRect().width();
    const auto fitting = std::find_if(texts.cbegin(), texts.cend(), [&](const QString& text) {
        return metrics.horizontalAdvance(text) <= room;
    });
    label->setText(fitting != texts.cend() ? *fitting : texts.last());
}

void setUpFixedWindow(QWidget* window, const QColor& background, bool centred)
{
    window->setFixedSize(window->size());
    window->setWindowIcon(norvane::applicationIcon());
    setPaletteColour(window, QPalette::Window, background);
    window->setAutoFillBackground(true);
    if (const QScreen* screen = window->screen(); centred && screen) {
        window->move(screen->availableGeometry().center() - window->rect().center());
    }
}

ShadedButton::ShadedButton(QWidget* parent) : QPushButton(parent)
{
    setCursor(Qt::PointingHandCursor);
    setStyleSheet(QStringLiteral(
        "ShadedButton { border: 1px solid #7A8A99; border-radius: 3px; padding: 2px 6px;"
        " background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #FDFDFD, stop:0.5 #E8EDF2,"
        " stop:0.51 #D9E1E8, stop:1 #EEF2F5); color: #1B2733; font: bold 8pt 'Tahoma'; }"
        "ShadedButton:hover { border-color: #3C7FB1; background: qlineargradient(x1:0, y1:0,"
        " x2:0, y2:1, stop:0 #EAF6FD, stop:0.5 #D9F0FC, stop:0.51 #BEE6FD, stop:1 #A7D9F5); }"
        "ShadedButton:pressed { background: #C4E5F6; }"
        "ShadedButton:focus { border-color: #3C7FB1; }"
        "ShadedButton:disabled { color: #8A949E; }"));
}

bool pressFocusedButtonOnEnter(QWidget* window, const QKeyEvent* event)
{
    auto* button = qobject_cast<QPushButton*>(window->focusWidget());
    if (!button || (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter) ||
        event->modifiers() & ~Qt::KeypadModifier) {
        return false;
    }
    button->click();
    return true;
}

void ShadedButton::keyPressEvent(QKeyEvent* event)
{
    if (!pressFocusedButtonOnEnter(window(), event)) {
        QPushButton::keyPressEvent(event);
    }
}

ClickLabel::ClickLabel(QWidget* parent) : QLabel(parent)
{
    setMouseTracking(true);
}

void ClickLabel::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        emit clicked();
    }
    QLabel::mouseReleaseEvent(event);
}

// The label takes the pointer's movement itself: what lies under it must not
// see it too. A drag with a button held goes on to the window, which moves.
void ClickLabel::mouseMoveEvent(QMouseEvent* event)
{
    if (event->buttons() != Qt::NoButton) {
        event->ignore();
        return;
    }
    emit pointerMoved();
    event->accept();
}

SurfaceDrag::SurfaceDrag(QWidget* window) : QObject(window), m_window(window)
{
    window->installEventFilter(this);
}

bool SurfaceDrag::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_window) {
        return false;
    }
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        const auto* press = static_cast<QMouseEvent*>(event);
        if (press->button() == Qt::LeftButton) {
            m_pressedAt = press->globalPosition();
        }
        break;
    }
    case QEvent::MouseMove: {
        const auto* move = static_cast<QMouseEvent*>(event);
        if (m_pressedAt && move->buttons() == Qt::LeftButton &&
            (move->globalPosition() - *m_pressedAt).manhattanLength() >=
                QApplication::startDragDistance()) {
            m_pressedAt.reset();
            emit moveStarted();
            if (QWindow* handle = m_window->windowHandle()) {
                handle->startSystemMove();
            }
        }
        break;
    }
    case QEvent::MouseButtonRelease:
        m_pressedAt.reset();
        break;
    default:
        break;
    }
    return false;
}

RowNumberHeader::RowNumberHeader(QWidget* parent) : QHeaderView(Qt::Vertical, parent)
{
    connect(this, &QHeaderView::sectionCountChanged, this,
            [this](int, int rows) { m_mostRows = std::max(m_mostRows, rows); });
}

QSize RowNumberHeader::sizeHint() const
{
    const int rows = std::max(m_mostRows, count());
    return rows == 0 ? QHeaderView::sizeHint() : sectionSizeFromContents(rows - 1);
}

QSize RowNumberHeader::sectionSizeFromContents(int logicalIndex) const
{
    const auto digits = static_cast<int>(QString::number(logicalIndex + 1).size());
    auto known = m_sizeByDigits.constFind(digits);
    if (known == m_sizeByDigits.cend()) {
        known = m_sizeByDigits.insert(digits, QHeaderView::sectionSizeFromContents(logicalIndex));
    }
    return *known;
}

void RowNumberHeader::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        m_sizeByDigits.clear();
    }
    QHeaderView::changeEvent(event);
}
