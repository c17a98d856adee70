#pragma once

#include "platform/services.h"
#include "ui_form1.h"

#include <QWidget>

namespace norvane {

class WindowHost;

// The terms window shown in front of the main window at start-up: "I Accept"
// enables "&Continue"; "Decline" leaves the application after a question.
class Form1 : public QWidget
{
    Q_OBJECT
public:
    Form1(const Services& services, WindowHost& host, QWidget* parent = nullptr);

    // The terms, line by line, joined by CR LF.
    static QString termsText();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Form_Load();
    void Check1_Click();
    void Command1_Click();
    void Command2_Click();

    Ui::Form1 ui;
    Services m_services;
    WindowHost& m_host;
};

} // namespace norvane
