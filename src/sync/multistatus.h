#pragma once

#include "sync/dav_client.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

namespace norvane {

// One <response> of a WebDAV multistatus: the resource and the properties
// the server found for it (those it did not find stay empty).
struct DavResource
{
    QString href;
    int status = 0; // the response's own status (404: a member removed), 0 without one
    bool collection = false;
    bool addressBook = false;
    QString displayName;
    QString etag;
    QString principal; // current-user-principal
    QString homeSet;   // addressbook-home-set
    QByteArray card;   // address-data, as UTF-8
};

// Reads a multistatus body; nullopt with a reason when it is not one. The
// sync token of a sync-collection answer goes to syncToken when given.
std::optional<QList<DavResource>> parseMultistatus(const QByteArray& body, QString& reason,
                                                   QString* syncToken = nullptr);
// The resources of a reply that should be a multistatus (207); nullopt with
// the reason, after what was being done, when it is not.
std::optional<QList<DavResource>> multistatusOf(const DavReply& reply, const QString& what,
                                                const QUrl& url, QString& reason,
                                                QString* syncToken = nullptr);

} // namespace norvane
