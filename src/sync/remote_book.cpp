#include "sync/remote_book.h"

#include <QCoreApplication>

namespace norvane {

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("CardSync", text);
}

constexpr int kCardsPerFetch = 50;

// The cards of the collection: path -> ETag.
std::optional<QHash<QString, QString>> listCards(DavClient& client, const QUrl& collection,
                                                 QString& reason)
{
    const auto resources =
        multistatusOf(client.propfind(collection, 1, "<d:resourcetype/><d:getetag/>"),
                      tr("listing the address book"), collection, reason);
    if (!resources) {
        return std::nullopt;
    }
    QHash<QString, QString> cards;
    for (const DavResource& resource : *resources) {
        if (!resource.collection) {
            cards.insert(pathOf(collection, resource.href), resource.etag);
        }
    }
    return cards;
}

// The members of a sync-collection answer, as changes.
RemoteChanges changesOf(const QList<DavResource>& members, const QUrl& collection, QString token,
                        bool complete)
{
    RemoteChanges changes;
    changes.token = std::move(token);
    changes.complete = complete;
    for (const DavResource& member : members) {
        const QString path = pathOf(collection, member.href);
        if (path == collection.path()) {
            continue;
        }
        if (member.status == 404) {
            changes.removed.insert(path);
        } else if (!member.collection) {
            changes.changed.insert(path, member.etag);
        }
    }
    return changes;
}

} // namespace

QString pathOf(const QUrl& collection, const QString& href)
{
    return collection.resolved(QUrl(href)).path();
}

// The changes by WebDAV sync-collection from the last token (RFC 6578); a
// refused token starts again from none, which lists every card. A server
// without sync-collection is listed instead (every card with its ETag).
std::optional<RemoteChanges> remoteChanges(DavClient& client, const QUrl& collection,
                                           const QString& lastToken, QString& reason)
{
    for (const QString& from : {lastToken, QString()}) {
        const QByteArray body =
            "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<d:sync-collection xmlns:d=\"DAV:\">"
            "<d:sync-token>" +
            from.toHtmlEscaped().toUtf8() +
            "</d:sync-token><d:sync-level>1</d:sync-level><d:prop><d:getetag/></d:prop>"
            "</d:sync-collection>";
        const DavReply reply = client.send("REPORT", collection, body, {{"Depth", "0"}});
        if (!reply.answered() || reply.status == 401 || reply.status >= 500) {
            reason = refusalText(tr("asking the address book what changed"), collection, reply);
            return std::nullopt;
        }
        QString token;
        const auto members =
            reply.status == 207 ? parseMultistatus(reply.body, reason, &token) : std::nullopt;
        if (members && !token.isEmpty()) {
            return changesOf(*members, collection, token, from.isEmpty());
        }
        if (from.isEmpty()) {
            break;
        }
    }
    const auto listed = listCards(client, collection, reason);
    if (!listed) {
        return std::nullopt;
    }
    RemoteChanges changes;
    changes.changed = *listed;
    changes.complete = true;
    return changes;
}

// Fetches cards by path, a batch per request.
std::optional<QList<DavResource>> fetchCards(DavClient& client, const QUrl& collection,
                                             const QStringList& paths, QString& reason)
{
    QList<DavResource> fetched;
    for (qsizetype from = 0; from < paths.size(); from += kCardsPerFetch) {
        QByteArray body = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<c:addressbook-multiget "
                          "xmlns:d=\"DAV:\" xmlns:c=\"urn:ietf:params:xml:ns:carddav\">"
                          "<d:prop><d:getetag/><c:address-data/></d:prop>";
        for (const QString& path : paths.mid(from, kCardsPerFetch)) {
            body += "<d:href>" +
                    QString::fromLatin1(QUrl(path).toEncoded()).toHtmlEscaped().toUtf8() +
                    "</d:href>";
        }
        body += "</c:addressbook-multiget>";
        const auto resources =
            multistatusOf(client.send("REPORT", collection, body, {{"Depth", "1"}}),
                          tr("fetching cards"), collection, reason);
        if (!resources) {
            return std::nullopt;
        }
        for (const DavResource& resource : *resources) {
            if (!resource.card.isEmpty()) {
                fetched.append(resource);
                fetched.last().href = pathOf(collection, resource.href);
            }
        }
    }
    return fetched;
}

} // namespace norvane
