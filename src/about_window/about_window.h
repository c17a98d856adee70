#pragma once

#include "platform/services.h"
#include "ui_about_window.h"

#include <QElapsedTimer>
#include <QWidget>

namespace norvane {

class WindowHost;

// Object names from the window's design: AeroButton1 is "Close", Label22 the
// web link, and Command1 to Command3 hold the counter's seconds, minutes and
// hours.
//
// The About window: the product's credits and web link. It also owns the
// application's running-time counter, which lives exactly as long as it does.
class AboutWindow : public QWidget
{
    Q_OBJECT
public:
    AboutWindow(const Services& services, WindowHost& host, QWidget* parent = nullptr);

    // The counter as decimal text without leading zeros.
    QString hours() const { return ui.Command3->text(); }
    QString minutes() const { return ui.Command2->text(); }
    QString seconds() const { return ui.Command1->text(); }

    // One second of running time: seconds carry into minutes, and minutes
    // into hours, on the same tick.
    void countOneSecond();

protected:
    // However it is closed (its title bar, Alt+F4), the window goes as "Close" makes it go.
    void closeEvent(QCloseEvent* event) override;

private:
    void catchUpWithClock();
    void dismiss();
    void openWebsite();

    Ui::AboutWindow ui;
    Services m_services;
    WindowHost& m_host;
    QElapsedTimer m_running;
};

} // namespace norvane
