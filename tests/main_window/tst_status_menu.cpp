// The status bar's timers, the hover menu and the web link.
#include "support/running_app.h"
#include "widgets/controls.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTableView>
#include <QTimer>

using namespace norvane;
using namespace norvane::testing;

namespace {

const QColor kYellow(0xFF, 0xFF, 0x00);

void sendMouse(QWidget* widget, QEvent::Type type, QPoint at, Qt::MouseButton button,
               Qt::MouseButtons held)
{
    QMouseEvent event(type, at, widget->mapToGlobal(at), button, held, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

void movePointer(QWidget* widget, QPoint at = QPoint(2, 2))
{
    sendMouse(widget, QEvent::MouseMove, at, Qt::NoButton, Qt::NoButton);
}

QColor textColour(const RunningApp& app, const char* label)
{
    return app.find<QLabel>(label)->palette().color(QPalette::WindowText);
}

} // namespace

class StatusMenuTest : public QObject
{
    Q_OBJECT

private slots:
    void firstTimerWritesDateTimeAndCount();
    void resultCountFollowsTheSearchWithinOneTick();
    void secondTimerShowsRunningTimeAndHoldsColumnWidths();
    void timersRunEvery100msUntilUnload();
    void menuFollowsThePointer();
    void movesOnlyWhenTheSurfaceIsDragged_data();
    void movesOnlyWhenTheSurfaceIsDragged();
    void menuItemsLightUpUnderThePointer();
    void aboutItemOpensTheAboutWindow();
    void exitItemAsksFirst_data();
    void exitItemAsksFirst();
    void webLinkOpensTheBrowserAndMinimises();
};

void StatusMenuTest::firstTimerWritesDateTimeAndCount()
{
    RunningApp app({contact("Ann", "1")});
    app.fakes.clock.time = QDateTime(QDate(2027, 3, 1), QTime(14, 7, 9));
    app.window()->refreshClock();
    QCOMPARE(app.find<QLabel>("lblDate")->text(), QStringLiteral("Monday - March 01, 2027"));
    QVERIFY2(app.find<QLabel>("lblTime")->text().startsWith(QLatin1String("2:07:09 PM")),
             qPrintable(app.find<QLabel>("lblTime")->text()));
    QCOMPARE(app.find<QLabel>("lblResult")->text(), QStringLiteral("Results:  1"));
}

void StatusMenuTest::resultCountFollowsTheSearchWithinOneTick()
{
    RunningApp app({contact("Ann", "1"), contact("Bob", "2"), contact("Anna", "3")});
    app.find<QLineEdit>("txtSearch")->setText(QStringLiteral("ann"));
    app.window()->refreshClock();
    QCOMPARE(app.find<QLabel>("lblResult")->text(), QStringLiteral("Results:  2"));
    app.find<QLineEdit>("txtSearch")->setText(QStringLiteral("zzz"));
    app.window()->refreshClock();
    QCOMPARE(app.find<QLabel>("lblResult")->text(), QStringLiteral("Results:  0"));
}

void StatusMenuTest::secondTimerShowsRunningTimeAndHoldsColumnWidths()
{
    RunningApp app({contact("Ann", "1")});
    app.window()->refreshRunningTime();
    QCOMPARE(app.find<QLabel>("lblStart")->text(), QStringLiteral("APP Time: [0:0:0]"));
    app.registry->aboutWindow().countOneSecond();
    app.window()->refreshRunningTime();
    QCOMPARE(app.find<QLabel>("lblStart")->text(), QStringLiteral("APP Time: [0:0:1]"));
    auto* grid = app.find<QTableView>("DataGrid1");
    grid->setColumnWidth(1, 40);
    grid->setColumnWidth(0, 90);
    app.window()->refreshRunningTime();
    for (int column = 0; column < 6; ++column) {
        QCOMPARE(app.window()->columnWidth(column), column == 0 ? 0.0f : 3000.0f);
    }
}

void StatusMenuTest::timersRunEvery100msUntilUnload()
{
    RunningApp app;
    QPointer<MainWindow> first = app.window();
    auto* timer1 = first->findChild<QTimer*>("Timer1");
    auto* timer2 = first->findChild<QTimer*>("Timer2");
    QCOMPARE(timer1->interval(), 100);
    QCOMPARE(timer2->interval(), 100);
    timer1->start();
    timer2->start();
    // Minimised and disabled windows keep their clock.
    first->setWindowState(Qt::WindowMinimized);
    first->setEnabled(false);
    QVERIFY(timer1->isActive());
    QTRY_VERIFY(app.find<QLabel>("lblStart")->text().startsWith("APP Time: ["));
    first->setEnabled(true);
    first->setWindowState(Qt::WindowNoState);
    app.click("cmdRefresh");
    QVERIFY(!first.isNull());
    QVERIFY(!timer1->isActive());
    QVERIFY(!timer2->isActive());
}

void StatusMenuTest::menuFollowsThePointer()
{
    RunningApp app({contact("Ann", "1")});
    QWidget* panel = app.find<QWidget>("Picture3");
    QVERIFY(!panel->isVisible());
    movePointer(app.find<QWidget>("Label9"));
    QVERIFY(panel->isVisible());
    movePointer(panel, QPoint(5, 2));
    QVERIFY(panel->isVisible());
    movePointer(app.find<QWidget>("Label9"));
    movePointer(app.find<QWidget>("Label8"), QPoint(300, 5));
    QVERIFY(!panel->isVisible());
    movePointer(app.find<QWidget>("Label9"));
    movePointer(app.window(), QPoint(400, 300));
    QVERIFY(!panel->isVisible());
    movePointer(app.find<QWidget>("Label9"));
    movePointer(app.find<QTableView>("DataGrid1")->viewport(), QPoint(100, 100));
    QVERIFY(!panel->isVisible());
    // Pointer movement over the window never restores it as a tray click would.
    app.window()->setWindowState(Qt::WindowMinimized);
    movePointer(app.window(), QPoint(514, 10));
    movePointer(app.window(), QPoint(517, 10));
    QVERIFY(app.window()->isMinimized());
}

void StatusMenuTest::movesOnlyWhenTheSurfaceIsDragged_data()
{
    QTest::addColumn<QByteArray>("pressedOn"); // empty: the window's own surface
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<QList<QPoint>>("steps"); // where the pointer goes, from the press
    QTest::addColumn<int>("moves");

    const int far = QApplication::startDragDistance() + 1;
    const int near = QApplication::startDragDistance() / 2;
    // A press and its release alone, as a quick click or a touchpad tap
    // sends them, must leave the window where it is.
    QTest::newRow("a click on the surface")
        << QByteArray() << Qt::LeftButton << QList<QPoint>{} << 0;
    QTest::newRow("a click on the title")
        << QByteArray("Label7") << Qt::LeftButton << QList<QPoint>{} << 0;
    QTest::newRow("a hand that shakes")
        << QByteArray() << Qt::LeftButton << QList<QPoint>{{near, 0}, {0, near}} << 0;
    QTest::newRow("a drag of the surface")
        << QByteArray() << Qt::LeftButton << QList<QPoint>{{far, 0}, {2 * far, far}} << 1;
    QTest::newRow("a drag of the title")
        << QByteArray("Label7") << Qt::LeftButton << QList<QPoint>{{0, far}} << 1;
    QTest::newRow("a drag of a frame")
        << QByteArray("Picture1") << Qt::LeftButton << QList<QPoint>{{far, 0}} << 1;
    QTest::newRow("a drag in a field")
        << QByteArray("txtName") << Qt::LeftButton << QList<QPoint>{{far, 0}} << 0;
    QTest::newRow("a drag with the right button")
        << QByteArray() << Qt::RightButton << QList<QPoint>{{far, 0}} << 0;
}

void StatusMenuTest::movesOnlyWhenTheSurfaceIsDragged()
{
    QFETCH(QByteArray, pressedOn);
    QFETCH(Qt::MouseButton, button);
    QFETCH(QList<QPoint>, steps);
    QFETCH(int, moves);
    RunningApp app({contact("Ann", "1")});
    QWidget* target = pressedOn.isEmpty() ? app.window() : app.find<QWidget>(pressedOn.constData());
    auto* drag = app.window()->findChild<SurfaceDrag*>();
    QVERIFY(drag);
    QSignalSpy started(drag, &SurfaceDrag::moveStarted);

    const QPoint from(5, 5);
    const int far = QApplication::startDragDistance() + 1;
    sendMouse(target, QEvent::MouseButtonPress, from, button, button);
    for (const QPoint& step : steps) {
        sendMouse(target, QEvent::MouseMove, from + step, Qt::NoButton, button);
    }
    sendMouse(target, QEvent::MouseButtonRelease,
              from + (steps.isEmpty() ? QPoint() : steps.last()), button, Qt::NoButton);
    QCOMPARE(started.count(), moves);
    // After the release, the pointer's movement is the menu's again.
    sendMouse(target, QEvent::MouseMove, from + QPoint(3 * far, 0), Qt::NoButton, Qt::NoButton);
    QCOMPARE(started.count(), moves);
}

void StatusMenuTest::menuItemsLightUpUnderThePointer()
{
    RunningApp app;
    QWidget* panel = app.find<QWidget>("Picture3");
    movePointer(app.find<QWidget>("Label9"));
    movePointer(app.find<QWidget>("Label12"));
    QCOMPARE(textColour(app, "Label12"), kYellow);
    movePointer(app.find<QWidget>("Label13"));
    QCOMPARE(textColour(app, "Label13"), kYellow);
    QCOMPARE(textColour(app, "Label12"), kYellow);
    movePointer(panel, QPoint(5, 2));
    QCOMPARE(textColour(app, "Label12"), QColor(Qt::black));
    QCOMPARE(textColour(app, "Label13"), QColor(Qt::black));
    movePointer(app.find<QWidget>("Label13"));
    movePointer(app.window(), QPoint(400, 300));
    QVERIFY(!panel->isVisible());
    QCOMPARE(textColour(app, "Label13"), kYellow);
}

void StatusMenuTest::aboutItemOpensTheAboutWindow()
{
    RunningApp app;
    movePointer(app.find<QWidget>("Label9"));
    QTest::mouseClick(app.find<QLabel>("Label12"), Qt::LeftButton);
    QVERIFY(!app.find<QWidget>("Picture3")->isVisible());
    QVERIFY(app.registry->existingAboutWindow()->isVisible());
    QVERIFY(!app.window()->isEnabled());
    QVERIFY(app.fakes.messages.asked.isEmpty());
}

void StatusMenuTest::exitItemAsksFirst_data()
{
    QTest::addColumn<bool>("yes");
    QTest::newRow("no") << false;
    QTest::newRow("yes") << true;
}

void StatusMenuTest::exitItemAsksFirst()
{
    QFETCH(bool, yes);
    RunningApp app({contact("Ann", "1")});
    movePointer(app.find<QWidget>("Label9"));
    app.fakes.messages.setNextAnswer(yes ? BoxAnswer::Yes : BoxAnswer::No);
    QTest::mouseClick(app.find<QLabel>("Label13"), Qt::LeftButton);
    QCOMPARE(app.fakes.messages.asked.size(), 1);
    QCOMPARE(app.fakes.messages.asked[0],
             (AskedBox{"Exit now?", "Exit", BoxIcon::Question, BoxButtons::YesNo}));
    QVERIFY(!app.find<QWidget>("Picture3")->isVisible());
    QCOMPARE(app.fakes.process.endRequests, yes ? 1 : 0);
    QCOMPARE(app.fakes.tray.icons, yes ? 0 : 1);
    QCOMPARE(app.folder.stored().size(), 1);
}

void StatusMenuTest::webLinkOpensTheBrowserAndMinimises()
{
    RunningApp app;
    auto* link = app.find<QLabel>("Label22");
    QCOMPARE(link->text(), QStringLiteral("https://norvane.example.org/"));
    QTest::mouseClick(link, Qt::LeftButton);
    QVERIFY(app.window()->isMinimized());
    app.window()->setWindowState(Qt::WindowNoState);
    QTest::mouseClick(link, Qt::LeftButton);
    QCOMPARE(app.fakes.browser.opened.size(), 2);
    QCOMPARE(app.fakes.browser.opened[0], QUrl("https://norvane.example.org/"));
    QVERIFY(app.window()->isMinimized());
    // Without a browser: a warning that names the address, and the window stays.
    app.fakes.browser.available = false;
    app.window()->setWindowState(Qt::WindowNoState);
    QTest::mouseClick(link, Qt::LeftButton);
    QVERIFY(!app.window()->isMinimized());
    QCOMPARE(app.fakes.messages.asked.size(), 1);
    QCOMPARE(app.fakes.messages.asked[0].icon, BoxIcon::Warning);
    QVERIFY(
        app.fakes.messages.asked[0].text.contains(QLatin1String("https://norvane.example.org/")));
}

QTEST_MAIN(StatusMenuTest)
#include "tst_status_menu.moc"
