#pragma once

#include "sync/dav_client.h"

#include <QUrl>
#include <optional>

namespace norvane {

// An address book collection found on a server.
struct FoundAddressBook
{
    QUrl url;
    QString name;
    int cards = 0;
};

// Finds the address book collection from what the user gave: the
// collection itself, the user's principal, the address book home, or the
// server (then by /.well-known/carddav and the current user's principal).
// Of several address books, the first by address. nullopt with a reason
// when there is none or the server cannot be asked.
std::optional<FoundAddressBook> findAddressBook(DavClient& client, const QUrl& given,
                                                QString& reason);

} // namespace norvane
