#pragma once

#include "data/status.h"
#include "sync/account.h"
#include "sync/dav_client.h"

#include <QStringList>

namespace norvane {

class Database;

// What one synchronisation did, and the cards it could not move.
struct SyncReport
{
    int pulledNew = 0;
    int pulledChanged = 0;
    int pulledRemoved = 0;
    int pushedNew = 0;
    int pushedChanged = 0;
    int pushedRemoved = 0;
    int conflicts = 0;
    // One per card that did not go through: refused by the server or left
    // out of its answer (the next run tries again), or unreadable or too
    // large (left out until it changes there).
    QStringList problems;
    // Cards sent without the photo in the photo folder, "NAME: FILE
    // (reason)", and cards taken in without theirs, "NAME (reason)".
    QStringList photosNotSent;
    QStringList photosNotTaken;
};

// Keeps the book and the account's address book in step, both ways:
//  - pull: the collection's ETags against those of the last run; new and
//    changed cards fetched (addressbook-multiget) and applied a few hundred
//    to a transaction, then removed ones removed here with the new sync
//    token, so that the token is only kept once everything before it is;
//  - push: new contacts PUT with If-None-Match: *, changed ones with
//    If-Match, removed ones DELETEd with If-Match, each recorded as soon as
//    the server took it, so that a run killed at any moment is finished by
//    the next one without duplicating or losing a contact;
//  - after new cards went, a second pull, so that the kept sync token knows
//    them and a removal of one there is named to the next run.
// A contact changed on both sides takes the server's version, and the local
// one is kept as a new contact "<name> (conflict <date>)", pushed as new; a
// card changed there only in what Norvane does not show is no such change.
// A change wins over a removal on the other side. A failure of the server
// leaves the book as it was before that step. A run holds the book's sync
// state (whileSyncStateIsOurs): a second run, or a change of the account,
// waits for it; a run that finds the account changed as it began fails.
Status synchronise(Database& db, DavClient& client, const CardDavAccount& account,
                   const QString& photoFolder, SyncReport& report);

// One line for each photo the run did not send or take in: "sent without
// its photo: ..." or "taken in without its photo: ...".
QStringList photoLines(const SyncReport& report);

// Adds the table of what the last run saw of each card when the book has
// it not yet.
Status ensureSyncTable(Database& db);

} // namespace norvane
