#include "terms_window/form1.h"

#include "main_window/window_host.h"
#include "widgets/controls.h"

#include <QCloseEvent>

namespace norvane {

Form1::Form1(const Services& services, WindowHost& host, QWidget* parent)
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
    connect(ui.Check1, &QCheckBox::clicked, this, &Form1::Check1_Click);
    connect(ui.Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(ui.Command2, &QPushButton::clicked, this, &Form1::Command2_Click);
    Form_Load();
}

QString Form1::termsText()
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

void Form1::Form_Load()
{
    ui.Text1->setPlainText(termsText());
}

void Form1::Check1_Click()
{
    ui.Command1->setEnabled(ui.Check1->isChecked());
}

void Form1::Command1_Click()
{
    m_host.closeTermsWindow();
}

void Form1::Command2_Click()
{
    const BoxAnswer answer =
        m_services.messages->show(this, QStringLiteral("Quit Agreement?"), QStringLiteral("Exit"),
                                  BoxIcon::Question, BoxButtons::YesNo);
    if (answer == BoxAnswer::Yes) {
        m_host.endAtOnce();
    }
}

// Closing from the window manager is a decline.
void Form1::closeEvent(QCloseEvent* event)
{
    event->ignore();
    Command2_Click();
}

// The focus never rests on the text: it moves on to the unseen button.
bool Form1::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ui.Text1 && event->type() == QEvent::FocusIn) {
        ui.Command3->setFocus();
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace norvane
