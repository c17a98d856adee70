// The About window and the running-time counter it owns.
#include "support/running_app.h"

#include <QLabel>
#include <QThread>
#include <QTimer>

using namespace norvane;
using namespace norvane::testing;

namespace {

QString counter(const AboutWindow& about)
{
    return about.hours() + ':' + about.minutes() + ':' + about.seconds();
}

void tick(AboutWindow& about, int times)
{
    for (int i = 0; i < times; ++i) {
        about.countOneSecond();
    }
}

} // namespace

class AboutTest : public QObject
{
    Q_OBJECT

private slots:
    void countsAndCarriesOnTheSameTick_data();
    void countsAndCarriesOnTheSameTick();
    void startsTheCounterWithTheApplication();
    void losesNoTimeWhileTheWindowIsHeldUp();
    void restartsTheCounterAfterClose();
    void showsTheCreditsAndDisablesTheMainWindow();
    void opensTheWebPage();
    void namesTheAddressWithoutABrowser();
    void everyWayOfClosingReleasesTheMainWindow_data();
    void everyWayOfClosingReleasesTheMainWindow();
};

void AboutTest::countsAndCarriesOnTheSameTick_data()
{
    QTest::addColumn<int>("ticks");
    QTest::addColumn<QString>("expected");
    QTest::newRow("none") << 0 << "0:0:0";
    QTest::newRow("59") << 59 << "0:0:59";
    QTest::newRow("60") << 60 << "0:1:0";
    QTest::newRow("61") << 61 << "0:1:1";
    QTest::newRow("3599") << 3599 << "0:59:59";
    QTest::newRow("3600") << 3600 << "1:0:0";
    QTest::newRow("3601") << 3601 << "1:0:1";
    QTest::newRow("86400") << 86400 << "24:0:0";
}

void AboutTest::countsAndCarriesOnTheSameTick()
{
    QFETCH(int, ticks);
    QFETCH(QString, expected);
    RunningApp app;
    AboutWindow& about = app.registry->aboutWindow();
    tick(about, ticks);
    QCOMPARE(counter(about), expected);
}

void AboutTest::startsTheCounterWithTheApplication()
{
    RunningApp app;
    AboutWindow* about = app.registry->existingAboutWindow();
    QVERIFY(about);
    QVERIFY(!about->isVisible());
    QCOMPARE(counter(*about), QStringLiteral("0:0:0"));
    QTimer* timer = about->findChild<QTimer*>(QStringLiteral("Timer1"));
    QCOMPARE(timer->interval(), 1000);
}

// A long reload holds the window's thread past several ticks; the first tick
// after it counts every second gone.
void AboutTest::losesNoTimeWhileTheWindowIsHeldUp()
{
    RunningApp app;
    AboutWindow& about = app.registry->aboutWindow();
    about.findChild<QTimer*>(QStringLiteral("Timer1"))->start();
    QThread::msleep(2600);
    QTest::qWait(200);
    QVERIFY2(about.seconds().toInt() >= 3, qPrintable(counter(about)));
}

void AboutTest::restartsTheCounterAfterClose()
{
    RunningApp app;
    tick(app.registry->aboutWindow(), 65);
    app.window()->refreshRunningTime();
    QCOMPARE(app.find<QLabel>("lblStart")->text(), QStringLiteral("APP Time: [0:1:5]"));
    app.registry->showAboutWindow();
    QTest::mouseClick(app.registry->existingAboutWindow()->findChild<QWidget*>("AeroButton1"),
                      Qt::LeftButton);
    app.settle();
    QVERIFY(!app.registry->existingAboutWindow());
    app.window()->refreshRunningTime();
    QCOMPARE(app.find<QLabel>("lblStart")->text(), QStringLiteral("APP Time: [0:0:0]"));
    QVERIFY(app.registry->existingAboutWindow());
    QVERIFY(!app.registry->existingAboutWindow()->isVisible());
}

void AboutTest::showsTheCreditsAndDisablesTheMainWindow()
{
    RunningApp app;
    app.find<QWidget>("Picture3")->show();
    QTest::mouseClick(app.find<QLabel>("Label12"), Qt::LeftButton);
    AboutWindow* about = app.registry->existingAboutWindow();
    QVERIFY(about->isVisible());
    QVERIFY(!app.find<QWidget>("Picture3")->isVisible());
    QVERIFY(!app.window()->isEnabled());
    // Nor does the window a reload brings meanwhile (a sync ending, another
    // program asking) take input before the About window is closed.
    app.registry->reloadWhenIdle();
    app.settle();
    QVERIFY(about->isVisible());
    QVERIFY(!app.window()->isEnabled());
    QVERIFY(QTest::qWaitForWindowActive(about));
    QVERIFY(app.focusReturnsTo(about)); // a click on the disabled window
    QCOMPARE(about->windowTitle(), QStringLiteral("About"));
    QCOMPARE(about->size(), QSize(538, 261));
    QCOMPARE(about->findChild<QLabel*>("Label1")->text(), QStringLiteral("NORVANE"));
    QCOMPARE(about->findChild<QLabel*>("Label4")->text(), QStringLiteral("QUILLFEN"));
    QCOMPARE(about->findChild<QLabel*>("Label5")->text(), QStringLiteral("This is a freeware"));
    QVERIFY(!about->findChild<QLabel*>("Image1")->pixmap().isNull());
    tick(*about, 3);
    QCOMPARE(counter(*about), QStringLiteral("0:0:3"));
    QTest::mouseClick(about->findChild<QWidget*>("AeroButton1"), Qt::LeftButton);
    app.settle();
    QVERIFY(app.window()->isEnabled());
    QVERIFY(app.window()->isVisible());
}

void AboutTest::opensTheWebPage()
{
    RunningApp app;
    app.registry->showAboutWindow();
    auto* link = app.registry->existingAboutWindow()->findChild<QLabel*>("Label22");
    QTest::mouseClick(link, Qt::LeftButton);
    QTest::mouseClick(link, Qt::LeftButton);
    QCOMPARE(app.fakes.browser.opened, QList<QUrl>({QUrl("https://norvane.example.org/"),
                                                    QUrl("https://norvane.example.org/")}));
    QVERIFY(app.registry->existingAboutWindow()->isVisible());
}

void AboutTest::namesTheAddressWithoutABrowser()
{
    RunningApp app;
    app.fakes.browser.available = false;
    app.registry->showAboutWindow();
    QTest::mouseClick(app.registry->existingAboutWindow()->findChild<QLabel*>("Label22"),
                      Qt::LeftButton);
    QCOMPARE(app.fakes.messages.asked.size(), 1);
    QVERIFY(
        app.fakes.messages.asked[0].text.contains(QLatin1String("https://norvane.example.org/")));
    QVERIFY(app.registry->existingAboutWindow()->isVisible());
}

// Its title bar's close button, Alt+F4 or Escape: the window goes as "Close"
// makes it go, and the main window comes back.
void AboutTest::everyWayOfClosingReleasesTheMainWindow_data()
{
    QTest::addColumn<bool>("byEscape");
    QTest::newRow("window manager") << false;
    QTest::newRow("Escape") << true;
}

void AboutTest::everyWayOfClosingReleasesTheMainWindow()
{
    QFETCH(bool, byEscape);
    RunningApp app;
    app.registry->showAboutWindow();
    app.window()->setEnabled(false);
    AboutWindow* about = app.registry->existingAboutWindow();
    if (byEscape) {
        about->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(about));
        QTest::keyClick(about, Qt::Key_Escape);
    } else {
        about->close();
    }
    app.settle();
    QVERIFY(!app.registry->existingAboutWindow());
    QVERIFY(app.window()->isEnabled());
    QVERIFY(app.window()->isVisible());
}

QTEST_MAIN(AboutTest)
#include "tst_about.moc"
