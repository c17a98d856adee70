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

// Adds the members of a sync-collection answer to the changes: a later
// answer's word on a card stands over an earlier one's. Whether the server
// cut the answer short (RFC 6578, 3.6: the collection's own entry says 507).
bool addChanges(RemoteChanges& changes, const QList<DavResource>& members, const QUrl& collection)
{
    bool cutShort = false;
    for (const DavResource& member : members) {
        const QString path = pathOf(collection, member.href);
        if (path == collection.path() || path + u'/' == collection.path()) {
            cutShort = cutShort || member.status == 507;
        } else if (member.status == 404) {
            changes.changed.remove(path);
            changes.removed.insert(path);
        } else if (!member.collection) {
            changes.removed.remove(path);
            changes.changed.insert(path, member.etag);
        }
    }
    return cutShort;
}

// The most answers one run reads on from a token given with an answer cut
// short; a server still cutting short after that is taken to be looping.
constexpr int kMostAnswers = 10000;

// One sync-collection answer from the token: its members, and the token to
// go on from. nullopt when the server refused the token or the report
// (reason left empty) or failed (reason set).
std::optional<QList<DavResource>> syncAnswer(DavClient& client, const QUrl& collection,
                                             const QString& from, QString& token, QString& reason)
{
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
    QString unread;
    std::optional<QList<DavResource>> members =
        reply.status == 207 ? parseMultistatus(reply.body, unread, &token) : std::nullopt;
    return members && !token.isEmpty() ? members : std::nullopt;
}

// The changes since the token, read on through every answer the server cut
// short, so that a full listing is never taken as whole before its end.
// nullopt when the server refused the token (reason left empty) or failed.
std::optional<RemoteChanges> changesSince(DavClient& client, const QUrl& collection,
                                          const QString& from, QString& reason)
{
    RemoteChanges changes;
    changes.complete = from.isEmpty();
    QString at = from;
    for (int answer = 0; answer < kMostAnswers; ++answer) {
        const std::optional<QList<DavResource>> members =
            syncAnswer(client, collection, at, changes.token, reason);
        if (!members) {
            if (answer > 0 && reason.isEmpty()) {
                reason = tr("asking the address book what changed: %1 refused to go on from "
                            "the token it gave")
                             .arg(collection.host());
            }
            return std::nullopt;
        }
        if (!addChanges(changes, *members, collection)) {
            return changes;
        }
        at = changes.token;
    }
    reason = tr("asking the address book what changed: %1 cut its answer short %2 times")
                 .arg(collection.host())
                 .arg(kMostAnswers);
    return std::nullopt;
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
        if (std::optional<RemoteChanges> changes = changesSince(client, collection, from, reason)) {
            return changes;
        }
        if (!reason.isEmpty()) {
            return std::nullopt;
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

namespace {

// Fetches the cards by path in one request; a batch whose answer is larger
// than the client reads (cards with large photos) is fetched again in halves,
// down to a card alone, which is then left out and named in tooLarge.
bool fetchBatch(DavClient& client, const QUrl& collection, const QStringList& paths,
                QList<DavResource>& fetched, QStringList& tooLarge, QString& reason)
{
    QByteArray body = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<c:addressbook-multiget "
                      "xmlns:d=\"DAV:\" xmlns:c=\"urn:ietf:params:xml:ns:carddav\">"
                      "<d:prop><d:getetag/><c:address-data/></d:prop>";
    for (const QString& path : paths) {
        body += "<d:href>" + QString::fromLatin1(QUrl(path).toEncoded()).toHtmlEscaped().toUtf8() +
                "</d:href>";
    }
    body += "</c:addressbook-multiget>";
    const DavReply reply = client.send("REPORT", collection, body, {{"Depth", "1"}});
    if (reply.tooLarge && paths.size() > 1) {
        const qsizetype half = paths.size() / 2;
        return fetchBatch(client, collection, paths.first(half), fetched, tooLarge, reason) &&
               fetchBatch(client, collection, paths.sliced(half), fetched, tooLarge, reason);
    }
    if (reply.tooLarge) {
        tooLarge.append(paths.first());
        return true;
    }
    const auto resources = multistatusOf(reply, tr("fetching cards"), collection, reason);
    if (!resources) {
        return false;
    }
    for (const DavResource& resource : *resources) {
        if (!resource.card.isEmpty()) {
            fetched.append(resource);
            fetched.last().href = pathOf(collection, resource.href);
        }
    }
    return true;
}

} // namespace

std::optional<QList<DavResource>> fetchCards(DavClient& client, const QUrl& collection,
                                             const QStringList& paths, QStringList& tooLarge,
                                             QString& reason)
{
    QList<DavResource> fetched;
    for (qsizetype from = 0; from < paths.size(); from += kCardsPerFetch) {
        if (!fetchBatch(client, collection, paths.mid(from, kCardsPerFetch), fetched, tooLarge,
                        reason)) {
            return std::nullopt;
        }
    }
    return fetched;
}

} // namespace norvane
