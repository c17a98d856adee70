#include "terms_window/terms_window.h"

#include "main_window/window_host.h"
#include "widgets/controls.h"

#include <QCloseEvent>
#include <QFocusEvent>

namespace norvane {

TermsWindow::TermsWindow(const Services& services, WindowHost& host, QWidget* parent)
    : QWidget(parent), m_services(services), m_host(host)
{
    ui.setupUi(this);
    setUpFixedWindow(this, QColor(0x40, 0x40, 0x40), true);
    // The text only scrolls: no caret, no selection.
    ui.Text1->setTextInteractionFlags(Qt::NoTextInteraction);
    ui.Text1->installEventFilter(this);
    setTabOrder(ui.Text1, ui.Command1);
    setTabOrder(ui.Command1, ui.Command2);
    setTabOrder(ui.Command2, ui.Check1);
    setTabOrder(ui.Check1, ui.Command3);
    // Whatever changed the box (a click, the keyboard, assistive technology).
    connect(ui.Check1, &QCheckBox::toggled, this, &TermsWindow::updateContinueButton);
    connect(ui.Command1, &QPushButton::clicked, this, &TermsWindow::continueToApplication);
    connect(ui.Command2, &QPushButton::clicked, this, &TermsWindow::decline);
    load();
}

QString TermsWindow::termsText()
{
    const QStringList lines = {
        QStringLiteral("Norvane is a freeware address book by Orrin Vale of Quillfen. It is not "
                       "for sale."),
        QString(),
        QStringLiteral("Read the following:"),
        QString(),
        QStringLiteral("1. Do not distribute this system without the permission of the developer."),
        QStringLiteral("2. System uses Database for some task such as File Saving."),
        QStringLiteral("3. If error occured, email the developer (orrin.vale@quillfen.example)."),
        QString(),
        QStringLiteral("MINIMUM SYSTEM REQUIREMENTS"),
        QString(),
        QStringLiteral("Pentium II 300 MhZ"),
        QStringLiteral("256 MB RAM"),
        QStringLiteral("32 MB VGA"),
        QStringLiteral("4 GB HDD"),
        QString(),
        QStringLiteral("\u00A9 2026 Quillfen."),
        QStringLiteral("All rights reserved."),
        QStringLiteral("QUILLFEN"),
        QString(),
        QStringLiteral("Made with C++ and Qt 6."),
    };
    return lines.join(QStringLiteral("\r\n"));
}

void TermsWindow::load()
{
    ui.Text1->setPlainText(termsText());
}

void TermsWindow::updateContinueButton()
{
    ui.Command1->setEnabled(ui.Check1->isChecked());
}

void TermsWindow::continueToApplication()
{
    m_host.closeTermsWindow();
}

void TermsWindow::decline()
{
    const BoxAnswer answer =
        m_services.messages->show(this, QStringLiteral("Quit Agreement?"), QStringLiteral("Exit"),
                                  BoxIcon::Question, BoxButtons::YesNo);
    if (answer == BoxAnswer::Yes) {
        m_host.endAtOnce();
    }
}

// Closing from the window manager is a decline.
void TermsWindow::closeEvent(QCloseEvent* event)
{
    event->ignore();
    decline();
}

// Enter presses the button with the focus; Escape does nothing here: the
// terms must be answered.
void TermsWindow::keyPressEvent(QKeyEvent* event)
{
    if (!pressFocusedButtonOnEnter(this, event)) {
        QWidget::keyPressEvent(event);
    }
}

// The focus never rests on the text. Any way into it (a click, the window
// opening) leaves the focus on the unseen button, but Tab goes on to the
// next control: otherwise Tab from that button would come back to it through
// the text for ever, and the keyboard never reach "I Accept".
bool TermsWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ui.Text1 && event->type() == QEvent::FocusIn) {
        if (static_cast<QFocusEvent*>(event)->reason() == Qt::TabFocusReason) {
            focusNextPrevChild(true);
        } else {
            ui.Command3->setFocus();
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace norvane
