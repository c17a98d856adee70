// The main window without a pointer: shortcuts, Escape, Enter, Tab, the
// controls a panel covers, and the place a reload keeps.
#include "about_window/about_window.h"
#include "support/running_app.h"

#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTableView>
#include <QTimer>

using namespace norvane;
using namespace norvane::testing;

namespace {

// Puts the window in a starting state: browse, register (a name and number
// typed), update or about.
void enter(const RunningApp& app, const QString& state)
{
    if (state == QLatin1String("register")) {
        app.click("cmdReg");
        app.find<QLineEdit>("regName")->setText(QStringLiteral("Cy"));
        app.find<QPlainTextEdit>("regCon")->setPlainText(QStringLiteral("3"));
    } else if (state == QLatin1String("update")) {
        app.click("cmdUpdate");
    } else if (state == QLatin1String("about")) {
        app.registry->showAboutWindow();
        app.window()->setEnabled(false);
    }
}

QString mode(const RunningApp& app)
{
    if (app.registry->existingAboutWindow() && app.registry->existingAboutWindow()->isVisible()) {
        return QStringLiteral("about");
    }
    if (app.find<QWidget>("picReg")->isVisible()) {
        return QStringLiteral("register");
    }
    return app.find<QWidget>("picUPD")->isVisible() ? QStringLiteral("update")
                                                    : QStringLiteral("browse");
}

// The controls a panel lies over: the update panel the command row, the
// register panel the detail fields as well.
QStringList coveredIn(const QString& state)
{
    QStringList covered = {"cmdReg", "cmdUpdate", "cmdRemove", "cmdRefresh"};
    if (state == QLatin1String("register")) {
        covered += {"txtName", "txtAdd", "txtCon", "txtEmail", "txtCom"};
    }
    return covered;
}

} // namespace

class KeyboardTest : public QObject
{
    Q_OBJECT

private slots:
    void startsWithTheFocusOnTheGrid();
    void tabGoesRoundEveryControlInReach_data();
    void tabGoesRoundEveryControlInReach();
    void keysDoWhatTheySay_data();
    void keysDoWhatTheySay();
    void escapeThrowsNoEditAwayUnasked_data();
    void escapeThrowsNoEditAwayUnasked();
    void keepsTheUsersPlaceAcrossAReload_data();
    void keepsTheUsersPlaceAcrossAReload();
};

// Tab and Shift+Tab go round every control in reach, out of the grid too (a
// grid that kept Tab to itself would hold the keyboard among its cells).
void KeyboardTest::tabGoesRoundEveryControlInReach_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<QStringList>("reached");
    const QStringList browse = {"DataGrid1", "txtName",   "txtCom",     "cmdReg",
                                "cmdUpdate", "cmdRemove", "cmdRefresh", "txtSearch"};
    const QStringList registering = {"DataGrid1",   "regName",     "regCom",   "AeroButton5",
                                     "AeroButton1", "AeroButton2", "txtSearch"};
    const QStringList updating = {"txtName", "txtCom", "AeroButton3", "AeroButton4"};
    QTest::newRow("browse") << "browse" << browse;
    QTest::newRow("register") << "register" << registering;
    QTest::newRow("update") << "update" << updating;
}

void KeyboardTest::tabGoesRoundEveryControlInReach()
{
    QFETCH(QString, start);
    QFETCH(QStringList, reached);
    for (const Qt::Key key : {Qt::Key_Tab, Qt::Key_Backtab}) {
        RunningApp app({contact("Ann", "1"), contact("Bob", "2")});
        enter(app, start);
        QStringList seen;
        for (int i = 0; i < 2 * 16; ++i) {
            QTest::keyClick(QApplication::focusWidget(), key);
            seen.append(QApplication::focusWidget()->objectName());
        }
        for (const QString& name : reached) {
            QVERIFY2(seen.contains(name), qPrintable(name + QStringLiteral(" never reached: ") +
                                                     seen.join(QLatin1Char(' '))));
        }
        for (const QString& name :
             start == QLatin1String("browse") ? QStringList() : coveredIn(start)) {
            QVERIFY2(!seen.contains(name), qPrintable(name));
        }
    }
}

void KeyboardTest::startsWithTheFocusOnTheGrid()
{
    RunningApp app({contact("Ann", "1")});
    QCOMPARE(QApplication::focusWidget(), app.find<QWidget>("DataGrid1"));
    QCOMPARE(app.find<QWidget>("Text1")->focusPolicy(), Qt::ClickFocus);
}

void KeyboardTest::keysDoWhatTheySay_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("focus"); // where the focus is put first
    QTest::addColumn<QKeySequence>("keys");
    QTest::addColumn<QString>("mode"); // browse, register, update, about
    QTest::addColumn<QString>(
        "expected"); // "focus:NAME", "box:TEXT...", "menu:ACTIONS", "reloaded", "uncovered"
    const auto keys = [](auto... k) { return QKeySequence(QKeyCombination(k)...); };
    QTest::newRow("Escape leaves update mode") << "update"
                                               << "txtName" << keys(Qt::Key_Escape) << "browse"
                                               << "";
    QTest::newRow("Ctrl+N opens the register panel")
        << "browse"
        << "DataGrid1" << keys(Qt::CTRL | Qt::Key_N) << "register"
        << "focus:regName";
    QTest::newRow("Ctrl+E enters update mode")
        << "browse"
        << "DataGrid1" << keys(Qt::CTRL | Qt::Key_E) << "update"
        << "focus:txtName";
    QTest::newRow("F2 enters update mode") << "browse"
                                           << "DataGrid1" << keys(Qt::Key_F2) << "update"
                                           << "focus:txtName";
    QTest::newRow("Ctrl+N does nothing over unsaved edits")
        << "update"
        << "txtName" << keys(Qt::CTRL | Qt::Key_N) << "update"
        << "";
    QTest::newRow("Ctrl+F cannot move the contact being edited")
        << "update"
        << "txtName" << keys(Qt::CTRL | Qt::Key_F) << "update"
        << "focus:txtName";
    QTest::newRow("Delete on the grid asks to remove")
        << "browse"
        << "DataGrid1" << keys(Qt::Key_Delete) << "browse"
        << "box:Do you want to delete Ann";
    QTest::newRow("A letter in the grid goes to the first name with it")
        << "browse"
        << "DataGrid1" << keys(Qt::Key_B, Qt::Key_Delete) << "browse"
        << "box:Do you want to delete Bob";
    QTest::newRow("Shift+F10 opens the list's menu")
        << "browse"
        << "DataGrid1" << keys(Qt::SHIFT | Qt::Key_F10) << "browse"
        << "menu:importContactsAction,exportAllAction,exportSelectedAction";
    QTest::newRow("F5 reloads") << "browse"
                                << "DataGrid1" << keys(Qt::Key_F5) << "browse"
                                << "reloaded";
    QTest::newRow("Ctrl+F goes to the search")
        << "browse"
        << "DataGrid1" << keys(Qt::CTRL | Qt::Key_F) << "browse"
        << "focus:txtSearch";
    QTest::newRow("F1 opens About") << "browse"
                                    << "DataGrid1" << keys(Qt::Key_F1) << "about"
                                    << "";
    QTest::newRow("Ctrl+Q asks to exit") << "browse"
                                         << "DataGrid1" << keys(Qt::CTRL | Qt::Key_Q) << "browse"
                                         << "box:Exit now?";
    QTest::newRow("Tab leaves the number field") << "update"
                                                 << "txtCon" << keys(Qt::Key_Tab) << "update"
                                                 << "focus:txtEmail";
    QTest::newRow("Shift+Tab leaves the number field")
        << "update"
        << "txtCon" << keys(Qt::SHIFT | Qt::Key_Backtab) << "update"
        << "focus:txtAdd";
    QTest::newRow("Enter in the register panel saves it")
        << "register"
        << "regEmail" << keys(Qt::Key_Return) << "browse"
        << "box:Cy successfully Save";
    QTest::newRow("Enter in update mode saves it") << "update"
                                                   << "txtCom" << keys(Qt::Key_Return) << "browse"
                                                   << "box:Ann has been updated";
    QTest::newRow("Enter presses the focused button")
        << "browse"
        << "cmdRefresh" << keys(Qt::Key_Return) << "browse"
        << "reloaded";
    QTest::newRow("Tab from Company skips the covered command row")
        << "update"
        << "txtCom" << keys(Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Tab) << "update"
        << "uncovered";
    QTest::newRow("Shift+Tab from the search skips what the register panel covers")
        << "register"
        << "txtSearch" << keys(Qt::SHIFT | Qt::Key_Backtab, Qt::SHIFT | Qt::Key_Backtab)
        << "register"
        << "uncovered";
}

void KeyboardTest::keysDoWhatTheySay()
{
    QFETCH(QString, start);
    QFETCH(QString, focus);
    QFETCH(QKeySequence, keys);
    QFETCH(QString, mode);
    QFETCH(QString, expected);
    RunningApp app({contact("Ann", "1"), contact("Bob", "2")});
    enter(app, start);
    app.find<QWidget>(qPrintable(focus))->setFocus();
    const QPointer<MainWindow> before = app.window();
    QStringList menu; // the actions of a menu that opened, closed at once
    QTimer::singleShot(0, [&menu] {
        if (auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            for (const QAction* action : popup->actions()) {
                menu.append(action->objectName());
            }
            popup->close();
        }
    });
    for (int i = 0; i < keys.count(); ++i) {
        QTest::keySequence(QApplication::focusWidget(), QKeySequence(keys[i]));
    }
    app.settle();
    QCOMPARE(::mode(app), mode);
    if (expected.startsWith(QLatin1String("focus:"))) {
        QCOMPARE(QApplication::focusWidget()->objectName(), expected.mid(6));
    } else if (expected.startsWith(QLatin1String("box:"))) {
        QVERIFY2(!app.boxTexts().isEmpty() && app.boxTexts().first().startsWith(expected.mid(4)),
                 qPrintable(app.boxTexts().join(QLatin1Char('|'))));
    } else if (expected == QLatin1String("reloaded")) {
        QVERIFY(app.window() != before.data());
    } else if (expected.startsWith(QLatin1String("menu:"))) {
        QCOMPARE(menu.join(QLatin1Char(',')), expected.mid(5));
    } else if (expected == QLatin1String("uncovered")) {
        const QString focused = QApplication::focusWidget()->objectName();
        QVERIFY2(!coveredIn(start).contains(focused), qPrintable(focused));
    }
    if (expected.isEmpty() || !expected.startsWith(QLatin1String("box:"))) {
        QCOMPARE(app.boxTexts(), QStringList());
    }
}

// An Escape pressed by mistake over typed text asks before the text goes: in
// update mode the stored values come back over it, and the register panel's
// next opening empties its fields.
void KeyboardTest::escapeThrowsNoEditAwayUnasked_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("typed"); // into regName or txtName; empty for nothing
    QTest::addColumn<bool>("yes");      // the answer to the question, if one is asked
    QTest::addColumn<QString>("mode");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<QString>("shown"); // in the field afterwards
    QTest::newRow("register, nothing typed") << "register"
                                             << "" << false << "browse" << false << "";
    QTest::newRow("register, typed, kept") << "register"
                                           << "Cy" << false << "register" << true << "Cy";
    QTest::newRow("register, typed, thrown away") << "register"
                                                  << "Cy" << true << "browse" << true << "Cy";
    QTest::newRow("update, nothing changed") << "update"
                                             << "" << false << "browse" << false << "Ann";
    QTest::newRow("update, edited, kept") << "update"
                                          << "Annie" << false << "update" << true << "Annie";
    QTest::newRow("update, edited, thrown away") << "update"
                                                 << "Annie" << true << "browse" << true << "Ann";
}

void KeyboardTest::escapeThrowsNoEditAwayUnasked()
{
    QFETCH(QString, start);
    QFETCH(QString, typed);
    QFETCH(bool, yes);
    QFETCH(QString, mode);
    QFETCH(bool, asked);
    QFETCH(QString, shown);
    RunningApp app({contact("Ann", "1")});
    app.click(start == QLatin1String("register") ? "cmdReg" : "cmdUpdate");
    auto* field = app.find<QLineEdit>(start == QLatin1String("register") ? "regName" : "txtName");
    if (!typed.isEmpty()) {
        field->setText(typed);
    }
    app.fakes.messages.setNextAnswer(yes ? BoxAnswer::Yes : BoxAnswer::No);
    QTest::keyClick(field, Qt::Key_Escape);
    app.settle();
    QCOMPARE(::mode(app), mode);
    QCOMPARE(app.boxTexts(), asked ? QStringList{"Throw away the changes typed?"} : QStringList());
    QCOMPARE(field->text(), shown);
}

void KeyboardTest::keepsTheUsersPlaceAcrossAReload_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("selectedBefore");
    QTest::addColumn<QString>("selectedAfter");
    QTest::newRow("register selects the new contact") << "register" << 0 << "Cy";
    QTest::newRow("update keeps the contact") << "update" << 2 << "Dan (edited)";
    QTest::newRow("remove selects the one that followed") << "remove" << 1 << "Dan";
    QTest::newRow("remove of the last selects the new last") << "remove" << 203 << "Zed 198";
    QTest::newRow("refresh keeps the contact") << "refresh" << 3 << "Eve";
}

void KeyboardTest::keepsTheUsersPlaceAcrossAReload()
{
    QFETCH(QString, action);
    QFETCH(int, selectedBefore);
    QFETCH(QString, selectedAfter);
    QList<Contact> many;
    for (const char* name : {"Ann", "Bob", "Dan", "Eve"}) {
        many.append(contact(QString::fromLatin1(name), QStringLiteral("1")));
    }
    for (int i = 0; i < 200; ++i) {
        many.append(contact(QStringLiteral("Zed %1").arg(i), QStringLiteral("2")));
    }
    RunningApp app(many);
    app.window()->move(140, 90);
    const QPoint position = app.window()->pos();
    auto* grid = app.find<QTableView>("DataGrid1");
    grid->setCurrentIndex(grid->model()->index(selectedBefore, 1));
    if (action == QLatin1String("register")) {
        enter(app, action);
        app.click("AeroButton1");
    } else if (action == QLatin1String("update")) {
        app.click("cmdUpdate");
        app.find<QLineEdit>("txtName")->setText(QStringLiteral("Dan (edited)"));
        app.click("AeroButton3");
    } else if (action == QLatin1String("remove")) {
        app.fakes.messages.setNextAnswer(BoxAnswer::Yes);
        app.click("cmdRemove");
    } else {
        app.click("cmdRefresh");
    }
    app.settle();
    QCOMPARE(app.shownContact().name, selectedAfter);
    grid = app.find<QTableView>("DataGrid1");
    QCOMPARE(grid->currentIndex().data().toString(), selectedAfter);
    QVERIFY(grid->viewport()->rect().intersects(grid->visualRect(grid->currentIndex())));
    QCOMPARE(app.window()->pos(), position);
}

QTEST_MAIN(KeyboardTest)
#include "tst_keyboard.moc"
