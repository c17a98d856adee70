#include "contacts/contact_store.h"

#include "contacts/photo_store.h"
#include "data/connection_text.h"
#include "data/contact_sql.h"
#include "data/data_control.h"
#include "data/database.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <filesystem>

namespace norvane {

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("ContactStore", text);
}

// The index on PROFILE lets a removal find the photo's other users without
// reading the whole table; it is asked of the store, not of the rows loaded,
// since another program may have named the photo since.
constexpr const char* kCreateProfileIndexSql =
    "CREATE INDEX IF NOT EXISTS tblYou_PROFILE ON tblYou (PROFILE);";
constexpr const char* kCreateTableSql =
    "CREATE TABLE tblYou (ID INTEGER PRIMARY KEY, NAME TEXT, ADDRESS TEXT, CONTACT TEXT, "
    "EMAIL TEXT, COMPANY TEXT, PROFILE TEXT);";

// Sets the texts in the order the register form fills them, leaving out
// those equal to what was shown (all of them for a new record); the name goes
// by "Name", the store matches column names without regard to case.
Status setTexts(RecordSet& records, const Contact& contact, const Contact* shown = nullptr)
{
    const std::pair<const char*, ContactColumn> fields[] = {
        {"Name", ContactColumn::Name},       {"ADDRESS", ContactColumn::Address},
        {"CONTACT", ContactColumn::Contact}, {"EMAIL", ContactColumn::Email},
        {"COMPANY", ContactColumn::Company}, {"PROFILE", ContactColumn::Profile}};
    for (const auto& [name, column] : fields) {
        const QString& value = contact.text(column);
        if (shown && shown->text(column) == value) {
            continue;
        }
        if (Status set = records.setField(QString::fromLatin1(name), value); !set.ok()) {
            records.cancelUpdate();
            return set;
        }
    }
    return Status::success();
}

// How many contacts name this photo file.
Status countProfileUsers(Database& db, const QString& profile, qint64& count)
{
    return countRows(db, "SELECT count(*) FROM tblYou WHERE PROFILE = ?1", profile, count);
}

// Folds a photo name as a file system that ignores case compares it: in any
// letter case, accents composed or not.
QString foldedName(const QString& name)
{
    return name.toCaseFolded().normalized(QString::NormalizationForm_C);
}

// How many contacts name this photo file, spelt in any case.
Status countProfileUsersIgnoringCase(Database& db, const QString& profile, qint64& count)
{
    QString reason;
    Statement statement = db.prepare(
        "SELECT PROFILE FROM tblYou WHERE PROFILE IS NOT NULL AND PROFILE <> ''", reason);
    if (!statement.isValid()) {
        return Status::failure(reason);
    }
    const QString key = foldedName(profile);
    count = 0;
    bool done = false;
    while (statement.next(done) && !done) {
        count += foldedName(statement.text(0)) == key ? 1 : 0;
    }
    return done ? Status::success() : Status::failure(db.lastError());
}

// Whether the photo folder reaches this file under its name spelt in other
// letters: a folder on a file system that ignores case (Windows, macOS, a FAT
// memory stick), where "ann.png" and "ANN.PNG" are one photo.
bool reachedInOtherCase(const QString& folder, const QString& name)
{
    const QString upper = name.toUpper();
    const QString other = upper != name ? upper : name.toLower();
    const QFileInfo file(QDir(folder).filePath(name));
    const QFileInfo spelt(QDir(folder).filePath(other));
    if (other == name || !file.exists() || !spelt.exists()) {
        return false;
    }
    std::error_code error;
    const bool same =
        std::filesystem::equivalent(file.filesystemFilePath(), spelt.filesystemFilePath(), error);
    // When that cannot be told, the photo is taken to be shared: it is kept.
    return same || error;
}

} // namespace

QString photoFolder(const QString& applicationFolder)
{
    return applicationFolder + QStringLiteral("/IMG/");
}

QString databaseFile(const QString& applicationFolder)
{
    return applicationFolder + QLatin1Char('/') + kDatabaseFileName;
}

Status connectSequence(DataControl& dataControl, const QString& applicationFolder,
                       const QString& recordSource, const QString& password)
{
    dataControl.setConnectionString(buildConnectionText(applicationFolder, password));
    dataControl.setRecordSource(recordSource);
    return dataControl.refresh();
}

Status createContactDatabase(const QString& path)
{
    QString reason;
    std::unique_ptr<Database> db = Database::create(path, databasePassword(), reason);
    if (!db) {
        return Status::failure(reason);
    }
    Status made = db->execute(kCreateTableSql);
    if (made.ok()) {
        made = db->execute(kCreateProfileIndexSql);
    }
    if (!made.ok()) {
        // The file was made here a moment ago. Left without its table (a full
        // disk), it would open as an empty book that takes no contact, and
        // every later create would leave it be as an existing one.
        db.reset();
        QFile::remove(path);
    }
    return made;
}

Status addProfileIndex(Database& db, bool& added)
{
    QString reason;
    Statement present = db.prepare(
        "SELECT count(*) FROM sqlite_master WHERE type = 'index' AND name = 'tblYou_PROFILE'",
        reason);
    bool done = false;
    if (!present.isValid() || !present.next(done)) {
        return Status::failure(present.isValid() ? db.lastError() : reason);
    }
    added = present.integer(0) == 0;
    return added ? db.execute(kCreateProfileIndexSql) : Status::success();
}

Status importContacts(const QString& applicationFolder, const std::vector<Contact>& contacts)
{
    QString reason;
    const std::unique_ptr<Database> db =
        Database::open(databaseFile(applicationFolder), databasePassword(), reason);
    if (!db) {
        return Status::failure(reason);
    }
    Statement insert = db->prepare(kInsertContactSql, reason);
    if (!insert.isValid()) {
        return Status::failure(reason);
    }
    if (Status begun = db->execute("BEGIN IMMEDIATE"); !begun.ok()) {
        return begun;
    }
    for (const Contact& contact : contacts) {
        insert.reset();
        bindContactTexts(insert, contact);
        if (Status written = runToEnd(*db, insert); !written.ok()) {
            db->execute("ROLLBACK");
            return written;
        }
    }
    return db->execute("COMMIT");
}

QString numberLinesToSave(const QString& typed)
{
    QStringList lines = typed.split(QLatin1Char('\n'));
    const auto blank = [](const QString& line) { return line.trimmed().isEmpty(); };
    while (!lines.isEmpty() && blank(lines.first())) {
        lines.removeFirst();
    }
    while (!lines.isEmpty() && blank(lines.last())) {
        lines.removeLast();
    }
    return lines.join(QLatin1Char('\n'));
}

Status registerContact(DataControl& dataControl, const QString& applicationFolder,
                       const Contact& contact)
{
    if (!dataControl.database()) {
        if (Status connected = connectSequence(dataControl, applicationFolder); !connected.ok()) {
            return connected;
        }
    }
    RecordSet& records = *dataControl.recordSet();
    records.addNew();
    if (Status set = setTexts(records, contact); !set.ok()) {
        return set;
    }
    return records.update();
}

Status updateCurrentContact(DataControl& dataControl, const Contact& shown, const Contact& edited)
{
    RecordSet& records = *dataControl.recordSet();
    if (!dataControl.database() || !records.current()) {
        return Status::failure(tr("There is no selected contact to update."));
    }
    // Editing starts from the stored row, so that an update with nothing
    // changed still finds out whether the contact is there.
    records.edit();
    if (Status set = setTexts(records, edited, &shown); !set.ok()) {
        return set;
    }
    return records.update();
}

Status removeCurrentContact(DataControl& dataControl, const QString& applicationFolder,
                            QString& photoReason)
{
    photoReason.clear();
    RecordSet& records = *dataControl.recordSet();
    Database* db = dataControl.database();
    if (!db || !records.current()) {
        return Status::failure(tr("There is no selected contact to remove."));
    }
    const QString profile = records.current()->profile;
    if (Status deleted = records.deleteCurrent(); !deleted.ok()) {
        return deleted;
    }
    if (profile.isEmpty()) {
        return Status::success();
    }
    const QString photos = photoFolder(applicationFolder);
    qint64 users = 0;
    Status counted = countProfileUsers(*db, profile, users);
    if (counted.ok() && users == 0 && isPlainPhotoName(profile) &&
        reachedInOtherCase(photos, profile)) {
        counted = countProfileUsersIgnoringCase(*db, profile, users);
    }
    if (counted.ok() && users == 0) {
        counted = deletePhoto(photos, profile);
    }
    photoReason = counted.ok() ? QString() : counted.reason();
    return Status::success();
}

void searchContacts(RecordSet& records, ContactColumn column, const QString& text)
{
    records.setFilter(column, text);
}

} // namespace norvane
