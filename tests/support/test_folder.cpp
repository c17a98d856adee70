#include "test_folder.h"

#include "contacts/contact_store.h"
#include "data/connection_text.h"
#include "data/data_control.h"
#include "data/database.h"
#include "data/record_set.h"

#include <QDir>
#include <QImage>
#include <QTest>

namespace norvane::testing {

TestFolder::TestFolder(bool withDatabase)
{
    if (withDatabase) {
        QDir(path()).mkpath(QStringLiteral("IMG"));
        const Status made = createContactDatabase(databasePath());
        if (!made.ok()) {
            qFatal("cannot create a test database: %s", qPrintable(made.reason()));
        }
    }
}

QString TestFolder::databasePath() const
{
    return databaseFile(path());
}

QString TestFolder::photoPath(const QString& name) const
{
    return photoFolder(path()) + name;
}

QList<Contact> TestFolder::add(const QList<Contact>& contacts) const
{
    DataControl control;
    QList<Contact> added;
    for (const Contact& c : contacts) {
        const Status status = registerContact(control, path(), c);
        if (!status.ok()) {
            qFatal("cannot add a test contact: %s", qPrintable(status.reason()));
        }
        RecordSet* records = control.recordSet();
        added.append(records->row(records->totalRowCount() - 1));
    }
    return added;
}

QList<Contact> TestFolder::stored() const
{
    DataControl control;
    if (!connectSequence(control, path()).ok()) {
        return {};
    }
    QList<Contact> rows;
    for (int i = 0; i < control.recordSet()->rowCount(); ++i) {
        rows.append(control.recordSet()->row(i));
    }
    return rows;
}

void TestFolder::replaceContactTable(const QByteArray& columns) const
{
    execute(QStringLiteral("DROP TABLE tblYou; CREATE TABLE tblYou (%1)")
                .arg(QString::fromUtf8(columns)));
}

void TestFolder::execute(const QString& sql) const
{
    QString reason;
    const auto db = Database::open(databasePath(), databasePassword(), reason);
    const Status done = db ? db->execute(sql.toUtf8().constData()) : Status::failure(reason);
    if (!done.ok()) {
        qFatal("cannot run %s on the test database: %s", qPrintable(sql),
               qPrintable(done.reason()));
    }
}

std::unique_ptr<Database> TestFolder::lockForWriting() const
{
    QString reason;
    std::unique_ptr<Database> db = Database::open(databasePath(), databasePassword(), reason);
    if (!db || !db->execute("BEGIN IMMEDIATE").ok()) {
        qFatal("cannot lock the test database: %s", qPrintable(reason));
    }
    return db;
}

QString TestFolder::writePicture(const QString& file, const QColor& colour) const
{
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(colour);
    const QString full = QDir::isAbsolutePath(file) ? file : QDir(path()).filePath(file);
    QDir().mkpath(QFileInfo(full).absolutePath());
    if (!image.save(full, "PNG")) {
        qFatal("cannot write a test picture");
    }
    return full;
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

Contact contact(const QString& name, const QString& number, const QString& address,
                const QString& email, const QString& company, const QString& profile)
{
    Contact c;
    c.name = name;
    c.contact = number;
    c.address = address;
    c.email = email;
    c.company = company;
    c.profile = profile;
    return c;
}

} // namespace norvane::testing
