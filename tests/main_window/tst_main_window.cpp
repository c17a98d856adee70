// The main window's start-up, tray icon, reload and ways out.
#include "support/running_app.h"
#include "widgets/pictures.h"

#include <QAccessible>
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QTableView>
#include <QTimer>

using namespace norvane;
using namespace norvane::testing;

class MainWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void startsWithTheContactsListed();
    void startsWithAnEmptyTable();
    void warnsAndStillOpensWithoutADatabase();
    void restoresOnlyForTheTrayNotifications_data();
    void restoresOnlyForTheTrayNotifications();
    void minimisesWithTheDashes();
    void staysMinimisedThroughAReloadFromElsewhere();
    void takesTheKeyboardThroughAReloadOnlyWhenItHadIt();
    void saysFarewellAndEndsWithX();
    void endsTheSameWayWhenTheWindowManagerClosesIt();
    void asksBeforeEndingOverTypedText_data();
    void asksBeforeEndingOverTypedText();
    void enterAnswersAQuestionWithItsDefault_data();
    void enterAnswersAQuestionWithItsDefault();
    void keepsOneTrayIconOverReloads();
    void keepsTheOldWindowOnScreenUntilTheNewOneShows();
    void namesEveryControlForAssistiveTechnology();
};

void MainWindowTest::startsWithTheContactsListed()
{
    RunningApp app({contact("Ann", "555", "Leith"), contact("Bob", "556")});
    MainWindow* window = app.window();
    QVERIFY(window->isVisible());
    QCOMPARE(window->windowTitle(), QStringLiteral("Norvane"));
    auto* grid = app.find<QTableView>("DataGrid1");
    QCOMPARE(grid->model()->rowCount(), 2);
    QCOMPARE(grid->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("NAME"));
    QCOMPARE(grid->model()->index(0, 1).data().toString(), QStringLiteral("Ann"));
    const float expected[] = {0, 3000, 2000, 6000, 3000, 3000};
    for (int column = 0; column < 6; ++column) {
        QVERIFY2(qAbs(window->columnWidth(column) - expected[column]) < 15,
                 qPrintable(QString::number(column)));
    }
    QCOMPARE(app.find<QLabel>("lblDate")->text(), QStringLiteral("Sunday - December 06, 2026"));
    QVERIFY(app.find<QLabel>("lblTime")->text().startsWith(QLatin1String("9:05:03")));
    QCOMPARE(app.find<QLabel>("lblResult")->text(), QStringLiteral("Results:  2"));
    QCOMPARE(qRound(window->windowOpacity() * 255), 240);
    QCOMPARE(app.fakes.tray.icons, 1);
    QCOMPARE(app.fakes.tray.tip, QStringLiteral("NORVANE"));
    QVERIFY(app.fakes.tray.iconSet);
    QVERIFY(app.fakes.messages.asked.isEmpty());
    QCOMPARE(app.shownContact().name, QStringLiteral("Ann"));
}

void MainWindowTest::startsWithAnEmptyTable()
{
    RunningApp app;
    QCOMPARE(app.find<QTableView>("DataGrid1")->model()->rowCount(), 0);
    QCOMPARE(app.find<QLabel>("lblResult")->text(), QStringLiteral("Results:  0"));
    QCOMPARE(app.shownContact(), Contact());
    QVERIFY(app.fakes.messages.asked.isEmpty());
}

void MainWindowTest::warnsAndStillOpensWithoutADatabase()
{
    RunningApp app({}, false);
    QCOMPARE(app.fakes.messages.asked.size(), 1);
    const AskedBox warning = app.fakes.messages.asked.first();
    QCOMPARE(warning.icon, BoxIcon::Warning);
    QVERIFY(warning.text.contains(QDir::toNativeSeparators(app.folder.databasePath())));
    QVERIFY(warning.text.contains(QLatin1String("does not exist")));
    QVERIFY(warning.title.startsWith(QLatin1String("9:05:03")));
    QVERIFY(app.window()->isVisible());
    QCOMPARE(qRound(app.window()->windowOpacity() * 255), 240);
    QCOMPARE(app.find<QTableView>("DataGrid1")->model()->rowCount(), 0);
    QCOMPARE(app.fakes.tray.icons, 1);
}

void MainWindowTest::restoresOnlyForTheTrayNotifications_data()
{
    QTest::addColumn<int>("message");
    QTest::addColumn<bool>("restores");
    QTest::newRow("click") << 514 << true;
    QTest::newRow("double-click") << 515 << true;
    QTest::newRow("context click") << 517 << false;
    QTest::newRow("pointer over the icon") << 512 << false;
    QTest::newRow("button pressed") << 513 << false;
}

void MainWindowTest::restoresOnlyForTheTrayNotifications()
{
    QFETCH(int, message);
    QFETCH(bool, restores);
    RunningApp app;
    app.window()->setWindowState(Qt::WindowMinimized);
    app.fakes.tray.notify(message);
    QCOMPARE(app.window()->isMinimized(), !restores);
    QVERIFY(app.window()->isVisible());
}

void MainWindowTest::minimisesWithTheDashes()
{
    RunningApp app;
    QTest::mouseClick(app.find<QLabel>("Label11"), Qt::LeftButton);
    QVERIFY(app.window()->isMinimized());
    QCOMPARE(app.fakes.process.endRequests, 0);
    QCOMPARE(app.fakes.tray.icons, 1);
}

// A sync or another program's import reloads the window in the background:
// one the user minimised stays so, and the tray still restores it.
void MainWindowTest::staysMinimisedThroughAReloadFromElsewhere()
{
    RunningApp app;
    QTest::mouseClick(app.find<QLabel>("Label11"), Qt::LeftButton);
    QPointer<MainWindow> first = app.window();
    app.registry->reloadWhenIdle();
    app.settle();
    QVERIFY(first.isNull());
    QVERIFY(app.window()->isMinimized());
    app.fakes.tray.notify(514);
    QVERIFY(!app.window()->isMinimized());
    QVERIFY(app.window()->isVisible());
}

// The platform shows a window marked so without activating it (this test's
// offscreen platform does not tell the difference).
void MainWindowTest::takesTheKeyboardThroughAReloadOnlyWhenItHadIt()
{
    RunningApp app;
    QWidget otherProgram;
    otherProgram.show();
    otherProgram.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&otherProgram));
    app.registry->reloadWhenIdle();
    app.settle();
    QVERIFY(app.window()->testAttribute(Qt::WA_ShowWithoutActivating));
    app.window()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(app.window()));
    app.registry->reloadWhenIdle();
    app.settle();
    QVERIFY(!app.window()->testAttribute(Qt::WA_ShowWithoutActivating));
}

void MainWindowTest::saysFarewellAndEndsWithX()
{
    RunningApp app;
    int iconsWhileBoxOpen = -1;
    app.fakes.messages.setWhileOpen([&] { iconsWhileBoxOpen = app.fakes.tray.icons; });
    QTest::mouseClick(app.find<QLabel>("Label10"), Qt::LeftButton);
    QCOMPARE(app.fakes.messages.asked.size(), 1);
    const AskedBox farewell = app.fakes.messages.asked.first();
    QCOMPARE(farewell.text, QStringLiteral("Thank You for using this freeware!\r\n-Orrin Vale"));
    QCOMPARE(farewell.icon, BoxIcon::Information);
    QCOMPARE(farewell.buttons, BoxButtons::Ok);
    QVERIFY(farewell.title.startsWith(QLatin1String("9:05:03")));
    QCOMPARE(iconsWhileBoxOpen, 1);
    QCOMPARE(app.fakes.process.endRequests, 1);
    QCOMPARE(app.fakes.process.iconsAtEnd, 0);
}

void MainWindowTest::endsTheSameWayWhenTheWindowManagerClosesIt()
{
    RunningApp app;
    app.window()->close();
    QCOMPARE(app.boxTexts(), QStringList{"Thank You for using this freeware!\r\n-Orrin Vale"});
    QCOMPARE(app.fakes.process.endRequests, 1);
    QCOMPARE(app.fakes.process.iconsAtEnd, 0);
}

// Closing the window over a new contact or an edit typed and not saved asks
// first, as Escape does; an open panel with nothing typed ends as ever.
void MainWindowTest::asksBeforeEndingOverTypedText_data()
{
    QTest::addColumn<QString>("panel"); // the button that opens it
    QTest::addColumn<QString>("typed"); // into its name field
    QTest::addColumn<QString>("how");   // "X", the window manager's "close", or "Ctrl+Q"
    QTest::addColumn<bool>("yes");      // every answer, if asked
    QTest::addColumn<QStringList>("boxes");
    const QString question = QStringLiteral("Throw away the changes typed?");
    const QString farewell = QStringLiteral("Thank You for using this freeware!\r\n-Orrin Vale");
    const QString exitNow = QStringLiteral("Exit now?");
    QTest::newRow("X over a new contact, kept") << "cmdReg"
                                                << "Cy"
                                                << "X" << false << QStringList{question};
    QTest::newRow("X over an edit, thrown away") << "cmdUpdate"
                                                 << "Annie"
                                                 << "X" << true << QStringList{question, farewell};
    QTest::newRow("window manager over an edit, kept") << "cmdUpdate"
                                                       << "Annie"
                                                       << "close" << false << QStringList{question};
    QTest::newRow("X over the register panel, nothing typed")
        << "cmdReg"
        << ""
        << "X" << false << QStringList{farewell};
    QTest::newRow("Ctrl+Q over a new contact, kept") << "cmdReg"
                                                     << "Cy"
                                                     << "Ctrl+Q" << false << QStringList{question};
    QTest::newRow("Ctrl+Q over an edit, thrown away")
        << "cmdUpdate"
        << "Annie"
        << "Ctrl+Q" << true << QStringList{question, exitNow};
}

void MainWindowTest::asksBeforeEndingOverTypedText()
{
    QFETCH(QString, panel);
    QFETCH(QString, typed);
    QFETCH(QString, how);
    QFETCH(bool, yes);
    QFETCH(QStringList, boxes);
    RunningApp app({contact("Ann", "1")});
    app.click(qPrintable(panel));
    auto* name = app.find<QLineEdit>(panel == QLatin1String("cmdReg") ? "regName" : "txtName");
    if (!typed.isEmpty()) {
        name->setText(typed);
    }
    for (int i = 0; i < 2; ++i) {
        app.fakes.messages.setNextAnswer(yes ? BoxAnswer::Yes : BoxAnswer::No);
    }
    if (how == QLatin1String("X")) {
        QTest::mouseClick(app.find<QLabel>("Label10"), Qt::LeftButton);
    } else if (how == QLatin1String("close")) {
        app.window()->close();
    } else {
        QTest::keySequence(name, QKeySequence(how));
    }
    QCOMPARE(app.boxTexts(), boxes);
    const bool ended = boxes.size() > 1 || typed.isEmpty();
    QCOMPARE(app.fakes.process.endRequests, ended ? 1 : 0);
    if (!ended) {
        QVERIFY(app.window()->isVisible());
        QCOMPARE(name->text(), typed);
        QCOMPARE(app.fakes.messages.asked.first().buttons, BoxButtons::YesNoDefaultNo);
    }
}

// The real message box: Enter pressed on a question takes its default
// answer, which is No where typed text would otherwise be thrown away.
void MainWindowTest::enterAnswersAQuestionWithItsDefault_data()
{
    QTest::addColumn<BoxButtons>("buttons");
    QTest::addColumn<BoxAnswer>("answer");
    QTest::newRow("a question") << BoxButtons::YesNo << BoxAnswer::Yes;
    QTest::newRow("throwing typed text away") << BoxButtons::YesNoDefaultNo << BoxAnswer::No;
}

void MainWindowTest::enterAnswersAQuestionWithItsDefault()
{
    QFETCH(BoxButtons, buttons);
    QFETCH(BoxAnswer, answer);
    QTimer::singleShot(0, [] {
        QWidget* box = QApplication::activeModalWidget();
        QVERIFY(box);
        QTest::keyClick(box, Qt::Key_Return);
    });
    const Services services = productionServices();
    QCOMPARE(services.messages->show(nullptr, QStringLiteral("Sure?"), QStringLiteral("Title"),
                                     BoxIcon::Question, buttons),
             answer);
}

// While the new window loads (here it stops on a warning that the book is
// gone), the old one still stands where it was, its rows already let go.
void MainWindowTest::keepsTheOldWindowOnScreenUntilTheNewOneShows()
{
    RunningApp app({contact("Ann", "1"), contact("Bob", "2")});
    const QPointer<MainWindow> old = app.window();
    bool oldShown = false;
    int oldRows = -1;
    app.fakes.messages.setWhileOpen([&] {
        oldShown = old && old->isVisible();
        oldRows =
            old ? old->findChild<QTableView*>(QStringLiteral("DataGrid1"))->model()->rowCount()
                : -1;
    });
    QVERIFY(QFile::remove(app.folder.databasePath()));
    app.click("cmdRefresh");
    app.settle();
    QVERIFY(oldShown);
    QCOMPARE(oldRows, 0);
    QVERIFY(!old);
    QVERIFY(app.window()->isVisible());
}

void MainWindowTest::keepsOneTrayIconOverReloads()
{
    RunningApp app({contact("Ann", "1")});
    QPointer<MainWindow> first = app.window();
    for (int i = 0; i < 3; ++i) {
        app.click("cmdRefresh");
    }
    app.settle();
    QVERIFY(first.isNull());
    QVERIFY(app.window());
    QVERIFY(app.window()->isVisible());
    QCOMPARE(app.fakes.tray.icons, 1);
    // The tray speaks to the new window only.
    app.window()->setWindowState(Qt::WindowMinimized);
    app.fakes.tray.notify(514);
    QVERIFY(!app.window()->isMinimized());
}

void MainWindowTest::namesEveryControlForAssistiveTechnology()
{
    RunningApp app({contact("Ann", "1")});
    const std::pair<const char*, const char*> fields[] = {{"txtName", "Contact Name:"},
                                                          {"txtAdd", "Contact Address"},
                                                          {"txtCon", "Contact Number:"},
                                                          {"txtEmail", "Email Address:"},
                                                          {"txtCom", "Company:"},
                                                          {"regName", "Contact Name:"},
                                                          {"regAddress", "Contact Address"},
                                                          {"regCon", "Contact Number:"},
                                                          {"regEmail", "Email Address:"},
                                                          {"regCom", "Company:"},
                                                          {"Text1", "Photo name"},
                                                          {"txtSearch", "Search Contact"}};
    for (const auto& [name, caption] : fields) {
        QAccessibleInterface* field =
            QAccessible::queryAccessibleInterface(app.find<QWidget>(name));
        QVERIFY(field);
        QCOMPARE(field->text(QAccessible::Name), QString::fromLatin1(caption));
    }
    QAccessibleInterface* grid =
        QAccessible::queryAccessibleInterface(app.find<QTableView>("DataGrid1"));
    QCOMPARE(grid->role(), QAccessible::Table);
    QVERIFY(grid->tableInterface());
    QCOMPARE(grid->tableInterface()->rowCount(), 1);
    QAccessibleInterface* button =
        QAccessible::queryAccessibleInterface(app.find<QWidget>("cmdReg"));
    QCOMPARE(button->text(QAccessible::Name), QStringLiteral("REGISTER"));
}

QTEST_MAIN(MainWindowTest)
#include "tst_main_window.moc"
