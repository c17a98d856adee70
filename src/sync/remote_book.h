#pragma once

#include "sync/dav_client.h"
#include "sync/multistatus.h"

#include <QHash>
#include <QSet>
#include <QStringList>
#include <QUrl>
#include <optional>

namespace norvane {

// The server's side of a sync: what changed in the address book collection
// and the cards themselves.

// What changed on the server since the last run: cards new or changed (path
// -> ETag), cards removed, and the token to ask from next time. A complete
// list names every card there is: what it leaves out was removed.
struct RemoteChanges
{
    QHash<QString, QString> changed;
    QSet<QString> removed;
    QString token;
    bool complete = false;
};

// The path of a card named by an href (relative or absolute) of the collection.
QString pathOf(const QUrl& collection, const QString& href);

// What changed since the sync token of the last run (none: everything),
// through every answer a server cut short (RFC 6578, 3.6).
std::optional<RemoteChanges> remoteChanges(DavClient& client, const QUrl& collection,
                                           const QString& lastToken, QString& reason);

// Fetches cards by path with addressbook-multiget, a batch per request (in
// halves where an answer would be larger than the client reads); each with
// its path, ETag and text. A card larger on its own than the client reads
// is left out and named in tooLarge.
std::optional<QList<DavResource>> fetchCards(DavClient& client, const QUrl& collection,
                                             const QStringList& paths, QStringList& tooLarge,
                                             QString& reason);

} // namespace norvane
