#pragma once

#include "data/contact.h"
#include "data/database.h"

#include <array>

namespace norvane {

// The statements that write tblYou. User text only ever reaches them as bound
// parameters ?1 to ?6, in column order from NAME to PROFILE.
inline constexpr const char* kInsertContactSql =
    "INSERT INTO tblYou (NAME, ADDRESS, CONTACT, EMAIL, COMPANY, PROFILE) "
    "VALUES (?1, ?2, ?3, ?4, ?5, ?6)";
inline constexpr const char* kDeleteContactSql = "DELETE FROM tblYou WHERE ID = ?1";

inline void bindContactTexts(Statement& statement, const Contact& contact)
{
    for (int column = 1; column < kContactColumnCount; ++column) {
        statement.bind(column, contact.text(static_cast<ContactColumn>(column)));
    }
}

// A contact's six texts as UTF-8, in column order, made ahead of their
// binding (an import makes them on the thread that maps its cards).
using ContactUtf8 = std::array<QByteArray, kContactColumnCount - 1>;

inline ContactUtf8 contactUtf8(const Contact& contact)
{
    ContactUtf8 texts;
    for (int column = 1; column < kContactColumnCount; ++column) {
        texts[column - 1] = contact.text(static_cast<ContactColumn>(column)).toUtf8();
    }
    return texts;
}

// Binds them as ?1 to ?6 without a copy: they must outlive the statement's run.
inline void bindContactUtf8(Statement& statement, const ContactUtf8& texts)
{
    for (int column = 1; column < kContactColumnCount; ++column) {
        statement.bindUtf8Shared(column, texts[column - 1]);
    }
}

// The six texts of a row of "SELECT * FROM tblYou ...", from its column 1
// on, with the ID of column 0.
inline Contact contactOfRow(const Statement& row)
{
    Contact contact;
    contact.id = row.integer(0);
    for (int column = 1; column < kContactColumnCount; ++column) {
        contact.text(static_cast<ContactColumn>(column)) = row.text(column);
    }
    return contact;
}

// Runs a statement to its end; the database's own reason on failure.
inline Status runToEnd(Database& db, Statement& statement)
{
    bool done = false;
    while (statement.next(done)) {
    }
    return done ? Status::success() : Status::failure(db.lastError());
}

} // namespace norvane
