#include "data/database.h"

#include "data/journal_check.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <sqlite3.h>
#include <utility>

namespace norvane {

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("Database", text);
}

QString errorText(sqlite3* db)
{
    // The file was renamed over or deleted while open (a backup put back, a
    // copy moved in): the engine refuses to write through the old one.
    if (sqlite3_extended_errcode(db) == SQLITE_READONLY_DBMOVED) {
        return tr("The address book file was replaced, moved or deleted by another program "
                  "since it was opened; nothing was written. Open it again (REFRESH) to go on.");
    }
    // The book was opened read-only, its file or its folder being one this
    // user may not write.
    if ((sqlite3_extended_errcode(db) & 0xff) == SQLITE_READONLY) {
        return Database::readOnlyReason();
    }
    // The file was rewritten under another key while open (a passphrase set
    // by another program), or another file copied over it: the engine then
    // takes it for no database at all. Opening maps this code on its own.
    if (sqlite3_errcode(db) == SQLITE_NOTADB) {
        return tr("The address book file cannot be read with the key it was opened with: "
                  "another program changed it since (a new passphrase, or another file put in "
                  "its place), or it is damaged. Nothing was written; open it again (REFRESH) "
                  "to go on.");
    }
    // Another connection held its write lock past the wait allowed (an import
    // of many cards by norvane-db holds it until the last one is in).
    if ((sqlite3_extended_errcode(db) & 0xff) == SQLITE_BUSY) {
        return tr("The address book is locked: another program is changing it (an import or a "
                  "sync by norvane-db, for instance). Try again when it has finished.");
    }
    return QString::fromUtf8(sqlite3_errmsg(db));
}

// The engine's wording for a wrong key is about encryption; say it as a user would read it.
QString readableOpenError(sqlite3* db)
{
    const int code = sqlite3_errcode(db);
    if (code == SQLITE_NOTADB) {
        return tr("The password is wrong or the file is not a Norvane database.");
    }
    if (code == SQLITE_CORRUPT) {
        return tr("The database file is damaged.");
    }
    return errorText(db);
}

// The address of a book to be opened read-only. The connection is opened for
// writing, the book through it read-only: a file attached to the connection
// takes the connection's mode, and a backup of a book on a read-only disk
// must still be written.
QByteArray readOnlyUri(const QString& path)
{
    QByteArray name = QFile::encodeName(QDir::fromNativeSeparators(path));
    name.replace('%', "%25").replace('?', "%3f").replace('#', "%23");
    if (name.startsWith("//")) {
        name.prepend("//"); // a network share: an empty authority before its path
    } else if (name.size() > 1 && name[1] == ':') {
        name.prepend('/'); // a drive letter
    }
    return "file:" + name + "?mode=ro";
}

// The engine's memory statistics make each of its allocations take a lock
// shared by every connection; Norvane never reads them. This must happen
// before the engine is first used, so it is done as the program loads.
[[maybe_unused]] const bool kWithoutMemoryStatistics =
    sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0) == SQLITE_OK;

} // namespace

Database::~Database()
{
    sqlite3_close_v2(m_db);
}

std::unique_ptr<Database> Database::open(const QString& path, const QString& password,
                                         QString& reason, bool* wrongKey)
{
    const QFileInfo info(path);
    if (!info.exists()) {
        reason = tr("The database file does not exist.");
        return nullptr;
    }
    if (!info.isFile()) {
        reason = tr("The database path is not a file.");
        return nullptr;
    }
    if (!info.isReadable()) {
        reason = tr("The database file cannot be read.");
        return nullptr;
    }
    // The engine would take an empty file for a new database and write to it.
    if (info.size() == 0) {
        reason = tr("The database file is empty.");
        return nullptr;
    }
    // A damaged journal must be seen before the engine replays or discards it.
    if (const Status journals = checkJournalsBeside(path); !journals.ok()) {
        reason = journals.reason();
        return nullptr;
    }
    // The engine needs the folder as well as the file to write (its journal
    // lies beside the file); where either is read-only the book can still be read.
    const bool writable = info.isWritable() && QFileInfo(info.absolutePath()).isWritable();
    sqlite3* handle = nullptr;
    const QByteArray name = writable ? QFile::encodeName(path) : readOnlyUri(path);
    const int rc = sqlite3_open_v2(
        name.constData(), &handle,
        SQLITE_OPEN_READWRITE | (writable ? 0 : SQLITE_OPEN_URI) | SQLITE_OPEN_NOMUTEX, nullptr);
    std::unique_ptr<Database> db(new Database(handle));
    if (rc != SQLITE_OK) {
        reason = handle ? errorText(handle) : tr("The database file cannot be opened.");
        return nullptr;
    }
    const Status keyed = db->applyKeyAndSettings(password);
    if (!keyed.ok()) {
        reason = keyed.reason();
        if (wrongKey) {
            *wrongKey = keyed.kind() == Status::Failure::WrongKey;
        }
        return nullptr;
    }
    return db;
}

std::unique_ptr<Database> Database::create(const QString& path, const QString& password,
                                           QString& reason)
{
    if (QFileInfo::exists(path)) {
        reason = tr("A database already exists there; it is left untouched.");
        return nullptr;
    }
    // Made readable by its owner only, whatever the umask; the engine gives
    // its journal the same permissions.
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly,
                   QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
        reason = file.errorString();
        return nullptr;
    }
    file.close();
    sqlite3* handle = nullptr;
    const int rc =
        sqlite3_open_v2(QFile::encodeName(path).constData(), &handle,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    std::unique_ptr<Database> db(new Database(handle));
    Status keyed = rc == SQLITE_OK
                       ? db->applyKeyAndSettings(password)
                       : Status::failure(handle ? errorText(handle)
                                                : tr("The database file cannot be created."));
    if (!keyed.ok()) {
        db.reset();
        QFile::remove(path);
        reason = keyed.reason();
        return nullptr;
    }
    return db;
}

Status Database::applyKeyAndSettings(const QString& password)
{
    // Another program writing at this moment holds the file for a few
    // milliseconds: wait for it, from the very first read on.
    sqlite3_busy_timeout(m_db, 2000);
    const QByteArray key = password.toUtf8();
    if (sqlite3_key(m_db, key.constData(), static_cast<int>(key.size())) != SQLITE_OK) {
        return Status::failure(tr("The database could not be keyed."));
    }
    if (sqlite3_exec(m_db, "PRAGMA cipher_page_size = 4096;", nullptr, nullptr, nullptr) !=
        SQLITE_OK) {
        return Status::failure(readableOpenError(m_db));
    }
    // The first read proves the key.
    if (sqlite3_exec(m_db, "SELECT count(*) FROM sqlite_master;", nullptr, nullptr, nullptr) !=
        SQLITE_OK) {
        return Status::failure(readableOpenError(m_db), sqlite3_errcode(m_db) == SQLITE_NOTADB
                                                            ? Status::Failure::WrongKey
                                                            : Status::Failure::General);
    }
    // A rollback journal: every committed change is in the database file
    // itself, so a copy of that one file is the whole address book. A book
    // left in write-ahead mode is folded back and switched; where another
    // connection keeps it in that mode, each commit is checkpointed at once.
    // A read-only book keeps its mode: browsing works, and every write is
    // refused by the engine with its own reason.
    if (!isReadOnly()) {
        QString reason;
        Statement mode = prepare("PRAGMA journal_mode = DELETE", reason);
        bool done = false;
        if (!mode.isValid() || !mode.next(done)) {
            return Status::failure(readableOpenError(m_db));
        }
        if (mode.text(0).compare(QLatin1String("wal"), Qt::CaseInsensitive) == 0) {
            sqlite3_wal_autocheckpoint(m_db, 1);
        }
    }
    // Full sync: a contact reported as saved survives a crash or power loss.
    // Temporary tables stay in memory so no contact text lands in a temporary file.
    sqlite3_exec(m_db, "PRAGMA synchronous = FULL; PRAGMA temp_store = MEMORY;", nullptr, nullptr,
                 nullptr);
    return Status::success();
}

Status Database::rekey(const QString& password)
{
    const QByteArray key = password.toUtf8();
    if (sqlite3_rekey(m_db, key.constData(), static_cast<int>(key.size())) != SQLITE_OK) {
        return Status::failure(errorText(m_db));
    }
    // The engine reports success, with no error to tell, even when it could
    // not write the book under the new key (a full disk): the book is then
    // still under the old one. Only a connection of its own reading the book
    // with the new key proves it.
    QString reason;
    bool wrongKey = false;
    if (!open(QString::fromUtf8(sqlite3_db_filename(m_db, "main")), password, reason, &wrongKey)) {
        return Status::failure(wrongKey
                                   ? tr("The book could not be written again under the new "
                                        "key (a full disk, say); it is still under the old one.")
                                   : tr("The new key could not be checked: %1").arg(reason));
    }
    return Status::success();
}

Status Database::copyTo(const QString& path, const QString& password)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly,
                   QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
        return Status::failure(tr("%1 cannot be made: %2").arg(path, file.errorString()));
    }
    file.close();
    QString reason;
    Statement attach = prepare("ATTACH DATABASE ?1 AS copy KEY ?2", reason);
    bool done = false;
    if (attach.isValid()) {
        // Absolute, so that a name beginning "file:" is never read as an address.
        attach.bind(1, QFileInfo(path).absoluteFilePath());
        attach.bind(2, password);
        attach.next(done);
    }
    Status copied = done ? Status::success() : Status::failure(lastError());
    // One read transaction makes the copy a single moment of the book, while
    // other programs may be writing it.
    for (const char* step : {"PRAGMA copy.cipher_page_size = 4096", "BEGIN",
                             "SELECT sqlcipher_export('copy')", "COMMIT"}) {
        if (copied.ok()) {
            copied = execute(step);
        }
    }
    if (!copied.ok()) {
        execute("ROLLBACK");
    }
    execute("DETACH DATABASE copy");
    if (!copied.ok()) {
        QFile::remove(path);
    }
    return copied;
}

Status Database::execute(const char* sql)
{
    if (sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) != SQLITE_OK) {
        return Status::failure(errorText(m_db));
    }
    return Status::success();
}

Statement Database::prepare(const char* sql, QString& reason)
{
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(m_db, sql, -1, &stmt, nullptr) != SQLITE_OK) {
        reason = errorText(m_db);
        return Statement();
    }
    return Statement(stmt);
}

qint64 Database::lastInsertId() const
{
    return sqlite3_last_insert_rowid(m_db);
}

int Database::changes() const
{
    return sqlite3_changes(m_db);
}

bool Database::isReadOnly() const
{
    return sqlite3_db_readonly(m_db, "main") == 1;
}

QString Database::readOnlyReason()
{
    return tr("The address book is read-only here: its file or its folder cannot be written "
              "(a read-only disk, say, or another user's book). Nothing was written.");
}

QString Database::filePath() const
{
    return QString::fromUtf8(sqlite3_db_filename(m_db, "main"));
}

QString Database::lastError() const
{
    return errorText(m_db);
}

Statement::~Statement()
{
    sqlite3_finalize(m_stmt);
}

Statement::Statement(Statement&& other) noexcept : m_stmt(std::exchange(other.m_stmt, nullptr)) {}

Statement& Statement::operator=(Statement&& other) noexcept
{
    std::swap(m_stmt, other.m_stmt);
    return *this;
}

void Statement::reset()
{
    // A statement that could not be prepared stays one that fails when run.
    if (m_stmt) {
        sqlite3_reset(m_stmt);
        sqlite3_clear_bindings(m_stmt);
    }
}

void Statement::bind(int index, const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    sqlite3_bind_text(m_stmt, index, utf8.constData(), static_cast<int>(utf8.size()),
                      SQLITE_TRANSIENT);
}

void Statement::bindUtf8(int index, QByteArrayView bytes)
{
    // A null pointer would bind NULL; an empty value is the empty text.
    sqlite3_bind_text(m_stmt, index, bytes.isNull() ? "" : bytes.data(),
                      static_cast<int>(bytes.size()), SQLITE_TRANSIENT);
}

void Statement::bindUtf8Shared(int index, QByteArrayView bytes)
{
    sqlite3_bind_text(m_stmt, index, bytes.isNull() ? "" : bytes.data(),
                      static_cast<int>(bytes.size()), SQLITE_STATIC);
}

void Statement::bind(int index, qint64 value)
{
    sqlite3_bind_int64(m_stmt, index, value);
}

void Statement::bindNull(int index)
{
    sqlite3_bind_null(m_stmt, index);
}

bool Database::hasTable(const char* name)
{
    QString reason;
    Statement present =
        prepare("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = ?1", reason);
    present.bind(1, QString::fromLatin1(name));
    bool done = false;
    return present.isValid() && present.next(done) && present.integer(0) > 0;
}

bool Statement::next(bool& done)
{
    const int rc = sqlite3_step(m_stmt);
    done = rc == SQLITE_DONE;
    return rc == SQLITE_ROW;
}

int Statement::columnCount() const
{
    return sqlite3_column_count(m_stmt);
}

QString Statement::columnName(int column) const
{
    return QString::fromUtf8(sqlite3_column_name(m_stmt, column));
}

QString Statement::text(int column) const
{
    const auto* data = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, column));
    return QString::fromUtf8(data, sqlite3_column_bytes(m_stmt, column));
}

QByteArrayView Statement::utf8(int column) const
{
    const auto* data = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, column));
    return QByteArrayView(data, sqlite3_column_bytes(m_stmt, column));
}

qint64 Statement::integer(int column) const
{
    return sqlite3_column_int64(m_stmt, column);
}

} // namespace norvane
