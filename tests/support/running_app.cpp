#include "running_app.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace norvane::testing {

RunningApp::RunningApp(const QList<Contact>& contacts, bool withDatabase) : folder(withDatabase)
{
    if (!contacts.isEmpty()) {
        folder.add(contacts);
    }
    fakes.folder.folder = folder.path();
    registry = std::make_unique<Registry>(fakes.services());
    registry->start();
    activate();
}

void RunningApp::activate() const
{
    window()->activateWindow();
    if (!QTest::qWaitForWindowActive(window())) {
        qWarning("the main window did not become active");
    }
}

RunningApp::~RunningApp()
{
    registry.reset();
    settle();
}

void RunningApp::click(const char* buttonName) const
{
    QPushButton* button = find<QPushButton>(buttonName);
    if (!button->isVisible() || !button->isEnabled()) {
        qWarning("button %s cannot be clicked now", buttonName);
        return;
    }
    QTest::mouseClick(button, Qt::LeftButton);
}

void RunningApp::settle() const
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

Contact RunningApp::shownContact() const
{
    Contact shown;
    shown.name = find<QLineEdit>("txtName")->text();
    shown.address = find<QLineEdit>("txtAdd")->text();
    shown.contact = find<QPlainTextEdit>("txtCon")->toPlainText();
    shown.email = find<QLineEdit>("txtEmail")->text();
    shown.company = find<QLineEdit>("txtCom")->text();
    shown.profile = find<QLineEdit>("Text1")->text();
    return shown;
}

QStringList RunningApp::boxTexts() const
{
    QStringList texts;
    for (const AskedBox& box : fakes.messages.asked) {
        texts.append(box.text);
    }
    return texts;
}

} // namespace norvane::testing
