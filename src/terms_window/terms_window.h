#pragma once

#include "platform/services.h"
#include "ui_terms_window.h"

#include <QWidget>

namespace norvane {

class WindowHost;

// Object names from the window's design: Text1 holds the terms, Check1 is
// "I Accept", Command1 "&Continue", Command2 "Decline" and Command3 the
// unseen button that takes the focus.
//
// The terms window shown in front of the main window at start-up: "I Accept"
// enables "&Continue"; "Decline" leaves the application after a question.
class TermsWindow : public QWidget
{
    Q_OBJECT
public:
    TermsWindow(const Services& services, WindowHost& host, QWidget* parent = nullptr);

    // The terms, line by line, joined by CR LF.
    static QString termsText();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void load();
    void updateContinueButton();
    void continueToApplication();
    void decline();

    Ui::TermsWindow ui;
    Services m_services;
    WindowHost& m_host;
};

} // namespace norvane
