// The status bar's timers, the hover menu and the web link.
#include "about_window/about_window.h"
#include "main_window/main_window.h"
#include "main_window/window_host.h"
#include "widgets/controls.h"

#include <QMouseEvent>
#include <QTimer>

namespace norvane {

namespace {

constexpr std::array<float, 6> kHeldColumnWidths = {0, 3000, 3000, 3000, 3000, 3000};
const QColor kHoverColour(0xFF, 0xFF, 0x00);
const QColor kBarColour(0xE0, 0xE0, 0xE0); // the menu bar, its panel and the status panels

void setTextColour(QLabel* label, const QColor& colour)
{
    setPaletteColour(label, QPalette::WindowText, colour);
}

} // namespace

void MainWindow::setupStatusAndMenu()
{
    m_timer1 = new QTimer(this);
    m_timer1->setObjectName(QStringLiteral("Timer1"));
    m_timer1->setInterval(100);
    connect(m_timer1, &QTimer::timeout, this, &MainWindow::refreshClock);
    m_timer2 = new QTimer(this);
    m_timer2->setObjectName(QStringLiteral("Timer2"));
    m_timer2->setInterval(100);
    connect(m_timer2, &QTimer::timeout, this, &MainWindow::refreshRunningTime);

    setPaletteColour(ui.Picture3, QPalette::Window, kBarColour);
    keepBarTextReadable();
    setMouseTracking(true);
    ui.Picture3->setMouseTracking(true);
    ui.Picture3->installEventFilter(this);
    ui.DataGrid1->setMouseTracking(true);
    ui.DataGrid1->viewport()->installEventFilter(this);
    connect(ui.Label9, &ClickLabel::pointerMoved, ui.Picture3, [this] {
        ui.Picture3->show();
        ui.Picture3->raise();
    });
    connect(ui.Label8, &ClickLabel::pointerMoved, ui.Picture3, &QWidget::hide);
    connect(ui.Label12, &ClickLabel::pointerMoved, this,
            [this] { setTextColour(ui.Label12, kHoverColour); });
    connect(ui.Label13, &ClickLabel::pointerMoved, this,
            [this] { setTextColour(ui.Label13, kHoverColour); });
    connect(ui.Label12, &ClickLabel::clicked, this, &MainWindow::openAboutWindow);
    connect(ui.Label13, &ClickLabel::clicked, this, &MainWindow::askToExit);
    connect(ui.Label22, &ClickLabel::clicked, this, &MainWindow::openWebsite);
}

// The captions on the menu bar, its panel and the status panels take the
// colour of the text written on the window where it reads on their grey.
void MainWindow::keepBarTextReadable()
{
    for (QLabel* onBar :
         std::initializer_list<QLabel*>{ui.Label9, ui.Label15, ui.Label12, ui.Label13, ui.lblStart,
                                        ui.lblDate, ui.lblTime, ui.lblResult}) {
        keepTextReadableOn(onBar, QPalette::WindowText, kBarColour, palette());
    }
}

void MainWindow::refreshClock()
{
    showDateAndTime();
    updateResultLabel();
}

// Today's date and the time, as the user's language writes them, in the
// widest form that fits each panel.
void MainWindow::showDateAndTime()
{
    const QDateTime now = m_services.clock->now();
    const QLocale language = QLocale::system();
    showFirstFitting(ui.lblDate, dateTexts(language, now.date()));
    showFirstFitting(ui.lblTime, clockTexts(language, now.time()));
}

void MainWindow::refreshRunningTime()
{
    const AboutWindow& about = m_host.aboutWindow();
    ui.lblStart->setText(QStringLiteral("APP Time: [") + about.hours() + QLatin1Char(':') +
                         about.minutes() + QLatin1Char(':') + about.seconds() + QLatin1Char(']'));
    setColumnWidths(kHeldColumnWidths);
}

// Pointer over the window's own surface: the menu panel closes. Nothing else;
// only the tray's own notifications restore or raise the window.
void MainWindow::mouseMoveEvent(QMouseEvent* event)
{
    if (event->buttons() == Qt::NoButton) {
        ui.Picture3->hide();
    }
    QWidget::mouseMoveEvent(event);
}

// Pointer over the panel's free area turns both items black.
void MainWindow::menuPanelPointerMoved()
{
    setTextColour(ui.Label13, Qt::black);
    setTextColour(ui.Label12, Qt::black);
}

void MainWindow::openAboutWindow()
{
    ui.Picture3->hide();
    m_host.showAboutWindow();
    setEnabled(false);
}

// The menu's "Exit" and Ctrl+Q: typed text not saved is asked about first,
// as "X" does, since "Exit now?" does not say that it goes too.
void MainWindow::askToExit()
{
    ui.Picture3->hide();
    if (!mayThrowAwayTyping()) {
        return;
    }
    const BoxAnswer answer =
        m_services.messages->show(this, QStringLiteral("Exit now?"), QStringLiteral("Exit"),
                                  BoxIcon::Question, BoxButtons::YesNo);
    if (answer == BoxAnswer::Yes) {
        m_host.endAtOnce();
    }
}

void MainWindow::openWebsite()
{
    const QUrl address(ui.Label22->text());
    if (!m_services.browser->open(address)) {
        box(noBrowserText(address), BoxIcon::Warning);
        return;
    }
    setWindowState(windowState() | Qt::WindowMinimized);
}

} // namespace norvane
