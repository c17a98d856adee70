#pragma once

#include "data/status.h"

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <functional>
#include <optional>

namespace norvane {

class Database;

// The CardDAV account an address book synchronises with, kept in the book's
// settings table. The password is never kept: it comes from the command
// (whose standard output it is) or is asked for.
struct CardDavAccount
{
    QUrl url; // the address book collection
    QString user;
    QString passwordCommand;
    bool allowInsecure = false;
    QByteArray trustedFingerprint;
};

// Whether the two name the same address book as the same user: what a sync
// noted of one is only true of the other then.
bool isSameAddressBook(const CardDavAccount& one, const CardDavAccount& other);

// Runs work while no other program syncs the book or changes its account, so
// that neither writes what the book knows of one server after the other made
// it another's. Through the lock file norvane-sync.lock beside the book,
// waited for up to a minute; the lock a killed program left is stale by its
// process, never by its age, because a long sync is not a stale one.
Status whileSyncStateIsOurs(Database& db, const std::function<Status()>& work);

// Keeps the account in the book. Its password command, if any, is noted as
// this user's own for this account, in the user's configuration folder.
Status saveAccount(Database& db, const CardDavAccount& account);
// Whether this user set the account's password command on this computer;
// only such a command is ever run for a stored account.
bool isPasswordCommandTrusted(const CardDavAccount& account);
// The book's account; nullopt when it has none (or on failure, with reason set).
std::optional<CardDavAccount> loadAccount(Database& db, QString& reason);
// Forgets the account and what the book knows of the server, never a contact.
Status removeAccount(Database& db);

// Runs the password command (split as a shell would split it, but run
// without one); the first line of its standard output.
std::optional<QString> passwordFromCommand(const QString& command, QString& reason);

} // namespace norvane
