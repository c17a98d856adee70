// The contact store on real encrypted files: connection text, opening,
// loading, writing by ID, and the in-memory search.
#include "contacts/contact_store.h"
#include "data/connection_text.h"
#include "data/contact_sql.h"
#include "data/data_control.h"
#include "data/database.h"
#include "data/record_set.h"
#include "support/test_folder.h"
#include "widgets/contact_table_model.h"

#include <QAbstractItemModelTester>
#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <sqlite3.h>

using namespace norvane;
using namespace norvane::testing;

namespace {

QStringList names(RecordSet& records)
{
    QStringList result;
    for (int i = 0; i < records.rowCount(); ++i) {
        result.append(records.row(i).name);
    }
    return result;
}

} // namespace

class StoreTest : public QObject
{
    Q_OBJECT

private slots:
    void buildsTheExactConnectionText();
    void parsesConnectionTexts_data();
    void parsesConnectionTexts();
    void refusesBrokenConnectionTexts_data();
    void refusesBrokenConnectionTexts();

    void opensWithTheRightPasswordOnly();
    void failsToConnectWithAReason_data();
    void failsToConnectWithAReason();
    void loadsAnEmptyTable();
    void loadsManyRowsInTableOrder();
    void keepsNoContactTextInClear();

    void setsFieldsByNameInAnyLetterCase();
    void addsUpdatesAndDeletesByIdOnly();
    void storesAwkwardTextExactly();
    void reportsAWriteTheStoreRefuses();
    void changesOnlyATableThatKeepsWhatIsWritten_data();
    void changesOnlyATableThatKeepsWhatIsWritten();

    void filtersLiterallyWithoutRegardToCaseOrAccents_data();
    void filtersLiterallyWithoutRegardToCaseOrAccents();
    void narrowsAndWidensAsTheTextChanges();
    void modelFollowsTheRecordSet();
    void modelShowsAValueOfSeveralLinesOnOne_data();
    void modelShowsAValueOfSeveralLinesOnOne();
    void findsTheRowsTypedIntoTheGridAsQtDoes_data();
    void findsTheRowsTypedIntoTheGridAsQtDoes();
    void searchesALargeTableLikeASmallOne();
};

void StoreTest::buildsTheExactConnectionText()
{
    QCOMPARE(
        buildConnectionText(QStringLiteral("/opt/norvane")),
        QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=\"/opt/norvane\\dbVesk.mdb\";"
                       "Jet OLEDB:database password=") +
            QString::fromUtf8("\xC2\xA5\xC2\xB6\xC2\xA2\xC3\x9E\xC2\xBF\xC3\xB0\xC2\xA7"));
}

void StoreTest::parsesConnectionTexts_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("expectedPath");
    QTest::newRow("plain") << "/home/ann/Norvane"
                           << "/home/ann/Norvane/dbVesk.mdb";
    QTest::newRow("semicolon in folder") << "/tmp/a;b"
                                         << "/tmp/a;b/dbVesk.mdb";
    QTest::newRow("equals and spaces") << "/tmp/x = y/Data Source"
                                       << "/tmp/x = y/Data Source/dbVesk.mdb";
    QTest::newRow("non-Latin") << QString::fromUtf8("/tmp/Книга")
                               << QString::fromUtf8("/tmp/Книга/dbVesk.mdb");
    QTest::newRow("a folder naming another data source") << "/tmp/x;Data Source=/other"
                                                         << "/tmp/x;Data Source=/other/dbVesk.mdb";
    QTest::newRow("quotes") << "/tmp/\"q\";'s'"
                            << "/tmp/\"q\";'s'/dbVesk.mdb";
    QTest::newRow("password key in folder") << "/tmp/a;Jet OLEDB:database password=x"
                                            << "/tmp/a;Jet OLEDB:database password=x/dbVesk.mdb";
}

void StoreTest::parsesConnectionTexts()
{
    QFETCH(QString, folder);
    QFETCH(QString, expectedPath);
    ConnectionParts parts;
    QVERIFY(parseConnectionText(buildConnectionText(folder), parts).ok());
    QCOMPARE(parts.provider, kProvider);
    QCOMPARE(dataSourcePath(parts.dataSource), expectedPath);
    QCOMPARE(parts.password, databasePassword());
}

void StoreTest::refusesBrokenConnectionTexts_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << "";
    QTest::newRow("unknown provider") << "Provider=SQLOLEDB;Data Source=/tmp\\dbVesk.mdb";
    QTest::newRow("no data source")
        << "Provider=Microsoft.Jet.OLEDB.4.0;Jet OLEDB:database password=x";
    QTest::newRow("unknown first key") << "Server=x;Provider=Microsoft.Jet.OLEDB.4.0";
    QTest::newRow("unclosed quote") << "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=\"/tmp\\x";
    QTest::newRow("text after a quote")
        << "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=\"/tmp\"x\\dbVesk.mdb";
}

void StoreTest::refusesBrokenConnectionTexts()
{
    QFETCH(QString, text);
    ConnectionParts parts;
    const Status status = parseConnectionText(text, parts);
    QVERIFY(!status.ok());
    QVERIFY(!status.reason().isEmpty());
}

void StoreTest::opensWithTheRightPasswordOnly()
{
    TestFolder folder;
    QString reason;
    QVERIFY(Database::open(folder.databasePath(), databasePassword(), reason));
    QVERIFY(!Database::open(folder.databasePath(), QStringLiteral("wrong"), reason));
    QVERIFY2(reason.contains(QLatin1String("password")), qPrintable(reason));
    QVERIFY(!Database::create(folder.databasePath(), databasePassword(), reason));
}

void StoreTest::failsToConnectWithAReason_data()
{
    QTest::addColumn<QString>("setup");
    QTest::newRow("missing file") << "missing";
    QTest::newRow("missing table") << "no table";
    QTest::newRow("plain SQLite file") << "plain";
    QTest::newRow("folder in its place") << "folder";
    QTest::newRow("empty file") << "empty";
}

void StoreTest::failsToConnectWithAReason()
{
    QFETCH(QString, setup);
    TestFolder folder(false);
    const QString path = databaseFile(folder.path());
    QString reason;
    if (setup == QLatin1String("no table")) {
        QVERIFY(Database::create(path, databasePassword(), reason));
    } else if (setup == QLatin1String("plain")) {
        sqlite3* plain = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(path).constData(), &plain), SQLITE_OK);
        QCOMPARE(sqlite3_exec(plain, "CREATE TABLE tblYou(ID INTEGER PRIMARY KEY, NAME TEXT)",
                              nullptr, nullptr, nullptr),
                 SQLITE_OK);
        sqlite3_close(plain);
    } else if (setup == QLatin1String("folder")) {
        QVERIFY(QDir(folder.path()).mkdir(kDatabaseFileName));
    } else if (setup == QLatin1String("empty")) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    DataControl control;
    const Status status = connectSequence(control, folder.path());
    QVERIFY(!status.ok());
    QVERIFY(!status.reason().isEmpty());
    QVERIFY(!status.reason().contains(databasePassword()));
    QCOMPARE(control.recordSet()->rowCount(), 0);
    QVERIFY(!control.database());
}

void StoreTest::loadsAnEmptyTable()
{
    TestFolder folder;
    DataControl control;
    QVERIFY(connectSequence(control, folder.path()).ok());
    QCOMPARE(control.recordSet()->rowCount(), 0);
    QCOMPARE(control.recordSet()->currentRow(), -1);
    QCOMPARE(control.recordSource(), QStringLiteral("Select * from tblYou"));
}

// Values of every length from empty to thousands of characters, so that the
// column buffers grow many times during the load; every row comes back whole.
void StoreTest::loadsManyRowsInTableOrder()
{
    TestFolder folder;
    std::vector<Contact> many;
    for (int i = 0; i < 500; ++i) {
        const int length = (i * 397) % 7000;
        many.push_back(contact(QStringLiteral("Person %1 ").arg(i) + QString(length, QChar(u'é')),
                               QString::number(5550000 + i), QString(i % 3 ? length / 2 : 0, u'a'),
                               {}, QString(i, u'z')));
    }
    QVERIFY(importContacts(folder.path(), many).ok());
    DataControl control;
    QVERIFY(connectSequence(control, folder.path()).ok());
    RecordSet& records = *control.recordSet();
    QCOMPARE(records.rowCount(), 500);
    QCOMPARE(records.currentRow(), 0);
    for (int i = 0; i < 500; ++i) {
        many[static_cast<std::size_t>(i)].id = records.id(i);
        QCOMPARE(records.row(i), many[static_cast<std::size_t>(i)]);
    }
    QCOMPARE(records.columnNames(),
             QStringList({"ID", "NAME", "ADDRESS", "CONTACT", "EMAIL", "COMPANY", "PROFILE"}));
}

void StoreTest::keepsNoContactTextInClear()
{
    TestFolder folder;
    folder.add({contact(QStringLiteral("Philippa Quennell"), QStringLiteral("07700900123"))});
    QFile file(folder.databasePath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QVERIFY(!bytes.contains("Philippa"));
    QVERIFY(!bytes.contains("07700900123"));
    QVERIFY(!bytes.startsWith("SQLite format 3"));
    QFile wal(folder.databasePath() + QStringLiteral("-wal"));
    if (wal.open(QIODevice::ReadOnly)) {
        QVERIFY(!wal.readAll().contains("Philippa"));
    }
}

void StoreTest::setsFieldsByNameInAnyLetterCase()
{
    TestFolder folder;
    DataControl control;
    QVERIFY(connectSequence(control, folder.path()).ok());
    RecordSet& records = *control.recordSet();
    records.addNew();
    QVERIFY(records.setField(u"Name", QStringLiteral("Ann")).ok());
    QVERIFY(records.setField(u"contact", QStringLiteral("555")).ok());
    QVERIFY(records.setField(u"eMail", QStringLiteral("ann@example.com")).ok());
    QVERIFY(!records.setField(u"PHONE", QStringLiteral("1")).ok());
    QVERIFY(!records.setField(u"id", QStringLiteral("7")).ok());
    QVERIFY(records.update().ok());
    const QList<Contact> stored = folder.stored();
    QCOMPARE(stored.size(), 1);
    QCOMPARE(stored[0].name, QStringLiteral("Ann"));
    QCOMPARE(stored[0].contact, QStringLiteral("555"));
    QCOMPARE(stored[0].email, QStringLiteral("ann@example.com"));
    QCOMPARE(stored[0].address, QString());
}

void StoreTest::addsUpdatesAndDeletesByIdOnly()
{
    TestFolder folder;
    const QList<Contact> added =
        folder.add({contact("Ann", "111"), contact("Ann", "222"), contact("Bob", "333")});
    DataControl control;
    QVERIFY(connectSequence(control, folder.path()).ok());
    RecordSet& records = *control.recordSet();

    records.moveTo(1);
    Contact edited = *records.current();
    edited.address = QStringLiteral("New Street 1");
    QVERIFY(updateCurrentContact(control, *records.current(), edited).ok());

    records.moveTo(1);
    QString photoReason;
    QVERIFY(removeCurrentContact(control, folder.path(), photoReason).ok());
    QVERIFY(photoReason.isEmpty());

    const QList<Contact> stored = folder.stored();
    QCOMPARE(stored.size(), 2);
    QCOMPARE(stored[0], added[0]);
    QCOMPARE(stored[1], added[2]);
}

void StoreTest::storesAwkwardTextExactly()
{
    TestFolder folder;
    const QString awkward[] = {
        QStringLiteral("O'Brien \"Bud\" 100% _x_ *"),
        QStringLiteral("back\\slash; DROP TABLE tblYou;--"),
        QString::fromUtf8("\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D e\xCC\x81 \xF0\x9F\x98\x80"),
        QString(QStringLiteral("nul")) + QChar(0) + QStringLiteral("inside\t\x01"),
        QString::fromUtf8("\xE5\xBC\xA0\xE4\xBC\x9F")};
    QList<Contact> contacts;
    for (const QString& text : awkward) {
        contacts.append(contact(text, text, text, text, text, text));
    }
    folder.add(contacts);
    const QList<Contact> stored = folder.stored();
    QCOMPARE(stored.size(), contacts.size());
    for (int i = 0; i < stored.size(); ++i) {
        contacts[i].id = stored[i].id;
        QCOMPARE(stored[i], contacts[i]);
    }
}

void StoreTest::changesOnlyATableThatKeepsWhatIsWritten_data()
{
    QTest::addColumn<QByteArray>("idColumn");
    QTest::addColumn<QByteArray>("numberColumn");
    QTest::addColumn<QString>("refusal"); // empty: the table takes every change
    const QString noKey = QStringLiteral("The contact table was made by another program: its "
                                         "ID column is not its INTEGER PRIMARY KEY");
    QTest::newRow("as Norvane makes it")
        << QByteArray("ID INTEGER PRIMARY KEY") << QByteArray("CONTACT TEXT") << QString();
    QTest::newRow("in small letters, a text kind of its own")
        << QByteArray("id integer primary key") << QByteArray("contact varchar(40)") << QString();
    QTest::newRow("a number column of no type")
        << QByteArray("ID INTEGER PRIMARY KEY") << QByteArray("CONTACT") << QString();
    QTest::newRow("no key") << QByteArray("ID INTEGER") << QByteArray("CONTACT TEXT") << noKey;
    QTest::newRow("unique") << QByteArray("ID INTEGER UNIQUE") << QByteArray("CONTACT TEXT")
                            << noKey;
    QTest::newRow("INT PRIMARY KEY")
        << QByteArray("ID INT PRIMARY KEY") << QByteArray("CONTACT TEXT") << noKey;
    QTest::newRow("a text key") << QByteArray("ID TEXT PRIMARY KEY") << QByteArray("CONTACT TEXT")
                                << noKey;
    QTest::newRow("a key of two columns")
        << QByteArray("ID INTEGER, PRIMARY KEY (ID, NAME)") << QByteArray("CONTACT TEXT") << noKey;
    QTest::newRow("another column the key") << QByteArray("ID INTEGER, KEPT INTEGER PRIMARY KEY")
                                            << QByteArray("CONTACT TEXT") << noKey;
    QTest::newRow("numbers as integers")
        << QByteArray("ID INTEGER PRIMARY KEY") << QByteArray("CONTACT INTEGER")
        << QStringLiteral("The contact table was made by another program: its column "
                          "CONTACT is declared INTEGER");
    QTest::newRow("numbers in a type the engine does not know")
        << QByteArray("ID INTEGER PRIMARY KEY") << QByteArray("Contact MEMO")
        << QStringLiteral("The contact table was made by another program: its column "
                          "Contact is declared MEMO");
}

// A table made by another program whose ID is not its key may hold two
// contacts of one ID, or some without: a removal by ID took both, and a new
// contact got none. One whose number column is of a numeric kind stores
// 0131 as 131. Such a table is read, and nothing is written to it.
void StoreTest::changesOnlyATableThatKeepsWhatIsWritten()
{
    QFETCH(QByteArray, idColumn);
    QFETCH(QByteArray, numberColumn);
    QFETCH(QString, refusal);
    TestFolder folder;
    folder.replaceContactTable("NAME TEXT, ADDRESS TEXT, " + numberColumn +
                               ", EMAIL TEXT, COMPANY TEXT, PROFILE TEXT, " + idColumn);
    folder.execute("INSERT INTO tblYou (ID, NAME, CONTACT) VALUES (1, 'Ann', '1'), "
                   "(2, 'Bob', '2')");
    DataControl control;
    QVERIFY(connectSequence(control, folder.path()).ok());
    QCOMPARE(control.recordSet()->rowCount(), 2);
    const QList<Contact> before = folder.stored();
    Contact edited = *control.recordSet()->current();
    edited.name = QStringLiteral("Ann Changed");
    const Status updated = updateCurrentContact(control, *control.recordSet()->current(), edited);
    const Status registered = registerContact(control, folder.path(), contact("Cy", "0131"));
    QString photoReason;
    control.recordSet()->moveTo(0);
    const Status removed = removeCurrentContact(control, folder.path(), photoReason);
    if (refusal.isEmpty()) {
        QVERIFY(updated.ok() && registered.ok() && removed.ok());
        QStringList left;
        for (const Contact& c : folder.stored()) {
            left.append(c.name + u'|' + c.contact);
        }
        QCOMPARE(left, QStringList({"Bob|2", "Cy|0131"}));
        return;
    }
    for (const Status& refused : {updated, registered, removed}) {
        QVERIFY(!refused.ok());
        QVERIFY2(refused.reason().startsWith(refusal), qPrintable(refused.reason()));
    }
    QCOMPARE(folder.stored(), before);
}

void StoreTest::reportsAWriteTheStoreRefuses()
{
    TestFolder folder;
    folder.add({contact("Ann", "111")});
    DataControl control;
    QVERIFY(connectSequence(control, folder.path()).ok());
    const auto lock = folder.lockForWriting();
    Contact edited = *control.recordSet()->current();
    edited.name = QStringLiteral("Changed");
    const Status updated = updateCurrentContact(control, *control.recordSet()->current(), edited);
    QVERIFY(!updated.ok());
    QVERIFY2(updated.reason().startsWith(QLatin1String("The address book is locked: another "
                                                       "program is changing it")),
             qPrintable(updated.reason()));
    QCOMPARE(control.recordSet()->current()->name, QStringLiteral("Ann"));
    QString photoReason;
    QVERIFY(!removeCurrentContact(control, folder.path(), photoReason).ok());
    QCOMPARE(control.recordSet()->rowCount(), 1);
    QVERIFY(!registerContact(control, folder.path(), contact("Bob", "2")).ok());
    QCOMPARE(control.recordSet()->rowCount(), 1);

    // The book put under another key by another program while open.
    {
        TestFolder rekeyed;
        rekeyed.add({contact("Ann", "111")});
        DataControl opened;
        QVERIFY(connectSequence(opened, rekeyed.path()).ok());
        QString why;
        QVERIFY(Database::open(rekeyed.databasePath(), databasePassword(), why)
                    ->rekey(QStringLiteral("another key"))
                    .ok());
        const Status refused = registerContact(opened, rekeyed.path(), contact("Bob", "2"));
        QVERIFY2(refused.reason().startsWith(QLatin1String(
                     "The address book file cannot be read with the key it was opened with")),
                 qPrintable(refused.reason()));
    }

    // A statement the store could not prepare (its table gone under it) is
    // reset, bound and run as any other, and fails with the store's reason.
    QString reason;
    const auto db = Database::open(folder.databasePath(), databasePassword(), reason);
    QVERIFY2(db, qPrintable(reason));
    Statement unprepared = db->prepare("INSERT INTO tblGone (ID) VALUES (?1)", reason);
    QVERIFY(!unprepared.isValid());
    unprepared.reset();
    unprepared.bind(1, qint64(1));
    const Status ran = runToEnd(*db, unprepared);
    QVERIFY(!ran.ok());
    QVERIFY2(ran.reason().contains(QLatin1String("tblGone")), qPrintable(ran.reason()));
}

void StoreTest::filtersLiterallyWithoutRegardToCaseOrAccents_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("expected");
    const auto name = static_cast<int>(ContactColumn::Name);
    QTest::newRow("case") << name << "ANN" << QStringList{"Ann Lee", "Joanna"};
    QTest::newRow("accent in row") << name << "zoe" << QStringList{QString::fromUtf8("Zo\xC3\xAB")};
    QTest::newRow("accent in text")
        << name << QString::fromUtf8("\xC3\xA1lvaro") << QStringList{"Alvaro"};
    QTest::newRow("apostrophe") << name << "o'b" << QStringList{"O'Brien"};
    QTest::newRow("percent is literal") << name << "%" << QStringList{"100% Ltd"};
    QTest::newRow("underscore is literal") << name << "_" << QStringList{"a_b"};
    QTest::newRow("star is literal") << name << "*" << QStringList{};
    QTest::newRow("space") << name << " " << QStringList{"Ann Lee", "100% Ltd"};
    QTest::newRow("no match") << name << "qqq" << QStringList{};
    QTest::newRow("address") << static_cast<int>(ContactColumn::Address) << "mill"
                             << QStringList{"Joanna"};
    QTest::newRow("contact digits")
        << static_cast<int>(ContactColumn::Contact) << "99" << QStringList{"Alvaro", "O'Brien"};
}

void StoreTest::filtersLiterallyWithoutRegardToCaseOrAccents()
{
    QFETCH(int, column);
    QFETCH(QString, text);
    QFETCH(QStringList, expected);
    TestFolder folder;
    folder.add({contact("Ann Lee", "111"), contact("Joanna", "222", "3 Mill Lane"),
                contact(QString::fromUtf8("Zo\xC3\xAB"), "333"), contact("Alvaro", "4499"),
                contact("O'Brien", "5599"), contact("100% Ltd", "666"), contact("a_b", "777")});
    DataControl control;
    QVERIFY(connectSequence(control, folder.path()).ok());
    QSignalSpy current(control.recordSet(), &RecordSet::currentChanged);
    searchContacts(*control.recordSet(), static_cast<ContactColumn>(column), text);
    QCOMPARE(names(*control.recordSet()), expected);
    QCOMPARE(current.size(), 1);
    QCOMPARE(control.recordSet()->currentRow(), expected.isEmpty() ? -1 : 0);
}

void StoreTest::narrowsAndWidensAsTheTextChanges()
{
    TestFolder folder;
    folder.add(
        {contact("Ann", "1"), contact("Anna", "2"), contact("Dan", "3"), contact("Hannah", "4")});
    DataControl control;
    QVERIFY(connectSequence(control, folder.path()).ok());
    RecordSet& records = *control.recordSet();
    searchContacts(records, ContactColumn::Name, QStringLiteral("a"));
    QCOMPARE(records.rowCount(), 4);
    searchContacts(records, ContactColumn::Name, QStringLiteral("an"));
    QCOMPARE(records.rowCount(), 4);
    searchContacts(records, ContactColumn::Name, QStringLiteral("ann"));
    QCOMPARE(names(records), QStringList({"Ann", "Anna", "Hannah"}));
    searchContacts(records, ContactColumn::Name, QStringLiteral("nn"));
    QCOMPARE(names(records), QStringList({"Ann", "Anna", "Hannah"}));
    searchContacts(records, ContactColumn::Name, QStringLiteral("d"));
    QCOMPARE(names(records), QStringList({"Dan"}));
    searchContacts(records, ContactColumn::Contact, QStringLiteral("4"));
    QCOMPARE(names(records), QStringList({"Hannah"}));
    searchContacts(records, ContactColumn::Contact, QString());
    QCOMPARE(records.rowCount(), 4);
    QCOMPARE(records.currentRow(), 0);
}

void StoreTest::modelFollowsTheRecordSet()
{
    TestFolder folder;
    folder.add({contact("Ann", "1", "Leith"), contact("Bob", "2")});
    DataControl control;
    ContactTableModel model(control.recordSet());
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    QVERIFY(connectSequence(control, folder.path()).ok());
    QCOMPARE(model.rowCount(), 2);
    QCOMPARE(model.columnCount(), 7);
    QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), QStringLiteral("NAME"));
    QCOMPARE(model.data(model.index(0, static_cast<int>(ContactColumn::Address))).toString(),
             QStringLiteral("Leith"));
    searchContacts(*control.recordSet(), ContactColumn::Name, QStringLiteral("bo"));
    QCOMPARE(model.rowCount(), 1);
    QCOMPARE(model.data(model.index(0, 1)).toString(), QStringLiteral("Bob"));
    QCOMPARE(resets.size(), 2);
}

void StoreTest::modelShowsAValueOfSeveralLinesOnOne_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("shown");
    QTest::newRow("two lines") << "Elm Street\nSpringfield"
                               << "Elm Street, Springfield";
    QTest::newRow("a line break first") << "\r\nSpringfield"
                                        << "Springfield";
    QTest::newRow("two numbers and a blank line") << "0171 555 0199\n\n07700 900123\n"
                                                  << "0171 555 0199, 07700 900123";
}

// A cell would show only the first line of a value, and nothing but "…" for
// one that starts with a line break; its tooltip shows the value as stored.
void StoreTest::modelShowsAValueOfSeveralLinesOnOne()
{
    QFETCH(QString, stored);
    QFETCH(QString, shown);
    ContactColumns rows;
    rows.append(contact("Ann", stored, stored));
    RecordSet records;
    records.reset(nullptr, {}, std::move(rows));
    ContactTableModel model(&records);
    for (const ContactColumn column : {ContactColumn::Address, ContactColumn::Contact}) {
        const QModelIndex cell = model.index(0, static_cast<int>(column));
        QCOMPARE(model.data(cell, Qt::DisplayRole).toString(), shown);
        QCOMPARE(model.data(cell, Qt::ToolTipRole).toString(), stored);
    }
}

void StoreTest::findsTheRowsTypedIntoTheGridAsQtDoes_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("flags");
    QTest::addColumn<int>("hits");
    QTest::addColumn<QList<int>>("rows");
    QTest::addColumn<QString>("searched"); // the search box's text, narrowing the rows first
    const int wrap = Qt::MatchStartsWith | Qt::MatchWrap; // what the grid asks for
    QTest::newRow("first from the top") << "an" << 0 << wrap << 1 << QList<int>{0} << QString();
    QTest::newRow("first after the start") << "AN" << 2 << wrap << 1 << QList<int>{5} << QString();
    QTest::newRow("all, wrapping round")
        << "an" << 2 << wrap << -1 << QList<int>{5, 7, 8, 10, 0, 1} << QString();
    QTest::newRow("all, not wrapping")
        << "an" << 2 << int(Qt::MatchStartsWith) << -1 << QList<int>{5, 7, 8, 10} << QString();
    QTest::newRow("past bytes that are not UTF-8")
        << "ann" << 6 << wrap << -1 << QList<int>{8, 10, 0, 5} << QString();
    QTest::newRow("a sign that folds to an ASCII letter")
        << "k" << 0 << wrap << -1 << QList<int>{3} << QString();
    QTest::newRow("no accent taken away") << "e" << 0 << wrap << -1 << QList<int>{} << QString();
    QTest::newRow("typed with an accent")
        << QString::fromUtf8("\xC3\xA9m") << 0 << wrap << -1 << QList<int>{2} << QString();
    QTest::newRow("longer than the value")
        << "anna berg!" << 0 << wrap << -1 << QList<int>{} << QString();
    QTest::newRow("case-sensitive")
        << "An" << 0 << int(Qt::MatchStartsWith | Qt::MatchCaseSensitive) << -1
        << QList<int>{0, 7, 10} << QString();
    QTest::newRow("contained") << "nn" << 0 << int(Qt::MatchContains) << -1
                               << QList<int>{0, 5, 8, 10} << QString();
    QTest::newRow("nothing typed") << QStringLiteral("") << 0 << wrap << -1
                                   << QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10} << QString();
    QTest::newRow("hits counted across the wrap")
        << "an" << 7 << wrap << 4 << QList<int>{7, 8, 10, 0} << QString();
    QTest::newRow("among the rows a search left")
        << "ann" << 1 << wrap << -1 << QList<int>{1, 2, 3, 0} << "nn";
    QTest::newRow("as long as a value is shown")
        << QString(kLongestShownValue, u'Z') << 0 << wrap << -1 << QList<int>{9} << QString();
    QTest::newRow("past what is shown of a value")
        << QString(kLongestShownValue + 1, u'z') << 0 << wrap << -1 << QList<int>{} << QString();
    QTest::newRow("across a line break, as the list shows the value")
        << "ann, l" << 0 << wrap << -1 << QList<int>{10} << QString();
    QTest::newRow("past a line break the list does not show")
        << "ann l" << 0 << wrap << -1 << QList<int>{} << QString();
}

// The grid's type-ahead asks the model for the rows starting with the letters
// typed; the model answers from the stored bytes where they are ASCII, and
// must find exactly the rows Qt's own search of the shown texts finds.
void StoreTest::findsTheRowsTypedIntoTheGridAsQtDoes()
{
    QFETCH(QString, typed);
    QFETCH(int, from);
    QFETCH(int, flags);
    QFETCH(int, hits);
    QFETCH(QList<int>, rows);
    QFETCH(QString, searched);
    ContactColumns columns;
    const char* const stored[] = {"Anna Berg", "anton", "\xC3\x89mile",
                                  // the Kelvin sign, then "ate"
                                  ("\xE2\x84\xAA"
                                   "ate"),
                                  "", "ANNE", "Zo\xC3\xAB", "An\xFFn", "ann-marie"};
    for (const char* name : stored) {
        columns.append(columns.size() + 1, {QByteArrayView(name), {}, {}, {}, {}, {}});
    }
    const QByteArray tooLongToShow(kLongestShownValue + 10, 'z');
    columns.append(columns.size() + 1, {tooLongToShow, {}, {}, {}, {}, {}});
    // Shown as "Ann, Lee".
    columns.append(columns.size() + 1, {QByteArrayView("\r\nAnn\nLee"), {}, {}, {}, {}, {}});
    RecordSet records;
    records.reset(nullptr, {}, std::move(columns));
    searchContacts(records, ContactColumn::Name, searched);
    ContactTableModel model(&records);
    const QModelIndex start = model.index(from, static_cast<int>(ContactColumn::Name));
    const auto matchFlags = Qt::MatchFlags::fromInt(flags);
    const QModelIndexList found = model.match(start, Qt::DisplayRole, typed, hits, matchFlags);
    QCOMPARE(found,
             model.QAbstractTableModel::match(start, Qt::DisplayRole, typed, hits, matchFlags));
    QList<int> foundRows;
    for (const QModelIndex& index : found) {
        QCOMPARE(index.column(), start.column());
        foundRows.append(index.row());
    }
    QCOMPARE(foundRows, rows);
}

// A table large enough to be searched in two halves at once, and in many
// blocks of rows, must give the same rows, in the same order, as a plain
// row-by-row search; so must values longer than 64 bytes and needles
// longer than the eight bytes a scan compares at once.
void StoreTest::searchesALargeTableLikeASmallOne()
{
    const auto address = [](int i) {
        return i % 1000 == 3 ? QString(120 + i % 64, u'-') + QStringLiteral("Long Street Name")
                             : (i % 2 ? QStringLiteral("ab") : QStringLiteral("cab"));
    };
    ContactColumns rows;
    const int count = 250001;
    for (int i = 0; i < count; ++i) {
        Contact c;
        c.id = i;
        // Every seventh name folds through the side store, so rows found in
        // it must merge in order with the plain ones in both halves.
        c.name = (i % 7 ? QStringLiteral("N%1x") : QString::fromUtf8("\u00D1%1X")).arg(i % 977);
        c.address = address(i);
        rows.append(c);
    }
    RecordSet records;
    records.reset(nullptr, {}, std::move(rows));
    const struct
    {
        ContactColumn column;
        const char* typed;
    } searches[] = {{ContactColumn::Name, "1"},
                    {ContactColumn::Name, "12"},
                    {ContactColumn::Name, "12x"},
                    {ContactColumn::Name, "x"},
                    {ContactColumn::Address, "b"},
                    {ContactColumn::Address, "ca"},
                    {ContactColumn::Address, "bc"},
                    {ContactColumn::Address, "long street name"},
                    {ContactColumn::Address, "-l"},
                    {ContactColumn::Address, "street"},
                    {ContactColumn::Address, "street names"}};
    for (const auto& search : searches) {
        searchContacts(records, search.column, QString::fromLatin1(search.typed));
        QList<qint64> expected;
        for (int i = 0; i < count; ++i) {
            const QString value = search.column == ContactColumn::Name
                                      ? QStringLiteral("n%1x").arg(i % 977)
                                      : address(i).toLower();
            if (value.contains(QString::fromLatin1(search.typed))) {
                expected.append(i);
            }
        }
        QCOMPARE(records.rowCount(), expected.size());
        for (int row = 0; row < records.rowCount(); ++row) {
            if (records.id(row) != expected[row]) {
                QFAIL(qPrintable(QStringLiteral("row %1 of \"%2\"").arg(row).arg(search.typed)));
            }
        }
    }
}

QTEST_GUILESS_MAIN(StoreTest)
#include "tst_store.moc"
