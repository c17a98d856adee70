// The address book's promises, each tried the way it could fail in use:
// acknowledged means stored in the database file itself; a failed write
// changes nothing; another program's change is never overwritten; stored
// bytes are never rewritten unasked; journals are replayed whole or refused;
// only the owner can read.
#include "contacts/contact_store.h"
#include "contacts/photo_store.h"
#include "data/connection_text.h"
#include "data/contact_columns.h"
#include "data/data_control.h"
#include "data/database.h"
#include "support/running_app.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTableView>
#include <cstdio>

using namespace norvane;
using namespace norvane::testing;

namespace {

// A column's storage class and bytes, exactly as stored.
QString storedBytes(const TestFolder& folder, const QByteArray& column)
{
    QString reason;
    const auto db = Database::open(folder.databasePath(), databasePassword(), reason);
    Statement read = db->prepare(
        "SELECT typeof(" + column + ") || ':' || hex(" + column + ") FROM tblYou", reason);
    bool done = false;
    return read.isValid() && read.next(done) ? read.text(0) : reason;
}

// Copies the book and one of its journals while another program has it
// open, as a backup or a move of the folder would.
void copyWhileOpen(const TestFolder& from, const QString& journal, const TestFolder& to)
{
    for (const QString& suffix : {QString(), journal}) {
        QFile::remove(to.databasePath() + suffix);
        QVERIFY(QFile::copy(from.databasePath() + suffix, to.databasePath() + suffix));
    }
}

// The book as a program leaves it that keeps it in write-ahead mode and
// never folds the log back: contacts written each in its own transaction,
// all of them in the log only.
void copyWithContactsInALog(const TestFolder& to, int count)
{
    TestFolder from;
    QString reason;
    const auto db = Database::open(from.databasePath(), databasePassword(), reason);
    QVERIFY(db->execute("PRAGMA journal_mode = WAL; PRAGMA wal_autocheckpoint = 0").ok());
    for (int i = 0; i < count; ++i) {
        const QByteArray insert =
            "INSERT INTO tblYou (NAME) VALUES ('Logged " + QByteArray::number(i) + "')";
        QVERIFY(db->execute(insert.constData()).ok());
    }
    copyWhileOpen(from, QStringLiteral("-wal"), to);
}

// The book copied while another program is halfway through a change big
// enough to spill into the file: the copy carries a journal to roll back.
void copyInTheMiddleOfAChange(const TestFolder& to)
{
    TestFolder from;
    from.add({contact("A", "1"), contact("B", "2"), contact("C", "3")});
    QString reason;
    const auto db = Database::open(from.databasePath(), databasePassword(), reason);
    QVERIFY(db->execute("PRAGMA cache_size = 2; BEGIN IMMEDIATE").ok());
    for (int i = 0; i < 200; ++i) {
        QVERIFY(db->execute("INSERT INTO tblYou (NAME) VALUES (hex(randomblob(500)))").ok());
    }
    copyWhileOpen(from, QStringLiteral("-journal"), to);
}

enum class Operation { Register, Update, Remove };

QString nameOf(Operation operation)
{
    return operation == Operation::Register ? QStringLiteral("register")
           : operation == Operation::Update ? QStringLiteral("update")
                                            : QStringLiteral("remove");
}

// Registers Cat, or changes or removes the current contact.
Status perform(Operation operation, DataControl& control, const TestFolder& folder)
{
    switch (operation) {
    case Operation::Register:
        return registerContact(control, folder.path(), contact("Cat", "333"));
    case Operation::Update: {
        const Contact shown = control.recordSet()->current().value_or(Contact());
        Contact edited = shown;
        edited.address = QStringLiteral("Changed Street");
        return updateCurrentContact(control, shown, edited);
    }
    case Operation::Remove:
        break;
    }
    QString photoProblem;
    return removeCurrentContact(control, folder.path(), photoProblem);
}

// The table after the operation on the second of the rows.
QList<Contact> expectedAfter(Operation operation, QList<Contact> rows)
{
    switch (operation) {
    case Operation::Register:
        rows.append(contact("Cat", "333"));
        break;
    case Operation::Update:
        rows[1].address = QStringLiteral("Changed Street");
        break;
    case Operation::Remove:
        rows.removeAt(1);
        break;
    }
    return rows;
}

} // namespace

class DataSafetyTest : public QObject
{
    Q_OBJECT

private slots:
    void acknowledgedContactsAreInTheDatabaseFileAlone();
    void aFailedWriteLeavesEverythingAsItWas_data();
    void aFailedWriteLeavesEverythingAsItWas();
    void aBookReplacedWhileOpenIsNeverWrittenBlind_data();
    void aBookReplacedWhileOpenIsNeverWrittenBlind();
    void anotherProgramsChangeIsNeverOverwritten_data();
    void anotherProgramsChangeIsNeverOverwritten();
    void showsTheStoredBookAfterARefusal_data();
    void showsTheStoredBookAfterARefusal();
    void valuesNobodyEditedKeepTheirBytes_data();
    void valuesNobodyEditedKeepTheirBytes();
    void journalsAreReplayedWholeOrRefused_data();
    void journalsAreReplayedWholeOrRefused();
    void onlyTheOwnerCanRead();
    void aPhotoNameWithABackslashIsRemovedWithItsContact();
    void aPhotoStaysWhileAnotherSpellingOfItsNameIsUsed_data();
    void aPhotoStaysWhileAnotherSpellingOfItsNameIsUsed();
    void aStoredPhotoIsAWholeCopyAndLeavesNothingElse_data();
    void aStoredPhotoIsAWholeCopyAndLeavesNothingElse();
    void aPassphraseOfTheUsersOwnOpensTheBook_data();
    void aPassphraseOfTheUsersOwnOpensTheBook();
};

// Norvane ends at once, without closing anything: what it acknowledged
// must already be in dbVesk.mdb, so that a copy of that one file, taken
// after it ended or while it runs, holds every contact.
void DataSafetyTest::acknowledgedContactsAreInTheDatabaseFileAlone()
{
    TestFolder folder;
    QProcess writer;
    writer.start(QStringLiteral(CRASH_WRITER),
                 {folder.path(), QStringLiteral("0"), QStringLiteral("25")});
    QVERIFY(writer.waitForFinished(30000));
    QCOMPARE(writer.exitCode(), 0);
    QCOMPARE(writer.readAllStandardOutput().count("ACK "), 25);
    DataControl running;
    QVERIFY(connectSequence(running, folder.path()).ok());
    QVERIFY(registerContact(running, folder.path(), contact("Open Book", "1")).ok());
    QVERIFY(!QFile::exists(folder.databasePath() + QStringLiteral("-wal")));

    TestFolder copy(false);
    QVERIFY(QFile::copy(folder.databasePath(), copy.databasePath()));
    const QList<Contact> copied = copy.stored();
    QCOMPARE(copied.size(), 26);
    QCOMPARE(copied.last().name, QStringLiteral("Open Book"));
}

void DataSafetyTest::aFailedWriteLeavesEverythingAsItWas_data()
{
    QTest::addColumn<Operation>("failing");
    QTest::addColumn<Operation>("next");
    const Operation all[] = {Operation::Register, Operation::Update, Operation::Remove};
    for (const Operation failing : all) {
        for (const Operation next : all) {
            QTest::addRow("%s fails, then %s", qPrintable(nameOf(failing)),
                          qPrintable(nameOf(next)))
                << failing << next;
        }
    }
}

// Another program holds the write lock while the first operation runs; the
// next one, once the lock is gone, must do exactly what it says.
void DataSafetyTest::aFailedWriteLeavesEverythingAsItWas()
{
    QFETCH(Operation, failing);
    QFETCH(Operation, next);
    TestFolder folder;
    const QList<Contact> added = folder.add({contact("Ann", "111"), contact("Bob", "222")});
    DataControl control;
    QVERIFY(connectSequence(control, folder.path()).ok());
    RecordSet& records = *control.recordSet();
    records.moveTo(1);
    {
        const auto lock = folder.lockForWriting();
        QVERIFY(!perform(failing, control, folder).ok());
    }
    QCOMPARE(records.rowCount(), 2);
    QCOMPARE(records.row(0), added[0]);
    QCOMPARE(records.row(1), added[1]);
    QCOMPARE(records.currentRow(), 1);

    QVERIFY(perform(next, control, folder).ok());
    const QList<Contact> stored = folder.stored();
    QList<Contact> expected = expectedAfter(next, added);
    QCOMPARE(stored.size(), expected.size());
    expected.last().id = stored.last().id; // a registered contact gets its ID from the store
    QCOMPARE(stored, expected);
}

void DataSafetyTest::aBookReplacedWhileOpenIsNeverWrittenBlind_data()
{
    QTest::addColumn<Operation>("operation");
    for (const Operation operation : {Operation::Register, Operation::Update, Operation::Remove}) {
        QTest::newRow(qPrintable(nameOf(operation))) << operation;
    }
}

// Another program puts a copy in the book's place while it is open (a backup
// restored): a write says so, instead of going to the file that was there
// before, and after a refresh it goes to the book that is there now.
void DataSafetyTest::aBookReplacedWhileOpenIsNeverWrittenBlind()
{
    QFETCH(Operation, operation);
    TestFolder folder;
    const QList<Contact> added = folder.add({contact("Ann", "111"), contact("Bob", "222")});
    DataControl control;
    QVERIFY(connectSequence(control, folder.path()).ok());
    control.recordSet()->moveTo(1);
    const QString copy = folder.databasePath() + QStringLiteral(".restored");
    QVERIFY(QFile::copy(folder.databasePath(), copy));
    QVERIFY(std::rename(QFile::encodeName(copy).constData(),
                        QFile::encodeName(folder.databasePath()).constData()) == 0);

    const Status blind = perform(operation, control, folder);
    QVERIFY(!blind.ok());
    QVERIFY2(blind.reason().contains(QStringLiteral("replaced, moved or deleted")),
             qPrintable(blind.reason()));
    QCOMPARE(folder.stored(), added);

    QVERIFY(control.refresh().ok());
    control.recordSet()->moveTo(1);
    QVERIFY(perform(operation, control, folder).ok());
    const QList<Contact> stored = folder.stored();
    QList<Contact> expected = expectedAfter(operation, added);
    QCOMPARE(stored.size(), expected.size());
    expected.last().id = stored.last().id;
    QCOMPARE(stored, expected);
}

void DataSafetyTest::anotherProgramsChangeIsNeverOverwritten_data()
{
    QTest::addColumn<QString>("elsewhere");
    QTest::addColumn<bool>("removeHere");
    QTest::addColumn<Contact>("editedHere");
    QTest::addColumn<Status::Failure>("failure"); // General: no failure
    QTest::addColumn<Contact>("stored");
    const Contact ann = contact("Ann", "111", {}, "ann@example.com");
    const auto with = [&](const char* name, const char* email) {
        Contact c = ann;
        c.name = QString::fromUtf8(name);
        c.email = QString::fromUtf8(email);
        return c;
    };
    const QString rename = QStringLiteral("UPDATE tblYou SET NAME = 'Anna'");
    const QString newMail = QStringLiteral("UPDATE tblYou SET EMAIL = 'a@elsewhere.example'");
    const QString remove = QStringLiteral("DELETE FROM tblYou");
    QTest::newRow("renamed there, e-mail changed here")
        << rename << false << with("Ann", "ann@new.example") << Status::Failure::General
        << with("Anna", "ann@new.example");
    QTest::newRow("renamed there, renamed here")
        << rename << false << with("Annie", "ann@example.com") << Status::Failure::ChangedElsewhere
        << with("Anna", "ann@example.com");
    QTest::newRow("e-mail changed on both sides")
        << newMail << false << with("Ann", "ann@new.example") << Status::Failure::ChangedElsewhere
        << with("Ann", "a@elsewhere.example");
    QTest::newRow("removed there, changed here")
        << remove << false << with("Annie", "ann@example.com") << Status::Failure::Gone
        << Contact();
    QTest::newRow("removed there, saved unchanged here")
        << remove << false << ann << Status::Failure::Gone << Contact();
    QTest::newRow("removed there, removed here")
        << remove << true << Contact() << Status::Failure::Gone << Contact();
}

void DataSafetyTest::anotherProgramsChangeIsNeverOverwritten()
{
    QFETCH(QString, elsewhere);
    QFETCH(bool, removeHere);
    QFETCH(Contact, editedHere);
    QFETCH(Status::Failure, failure);
    QFETCH(Contact, stored);
    TestFolder folder;
    folder.add({contact("Ann", "111", {}, "ann@example.com")});
    DataControl control;
    QVERIFY(connectSequence(control, folder.path()).ok());
    const Contact shown = *control.recordSet()->current();
    folder.execute(elsewhere);

    QString photoProblem;
    const Status status = removeHere ? removeCurrentContact(control, folder.path(), photoProblem)
                                     : updateCurrentContact(control, shown, editedHere);
    QCOMPARE(status.ok(), failure == Status::Failure::General);
    if (!status.ok()) {
        QCOMPARE(status.kind(), failure);
    }
    if (failure == Status::Failure::ChangedElsewhere) {
        QCOMPARE(status.reason(),
                 QStringLiteral("Ann was changed by another program; your edit was not saved."));
    }
    const QList<Contact> now = folder.stored();
    QCOMPARE(now.size(), stored.name.isEmpty() ? 0 : 1);
    if (!now.isEmpty()) {
        stored.id = now[0].id;
        QCOMPARE(now[0], stored);
    }
}

void DataSafetyTest::showsTheStoredBookAfterARefusal_data()
{
    QTest::addColumn<QString>("elsewhere");
    QTest::addColumn<QString>("editedField"); // empty: REMOVE instead of UPDATE
    QTest::addColumn<QString>("said");
    QTest::addColumn<QStringList>("listed"); // once the refusal is answered and the panel closed
    QTest::newRow("renamed there, renamed here")
        << "UPDATE tblYou SET NAME = 'Anna' WHERE NAME = 'Ann'"
        << "txtName"
        << "Ann was changed by another program; your edit was not saved.\n\n"
           "Cancel to see the contact as it is stored now."
        << QStringList{"Anna", "Bob"};
    QTest::newRow("removed there, e-mail changed here")
        << "DELETE FROM tblYou WHERE NAME = 'Ann'"
        << "txtEmail"
        << "The changes were not saved.\n\nThe contact is no longer in the database."
        << QStringList{"Bob"};
    QTest::newRow("removed there, removed here")
        << "DELETE FROM tblYou WHERE NAME = 'Ann'" << QString()
        << "Ann was not deleted.\n\nThe contact is no longer in the database."
        << QStringList{"Bob"};
}

// The window read the book before another program changed it: a refused
// write must not leave the old rows on show, or the user meets the same
// refusal with every try.
void DataSafetyTest::showsTheStoredBookAfterARefusal()
{
    QFETCH(QString, elsewhere);
    QFETCH(QString, editedField);
    QFETCH(QString, said);
    QFETCH(QStringList, listed);
    RunningApp app({contact("Ann", "1"), contact("Bob", "2")});
    app.folder.execute(elsewhere);
    if (editedField.isEmpty()) {
        app.fakes.messages.setNextAnswer(BoxAnswer::Yes);
        app.click("cmdRemove");
    } else {
        app.click("cmdUpdate");
        app.find<QLineEdit>(qPrintable(editedField))->setText(QStringLiteral("typed here"));
        app.click("AeroButton3");
        app.settle();
        QCOMPARE(app.find<QLineEdit>(qPrintable(editedField))->text(),
                 QStringLiteral("typed here"));
        app.click("AeroButton4");
    }
    app.settle();
    QCOMPARE(app.boxTexts().constLast(), said);
    QAbstractItemModel* grid = app.find<QTableView>("DataGrid1")->model();
    QStringList names;
    for (int row = 0; row < grid->rowCount(); ++row) {
        names.append(grid->index(row, static_cast<int>(ContactColumn::Name)).data().toString());
    }
    QCOMPARE(names, listed);
    QCOMPARE(app.shownContact().name, listed.first());
}

void DataSafetyTest::valuesNobodyEditedKeepTheirBytes_data()
{
    QTest::addColumn<QByteArray>("column");
    QTest::addColumn<QString>("value"); // as SQL
    QTest::newRow("CR LF in the number") << QByteArray("CONTACT") << "'1' || char(13, 10) || '2'";
    QTest::newRow("lone CR in the number") << QByteArray("CONTACT") << "'1' || char(13) || '2'";
    QTest::newRow("bytes that are not UTF-8") << QByteArray("NAME") << "CAST(X'416EE9FF' AS TEXT)";
    QTest::newRow("NULL address") << QByteArray("ADDRESS") << "NULL";
    QTest::newRow("BLOB e-mail") << QByteArray("EMAIL") << "X'00FF10'";
    QTest::newRow("number as an integer") << QByteArray("CONTACT") << "5551234";
    QTest::newRow("a name of 1.2 million characters")
        << QByteArray("NAME") << "replace(hex(zeroblob(600000)), '0', 'a')";
}

// Another program stored a value the fields cannot show as it is; the user
// changes only the company in the window.
void DataSafetyTest::valuesNobodyEditedKeepTheirBytes()
{
    QFETCH(QByteArray, column);
    QFETCH(QString, value);
    RunningApp app({contact("Ann", "1")});
    app.folder.execute(
        QStringLiteral("UPDATE tblYou SET %1 = %2").arg(QString::fromLatin1(column), value));
    const QString before = storedBytes(app.folder, column);
    app.click("cmdRefresh");
    app.settle();
    app.click("cmdUpdate");
    auto* name = app.find<QLineEdit>("txtName");
    const bool longName = name->text().size() > kLongestShownValue;
    QCOMPARE(name->isReadOnly(), longName); // a value shown cut cannot be edited
    QCOMPARE(name->toolTip().isEmpty(), !longName);
    app.find<QLineEdit>("txtCom")->setText(QStringLiteral("New Company"));
    app.click("AeroButton3");
    app.settle();
    QCOMPARE(storedBytes(app.folder, column), before);
    QCOMPARE(storedBytes(app.folder, "COMPANY"), QStringLiteral("text:4E657720436F6D70616E79"));
}

void DataSafetyTest::journalsAreReplayedWholeOrRefused_data()
{
    QTest::addColumn<QString>("journal");   // "wal" or "journal"
    QTest::addColumn<qint64>("flipAt");     // -1: none; below that: cut so many bytes off the end
    QTest::addColumn<int>("contactsShown"); // -1: refused
    constexpr qint64 kFrame = 24 + 4096;
    QTest::newRow("log, whole") << "wal" << qint64(-1) << 20;
    QTest::newRow("log, a byte of frame 5 flipped") << "wal" << 32 + 5 * kFrame + 24 + 900 << -1;
    QTest::newRow("log, a frame header flipped") << "wal" << 32 + 7 * kFrame + 2 << -1;
    QTest::newRow("log, its header flipped") << "wal" << qint64(17) << -1;
    QTest::newRow("log, last frame torn") << "wal" << qint64(-3000) << 19;
    QTest::newRow("rollback journal, whole") << "journal" << qint64(-1) << 3;
    QTest::newRow("rollback journal, magic flipped") << "journal" << qint64(3) << -1;
    QTest::newRow("rollback journal, a record's checksum flipped")
        << "journal" << qint64(512 + 4 + 4096 + 3) << -1;
}

void DataSafetyTest::journalsAreReplayedWholeOrRefused()
{
    QFETCH(QString, journal);
    QFETCH(qint64, flipAt);
    QFETCH(int, contactsShown);
    TestFolder folder;
    const QString journalPath = folder.databasePath() + QLatin1Char('-') + journal;
    if (journal == QLatin1String("wal")) {
        copyWithContactsInALog(folder, 20);
    } else {
        copyInTheMiddleOfAChange(folder);
    }
    QByteArray bytes = readFile(journalPath);
    QVERIFY(bytes.size() > 4096);
    if (flipAt >= 0) {
        bytes[flipAt] = static_cast<char>(bytes.at(flipAt) ^ 0x10);
    } else if (flipAt < -1) {
        bytes.chop(-flipAt);
    }
    writeFile(journalPath, bytes);
    const QByteArray databaseBefore = readFile(folder.databasePath());

    DataControl control;
    const Status opened = connectSequence(control, folder.path());
    if (contactsShown < 0) {
        QVERIFY(!opened.ok());
        QVERIFY2(opened.reason().contains(QLatin1String("damaged")), qPrintable(opened.reason()));
        QCOMPARE(readFile(folder.databasePath()), databaseBefore);
        QCOMPARE(readFile(journalPath), bytes);
        return;
    }
    QVERIFY2(opened.ok(), qPrintable(opened.reason()));
    QCOMPARE(control.recordSet()->rowCount(), contactsShown);
    QVERIFY(!QFile::exists(journalPath)); // replayed, folded into the file and gone
}

void DataSafetyTest::onlyTheOwnerCanRead()
{
    constexpr auto kOthers = QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                             QFileDevice::ExeGroup | QFileDevice::ReadOther |
                             QFileDevice::WriteOther | QFileDevice::ExeOther;
    TestFolder folder;
    QCOMPARE(QFile::permissions(folder.databasePath()) & kOthers, QFileDevice::Permissions());

    const QString source = folder.writePicture(QStringLiteral("shared.png"));
    QVERIFY(QFile::setPermissions(source, QFile::permissions(source) | QFileDevice::ReadOther));
    StoredPhoto photo;
    QVERIFY(storePhoto(source, photoFolder(folder.path()), photo).ok());
    QCOMPARE(QFile::permissions(folder.photoPath(photo.name)) & kOthers,
             QFileDevice::Permissions());

    const auto writer = folder.lockForWriting();
    QVERIFY(writer->execute("INSERT INTO tblYou (NAME) VALUES ('x')").ok());
    const QString journal = folder.databasePath() + QStringLiteral("-journal");
    QVERIFY(QFile::exists(journal));
    QCOMPARE(QFile::permissions(journal) & kOthers, QFileDevice::Permissions());
}

void DataSafetyTest::aStoredPhotoIsAWholeCopyAndLeavesNothingElse_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("there"); // a file of the same name already there, if any
    QTest::addColumn<QString>("stored");
    QByteArray large(300 * 1024 + 7, '\0');
    for (qsizetype i = 0; i < large.size(); ++i) {
        large[i] = static_cast<char>((i * 7919) % 251);
    }
    QTest::newRow("larger than one read") << large << QByteArray() << "photo.jpg";
    QTest::newRow("empty") << QByteArray() << QByteArray() << "photo.jpg";
    QTest::newRow("the name taken by another picture")
        << large << QByteArray("other") << "photo (2).jpg";
    QTest::newRow("the same picture already there") << large << large << "photo.jpg";
}

// A photo lands whole under its name, with no file of the copy's own left
// in the photo folder, and a different file of that name stays as it was.
void DataSafetyTest::aStoredPhotoIsAWholeCopyAndLeavesNothingElse()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, there);
    QFETCH(QString, stored);
    TestFolder folder;
    const QString source = QDir(folder.path()).filePath(QStringLiteral("photo.jpg"));
    writeFile(source, bytes);
    QStringList expected{stored};
    if (!there.isNull()) {
        writeFile(folder.photoPath(QStringLiteral("photo.jpg")), there);
        expected = QStringList{QStringLiteral("photo.jpg"), stored};
        expected.removeDuplicates();
        expected.sort();
    }
    StoredPhoto photo;
    const Status result = storePhoto(source, photoFolder(folder.path()), photo);
    QVERIFY2(result.ok(), qPrintable(result.reason()));
    QCOMPARE(photo.name, stored);
    QCOMPARE(readFile(folder.photoPath(stored)), bytes);
    if (!there.isNull()) {
        QCOMPARE(readFile(folder.photoPath(QStringLiteral("photo.jpg"))), there);
    }
    const QDir photos(photoFolder(folder.path()));
    QCOMPARE(photos.entryList(QDir::Files | QDir::Hidden, QDir::Name), expected);
}

void DataSafetyTest::aPhotoNameWithABackslashIsRemovedWithItsContact()
{
    TestFolder folder;
    const QString source = folder.writePicture(QStringLiteral("back\\slash.png"));
    StoredPhoto photo;
    QVERIFY(storePhoto(source, photoFolder(folder.path()), photo).ok());
    QCOMPARE(photo.name, QStringLiteral("back\\slash.png"));
    folder.add({contact("Ann", "1", {}, {}, {}, photo.name)});
    DataControl control;
    QVERIFY(connectSequence(control, folder.path()).ok());
    QString photoProblem;
    QVERIFY(removeCurrentContact(control, folder.path(), photoProblem).ok());
    QCOMPARE(photoProblem, QString());
    QVERIFY(!QFile::exists(folder.photoPath(photo.name)));
}

// Where the photo folder ignores case, "ann.png" and "ANN.PNG" are one file;
// a link stands in for such a folder here. Removing one contact must not
// take the photo another contact names in other letters.
void DataSafetyTest::aPhotoStaysWhileAnotherSpellingOfItsNameIsUsed_data()
{
    QTest::addColumn<QString>("removed");   // the first contact's photo, removed with it
    QTest::addColumn<QString>("spelt");     // the other spelling in the folder
    QTest::addColumn<QString>("otherUses"); // the second contact's photo
    QTest::addColumn<bool>("sameFile");     // whether the folder reaches one file by both
    QTest::addColumn<bool>("kept");
    const QString nfc = QStringLiteral("\u00e9milie.png");
    const QString upperNfc = QStringLiteral("\u00c9MILIE.PNG");
    const QString upperNfd = QStringLiteral("E\u0301MILIE.PNG");
    QTest::newRow("capitals name the same file") << "ann.png"
                                                 << "ANN.PNG"
                                                 << "ANN.PNG" << true << true;
    QTest::newRow("mixed case names the same file") << "ANN.PNG"
                                                    << "ann.png"
                                                    << "Ann.Png" << true << true;
    QTest::newRow("accented capitals") << nfc << upperNfc << upperNfc << true << true;
    QTest::newRow("accented capitals, decomposed") << nfc << upperNfc << upperNfd << true << true;
    QTest::newRow("nobody else names it") << "ann.png"
                                          << "ANN.PNG"
                                          << "bob.png" << true << false;
    QTest::newRow("the folder tells case apart") << "ann.png"
                                                 << "ANN.PNG"
                                                 << "ANN.PNG" << false << false;
}

void DataSafetyTest::aPhotoStaysWhileAnotherSpellingOfItsNameIsUsed()
{
    QFETCH(QString, removed);
    QFETCH(QString, spelt);
    QFETCH(QString, otherUses);
    QFETCH(bool, sameFile);
    QFETCH(bool, kept);
    TestFolder folder;
    folder.writePicture(folder.photoPath(removed));
    if (sameFile) {
        QVERIFY(QFile::link(removed, folder.photoPath(spelt)));
    } else {
        folder.writePicture(folder.photoPath(spelt), Qt::blue);
    }
    folder.add(
        {contact("Ann", "1", {}, {}, {}, removed), contact("Bob", "2", {}, {}, {}, otherUses)});
    DataControl control;
    QVERIFY(connectSequence(control, folder.path()).ok());
    QString photoProblem;
    QVERIFY(removeCurrentContact(control, folder.path(), photoProblem).ok());
    QCOMPARE(photoProblem, QString());
    QCOMPARE(QFileInfo(folder.photoPath(removed)).isFile(), kept);
    QCOMPARE(folder.stored().size(), 1);
    QCOMPARE(QFileInfo::exists(folder.photoPath(spelt)), kept || !sameFile);
}

void DataSafetyTest::aPassphraseOfTheUsersOwnOpensTheBook_data()
{
    QTest::addColumn<QStringList>("typed"); // each try; after the last, Cancel
    QTest::addColumn<int>("contactsShown");
    QTest::addColumn<int>("asked");
    QTest::addColumn<QString>("said"); // in the warning of a book left unopened
    const QString passphrase = QStringLiteral("s3cret; Data Source=\"x\"");
    QTest::newRow("right at once") << QStringList{passphrase} << 1 << 1 << QString();
    QTest::newRow("wrong, then right") << QStringList{"nope", passphrase} << 1 << 2 << QString();
    QTest::newRow("wrong three times")
        << QStringList{"a", "b", "c", passphrase} << 0 << 3
        << "None of the passphrases typed opened it; REFRESH (F5) asks again.";
    QTest::newRow("cancelled") << QStringList{} << 0 << 1
                               << "No passphrase was given; REFRESH (F5) asks for one again.";
}

void DataSafetyTest::aPassphraseOfTheUsersOwnOpensTheBook()
{
    QFETCH(QStringList, typed);
    QFETCH(int, contactsShown);
    QFETCH(int, asked);
    QFETCH(QString, said);
    TestFolder folder;
    folder.add({contact("Ann", "1")});
    const QString passphrase = QStringLiteral("s3cret; Data Source=\"x\"");
    {
        QString reason;
        const auto db = Database::open(folder.databasePath(), databasePassword(), reason);
        QVERIFY(db && db->rekey(passphrase).ok());
    }
    QVERIFY(folder.stored().isEmpty()); // the built-in key no longer opens it

    FakeServices fakes;
    fakes.folder.folder = folder.path();
    fakes.passphrases.answers = typed;
    Registry registry(fakes.services());
    registry.start();
    const auto rows = [&] {
        return registry.mainWindow()
            ->findChild<QTableView*>(QStringLiteral("DataGrid1"))
            ->model()
            ->rowCount();
    };
    QCOMPARE(rows(), contactsShown);
    QCOMPARE(fakes.passphrases.prompts.size(), asked);
    QCOMPARE(fakes.messages.asked.size(), contactsShown == 0 ? 1 : 0); // the open failure
    if (!said.isEmpty()) {
        QVERIFY2(fakes.messages.asked.first().text.contains(said),
                 qPrintable(fakes.messages.asked.first().text));
        // Until then, what would write or read the book says so before anything is
        // typed or chosen: the built-in key it would try cannot open it.
        registry.closeTermsWindow();
        QWidget* window = registry.mainWindow();
        window->findChild<QPushButton*>(QStringLiteral("cmdReg"))->click();
        QVERIFY(!window->findChild<QWidget*>(QStringLiteral("picReg"))->isVisible());
        for (const char* action : {"importContactsAction", "exportAllAction"}) {
            window->findChild<QAction*>(QLatin1String(action))->trigger();
        }
        QCOMPARE(fakes.files.calls, 0);
        QCOMPARE(fakes.messages.asked.size(), 4);
        QVERIFY2(fakes.messages.asked.last().text.contains(said),
                 qPrintable(fakes.messages.asked.last().text));
        // The way back the warning gives: REFRESH asks again.
        fakes.passphrases.answers = {passphrase};
        registry.reloadMainWindow();
        QCOMPARE(rows(), 1);
    }
    if (contactsShown > 0) {
        // Held in memory for the run: a reload does not ask again.
        registry.reloadMainWindow();
        QCOMPARE(rows(), contactsShown);
        QCOMPARE(fakes.passphrases.prompts.size(), asked);
    }
}

QTEST_MAIN(DataSafetyTest)
#include "tst_data_safety.moc"
