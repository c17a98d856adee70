// The terms window and the gate that shows it once a run.
#include "support/running_app.h"

#include <QAccessible>
#include <QCheckBox>
#include <QDialog>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>

using namespace norvane;
using namespace norvane::testing;

namespace {

const QString kTerms = QStringLiteral(
    "Norvane is a freeware address book by Orrin Vale of Quillfen. It is not for sale.\r\n"
    "\r\n"
    "Read the following:\r\n"
    "\r\n"
    "1. Do not distribute this system without the permission of the developer.\r\n"
    "2. System uses Database for some task such as File Saving.\r\n"
    "3. If error occured, email the developer (orrin.vale@quillfen.example).\r\n"
    "\r\n"
    "MINIMUM SYSTEM REQUIREMENTS\r\n"
    "\r\n"
    "Pentium II 300 MhZ\r\n"
    "256 MB RAM\r\n"
    "32 MB VGA\r\n"
    "4 GB HDD\r\n"
    "\r\n"
    "\u00A9 2026 Quillfen.\r\n"
    "All rights reserved.\r\n"
    "QUILLFEN\r\n"
    "\r\n"
    "Made with C++ and Qt 6.");

template <class T> T* part(const RunningApp& app, const char* name)
{
    return app.registry->termsWindow()->findChild<T*>(QLatin1String(name));
}

void tickAccept(const RunningApp& app)
{
    auto* box = part<QCheckBox>(app, "Check1");
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(10, box->height() / 2));
}

} // namespace

class TermsTest : public QObject
{
    Q_OBJECT

private slots:
    void showsTheTermsInFrontAtStart();
    void holdsTheExactText();
    void acceptingEnablesContinue();
    void everyWayOfTickingEnablesContinue_data();
    void everyWayOfTickingEnablesContinue();
    void escapeLeavesTheTermsOpen();
    void continueReleasesTheMainWindow();
    void keepsTheTermsHiddenOnLaterReloads_data();
    void keepsTheTermsHiddenOnLaterReloads();
    void declineAnsweredNoChangesNothing();
    void declineAnsweredYesEndsAtOnce();
    void closingTheWindowIsADecline();
    void neverLeavesTheFocusOnTheText();
    void theKeyboardReachesEveryControl_data();
    void theKeyboardReachesEveryControl();
};

void TermsTest::showsTheTermsInFrontAtStart()
{
    RunningApp app({contact("Ann", "1")}, true, RunningApp::Terms::LeaveOpen);
    TermsWindow* terms = app.registry->termsWindow();
    QVERIFY(terms);
    QVERIFY(terms->isVisible());
    QVERIFY(app.window()->isVisible());
    QVERIFY(!app.window()->isEnabled());
    QCOMPARE(terms->windowTitle(), QString());
    QCOMPARE(terms->size(), QSize(505, 304));
    QVERIFY(!part<QCheckBox>(app, "Check1")->isChecked());
    QVERIFY(!part<QPushButton>(app, "Command1")->isEnabled());
    // The main window takes no input while the terms are open, nor does the
    // one a reload brings meanwhile (a sync ending, another program asking).
    for (int reloads = 0; reloads < 2; ++reloads) {
        app.click("cmdReg");
        QVERIFY(!app.find<QWidget>("picReg")->isVisible());
        app.registry->reloadWhenIdle();
        app.settle();
        QVERIFY(terms->isVisible());
        QVERIFY(!app.window()->isEnabled());
        QVERIFY(QTest::qWaitForWindowActive(terms)); // in front of the new window
    }
    // A click on the disabled window, which the window manager raises over
    // the terms, leaves the terms in front.
    QVERIFY(app.focusReturnsTo(terms));
    // A question asked over the terms stays in front of them.
    QDialog question(terms);
    question.setModal(true);
    question.show();
    QVERIFY(QTest::qWaitForWindowActive(&question));
    QVERIFY(app.focusReturnsTo(&question));
}

void TermsTest::holdsTheExactText()
{
    QCOMPARE(TermsWindow::termsText(), kTerms);
    QCOMPARE(kTerms.split("\r\n").size(), 20);
    RunningApp app({}, true, RunningApp::Terms::LeaveOpen);
    auto* text = part<QPlainTextEdit>(app, "Text1");
    QCOMPARE(text->toPlainText(), QString(kTerms).replace("\r\n", "\n"));
    QVERIFY(text->isReadOnly());
    QCOMPARE(text->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
}

void TermsTest::acceptingEnablesContinue()
{
    RunningApp app({}, true, RunningApp::Terms::LeaveOpen);
    auto* cont = part<QPushButton>(app, "Command1");
    tickAccept(app);
    QVERIFY(cont->isEnabled());
    tickAccept(app);
    QVERIFY(!cont->isEnabled());
    tickAccept(app);
    QVERIFY(cont->isEnabled());
}

// Assistive technology, the keyboard or any other path that changes the box
// must enable "&Continue" as a click does.
void TermsTest::everyWayOfTickingEnablesContinue_data()
{
    QTest::addColumn<QString>("way");
    QTest::newRow("accessibility toggle action") << "accessibility";
    QTest::newRow("Space on the focused box") << "space";
    QTest::newRow("state set by a program") << "state";
}

void TermsTest::everyWayOfTickingEnablesContinue()
{
    QFETCH(QString, way);
    RunningApp app({}, true, RunningApp::Terms::LeaveOpen);
    auto* box = part<QCheckBox>(app, "Check1");
    if (way == QLatin1String("accessibility")) {
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(box);
        QVERIFY(accessible && accessible->actionInterface());
        accessible->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    } else if (way == QLatin1String("space")) {
        box->setFocus();
        QTest::keyClick(box, Qt::Key_Space);
    } else {
        box->setChecked(true);
    }
    QVERIFY(box->isChecked());
    QVERIFY(part<QPushButton>(app, "Command1")->isEnabled());
    box->setChecked(false);
    QVERIFY(!part<QPushButton>(app, "Command1")->isEnabled());
}

void TermsTest::escapeLeavesTheTermsOpen()
{
    RunningApp app({}, true, RunningApp::Terms::LeaveOpen);
    TermsWindow* terms = app.registry->termsWindow();
    QTest::keyClick(terms, Qt::Key_Escape);
    app.settle();
    QVERIFY(app.registry->termsWindow() && app.registry->termsWindow()->isVisible());
    QVERIFY(app.fakes.messages.asked.isEmpty());
}

void TermsTest::continueReleasesTheMainWindow()
{
    RunningApp app({}, true, RunningApp::Terms::LeaveOpen);
    tickAccept(app);
    QTest::mouseClick(part<QPushButton>(app, "Command1"), Qt::LeftButton);
    app.settle();
    QVERIFY(!app.registry->termsWindow());
    QVERIFY(app.window()->isEnabled());
    QVERIFY(app.window()->isVisible());
    QVERIFY(app.fakes.messages.asked.isEmpty());
}

void TermsTest::keepsTheTermsHiddenOnLaterReloads_data()
{
    QTest::addColumn<int>("seconds");
    QTest::newRow("0") << 0;
    QTest::newRow("2") << 2;
    QTest::newRow("3") << 3;
}

void TermsTest::keepsTheTermsHiddenOnLaterReloads()
{
    QFETCH(int, seconds);
    RunningApp app;
    AboutWindow& about = app.registry->aboutWindow();
    for (int i = 0; i < 60 + seconds; ++i) {
        about.countOneSecond();
    }
    QCOMPARE(about.seconds(), QString::number(seconds));
    app.click("cmdRefresh");
    app.settle();
    TermsWindow* terms = app.registry->termsWindow();
    QVERIFY(terms);
    QVERIFY(!terms->isVisible());
    QCOMPARE(terms->findChild<QPlainTextEdit*>("Text1")->toPlainText(),
             QString(kTerms).replace("\r\n", "\n"));
    QVERIFY(app.window()->isEnabled());
}

void TermsTest::declineAnsweredNoChangesNothing()
{
    RunningApp app({}, true, RunningApp::Terms::LeaveOpen);
    tickAccept(app);
    app.fakes.messages.setNextAnswer(BoxAnswer::No);
    QTest::mouseClick(part<QPushButton>(app, "Command2"), Qt::LeftButton);
    QCOMPARE(app.fakes.messages.asked.size(), 1);
    QCOMPARE(app.fakes.messages.asked[0],
             (AskedBox{"Quit Agreement?", "Exit", BoxIcon::Question, BoxButtons::YesNo}));
    QVERIFY(app.registry->termsWindow()->isVisible());
    QVERIFY(part<QCheckBox>(app, "Check1")->isChecked());
    QVERIFY(part<QPushButton>(app, "Command1")->isEnabled());
    QCOMPARE(app.fakes.process.endRequests, 0);
    QCOMPARE(app.fakes.tray.icons, 1);
}

void TermsTest::declineAnsweredYesEndsAtOnce()
{
    RunningApp app({}, true, RunningApp::Terms::LeaveOpen);
    app.fakes.messages.setNextAnswer(BoxAnswer::Yes);
    QTest::mouseClick(part<QPushButton>(app, "Command2"), Qt::LeftButton);
    QCOMPARE(app.fakes.process.endRequests, 1);
    QCOMPARE(app.fakes.process.iconsAtEnd, 0);
    QCOMPARE(app.boxTexts(), QStringList{"Quit Agreement?"});
}

void TermsTest::closingTheWindowIsADecline()
{
    RunningApp app({}, true, RunningApp::Terms::LeaveOpen);
    app.fakes.messages.setNextAnswer(BoxAnswer::No);
    app.registry->termsWindow()->close();
    QCOMPARE(app.boxTexts(), QStringList{"Quit Agreement?"});
    QVERIFY(app.registry->termsWindow()->isVisible());
    app.fakes.messages.setNextAnswer(BoxAnswer::Yes);
    app.registry->termsWindow()->close();
    QCOMPARE(app.fakes.process.endRequests, 1);
}

void TermsTest::neverLeavesTheFocusOnTheText()
{
    RunningApp app({}, true, RunningApp::Terms::LeaveOpen);
    TermsWindow* terms = app.registry->termsWindow();
    terms->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(terms));
    auto* text = part<QPlainTextEdit>(app, "Text1");
    QWidget* focused = terms->focusWidget();
    QVERIFY(focused != text);
    QVERIFY(!focused || !focused->geometry().intersects(terms->rect()));
    QTest::mouseClick(text->viewport(), Qt::LeftButton, {}, QPoint(20, 20));
    QVERIFY(!text->hasFocus());
    QCOMPARE(terms->focusWidget(), part<QWidget>(app, "Command3"));
    QVERIFY(!text->textCursor().hasSelection());
    text->verticalScrollBar()->setValue(text->verticalScrollBar()->maximum());
    QVERIFY(text->verticalScrollBar()->value() > 0);
}

// Without a pointer the terms must still be answerable: Tab and Shift+Tab,
// from where the focus rests at the start, reach "I Accept" and "Decline",
// and "Continue" once it is enabled; never the text.
void TermsTest::theKeyboardReachesEveryControl_data()
{
    QTest::addColumn<Qt::Key>("key");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("Tab") << Qt::Key_Tab << false;
    QTest::newRow("Shift+Tab") << Qt::Key_Backtab << false;
    QTest::newRow("Tab, accepted") << Qt::Key_Tab << true;
    QTest::newRow("Shift+Tab, accepted") << Qt::Key_Backtab << true;
}

void TermsTest::theKeyboardReachesEveryControl()
{
    QFETCH(Qt::Key, key);
    QFETCH(bool, accepted);
    RunningApp app({}, true, RunningApp::Terms::LeaveOpen);
    TermsWindow* terms = app.registry->termsWindow();
    terms->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(terms));
    part<QCheckBox>(app, "Check1")->setChecked(accepted);
    QStringList reached;
    for (int i = 0; i < 8; ++i) {
        QTest::keyClick(QApplication::focusWidget(), key);
        reached.append(QApplication::focusWidget()->objectName());
    }
    QVERIFY2(reached.contains(QStringLiteral("Check1")), qPrintable(reached.join(u' ')));
    QVERIFY2(reached.contains(QStringLiteral("Command2")), qPrintable(reached.join(u' ')));
    QCOMPARE(reached.contains(QStringLiteral("Command1")), accepted);
    QVERIFY(!reached.contains(QStringLiteral("Text1")));
}

QTEST_MAIN(TermsTest)
#include "tst_terms.moc"
