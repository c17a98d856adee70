// One running Norvane per application folder.
#include "platform/single_instance.h"

#include <QDir>
#include <QFileInfo>
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
    void theLockLivesInTheFolderForItsOwnerOnly();
    void anotherTemporaryFolderDoesNotStartASecond();
    void aLockThatCannotBeTakenSaysWhy();
    void aHolderThatDoesNotAnswerIsNamed();
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
    // The companion tool's request to reload is told apart from a second start.
    QSignalSpy reloads(&first, &SingleInstance::reloadRequested);
    QVERIFY(SingleInstance(folder.path()).askPrimaryToReload());
    QVERIFY(reloads.wait(2000));
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

void SingleInstanceTest::theLockLivesInTheFolderForItsOwnerOnly()
{
    QTemporaryDir folder;
    SingleInstance first(folder.path());
    QVERIFY(first.becomePrimary());
    const QString lock = SingleInstance::lockFilePath(folder.path());
    QCOMPARE(QFileInfo(lock).absolutePath(), QFileInfo(folder.path()).absoluteFilePath());
    QCOMPARE(QFile::permissions(lock) & ~(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                          QFileDevice::ReadUser | QFileDevice::WriteUser),
             QFileDevice::Permissions());
}

// The lock no longer depends on where temporary files go.
void SingleInstanceTest::anotherTemporaryFolderDoesNotStartASecond()
{
    QTemporaryDir folder;
    QTemporaryDir otherTemp;
    SingleInstance first(folder.path());
    QVERIFY(first.becomePrimary());
    const QByteArray savedTemp = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(otherTemp.path()));
    SingleInstance second(folder.path());
    const bool secondIsPrimary = second.becomePrimary();
    qputenv("TMPDIR", savedTemp);
    QVERIFY(!secondIsPrimary);
    QCOMPARE(second.lockProblem(), QString());
}

void SingleInstanceTest::aLockThatCannotBeTakenSaysWhy()
{
    QTemporaryDir folder;
    QVERIFY(QDir().mkdir(SingleInstance::lockFilePath(folder.path())));
    SingleInstance blocked(folder.path());
    QVERIFY(!blocked.becomePrimary());
    QVERIFY(blocked.lockProblem().contains(QLatin1String("norvane.lock")));
}

// The lock is held, but no socket answers (a Norvane of another user): the
// start says so, where it left without a word.
void SingleInstanceTest::aHolderThatDoesNotAnswerIsNamed()
{
    QTemporaryDir folder;
    QFile holder(SingleInstance::lockFilePath(folder.path()));
    QVERIFY(holder.open(QIODevice::ReadWrite));
    QVERIFY(tryLockFile(holder));
    SingleInstance second(folder.path());
    QVERIFY(!second.becomePrimary());
    QCOMPARE(second.lockProblem(), QString());
    QVERIFY(!second.askPrimaryToShow());
    QVERIFY(second.lockProblem().contains(QDir::toNativeSeparators(folder.path())));
}

QTEST_GUILESS_MAIN(SingleInstanceTest)
#include "tst_single_instance.moc"
