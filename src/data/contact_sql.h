#pragma once

#include "data/contact.h"
#include "data/database.h"

#include <QStringDecoder>
#include <array>

namespace norvane {

// The statements that write tblYou. User text only ever reaches them as bound
// parameters ?1 to ?6, in column order from NAME to PROFILE.
inline constexpr const char* kInsertContactSql =
    "INSERT INTO tblYou (NAME, ADDRESS, CONTACT, EMAIL, COMPANY, PROFILE) "
    "VALUES (?1, ?2, ?3, ?4, ?5, ?6)";
inline constexpr const char* kDeleteContactSql = "DELETE FROM tblYou WHERE ID = ?1";
// The columns a reader of whole contacts selects, named in the order it takes
// them: a table made by another program may hold them in another order, or
// beside columns of its own.
inline constexpr const char* kContactColumnsSql =
    "ID, NAME, ADDRESS, CONTACT, EMAIL, COMPANY, PROFILE";

inline void bindContactTexts(Statement& statement, const Contact& contact)
{
    for (int column = 1; column < kContactColumnCount; ++column) {
        statement.bind(column, contact.text(static_cast<ContactColumn>(column)));
    }
}

// A contact's six texts as UTF-8, in column order, in one buffer: an import
// makes them on the thread that maps its cards, binds them without a copy
// and tells contacts apart by them; an export writes its cards from them.
class ContactUtf8
{
public:
    ContactUtf8() = default;
    explicit ContactUtf8(const Contact& contact);
    // The texts of a row read with kContactColumnsSql, as they are stored.
    static ContactUtf8 ofRow(const Statement& row);

    // The text of a column from Name to Profile.
    QByteArrayView text(ContactColumn column) const;
    // The six texts one after the other.
    QByteArrayView bytes() const { return m_bytes; }
    // Where each text starts, and where the last one ends.
    const std::array<qsizetype, kContactColumnCount>& starts() const { return m_starts; }

private:
    QByteArray m_bytes;
    std::array<qsizetype, kContactColumnCount> m_starts{};
};

// UTF-8 as the text it holds: a byte-order mark at its start stays the
// character it is (QString::fromUtf8() drops it).
inline QString textFromUtf8(QByteArrayView utf8)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless |
                                                     QStringDecoder::Flag::ConvertInitialBom);
    return decoder.decode(utf8);
}

// Binds them as ?1 to ?6 without a copy: they must outlive the statement's run.
inline void bindContactUtf8(Statement& statement, const ContactUtf8& texts)
{
    for (int column = 1; column < kContactColumnCount; ++column) {
        statement.bindUtf8Shared(column, texts.text(static_cast<ContactColumn>(column)));
    }
}

// The six texts of a row read with kContactColumnsSql, from its column 1 on,
// with the ID of column 0.
inline Contact contactOfRow(const Statement& row)
{
    Contact contact;
    contact.id = row.integer(0);
    for (int column = 1; column < kContactColumnCount; ++column) {
        contact.text(static_cast<ContactColumn>(column)) = row.text(column);
    }
    return contact;
}

// Whether Norvane may write to tblYou: its ID must be the table's one key,
// an INTEGER PRIMARY KEY, and its six texts must lie in columns that keep a
// text as it is written, as in every book Norvane makes. Only then does a change by ID
// reach exactly one contact, a new contact get an ID of its own, and a
// number such as 0131 stay as typed. A table made by another program may
// lack either: nothing is written to it.
Status checkContactTableWritable(Database& db);

// Runs a statement to its end; the database's own reason on failure.
inline Status runToEnd(Database& db, Statement& statement)
{
    bool done = false;
    while (statement.next(done)) {
    }
    return done ? Status::success() : Status::failure(db.lastError());
}

} // namespace norvane
