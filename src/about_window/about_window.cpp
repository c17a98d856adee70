#include "about_window/about_window.h"

#include "main_window/window_host.h"
#include "widgets/controls.h"
#include "widgets/pictures.h"

#include <QCloseEvent>
#include <QShortcut>
#include <QTimer>

namespace norvane {

namespace {

// Adds one to a counter text; at 60 it turns to 0 and reports the carry.
bool advance(QPushButton* counter)
{
    const int value = counter->text().toInt() + 1;
    counter->setText(QString::number(value == 60 ? 0 : value));
    return value == 60;
}

} // namespace

AboutWindow::AboutWindow(const Services& services, WindowHost& host, QWidget* parent)
    : QWidget(parent), m_services(services), m_host(host)
{
    ui.setupUi(this);
    setUpFixedWindow(this, QColor(0xE0, 0xE0, 0xE0), true);
    ui.Image1->setPixmap(aboutPicture(QSize(604, 453)));
    connect(ui.AeroButton1, &QPushButton::clicked, this, &AboutWindow::dismiss);
    connect(ui.Label22, &ClickLabel::clicked, this, &AboutWindow::openWebsite);
    auto* timer = new QTimer(this);
    timer->setObjectName(QStringLiteral("Timer1"));
    connect(timer, &QTimer::timeout, this, &AboutWindow::catchUpWithClock);
    m_running.start();
    timer->start(1000);
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this,
            &AboutWindow::dismiss);
}

void AboutWindow::closeEvent(QCloseEvent* event)
{
    event->ignore();
    dismiss();
}

void AboutWindow::countOneSecond()
{
    if (advance(ui.Command1) && advance(ui.Command2)) {
        ui.Command3->setText(QString::number(ui.Command3->text().toLongLong() + 1));
    }
}

// A tick counts every second gone since the counter started that is not yet
// counted: one that comes late or not at all (the window's thread held up by
// a long reload) loses no time. A tick a little early or late still counts one.
void AboutWindow::catchUpWithClock()
{
    const qint64 due = (m_running.elapsed() + 500) / 1000;
    const auto counted = [this] {
        return (hours().toLongLong() * 60 + minutes().toInt()) * 60 + seconds().toInt();
    };
    while (counted() < due) {
        countOneSecond();
    }
}

void AboutWindow::dismiss()
{
    m_host.closeAboutWindow();
}

void AboutWindow::openWebsite()
{
    const QUrl address(ui.Label22->text());
    if (!m_services.browser->open(address)) {
        m_services.messages->show(this, noBrowserText(address), timeText(*m_services.clock),
                                  BoxIcon::Warning, BoxButtons::Ok);
    }
}

} // namespace norvane
