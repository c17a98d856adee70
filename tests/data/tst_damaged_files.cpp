// Damaged and foreign database files: the connect fails with a reason or
// reads exactly what was stored; nothing crashes, and the file's bytes stay
// as they were.
#include "contacts/contact_store.h"
#include "data/connection_text.h"
#include "data/data_control.h"
#include "data/database.h"
#include "support/running_app.h"

#include <QCryptographicHash>
#include <QFile>
#include <QRandomGenerator>
#include <sqlite3.h>

using namespace norvane;
using namespace norvane::testing;

namespace {

QByteArray sha(const QString& path)
{
    return QCryptographicHash::hash(readFile(path), QCryptographicHash::Sha256);
}

// A database of a few hundred contacts, checkpointed so that the main file
// holds everything, and the contacts in it.
struct GoodDatabase
{
    GoodDatabase()
    {
        QList<Contact> many;
        for (int i = 0; i < 300; ++i) {
            many.append(contact(QStringLiteral("Person %1").arg(i), QString::number(5550000 + i),
                                QStringLiteral("%1 Long Road").arg(i)));
        }
        contacts = folder.add(many);
        QString reason;
        Database::open(folder.databasePath(), databasePassword(), reason)
            ->execute("PRAGMA wal_checkpoint(TRUNCATE)");
        bytes = readFile(folder.databasePath());
    }
    TestFolder folder;
    QList<Contact> contacts;
    QByteArray bytes;
};

GoodDatabase& good()
{
    static GoodDatabase database;
    return database;
}

} // namespace

class DamagedFilesTest : public QObject
{
    Q_OBJECT

private slots:
    void refusesDamagedAndForeignFiles_data();
    void refusesDamagedAndForeignFiles();
    void neverMisreadsFlippedBytes();
    void warnsAtStartUpAndLeavesTheFileAlone();
    void refusesAnUnreadableFile();
};

void DamagedFilesTest::refusesDamagedAndForeignFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray original = good().bytes;
    QByteArray salt = original;
    for (int i = 0; i < 16; ++i) {
        salt[i] = static_cast<char>(salt[i] ^ 0x5A);
    }
    QByteArray random(8192 * 3, Qt::Uninitialized);
    QRandomGenerator generator(7);
    for (char& byte : random) {
        byte = static_cast<char>(generator.bounded(256));
    }
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("truncated to a page") << original.left(4096);
    QTest::newRow("truncated mid-page") << original.left(original.size() / 2 + 1000);
    QTest::newRow("damaged salt") << salt;
    QTest::newRow("random bytes") << random;
    QTest::newRow("text file") << QByteArray("Name,Number\nAnn,555\n");
}

void DamagedFilesTest::refusesDamagedAndForeignFiles()
{
    QFETCH(QByteArray, bytes);
    TestFolder folder(false);
    const QString path = databaseFile(folder.path());
    writeFile(path, bytes);
    const QByteArray before = sha(path);
    DataControl control;
    const Status status = connectSequence(control, folder.path());
    QVERIFY2(!status.ok(), "a damaged file was read as if it were sound");
    QVERIFY(!status.reason().isEmpty());
    QVERIFY(!status.reason().contains(databasePassword()));
    QCOMPARE(control.recordSet()->rowCount(), 0);
    QCOMPARE(sha(path), before);
}

void DamagedFilesTest::neverMisreadsFlippedBytes()
{
    QRandomGenerator generator(20261207);
    const QByteArray original = good().bytes;
    int refused = 0;
    int readWhole = 0;
    for (int variant = 0; variant < 300; ++variant) {
        QByteArray bytes = original;
        const int flips = 1 + static_cast<int>(generator.bounded(3));
        for (int f = 0; f < flips; ++f) {
            const auto at =
                static_cast<qsizetype>(generator.bounded(static_cast<quint32>(bytes.size())));
            bytes[at] = static_cast<char>(bytes[at] ^ (1 << generator.bounded(8)));
        }
        TestFolder folder(false);
        const QString path = databaseFile(folder.path());
        writeFile(path, bytes);
        const QByteArray before = sha(path);
        DataControl control;
        if (connectSequence(control, folder.path()).ok()) {
            RecordSet& records = *control.recordSet();
            QCOMPARE(records.rowCount(), good().contacts.size());
            for (int row = 0; row < records.rowCount(); ++row) {
                QCOMPARE(records.row(row), good().contacts[row]);
            }
            ++readWhole;
        } else {
            ++refused;
        }
        QCOMPARE(sha(path), before);
    }
    qInfo("flipped bytes: 300 variants, %d refused, %d read exactly as stored, 0 misread", refused,
          readWhole);
}

void DamagedFilesTest::warnsAtStartUpAndLeavesTheFileAlone()
{
    RunningApp app({}, false);
    const QString path = app.folder.databasePath();
    app.registry.reset();
    app.fakes.messages.asked.clear();
    QByteArray salt = good().bytes;
    salt[3] = static_cast<char>(salt[3] ^ 1);
    writeFile(path, salt);
    const QByteArray before = sha(path);
    app.registry = std::make_unique<Registry>(app.fakes.services());
    app.registry->start();
    app.stopTimers();
    app.acceptTerms();
    QCOMPARE(app.fakes.messages.asked.size(), 1);
    QVERIFY(app.fakes.messages.asked[0].text.contains(QDir::toNativeSeparators(path)));
    QVERIFY(app.fakes.messages.asked[0].text.contains(QLatin1String("password is wrong")));
    // Nothing can be saved into a store that is not open, and nothing claims so.
    app.click("cmdReg");
    app.find<QLineEdit>("regName")->setText(QStringLiteral("Ann"));
    app.find<QPlainTextEdit>("regCon")->setPlainText(QStringLiteral("555"));
    app.click("AeroButton1");
    QCOMPARE(app.fakes.messages.asked.size(), 2);
    QCOMPARE(app.fakes.messages.asked[1].icon, BoxIcon::Warning);
    QVERIFY(!app.boxTexts().join("").contains("successfully"));
    QCOMPARE(sha(path), before);
}

void DamagedFilesTest::refusesAnUnreadableFile()
{
    TestFolder folder;
    QFile file(folder.databasePath());
    QVERIFY(file.setPermissions(QFileDevice::WriteOwner));
    if (file.open(QIODevice::ReadOnly)) {
        file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QSKIP("this account reads files whatever their permissions say");
    }
    DataControl control;
    const Status status = connectSequence(control, folder.path());
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QVERIFY(!status.ok());
    QVERIFY(status.reason().contains(QLatin1String("cannot be read")));
}

QTEST_MAIN(DamagedFilesTest)
#include "tst_damaged_files.moc"
