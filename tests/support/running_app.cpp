#include "running_app.h"

#include <QCoreApplication>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QUrl>

namespace norvane::testing {

RunningApp::RunningApp(const QList<Contact>& contacts, bool withDatabase, Terms terms)
    : folder(withDatabase)
{
    if (!contacts.isEmpty()) {
        folder.add(contacts);
    }
    fakes.folder.folder = folder.path();
    registry = std::make_unique<Registry>(fakes.services());
    registry->start();
    stopTimers();
    if (terms == Terms::Accept) {
        acceptTerms();
        activate();
    }
}

void RunningApp::stopTimers() const
{
    QList<QTimer*> timers;
    if (window()) {
        timers += window()->findChildren<QTimer*>();
    }
    if (registry->existingAboutWindow()) {
        timers += registry->existingAboutWindow()->findChildren<QTimer*>();
    }
    for (QTimer* timer : timers) {
        timer->stop();
    }
}

void RunningApp::acceptTerms() const
{
    TermsWindow* terms = registry->termsWindow();
    if (!terms || !terms->isVisible()) {
        qWarning("the terms window is not open");
        return;
    }
    auto* accept = terms->findChild<QWidget*>(QStringLiteral("Check1"));
    // The box reacts to clicks on its indicator and caption, at its left.
    QTest::mouseClick(accept, Qt::LeftButton, {}, QPoint(10, accept->height() / 2));
    QTest::mouseClick(terms->findChild<QWidget*>(QStringLiteral("Command1")), Qt::LeftButton);
    settle();
}

void RunningApp::activate() const
{
    window()->activateWindow();
    if (!QTest::qWaitForWindowActive(window())) {
        qWarning("the main window did not become active");
    }
}

bool RunningApp::focusReturnsTo(const QWidget* front) const
{
    QSignalSpy focus(qApp, &QGuiApplication::focusWindowChanged);
    window()->activateWindow();
    return QTest::qWaitFor([&] { return focus.count() >= 2; }) &&
           QGuiApplication::focusWindow() == front->windowHandle();
}

RunningApp::~RunningApp()
{
    registry.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
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
    stopTimers();
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

bool RunningApp::dropFiles(const QStringList& paths) const
{
    QMimeData files;
    QList<QUrl> urls;
    for (const QString& path : paths) {
        urls.append(QUrl::fromLocalFile(path));
    }
    files.setUrls(urls);
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window(), &enter);
    if (!enter.isAccepted()) {
        return false;
    }
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window(), &drop);
    return true;
}

} // namespace norvane::testing
