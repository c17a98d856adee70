// One running Norvane per application folder.
#include "platform/single_instance.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace norvane;

class SingleInstanceTest : public QObject
{
    Q_OBJECT

private slots:
    void secondStartAsksTheFirstToShow();
    void foldersDoNotShareAnInstance();
    void aReleasedLockCanBeTakenAgain();
};

void SingleInstanceTest::secondStartAsksTheFirstToShow()
{
    QTemporaryDir folder;
    SingleInstance first(folder.path());
    QVERIFY(first.becomePrimary());
    QSignalSpy shown(&first, &SingleInstance::showRequested);
    SingleInstance second(folder.path());
    QVERIFY(!second.becomePrimary());
    QVERIFY(second.askPrimaryToShow());
    QVERIFY(shown.wait(2000));
    QCOMPARE(shown.size(), 1);
}

void SingleInstanceTest::foldersDoNotShareAnInstance()
{
    QTemporaryDir a;
    QTemporaryDir b;
    SingleInstance first(a.path());
    SingleInstance other(b.path());
    QVERIFY(first.becomePrimary());
    QVERIFY(other.becomePrimary());
}

void SingleInstanceTest::aReleasedLockCanBeTakenAgain()
{
    QTemporaryDir folder;
    {
        SingleInstance first(folder.path());
        QVERIFY(first.becomePrimary());
    }
    SingleInstance next(folder.path());
    QVERIFY(next.becomePrimary());
    SingleInstance late(folder.path());
    QVERIFY(!late.becomePrimary());
}

QTEST_GUILESS_MAIN(SingleInstanceTest)
#include "tst_single_instance.moc"
