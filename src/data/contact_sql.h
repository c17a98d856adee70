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

// Runs a statement to its end; the database's own reason on failure.
inline Status runToEnd(Database& db, Statement& statement)
{
    bool done = false;
    while (statement.next(done)) {
    }
    return done ? Status::success() : Status::failure(db.lastError());
}

} // namespace norvane
