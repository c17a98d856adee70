#pragma once

#include "data/status.h"

#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <memory>

struct sqlite3;
struct sqlite3_stmt;

namespace norvane {

class Statement;

// One open, keyed SQLCipher database. Cipher settings are pinned at every open
// right after the key, and the key is proven by a first read so that a wrong
// password fails here rather than at a later query.
//
// A connection and its statements are used by one thread at a time (another
// may take them over while the first waits, as an export's reading thread
// does): they are opened without the engine's own lock, which would
// otherwise be taken for every value read.
class Database
{
public:
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Opens an existing database; never creates one. wrongKey, when given,
    // tells whether the file could not be read with this password (a file
    // that is not a Norvane database at all reads the same).
    static std::unique_ptr<Database> open(const QString& path, const QString& password,
                                          QString& reason, bool* wrongKey = nullptr);
    // Creates a new, empty database file; refuses when the path exists.
    static std::unique_ptr<Database> create(const QString& path, const QString& password,
                                            QString& reason);

    Status execute(const char* sql);
    // Encrypts the whole file again under a new password, in one step, and
    // proves it by reading the book with it. After a failure this connection
    // is to be closed: the engine may have switched it to the new password.
    Status rekey(const QString& password);
    // Writes a consistent copy of the whole database, under the given
    // password, to a new file readable by its owner only; never replaces a
    // file, and leaves none behind when it fails.
    Status copyTo(const QString& path, const QString& password);
    // Prepares one statement; on failure the statement is invalid and reason says why.
    Statement prepare(const char* sql, QString& reason);
    qint64 lastInsertId() const;
    int changes() const;
    bool isReadOnly() const;
    // Why a change to a book opened read-only was refused.
    static QString readOnlyReason();
    // The file the database lives in, as it was opened.
    QString filePath() const;
    // Whether the book has a table of that name (false when it cannot tell).
    bool hasTable(const char* name);
    QString lastError() const;

private:
    explicit Database(sqlite3* handle) : m_db(handle) {}
    Status applyKeyAndSettings(const QString& password);

    sqlite3* m_db = nullptr;
};

// A prepared statement; finalized when it goes out of scope.
class Statement
{
public:
    Statement() = default;
    explicit Statement(sqlite3_stmt* stmt) : m_stmt(stmt) {}
    ~Statement();
    Statement(Statement&& other) noexcept;
    Statement& operator=(Statement&& other) noexcept;

    bool isValid() const { return m_stmt != nullptr; }
    // Makes the statement ready to run again with new bindings.
    void reset();
    void bind(int index, const QString& text);
    void bind(int index, qint64 value);
    void bindNull(int index);
    // Binds bytes as text exactly as they are, even where they are not valid UTF-8.
    void bindUtf8(int index, QByteArrayView bytes);
    // The same without a copy: the bytes must stay as they are until the
    // statement is reset or the index bound again.
    void bindUtf8Shared(int index, QByteArrayView bytes);
    // Steps once: true while a row is there. done tells a finished statement apart from an error.
    bool next(bool& done);
    int columnCount() const;
    QString columnName(int column) const;
    QString text(int column) const;
    // The column's UTF-8 bytes, valid until the next step.
    QByteArrayView utf8(int column) const;
    qint64 integer(int column) const;

private:
    sqlite3_stmt* m_stmt = nullptr;
};

// Runs change() (returning a Status) in one write transaction: committed
// when it succeeds, rolled back when it fails.
template <class Change> Status inTransaction(Database& db, Change change)
{
    if (Status begun = db.execute("BEGIN IMMEDIATE"); !begun.ok()) {
        return begun;
    }
    Status status = change();
    if (status.ok()) {
        status = db.execute("COMMIT");
    }
    if (!status.ok()) {
        db.execute("ROLLBACK");
    }
    return status;
}

// The number a "SELECT count(*) ... ?1" query gives with that value bound.
template <class Value>
Status countRows(Database& db, const char* sql, const Value& parameter, qint64& count)
{
    QString reason;
    Statement query = db.prepare(sql, reason);
    if (!query.isValid()) {
        return Status::failure(reason);
    }
    query.bind(1, parameter);
    bool done = false;
    if (!query.next(done)) {
        return Status::failure(db.lastError());
    }
    count = query.integer(0);
    return Status::success();
}

} // namespace norvane
