#pragma once

#include "platform/services.h"
#include "ui_frmabout.h"

#include <QWidget>

namespace norvane {

class WindowHost;

// The About window: the product's credits and web link. It also owns the
// application's running-time counter, which lives exactly as long as it does.
class frmAbout : public QWidget
{
    Q_OBJECT
public:
    frmAbout(const Services& services, WindowHost& host, QWidget* parent = nullptr);

    // The counter as decimal text without leading zeros.
    QString hours() const { return ui.Command3->text(); }
    QString minutes() const { return ui.Command2->text(); }
    QString seconds() const { return ui.Command1->text(); }

    // One second of running time: seconds carry into minutes, and minutes
    // into hours, on the same tick.
    void Timer1_Timer();

private:
    void AeroButton1_Click();
    void Label22_Click();

    Ui::frmAbout ui;
    Services m_services;
    WindowHost& m_host;
};

} // namespace norvane
