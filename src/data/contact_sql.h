#pragma once

#include "data/contact.h"
#include "data/database.h"

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
