// Kills a process that is registering contacts at random moments and checks,
// after every kill, that the database is sound and holds every contact the
// store acknowledged, whole and unchanged. A kill mid-change leaves a
// rollback journal, which the next open plays back.
#include "crash_contact.h"
#include "data/connection_text.h"
#include "data/database.h"
#include "support/test_folder.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QTest>

using namespace norvane;
using namespace norvane::testing;

namespace {

QString integrity(const QString& path)
{
    QString reason;
    const auto db = Database::open(path, databasePassword(), reason);
    if (!db) {
        return reason;
    }
    Statement check = db->prepare("PRAGMA integrity_check", reason);
    bool done = false;
    return check.isValid() && check.next(done) ? check.text(0) : db->lastError();
}

} // namespace

class CrashSafetyTest : public QObject
{
    Q_OBJECT

private slots:
    void keepsEveryAcknowledgedContactThroughKills();
};

void CrashSafetyTest::keepsEveryAcknowledgedContactThroughKills()
{
    const int kills = qEnvironmentVariableIntValue("NORVANE_CRASH_KILLS") > 0
                          ? qEnvironmentVariableIntValue("NORVANE_CRASH_KILLS")
                          : 50;
    TestFolder folder;
    QRandomGenerator random(20261207);
    QSet<int> acknowledged;
    int next = 0;
    int lost = 0;
    int integrityFailures = 0;
    for (int kill = 0; kill < kills; ++kill) {
        QProcess writer;
        writer.start(QStringLiteral(CRASH_WRITER), {folder.path(), QString::number(next)});
        QVERIFY(writer.waitForStarted());
        // Kill it at a random moment once it is writing.
        QVERIFY(writer.waitForReadyRead(30000));
        QTest::qWait(static_cast<int>(random.bounded(100)));
        writer.kill();
        QVERIFY(writer.waitForFinished());
        for (const QByteArray& line : writer.readAllStandardOutput().split('\n')) {
            if (line.startsWith("ACK ")) {
                acknowledged.insert(line.mid(4).toInt());
            }
        }
        // No acknowledged contact may depend on a write-ahead log.
        QVERIFY(!QFile::exists(folder.databasePath() + QStringLiteral("-wal")));
        if (integrity(folder.databasePath()) != QLatin1String("ok")) {
            ++integrityFailures;
        }
        const QList<Contact> stored = folder.stored();
        QSet<int> present;
        for (const Contact& row : stored) {
            const int index = row.name.section(QLatin1Char(' '), 2).toInt();
            Contact expected = crashContact(index);
            expected.id = row.id;
            QCOMPARE(row, expected); // whole: never half-written
            present.insert(index);
            next = std::max(next, index + 1);
        }
        for (int index : std::as_const(acknowledged)) {
            if (!present.contains(index)) {
                ++lost;
            }
        }
        acknowledged = present & acknowledged;
    }
    qInfo("crash safety: %d kills, %lld acknowledged contacts, %d lost, %d integrity failures",
          kills, static_cast<long long>(acknowledged.size()), lost, integrityFailures);
    QVERIFY(acknowledged.size() > kills);
    QCOMPARE(lost, 0);
    QCOMPARE(integrityFailures, 0);
}

QTEST_GUILESS_MAIN(CrashSafetyTest)
#include "tst_crash_safety.moc"
